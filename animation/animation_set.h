// Animation sets: the "*SCENE" header values and one track of rotation, position and scale keys per
// "*TM_ANIMATION" block of a scene file, read in a second pass over the file (ReadAnimationFile), bound
// to the scene's nodes by exact name (LoadAnimation, BindTracks) and destroyed with the scene.
// A file that cannot be read still yields an empty set; names and tokens are truncated to 127
// characters; tracks past the 65535th are not created; keys stay in file order, and reading is linear
// in the file's length however many tracks, blocks or keys it holds.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

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
  // The lists' last nodes, so that a file of many keys or controller blocks appends in constant time.
  RotationKey* last_rotation_key;
  PositionKey* last_position_key;
  ScaleKey* last_scale_key;
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
  AnimationTrack* last_track;  // the last of tracks, for constant-time appends
};

// Frees every key of every track and the tracks; the set itself stays (its owner frees it).
void DestroyAnimationSet(AnimationSet* set);

// Fills a zeroed set from the scene file at path, read whole first, and then writes the trace to
// report_path ("out.txt" in the working directory unless the caller needs another name; empty for
// none). A file that cannot be opened leaves the set empty and creates no trace; a trace that cannot
// be created is skipped while the file is still read.
void ReadAnimationFile(AnimationSet* set, const char* path, const std::string& report_path = "out.txt");
// The token scan over an open stream and the summary lines, written to set->report_file when it is
// open. ReadAnimationFile's body, for callers that hold the text in memory.
void ReadAnimationStream(AnimationSet* set, TextStream& stream);
// Each reads up to the first token that begins with '}' (true) or the end of the file (false).
bool ReadSceneBlock(AnimationSet* set, TextStream& stream);
bool ReadTmAnimationBlock(AnimationSet* set, TextStream& stream);
// The body of one controller block. With no track they consume nothing and return true.
bool ReadRotationKeys(AnimationSet* set, TextStream& stream, AnimationTrack* track);
bool ReadPositionKeys(AnimationSet* set, TextStream& stream, AnimationTrack* track);
bool ReadScaleKeys(AnimationSet* set, TextStream& stream, AnimationTrack* track);

// A new zero-filled track appended to the set; null (nothing created) for an empty name or when the
// set already holds 65535 tracks, the most its count can tell. Names are cut to 127 characters.
AnimationTrack* AddTrack(AnimationSet* set, const char* name);
// Copy the key into a new node at the end of the track's list (its next is ignored).
void AppendRotationKey(AnimationTrack* track, const RotationKey& key);
void AppendPositionKey(AnimationTrack* track, const PositionKey& key);
void AppendScaleKey(AnimationTrack* track, const ScaleKey& key);

// Reads the file into a new set appended to the scene's sets, binds the geometric objects and lights
// to it by name and makes it current. The trace goes to "out.txt" unless that would replace a file the
// scene reads (its input_files). A file that cannot be read still yields an empty set that
// unbinds every node. Null only when the set cannot be allocated.
AnimationSet* LoadAnimation(AseScene* scene, const char* path);
// Every node of the list gets the set's track of its exact name, or none.
void BindTracks(const AnimationSet* set, SceneNode* first_node);
// The first track whose name equals name exactly (case-sensitive, same length); null when none.
AnimationTrack* FindTrack(const AnimationSet* set, const char* name);
