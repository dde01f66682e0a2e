// The animation pass over a scene file: it does not follow the file's nesting but reacts to "*SCENE"
// and "*TM_ANIMATION" wherever they stand, and every block it enters ends at the first token that
// begins with '}'. Everything it recognises is traced to the set's report file.
#include <cstdarg>
#include <cstring>
#include <new>
#include <string>

#include "animation/animation_set.h"
#include "scene/text_stream.h"

namespace {

const char* const POSITION_CONTROLLERS[] = {"*CONTROL_POS_TCB", "*CONTROL_POS_BEZIER", "*CONTROL_POS_LINEAR",
                                            "*CONTROL_POS_TRACK"};
const char* const ROTATION_CONTROLLERS[] = {"*CONTROL_ROT_TCB", "*CONTROL_ROT_BEZIER", "*CONTROL_ROT_LINEAR",
                                            "*CONTROL_ROT_TRACK"};
const char* const SCALE_CONTROLLERS[] = {"*CONTROL_SCALE_TCB", "*CONTROL_SCALE_BEZIER", "*CONTROL_SCALE_LINEAR",
                                         "*CONTROL_SCALE_TRACK"};
const char* const POSITION_KEYS[] = {"*CONTROL_TCB_POS_KEY", "*CONTROL_POS_SAMPLE", "*CONTROL_BEZIER_POS_KEY",
                                     "*CONTROL_POS_KEY"};
// Relative steps: each key turns on from the previous one.
const char* const ACCUMULATED_ROTATION_KEYS[] = {"*CONTROL_TCB_ROT_KEY", "*CONTROL_ROT_SAMPLE"};
const char* const ABSOLUTE_ROTATION_KEY = "*CONTROL_ROT_KEY";
const char* const SCALE_KEYS[] = {"*CONTROL_TCB_SCALE_KEY", "*CONTROL_SCALE_SAMPLE", "*CONTROL_SCALE_BEZIER",
                                  "*CONTROL_SCALE_KEY"};

template <size_t N>
bool MatchAny(const char* token, const char* const (&keywords)[N]) {
  for (const char* keyword : keywords) {
    if (MatchKeyword(token, keyword)) return true;
  }
  return false;
}

bool IsBlockEnd(const char* token) { return token[0] == '}'; }

// An unreadable number stores 0, not the field's earlier value.
int32_t ReadSceneNumber(TextStream& stream) {
  int32_t value = 0;
  stream.Scan("%d", &value);
  return value;
}

// The read goes on without a trace when "out.txt" could not be created.
void Report(const AnimationSet* set, const char* format, ...) __attribute__((format(printf, 2, 3)));
void Report(const AnimationSet* set, const char* format, ...) {
  if (set->report_file == nullptr) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(set->report_file, format, args);
  va_end(args);
}

uint32_t FrameOfTick(const AnimationSet* set, uint32_t tick) {
  return set->ticks_per_frame > 0 ? tick / set->ticks_per_frame : 0;
}

// Appends after `last`, the list's remembered tail (walking on from it, or from the head when there is
// none yet, in case nodes were linked behind it), and moves the tail to the new node. A key that
// cannot be allocated is dropped.
template <class Key>
void AppendKey(Key*& head, Key*& last, const Key& key) {
  Key* node = new (std::nothrow) Key(key);
  if (node == nullptr) return;
  node->next = nullptr;
  Key* end = last != nullptr ? last : head;
  if (end == nullptr) {
    head = node;
  } else {
    while (end->next != nullptr) end = end->next;
    end->next = node;
  }
  last = node;
}

}  // namespace

AnimationTrack* AddTrack(AnimationSet* set, const char* name) {
  if (name == nullptr || name[0] == '\0' || set->track_count == UINT16_MAX) return nullptr;
  AnimationTrack* track = new (std::nothrow) AnimationTrack();
  if (track == nullptr) return nullptr;
  std::strncpy(track->node_name, name, sizeof(track->node_name) - 1);
  AnimationTrack* end = set->last_track != nullptr ? set->last_track : set->tracks;
  if (end == nullptr) {
    set->tracks = track;
  } else {
    while (end->next != nullptr) end = end->next;
    end->next = track;
  }
  set->last_track = track;
  ++set->track_count;
  return track;
}

void AppendRotationKey(AnimationTrack* track, const RotationKey& key) {
  AppendKey(track->rotation_keys, track->last_rotation_key, key);
}

void AppendPositionKey(AnimationTrack* track, const PositionKey& key) {
  AppendKey(track->position_keys, track->last_position_key, key);
}

void AppendScaleKey(AnimationTrack* track, const ScaleKey& key) {
  AppendKey(track->scale_keys, track->last_scale_key, key);
}

bool ReadPositionKeys(AnimationSet* set, TextStream& stream, AnimationTrack* track) {
  if (track == nullptr) return true;
  char token[TOKEN_SIZE];
  while (stream.ReadToken(token)) {
    if (MatchAny(token, POSITION_KEYS)) {
      Report(set, "   %s\n", token);
      int32_t tick = 0;
      float x = 0, y = 0, z = 0;
      stream.Scan("%d %f %f %f", &tick, &x, &y, &z);
      PositionKey key = {};
      key.position = MakeVector(x, z, y);
      key.tick = static_cast<uint32_t>(tick);
      key.frame = FrameOfTick(set, key.tick);
      AppendPositionKey(track, key);
    }
    if (IsBlockEnd(token)) return true;
  }
  return false;
}

