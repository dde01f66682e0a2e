#include "scene/ase_reader.h"
#include "scene/ase_reader_internal.h"

LightObject* CreateLightObject(AseScene* scene, const char* name) {
  return AppendNewNode(scene->lights, scene->last_light, scene->light_count, name);
}

// No later stage needs a camera's name.
CameraObject* CreateCameraObject(AseScene* scene) {
  return AppendNewNode(scene->cameras, scene->last_camera, scene->camera_count, nullptr);
}

bool ReadLightObject(AseScene* scene) {
  TextStream& stream = *scene->scene_file;
  LightObject* current = nullptr;
  // Saturates rather than wrapping, so that a 257th transform cannot land in slot 0 again.
  int transforms_read = 0;
  return ReadBlock(stream, [&](const char* token) {
    if (MatchKeyword(token, "*NODE_NAME")) {
      char name[TOKEN_SIZE];
      ReadQuotedName(stream, name);
      current = CreateLightObject(scene, name);
    } else if (MatchKeyword(token, "*NODE_TM")) {
      NodeTm tm;
      ReadNodeTm(scene, &tm);
      if (transforms_read < 2 && current != nullptr) SetNodeTm(current, transforms_read, tm);
      if (transforms_read < 2) ++transforms_read;
    } else if (MatchKeyword(token, "*LIGHT_SETTINGS")) {
      ReadLightSettings(scene, current);
    } else if (MatchKeyword(token, "*TM_ANIMATION")) {
      SkipBlock(scene);
    }
  });
}

bool ReadCameraObject(AseScene* scene) {
  TextStream& stream = *scene->scene_file;
  CameraObject* current = nullptr;
  int transforms_read = 0;
  return ReadBlock(stream, [&](const char* token) {
    if (MatchKeyword(token, "*NODE_NAME")) {
      char name[TOKEN_SIZE];
      ReadQuotedName(stream, name);
      current = CreateCameraObject(scene);
    } else if (MatchKeyword(token, "*CAMERA_TYPE")) {
      if (current == nullptr) return;
      char type[TOKEN_SIZE];
      stream.Scan("%s\n", type);
    } else if (MatchKeyword(token, "*NODE_TM")) {
      // A third transform is not read as one: its block is walked by this loop.
      if (transforms_read >= 2) return;
      NodeTm tm;
      ReadNodeTm(scene, &tm);
      if (current != nullptr) SetNodeTm(current, transforms_read, tm);
      ++transforms_read;
    } else if (MatchKeyword(token, "*CAMERA_SETTINGS")) {
      ReadCameraSettings(scene, current);
    } else if (MatchKeyword(token, "*TM_ANIMATION")) {
      SkipBlock(scene);
    }
  });
}

bool ReadLightSettings(AseScene* scene, LightObject* light) {
  if (light == nullptr) return false;
  TextStream& stream = *scene->scene_file;
  return ReadBlock(stream, [&](const char* token) {
    if (!MatchKeyword(token, "*LIGHT_COLOR")) return;
    const Vector3 colour = ReadVector3(stream);
    light->light_colour[0] = colour.x;
    light->light_colour[1] = colour.y;
    light->light_colour[2] = colour.z;
  });
}

bool ReadCameraSettings(AseScene* scene, CameraObject* camera) {
  if (camera == nullptr) return false;
  TextStream& stream = *scene->scene_file;
  return ReadBlock(stream, [&](const char* token) {
    if (MatchKeyword(token, "*CAMERA_NEAR")) {
      camera->near_clip = ReadFloat(stream);
    } else if (MatchKeyword(token, "*CAMERA_FAR")) {
      camera->far_clip = ReadFloat(stream);
    }
  });
}
