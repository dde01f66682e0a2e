#include "skin/skin_binding.h"

#include <algorithm>
#include <cstring>

#include "lightmap/lightmap.h"
#include "math/zeroed_array.h"
#include "platform/report.h"
#include "scene/ase_scene.h"
#include "skin/skin_weights.h"

namespace {

// Marks a vertex whose texture coordinate no face corner has given yet.
constexpr float UNASSIGNED_TEXCOORD = 1000.0f;

// Copies the influence array too, so that split vertices own their weights.
void CopyVertexWeights(VertexWeights& target, const VertexWeights& source) {
  target.influence_count = 0;
  target.influences = NewZeroedArray<BoneInfluence>(source.influence_count);
  if (target.influences == nullptr) return;
  std::memcpy(target.influences, source.influences, source.influence_count * sizeof(BoneInfluence));
  target.influence_count = source.influence_count;
}

void SetMatrixRow(Matrix4& m, int row, const Vector3& file_row, float w) {
  // The file's Y and Z axes are exchanged on this side of the product as well.
  m(row, 0) = file_row.x;
  m(row, 1) = file_row.z;
  m(row, 2) = file_row.y;
  m(row, 3) = w;
}

}  // namespace

bool FaceInRange(const GeomObject& object, uint32_t face) {
  if (object.faces == nullptr || object.vertices == nullptr || face >= object.face_count) return false;
  const VertexIndex* corners = object.faces + 3 * static_cast<size_t>(face);
  return corners[0] < object.vertex_count && corners[1] < object.vertex_count && corners[2] < object.vertex_count;
}

void SplitVerticesByTexCoord(GeomObject* object) {
  if (object == nullptr || object->texture_faces == nullptr) return;
  if (object->vertices == nullptr || object->vertex_count == 0 || object->faces == nullptr) return;

  // Only faces that have a texture face can ask for a copy, and no index may pass what a face corner
  // addresses; a file with fewer texture faces than faces leaves the rest of its corners alone.
  const uint32_t textured_faces = std::min(object->face_count, object->texture_face_count);
  const size_t old_count = object->vertex_count;
  const size_t capacity = std::max(old_count, std::min(old_count + 3 * static_cast<size_t>(textured_faces),
                                                       static_cast<size_t>(MAX_SPLIT_VERTEX_COUNT)));
  MeshVertex* work = NewZeroedArray<MeshVertex>(capacity);
  if (work == nullptr) return;
  std::memcpy(work, object->vertices, old_count * sizeof(MeshVertex));

  VertexWeights* work_weights = nullptr;
  if (object->vertex_weights != nullptr) {
    work_weights = NewZeroedArray<VertexWeights>(capacity);
    if (work_weights == nullptr) {
      delete[] work;
      return;
    }
    const size_t filled = std::min<size_t>(object->weighted_vertex_count, old_count);
    for (size_t j = 0; j < filled; ++j) CopyVertexWeights(work_weights[j], object->vertex_weights[j]);
  }

  for (size_t j = 0; j < old_count; ++j) work[j].u = work[j].v = UNASSIGNED_TEXCOORD;

  size_t next = old_count;
  for (uint32_t f = 0; f < textured_faces; ++f) {
    // A face naming a vertex that does not exist is never drawn; it must not shape the others.
    if (!FaceInRange(*object, f)) continue;
    for (size_t c = 3 * static_cast<size_t>(f); c < 3 * static_cast<size_t>(f) + 3; ++c) {
      const VertexIndex texture_index = object->texture_faces[c];
      if (object->texture_vertices == nullptr || texture_index >= object->texture_vertex_count) continue;
      const TexCoord& coord = object->texture_vertices[texture_index];
      const VertexIndex a = object->faces[c];
      MeshVertex& vertex = work[a];
      if (vertex.u == UNASSIGNED_TEXCOORD && vertex.v == UNASSIGNED_TEXCOORD) {
        vertex.u = coord.u;
        vertex.v = coord.v;
      } else if (vertex.u != coord.u || vertex.v != coord.v) {
        // With the index space full the corner shares its vertex and takes that vertex's coordinate.
        if (next >= capacity) continue;
        work[next] = vertex;
        work[next].u = coord.u;
        work[next].v = coord.v;
        if (work_weights != nullptr) CopyVertexWeights(work_weights[next], work_weights[a]);
        object->faces[c] = static_cast<VertexIndex>(next);
        ++next;
      }
    }
  }

  MeshVertex* split = NewZeroedArray<MeshVertex>(next);
  VertexWeights* split_weights = work_weights != nullptr ? NewZeroedArray<VertexWeights>(next) : nullptr;
  if (split == nullptr || (work_weights != nullptr && split_weights == nullptr)) {
    // Out of memory: keep the grown work arrays rather than lose the faces' new indices.
    delete[] split;
    delete[] split_weights;
    split = work;
    split_weights = work_weights;
    work = nullptr;
    work_weights = nullptr;
  } else {
    std::memcpy(split, work, next * sizeof(MeshVertex));
    // The influence arrays change hands; only the work table itself is freed below.
    if (split_weights != nullptr) std::memcpy(split_weights, work_weights, next * sizeof(VertexWeights));
  }
  delete[] work;
  delete[] work_weights;

  delete[] object->vertices;
  object->vertices = split;
  if (object->vertex_weights != nullptr) {
    // Every old entry is freed, also those past the filled count that an abandoned section left.
    DestroyVertexWeights(object->vertex_weights, object->vertex_count);
    object->vertex_weights = split_weights;
    object->weighted_vertex_count = static_cast<uint32_t>(next);
  }
  object->vertex_count = static_cast<uint32_t>(next);
}

