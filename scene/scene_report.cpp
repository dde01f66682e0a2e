#include "scene/scene_report.h"

#include "scene/ase_scene.h"

namespace {

void WriteColour(FILE* out, const char* format, const D3DCOLORVALUE& colour) {
  std::fprintf(out, format, colour.r, colour.g, colour.b);
}

void WriteMaterial(FILE* out, const Material& material) {
  WriteColour(out, "diffuse %f %f %f\n", material.diffuse);
  WriteColour(out, "ambient %f %f %f\n", material.ambient);
  WriteColour(out, "specular %f %f %f\n", material.specular);
  if (material.has_bitmap) std::fprintf(out, "BITMAP %s\n", material.bitmap_name);
  std::fprintf(out, "\n SubMaterial %d\n", static_cast<int>(material.submaterial_count));
  for (int i = 0; i < material.submaterial_count && material.submaterials != nullptr; ++i) {
    const Material& sub = material.submaterials[i];
    WriteColour(out, "\t diffuse %f %f %f\n", sub.diffuse);
    WriteColour(out, "\t ambient %f %f %f\n", sub.ambient);
    WriteColour(out, "\t specular %f %f %f\n", sub.specular);
    if (sub.has_bitmap) std::fprintf(out, "BITMAP %s\n", sub.bitmap_name);
  }
  std::fprintf(out, "\n\n");
}

void WriteVector(FILE* out, const char* format, const Vector3& v) { std::fprintf(out, format, v.x, v.y, v.z); }

}  // namespace

void WriteNodeTm(FILE* stream, const NodeTm* tm) {
  if (stream == nullptr || tm == nullptr) return;
  std::fprintf(stream, "\nNODE TM\n");
  std::fprintf(stream, "Node Name = %s\n", tm->node_name);
  WriteVector(stream, "POS = %f %f %f\n", tm->pos);
  WriteVector(stream, "ROTAXIS = %f %f %f\n", tm->rot_axis);
  std::fprintf(stream, "ROTANGLE = %f\n", tm->rot_angle);
  WriteVector(stream, "SCALE = %f %f %f\n", tm->scale);
  WriteVector(stream, "ROW 0 %f %f %f\n", tm->row0);
  WriteVector(stream, "ROW 1 %f %f %f\n", tm->row1);
  WriteVector(stream, "ROW 2 %f %f %f\n", tm->row2);
  WriteVector(stream, "ROW 3 %f %f %f\n", tm->row3);
  std::fprintf(stream, "\n\n");
}

void WriteSceneReport(const AseScene* scene) {
  if (scene == nullptr || scene->report_file == nullptr) return;
  FILE* out = scene->report_file;

  std::fprintf(out, "Material Num = %d\n", static_cast<int>(scene->material_count));
  for (int i = 0; i < scene->material_count && scene->materials != nullptr; ++i) WriteMaterial(out, scene->materials[i]);
  std::fprintf(out, "\n\n");

  std::fprintf(out, "Camera Num = %d\n", static_cast<int>(scene->camera_count));
  for (const CameraObject* camera = scene->cameras; camera != nullptr; camera = NextNode(camera)) {
    WriteNodeTm(out, &GetNodeTm(camera, 0));
    WriteNodeTm(out, &GetNodeTm(camera, 1));
    std::fprintf(out, "Far = %f   Near = %f   Fov = %f \n", camera->far_clip, camera->near_clip, camera->field_of_view);
  }

  std::fprintf(out, "Light Num = %d\n", static_cast<int>(scene->light_count));
  for (const LightObject* light = scene->lights; light != nullptr; light = NextNode(light)) {
    std::fprintf(out, "Light Name %s\n", light->name);
    WriteNodeTm(out, &GetNodeTm(light, 0));
    WriteNodeTm(out, &GetNodeTm(light, 1));
    std::fprintf(out, "Light Color  %f %f %f\n", light->light_colour[0], light->light_colour[1], light->light_colour[2]);
  }

  std::fprintf(out, "\nGeometry\nTop Objects\n");
  for (int i = 0; i < scene->top_object_count && scene->top_objects != nullptr; ++i) {
    if (scene->top_objects[i] != nullptr) std::fprintf(out, "---%s\n", scene->top_objects[i]->name);
  }
  std::fprintf(out, "\n");

  for (const GeomObject* object = scene->geom_objects; object != nullptr; object = NextNode(object)) {
    std::fprintf(out, "+Name = %s\n", object->name);
    std::fprintf(out, "+Parent Name = %s\n", object->parent_name);
    std::fprintf(out, "+Type = %d\n", static_cast<int>(object->node_type));
    WriteNodeTm(out, &GetNodeTm(object, 0));
    std::fprintf(out, "Material Index = %d\n", static_cast<int>(object->material_index));
    std::fprintf(out, "facegroup %d\n", static_cast<int>(object->face_group_count));
  }
}
