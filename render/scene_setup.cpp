// Turning a loaded scene into device state: lights, the orbit camera, textures, face-group materials
// and lightmaps. Runs after every load and after every device re-creation.
#include <cstring>

#include "render/scene_setup.h"

#include "lightmap/lightmap.h"
#include "platform/report.h"
#include "render/default_material.h"
#include "render/renderer.h"
#include "scene/ase_scene.h"
#include "texture/texture_cache.h"

namespace {

// Scene positions are z-up; the device is y-up.
Vector3 DeviceAxes(const Vector3& scene_position) {
  return MakeVector(scene_position.x, scene_position.z, scene_position.y);
}

void LoadMaterialBitmaps(IDirect3DDevice7* device, const Material& material) {
  if (material.bitmap_name[0] != '\0') LoadTexture(device, material.bitmap_name);
  if (material.submaterials == nullptr) return;
  for (int i = 0; i < material.submaterial_count; ++i) {
    const Material& sub = material.submaterials[i];
    if (sub.bitmap_name[0] != '\0') LoadTexture(device, sub.bitmap_name);
  }
}

// A material without a bitmap is drawn in its diffuse colour; a stage without a texture would show white.
void AssignGroupMaterial(IDirect3DDevice7* device, FaceGroup* group, const Material& material) {
  group->group_material = MaterialColourBlock(material);
  group->texture = material.bitmap_name[0] != '\0' ? FindTexture(material.bitmap_name)
                                                    : ColourTexture(device, material.diffuse);
}

bool HasValidMaterial(const AseScene* scene, const GeomObject* object) {
  return scene->materials != nullptr && object->material_index < scene->material_count;
}

void AssignFaceGroupMaterials(IDirect3DDevice7* device, const AseScene* scene, GeomObject* object) {
  if (object->face_groups == nullptr) return;
  const Material& material = scene->materials[object->material_index];
  if (object->face_group_count == 1) {
    AssignGroupMaterial(device, object->face_groups, material);
    return;
  }
  if (object->face_group_count > material.submaterial_count || material.submaterials == nullptr) return;
  FaceGroup* group = object->face_groups;
  for (int i = 0; i < object->face_group_count && group != nullptr; ++i, group = group->next) {
    if (group->material_id < material.submaterial_count) {
      AssignGroupMaterial(device, group, material.submaterials[group->material_id]);
    }
  }
}

}  // namespace

void Renderer::ApplyScene(AseScene* scene) {
  // A renderer whose last re-creation failed has no device to give lights, textures or lightmaps to.
  if (scene == nullptr || device == nullptr) return;
  // Forty lights refused by a device that enables eight make one box, not thirty-two; a device built
  // again for the same scene repeats none of them.
  ReportOncePerKind once;
  SceneReportGate scene_gate(scene);

  LightObject* first_light = scene->lights;
  if (first_light == nullptr) ShowReport("Light Nothing");
  for (LightObject* light = first_light; light != nullptr; light = NextNode(light)) {
    PoseLightAtRest(light);
    const Vector3 position = DeviceAxes(light->node_tms[0].pos);
    AddLight(position, position, D3DLIGHT_POINT);
  }

  if (scene->cameras == nullptr) ShowReport("Camera is Nothing");
  ResetView(scene);

  if (scene->materials != nullptr) {
    for (int i = 0; i < scene->material_count; ++i) LoadMaterialBitmaps(device, scene->materials[i]);
  }

  // Without a light the tiles are lit from the camera's eye, so the scene still shows.
  const Vector3 source = first_light != nullptr ? DeviceAxes(first_light->node_tms[0].pos) : camera->orbit_eye;
  const Vector4 light_position = {source.x, source.y, source.z, 0.0f};
  for (GeomObject* object = scene->geom_objects; object != nullptr; object = NextNode(object)) {
    if (HasValidMaterial(scene, object)) {
      AssignFaceGroupMaterials(device, scene, object);
    } else {
      GiveDefaultMaterial(object, device);
    }
    ReleaseObjectLightmaps(object);
    BuildObjectLightmaps(object, device, light_position);
  }
}

void Renderer::AddLight(const Vector3& direction, const Vector3& position, D3DLIGHTTYPE type) {
  if (device == nullptr) return;
  D3DLIGHT7 light;
  std::memset(&light, 0, sizeof light);
  light.dltType = type;
  light.dcvDiffuse.r = 1.0f;
  light.dcvDiffuse.g = 1.0f;
  light.dcvDiffuse.b = 1.0f;
  light.dvRange = D3DLIGHT_RANGE_MAX;
  if (type == D3DLIGHT_POINT) {
    light.dvPosition = {position.x, position.y, position.z};
    light.dvAttenuation0 = 1.0f;
  } else if (type == D3DLIGHT_DIRECTIONAL) {
    light.dvDirection = {direction.x, direction.y, direction.z};
  } else if (type == D3DLIGHT_SPOT) {
    light.dvDirection = {direction.x, direction.y, direction.z};
    light.dvFalloff = 100.0f;
    light.dvTheta = 0.8f;
    light.dvPhi = 1.0f;
    light.dvAttenuation0 = 1.0f;
  }
  if (device->SetLight(next_light_index, &light) != S_OK) ShowReport("Fail to Set Light");
  if (device->LightEnable(next_light_index, TRUE) != S_OK) ShowReport("Fail to Enable Light");
  ++next_light_index;
}

void Renderer::SetupCamera(const Vector3& eye, const Vector3& target, float near_clip, float far_clip) {
  if (camera == nullptr) return;
  InitOrbit(camera, eye, target, near_clip, far_clip);
  camera->aspect = view_aspect;
  far_plane = far_clip;
  near_plane = near_clip;
  SendOrbitView();
}

void Renderer::ResetView(const AseScene* scene) {
  if (scene == nullptr) return;
  if (scene->cameras == nullptr) {
    FrameScene(scene);
    return;
  }
  camera = scene->cameras;
  SetupCamera(DeviceAxes(camera->node_tms[0].pos), DeviceAxes(camera->node_tms[1].pos), 1.0f, 2000.0f);
}

SceneBounds GeometryBounds(const AseScene* scene) {
  SceneBounds bounds;
  if (scene == nullptr) return bounds;
  for (const GeomObject* object = scene->geom_objects; object != nullptr; object = NextNode(object)) {
    if (object->vertices == nullptr) continue;
    for (uint32_t i = 0; i < object->vertex_count; ++i) AddToBounds(bounds, object->vertices[i].position);
  }
  return bounds;
}

void PoseLightAtRest(LightObject* light) {
  if (light == nullptr) return;
  // Only a light's position reaches the lighting, so its rest pose is the translation alone.
  MatrixTranslation(light->node_tm_matrix, DeviceAxes(light->node_tms[0].pos));
  light->local_matrix = light->node_tm_matrix;
  light->world_matrix = light->node_tm_matrix;
}
