// Animation sets: the "*SCENE" header values and one track of rotation, position and scale keys per
// "*TM_ANIMATION" block of a scene file, read in a second pass over the file (ReadAnimationFile), bound
// to the scene's nodes by exact name (LoadAnimation, BindTracks) and destroyed with the scene.
// A file that cannot be read still yields an empty set; names and tokens are truncated to 127
// characters; keys stay in file order.
#pragma once

#include <cstdint>
#include <cstdio>

#include "math/math3d.h"

struct AseScene;
struct SceneNode;
class TextStream;

struct RotationKey {
  Vector3 axis;  // file x, z, y
  float angle;  // the file's angle negated, radians
  uint32_t tick;
  uint32_t frame;  // tick / ticks_per_frame, 0 when ticks_per_frame is 0
  Quaternion rotation;  // the key's absolute rotation
  RotationKey* next;
};

struct PositionKey {
  Vector3 position;  // file x, z, y
  uint32_t tick;
  uint32_t frame;
  PositionKey* next;
};

struct ScaleKey {
  Vector3 scale;  // always (1, 1, 1): the file's values are not read
  uint32_t tick;
  uint32_t frame;
  ScaleKey* next;
};

struct AnimationTrack {
  char node_name[128];
  RotationKey* rotation_keys;  // owned lists, file order
  PositionKey* position_keys;
  ScaleKey* scale_keys;
  AnimationTrack* next;
};

struct AnimationSet {
  FILE* report_file;  // "out.txt" while the file is read
  uint32_t ticks_per_frame;
  int32_t first_frame;
  uint32_t last_frame;
  int32_t frame_speed;
  char source_path[128];  // the file-name part of the path read
  uint16_t track_count;
  AnimationTrack* tracks;  // owned, file order
  AnimationSet* next;
};

// Frees every key of every track and the tracks; the set itself stays (its owner frees it).
void DestroyAnimationSet(AnimationSet* set);