void BindSkin(GeomObject* object) {
  if (object == nullptr) return;
  const NodeTm& tm = object->node_tms[0];
  SetMatrixRow(object->node_tm_matrix, 0, tm.row0, 0.0f);
  SetMatrixRow(object->node_tm_matrix, 1, tm.row2, 0.0f);
  SetMatrixRow(object->node_tm_matrix, 2, tm.row1, 0.0f);
  SetMatrixRow(object->node_tm_matrix, 3, tm.row3, 1.0f);
  object->world_matrix = object->node_tm_matrix;
  // The last column is exactly (0, 0, 0, 1), so the affine inverse always applies.
  MatrixInvertAffine(object->inverse_node_tm_matrix, object->node_tm_matrix);

  DeleteArray(object->render_vertices);
  DeleteArray(object->lit_vertices);
  const uint32_t count = object->vertices != nullptr ? object->vertex_count : 0;
  object->render_vertices = NewZeroedArray<MeshVertex>(count);
  object->lit_vertices = NewZeroedArray<D3DLVERTEX>(count);
  if (object->render_vertices != nullptr) {
    std::memcpy(object->render_vertices, object->vertices, count * sizeof(MeshVertex));
  }
  object->node_type = NODE_TYPE_MESH;
  if (object->render_vertices == nullptr || object->lit_vertices == nullptr) return;

  for (uint32_t j = 0; j < count; ++j) {
    const Vector3& position = object->vertices[j].position;
    if (object->vertex_weights != nullptr) {
      VertexWeights& entry = object->vertex_weights[j];
      for (int k = 0; k < entry.influence_count; ++k) {
        BoneInfluence& influence = entry.influences[k];
        if (influence.bone == nullptr) {
          ShowReport("Not Bouned Vertx");
          return;
        }
        influence.bone->node_type = NODE_TYPE_BONE;
        Vector3 bone_space;
        TransformPoint(position, bone_space, influence.bone->inverse_node_tm_matrix);
        influence.bone_space_position = Vector4{bone_space.x, bone_space.y, bone_space.z, 1.0f};
      }
    }
    MeshVertex& render = object->render_vertices[j];
    TransformPoint(position, render.position, object->inverse_node_tm_matrix);
    D3DLVERTEX& lit = object->lit_vertices[j];
    lit.x = render.position.x;
    lit.y = render.position.y;
    lit.z = render.position.z;
    lit.tu = render.u;
    lit.tv = render.v;
  }
}

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
