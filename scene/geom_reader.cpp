#include <cstring>

#include "scene/ase_reader.h"
#include "scene/ase_reader_internal.h"

GeomObject* CreateGeomObject(AseScene* scene, const char* name) {
  return AppendNewNode(scene->geom_objects, scene->last_geom_object, scene->geom_object_count, name);
}

bool ReadGeomObject(AseScene* scene) {
  TextStream& stream = *scene->scene_file;
  GeomObject* current = nullptr;
  return ReadBlock(stream, [&](const char* token) {
    if (MatchKeyword(token, "*NODE_NAME")) {
      // Every name met directly in the block is a further object; the names inside the transform and
      // the animation are consumed by their own readers.
      char name[TOKEN_SIZE];
      ReadQuotedName(stream, name);
      current = CreateGeomObject(scene, name);
    } else if (MatchKeyword(token, "*NODE_PARENT")) {
      if (current == nullptr) return;
      ReadQuotedName(stream, current->parent_name);
    } else if (MatchKeyword(token, "*NODE_TM")) {
      if (current == nullptr) return;
      NodeTm tm;
      ReadNodeTm(scene, &tm);
      SetNodeTm(current, 0, tm);
    } else if (MatchKeywordExact(token, "*MESH")) {
      if (current == nullptr) return;
      ReadMeshBlock(scene, current);
    } else if (MatchKeyword(token, "*TM_ANIMATION")) {
      SkipBlock(scene);
    } else if (MatchKeyword(token, "*WIREFRAME_COLOR")) {
      if (current == nullptr) return;
      current->wireframe_colour = ReadVector3(stream);
      current->has_wireframe_colour = 1;
    } else if (MatchKeywordExact(token, "*MATERIAL_REF")) {
      if (current == nullptr) return;
      current->material_index = static_cast<uint8_t>(ReadInt(stream));
    }
  });
}

bool ReadNodeTm(AseScene* scene, NodeTm* tm) {
  if (tm == nullptr) return false;
  std::memset(tm, 0, sizeof(*tm));
  TextStream& stream = *scene->scene_file;
  return ReadBlock(stream, [&](const char* token) {
    // Exact matches keep *TM_SCALE, *TM_SCALEAXIS and *TM_SCALEAXISANG apart: each is a prefix of the next.
    if (MatchKeyword(token, "*NODE_NAME")) {
      ReadQuotedName(stream, tm->node_name);
    } else if (MatchKeyword(token, "*TM_POS")) {
      tm->pos = ReadVector3(stream);
    } else if (MatchKeywordExact(token, "*TM_SCALE")) {
      tm->scale = ReadVector3(stream);
    } else if (MatchKeywordExact(token, "*TM_SCALEAXIS")) {
      tm->scale_axis = ReadVector3(stream);
    } else if (MatchKeywordExact(token, "*TM_SCALEAXISANG")) {
      tm->scale_axis_angle = ReadFloat(stream);
    } else if (MatchKeyword(token, "*TM_ROTAXIS")) {
      tm->rot_axis = ReadVector3(stream);
    } else if (MatchKeyword(token, "*TM_ROTANGLE")) {
      tm->rot_angle = ReadFloat(stream);
    } else if (MatchKeyword(token, "*TM_ROW0")) {
      tm->row0 = ReadVector3(stream);
    } else if (MatchKeyword(token, "*TM_ROW1")) {
      tm->row1 = ReadVector3(stream);
    } else if (MatchKeyword(token, "*TM_ROW2")) {
      tm->row2 = ReadVector3(stream);
    } else if (MatchKeyword(token, "*TM_ROW3")) {
      tm->row3 = ReadVector3(stream);
    }
  });
}
