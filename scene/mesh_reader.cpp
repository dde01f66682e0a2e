#include "math/zeroed_array.h"
#include "scene/ase_reader_internal.h"
#include "skin/skin_binding.h"

namespace {

// No list line is shorter: each holds a keyword of ten characters or more and a number.
constexpr size_t MIN_LIST_LINE_BYTES = 4;

// Gives the array a fresh zero-filled block of count entries of per_entry elements; the returned count
// is 0 when nothing was allocated, so a count never promises more than its array holds.
template <class T>
uint32_t ReplaceArray(T*& array, uint32_t count, uint32_t per_entry = 1) {
  DeleteArray(array);
  array = NewZeroedArray<T>(static_cast<size_t>(count) * per_entry);
  return array != nullptr ? count : 0;
}

// List lines of a keyword, an index and three numbers; store sees only indices below count.
template <class Store>
bool ReadIndexedTriples(TextStream& stream, const char* keyword, bool exact, uint32_t count, Store&& store) {
  return ReadBlock(stream, [&](const char* token) {
    if (!(exact ? MatchKeywordExact(token, keyword) : MatchKeyword(token, keyword))) return;
    int32_t index = 0;
    float x = 0, y = 0, z = 0;
    stream.Scan("%d %f %f %f", &index, &x, &y, &z);
    if (index >= 0 && static_cast<uint32_t>(index) < count) store(static_cast<uint32_t>(index), x, y, z);
  });
}

// The file's Y and Z axes are exchanged on the way in.
Vector3 ExchangeYZ(float x, float y, float z) { return Vector3{x, z, y}; }

}  // namespace

bool ReadMeshBlock(AseScene* scene, GeomObject* object) {
  if (object == nullptr) return false;
  TextStream& stream = *scene->scene_file;
  bool rejected = false;
  // A negative count, or one that the rest of the file could not list, drops the whole mesh; the rest
  // of the block is then walked unread.
  auto read_count = [&](uint32_t* count) {
    const int32_t value = ReadInt(stream);
    if (value < 0 || !RestCanList(stream, static_cast<uint32_t>(value), MIN_LIST_LINE_BYTES)) {
      DestroyGeometricObjectData(object);
      rejected = true;
      return false;
    }
    *count = static_cast<uint32_t>(value);
    return true;
  };
  const bool closed = ReadBlock(stream, [&](const char* token) {
    if (rejected) return;
    uint32_t count = 0;
    if (MatchKeyword(token, "*MESH_NUMVERTEX")) {
      if (read_count(&count)) object->vertex_count = ReplaceArray(object->vertices, count);
    } else if (MatchKeyword(token, "*MESH_VERTEX_LIST")) {
      ReadVertexList(scene, object);
    } else if (MatchKeyword(token, "*MESH_NUMFACES")) {
      if (!read_count(&count)) return;
      count = ReplaceArray(object->faces, count, 3);
      object->face_count = ReplaceArray(object->face_material_ids, count);
      if (object->face_count == 0) DeleteArray(object->faces);
    } else if (MatchKeyword(token, "*MESH_FACE_LIST")) {
      if (object->face_count != 0) ReadFaceList(scene, object);
    } else if (MatchKeyword(token, "*MESH_NUMTVERTEX")) {
      if (read_count(&count)) object->texture_vertex_count = ReplaceArray(object->texture_vertices, count);
    } else if (MatchKeyword(token, "*MESH_TVERTLIST")) {
      if (object->texture_vertex_count != 0) ReadTextureVertexList(scene, object);
    } else if (MatchKeyword(token, "*MESH_NUMTVFACES")) {
      // An array from an earlier list would no longer match the new count.
      if (!read_count(&count)) return;
      DeleteArray(object->texture_faces);
      object->texture_face_count = count;
    } else if (MatchKeyword(token, "*MESH_TFACELIST")) {
      if (object->texture_face_count == 0) return;
      object->texture_face_count = ReplaceArray(object->texture_faces, object->texture_face_count, 3);
      ReadTextureFaceList(scene, object);
    } else if (MatchKeyword(token, "*MESH_NORMALS")) {
      if (object->vertex_count != 0) ReadNormals(scene, object);
    }
  });
  // A texture face count without its list has nothing behind it.
  if (object->texture_faces == nullptr) object->texture_face_count = 0;
  return closed;
}