bool ReadRotationKeys(AnimationSet* set, TextStream& stream, AnimationTrack* track) {
  if (track == nullptr) return true;
  Quaternion accumulator = {0, 0, 0, 1};
  char token[TOKEN_SIZE];
  while (stream.ReadToken(token)) {
    const bool accumulated = MatchAny(token, ACCUMULATED_ROTATION_KEYS);
    if (accumulated || MatchKeyword(token, ABSOLUTE_ROTATION_KEY)) {
      Report(set, "   %s\n", token);
      int32_t tick = 0;
      float ax = 0, ay = 0, az = 0, angle = 0;
      stream.Scan("%d %f %f %f %f", &tick, &ax, &ay, &az, &angle);
      RotationKey key = {};
      key.axis = MakeVector(ax, az, ay);
      key.angle = -angle;
      key.tick = static_cast<uint32_t>(tick);
      key.frame = FrameOfTick(set, key.tick);
      Quaternion q;
      QuaternionFromAxisAngle(q.x, q.y, q.z, q.w, key.axis, key.angle);
      if (accumulated) {
        QuaternionMultiply(accumulator.x, accumulator.y, accumulator.z, accumulator.w, q.x, q.y, q.z, q.w,
                           accumulator.x, accumulator.y, accumulator.z, accumulator.w);
        key.rotation = accumulator;
      } else {
        key.rotation = q;
      }
      AppendRotationKey(track, key);
    }
    if (IsBlockEnd(token)) return true;
  }
  return false;
}

bool ReadScaleKeys(AnimationSet* set, TextStream& stream, AnimationTrack* track) {
  if (track == nullptr) return true;
  char token[TOKEN_SIZE];
  while (stream.ReadToken(token)) {
    // The key's numbers are left in the stream and pass as ordinary tokens.
    if (MatchAny(token, SCALE_KEYS)) {
      Report(set, "   %s\n", token);
      ScaleKey key = {};
      key.scale = MakeVector(1, 1, 1);
      AppendScaleKey(track, key);
    }
    if (IsBlockEnd(token)) return true;
  }
  return false;
}

bool ReadTmAnimationBlock(AnimationSet* set, TextStream& stream) {
  char token[TOKEN_SIZE];
  // The opening brace and "*NODE_NAME".
  if (!stream.ReadToken(token) || !stream.ReadToken(token)) return false;
  char name[TOKEN_SIZE];
  ReadQuotedName(stream, name);
  AnimationTrack* track = AddTrack(set, name);
  // A controller reader consumes its block through its closing brace, so the brace that ends this loop
  // closes "*TM_ANIMATION" itself, unless an unknown nested block ends it early.
  while (stream.ReadToken(token)) {
    if (MatchAny(token, POSITION_CONTROLLERS)) {
      Report(set, "%s %s\n", name, token);
      ReadPositionKeys(set, stream, track);
    }
    if (MatchAny(token, ROTATION_CONTROLLERS)) {
      Report(set, "%s %s\n", name, token);
      ReadRotationKeys(set, stream, track);
    }
    if (MatchAny(token, SCALE_CONTROLLERS)) {
      Report(set, "%s %s\n", name, token);
      ReadScaleKeys(set, stream, track);
    }
    if (IsBlockEnd(token)) return true;
  }
  return false;
}

bool ReadSceneBlock(AnimationSet* set, TextStream& stream) {
  char token[TOKEN_SIZE];
  while (stream.ReadToken(token)) {
    if (MatchKeyword(token, "*SCENE_FIRSTFRAME")) {
      set->first_frame = ReadSceneNumber(stream);
    } else if (MatchKeyword(token, "*SCENE_LASTFRAME")) {
      set->last_frame = static_cast<uint32_t>(ReadSceneNumber(stream));
    } else if (MatchKeyword(token, "*SCENE_FRAMESPEED")) {
      set->frame_speed = ReadSceneNumber(stream);
    } else if (MatchKeyword(token, "*SCENE_TICKSPERFRAME")) {
      set->ticks_per_frame = static_cast<uint32_t>(ReadSceneNumber(stream));
    }
    if (IsBlockEnd(token)) return true;
  }
  return false;
}

void ReadAnimationStream(AnimationSet* set, TextStream& stream) {
  // Only these two are looked at between blocks, so the tokens of the meshes (nearly the whole file)
  // are passed over without being copied.
  const char* const block_keywords[] = {"*TM_ANIMATION", "*SCENE"};
  char token[TOKEN_SIZE];
  while (stream.ReadTokenStartingWith(token, block_keywords, 2)) {
    if (MatchKeyword(token, "*TM_ANIMATION")) ReadTmAnimationBlock(set, stream);
    if (MatchKeyword(token, "*SCENE")) ReadSceneBlock(set, stream);
  }
  Report(set, "FirstFrame = %d\n", set->first_frame);
  Report(set, "LastFrame = %d\n", static_cast<int>(set->last_frame));
  Report(set, "TicksPerFrame = %d\n", static_cast<int>(set->ticks_per_frame));
}

void ReadAnimationFile(AnimationSet* set, const char* path, const std::string& report_path) {
  TextStream stream;
  if (set == nullptr || !stream.Open(path)) return;
  set->report_file = report_path.empty() ? nullptr : std::fopen(report_path.c_str(), "w");
  ReadAnimationStream(set, stream);
  stream.Close();
  if (set->report_file != nullptr) std::fclose(set->report_file);
  set->report_file = nullptr;

  // FileNameFromPath copies without a bound, so the name goes through a buffer as long as the path and
  // is cut to the field's 127 characters.
  std::string name(std::strlen(path) + 1, '\0');
  FileNameFromPath(name.data(), path);
  std::memset(set->source_path, 0, sizeof(set->source_path));
  std::strncpy(set->source_path, name.c_str(), sizeof(set->source_path) - 1);
}
