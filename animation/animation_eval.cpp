#include "animation/animation_eval.h"

#include "animation/animation_set.h"
#include "lightmap/lightmap.h"
#include "math/simd_lib/slerp.h"
#include "scene/ase_scene.h"

uint32_t animation_frame = 0;

namespace {

// The key in force at a frame: the last key in list order at or before it. The whole list is walked,
// since nothing sorted it; a key exactly on the frame sets `exact`, which later keys do not clear.
template <class Key>
struct KeySpan {
  const Key* prev = nullptr;
  bool exact = false;
  // Between prev and its successor; null when prev is the last key.
  const Key* Next() const { return prev->next; }
  // prev.frame < frame < next.frame here, because prev is the last key at or before the frame.
  float Fraction(uint32_t frame) const {
    return static_cast<float>(frame - prev->frame) / static_cast<float>(Next()->frame - prev->frame);
  }
};

template <class Key>
KeySpan<Key> FindKeySpan(const Key* first, uint32_t frame) {
  KeySpan<Key> span;
  for (const Key* key = first; key != nullptr; key = key->next) {
    if (key->frame < frame) {
      span.prev = key;
    } else if (key->frame == frame) {
      span.prev = key;
      span.exact = true;
    }
  }
  return span;
}

// File vectors come with Y and Z exchanged into the device frame.
Vector3 DeviceVector(const Vector3& file) { return MakeVector(file.x, file.z, file.y); }

Matrix4 QuaternionMatrix(const Quaternion& q) {
  Matrix4 m;
  MatrixFromQuaternion(m, q.x, q.y, q.z, q.w);
  return m;
}

}  // namespace

void EvaluateNode(const AnimationSet*, SceneNode* node, uint32_t frame) {
  if (node->parent != nullptr) {
    MatrixMultiply(node->local_matrix, node->node_tm_matrix, node->parent->inverse_node_tm_matrix);
  } else {
    node->local_matrix = node->node_tm_matrix;
  }
  const AnimationTrack* track = node->animation_track;
  if (track == nullptr) return;
  const NodeTm& tm = node->node_tms[0];

  // Past the last key the node falls back to its static pose rather than holding the last key.
  Matrix4 rotation;
  const KeySpan<RotationKey> rotation_span = FindKeySpan(track->rotation_keys, frame);
  if (rotation_span.prev == nullptr) {
    MatrixRotationAxis(rotation, DeviceVector(tm.rot_axis), -tm.rot_angle);
  } else if (rotation_span.exact) {
    rotation = QuaternionMatrix(rotation_span.prev->rotation);
  } else {
    if (rotation_span.Next() == nullptr) return;
    Quaternion blended;
    SlerpQuaternion(&blended, &rotation_span.prev->rotation, &rotation_span.Next()->rotation,
                    rotation_span.Fraction(frame));
    rotation = QuaternionMatrix(blended);
  }

  Vector3 position;
  const KeySpan<PositionKey> position_span = FindKeySpan(track->position_keys, frame);
  if (position_span.prev == nullptr) {
    position = DeviceVector(tm.pos);
  } else if (position_span.exact) {
    position = position_span.prev->position;
  } else {
    if (position_span.Next() == nullptr) return;
    const Vector3& from = position_span.prev->position;
    const Vector3 step = Subtract(position_span.Next()->position, from);
    position = Add(from, MultiplyVector(step, position_span.Fraction(frame)));
  }

  Matrix4 scaling;
  MatrixScaling(scaling, DeviceVector(tm.scale));
  Matrix4 translation;
  MatrixTranslation(translation, position);
  MatrixMultiply3(node->local_matrix, scaling, rotation, translation);
}

void EvaluateNodeList(const AnimationSet* set, SceneNode* first_node, uint32_t frame) {
  for (SceneNode* node = first_node; node != nullptr; node = node->next) EvaluateNode(set, node, frame);
  for (SceneNode* node = first_node; node != nullptr; node = node->next) {
    node->world_matrix = node->local_matrix;
    if (node->ancestor_matrices == nullptr) continue;
    for (uint16_t j = 0; j < node->ancestor_count; ++j) {
      if (node->ancestor_matrices[j] != nullptr) {
        MatrixMultiply(node->world_matrix, node->world_matrix, *node->ancestor_matrices[j]);
      }
    }
  }
}

bool AnimatedLightPosition(const AseScene* scene, Vector4* out) {
  const LightObject* light = scene->lights;
  if (light == nullptr) return false;
  const Matrix4& world = light->world_matrix;
  *out = Vector4{world(3, 0), world(3, 1), world(3, 2), 0.0f};
  return true;
}

void AdvanceAnimation(AseScene* scene) {
  if (scene == nullptr || scene->current_animation == nullptr) return;
  const AnimationSet* set = scene->current_animation;
  EvaluateNodeList(set, scene->geom_objects, animation_frame);
  EvaluateNodeList(set, scene->lights, animation_frame);
  ++animation_frame;
  if (animation_frame >= set->last_frame) animation_frame = 0;
  // A scene without a light has nothing to relight from.
  Vector4 light;
  if (AnimatedLightPosition(scene, &light)) RelightScene(scene, light);
}