bool ReadVertexList(AseScene* scene, GeomObject* object) {
  if (object == nullptr) return false;
  return ReadIndexedTriples(*scene->scene_file, "*MESH_VERTEX", true, object->vertex_count,
                            [&](uint32_t i, float x, float y, float z) {
                              object->vertices[i].position = ExchangeYZ(x, y, z);
                            });
}

bool ReadFaceList(AseScene* scene, GeomObject* object) {
  if (object == nullptr || object->faces == nullptr || object->face_material_ids == nullptr) return false;
  TextStream& stream = *scene->scene_file;
  // Counted past the face count, so that surplus face lines never wrap onto the first faces.
  uint32_t n = 0;
  // The face that the labels met now belong to: none before the first face line and past face_count.
  VertexIndex* face = nullptr;
  uint8_t* material_id = nullptr;
  return ReadBlock(stream, [&](const char* token) {
    if (MatchKeyword(token, "*MESH_FACE")) {
      const bool listed = n < object->face_count;
      face = listed ? object->faces + 3 * static_cast<size_t>(n) : nullptr;
      material_id = listed ? object->face_material_ids + n : nullptr;
      if (n < UINT32_MAX) ++n;
      return;
    }
    if (face == nullptr) return;
    // A value is taken only after its own label: exporters leave out the edge flags, the smoothing
    // group or the material id, and write the smoothing group as a list, so counting fields would take
    // the next line's. The face label, the edge flags and the smoothing groups pass as ignored tokens;
    // a corner or id that is not written stays 0. B and C change places to keep the winding under the
    // exchanged axes. A negative corner wraps far past any vertex and leaves its face undrawn.
    if (MatchKeywordExact(token, "A:")) {
      face[0] = static_cast<VertexIndex>(ReadInt(stream));
    } else if (MatchKeywordExact(token, "B:")) {
      face[2] = static_cast<VertexIndex>(ReadInt(stream));
    } else if (MatchKeywordExact(token, "C:")) {
      face[1] = static_cast<VertexIndex>(ReadInt(stream));
    } else if (MatchKeyword(token, "*MESH_MTLID")) {
      *material_id = static_cast<uint8_t>(ReadInt(stream));
    }
  });
}

bool ReadTextureVertexList(AseScene* scene, GeomObject* object) {
  if (object == nullptr) return false;
  return ReadIndexedTriples(*scene->scene_file, "*MESH_TVERT", false, object->texture_vertex_count,
                            [&](uint32_t i, float u, float v, float) {
                              object->texture_vertices[i] = TexCoord{u, v};
                            });
}

bool ReadTextureFaceList(AseScene* scene, GeomObject* object) {
  if (object == nullptr) return false;
  TextStream& stream = *scene->scene_file;
  const uint32_t count = object->texture_faces != nullptr ? object->texture_face_count : 0;
  return ReadBlock(stream, [&](const char* token) {
    if (!MatchKeyword(token, "*MESH_TFACE")) return;
    int32_t index = 0, a = 0, b = 0, c = 0;
    stream.Scan("%d %d %d %d", &index, &a, &b, &c);
    if (index < 0 || static_cast<uint32_t>(index) >= count) return;
    VertexIndex* face = object->texture_faces + 3 * static_cast<size_t>(index);
    face[0] = static_cast<VertexIndex>(a);
    face[1] = static_cast<VertexIndex>(c);
    face[2] = static_cast<VertexIndex>(b);
  });
}

bool ReadNormals(AseScene* scene, GeomObject* object) {
  if (object == nullptr) return false;
  // Face normal lines pass as ignored tokens; a shared vertex keeps the last corner normal listed.
  return ReadIndexedTriples(*scene->scene_file, "*MESH_VERTEXNORMAL", false, object->vertex_count,
                            [&](uint32_t i, float x, float y, float z) {
                              object->vertices[i].normal = ExchangeYZ(x, y, z);
                            });
}
