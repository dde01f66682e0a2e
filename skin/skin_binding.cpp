#include "skin/skin_binding.h"

#include "lightmap/lightmap.h"
#include "math/zeroed_array.h"
#include "scene/ase_scene.h"
#include "skin/skin_weights.h"

void DestroyGeometricObjectData(GeomObject* object) {
  if (object == nullptr) return;
  if (object->vertex_buffer != nullptr) object->vertex_buffer->Release();
  if (object->lit_vertex_buffer != nullptr) object->lit_vertex_buffer->Release();
  object->vertex_buffer = nullptr;
  object->lit_vertex_buffer = nullptr;

  DeleteArray(object->faces);
  DeleteArray(object->face_material_ids);
  DeleteArray(object->texture_faces);
  DeleteArray(object->texture_vertices);
  DeleteArray(object->vertices);
  DeleteArray(object->lit_vertices);
  DeleteArray(object->render_vertices);
  DeleteArray(object->ancestor_matrices);
  object->ancestor_count = 0;

  ReleaseObjectLightmaps(object);
  while (object->face_groups != nullptr) {
    FaceGroup* next = object->face_groups->next;
    delete[] object->face_groups->face_indices;
    delete object->face_groups;
    object->face_groups = next;
  }
  object->face_group_count = 0;

  DestroyVertexWeights(object->vertex_weights, object->vertex_count);
  object->vertex_weights = nullptr;
  object->weighted_vertex_count = 0;
  object->face_count = 0;
  object->texture_face_count = 0;
  object->vertex_count = 0;
  object->texture_vertex_count = 0;
}
