#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "animation/animation_eval.h"
#include "animation/animation_set.h"
#include "scene/ase_scene.h"
#include "scene/text_stream.h"
#include "tests/test_support.h"

namespace {

template <class Item>
std::vector<const Item*> List(const Item* first) {
  std::vector<const Item*> items;
  for (; first != nullptr; first = first->next) items.push_back(first);
  return items;
}

void ReadText(AnimationSet& set, const std::string& text) {
  TextStream stream;
  ASSERT_TRUE(stream.OpenMemory(text.data(), text.size()));
  ReadAnimationStream(&set, stream);
}

// Rounded to five places so that the last bits of a blend do not show, and -0 is written as 0.
float Rounded(float value) { return std::round(value * 1e5f) / 1e5f + 0.0f; }

// The set as text, every key as "tick/frame" and its values, so that each case's expectation sits in
// its data file.
std::string SetText(const AnimationSet& set) {
  std::ostringstream out;
  out << "frames " << set.first_frame << " to " << set.last_frame << " speed " << set.frame_speed << " ticks "
      << set.ticks_per_frame << " tracks " << set.track_count << '\n';
  auto vector = [&out](const Vector3& v) { out << ' ' << Rounded(v.x) << ' ' << Rounded(v.y) << ' ' << Rounded(v.z); };
  for (const AnimationTrack* track : List(set.tracks)) {
    out << "track \"" << track->node_name << "\"\n";
    for (const PositionKey* key : List(track->position_keys)) {
      out << "  position " << key->tick << '/' << key->frame, vector(key->position), out << '\n';
    }
    for (const RotationKey* key : List(track->rotation_keys)) {
      const Quaternion& q = key->rotation;
      out << "  rotation " << key->tick << '/' << key->frame << " axis", vector(key->axis);
      out << " angle " << Rounded(key->angle) << " gives", vector({q.x, q.y, q.z}), out << ' ' << Rounded(q.w) << '\n';
    }
    for (size_t n = List(track->scale_keys).size(); n > 0; --n) out << "  scale\n";
  }
  return out.str();
}

}  // namespace

// The cases of tests/data/animation/sets.txt: each text (none: the file of that name beside it) read
// must give the set its data file writes.
TEST(AnimationReader, EveryCaseReadsAsItsDataFileSays) {
  for (const DataCase& c : ReadDataCases("animation/sets.txt")) {
    SCOPED_TRACE(c.name);
    AnimationSet set = {};
    ReadText(set, c.input.empty() ? ReadTestData("animation/" + c.name) : c.input);
    EXPECT_EQ(SetText(set), c.expected);
    DestroyAnimationSet(&set);
  }
}

// A missing file leaves the set empty and writes no trace; a read file writes one line per block and
// key; a trace that cannot be created does not stop the read; the source path is the file-name part,
// cut to its field.
TEST(AnimationReader, FilesTracesAndSourcePaths) {
  ScopedTempDir dir;
  AnimationSet set = {};
  ReadAnimationFile(&set, "missing.ase");
  EXPECT_FALSE(FileExists("out.txt"));
  EXPECT_EQ(set.tracks, nullptr);
  EXPECT_STREQ(set.source_path, "");

  WriteTextFile("scene.ase", ReadTestData("animation/tracks.ase"));
  ReadAnimationFile(&set, "scene.ase");
  EXPECT_EQ(ReadTextFile("out.txt"), ReadTestData("animation/tracks_out.txt"));
  EXPECT_EQ(set.report_file, nullptr);
  DestroyAnimationSet(&set);
  std::remove("out.txt");
  ASSERT_EQ(mkdir("out.txt", 0700), 0);
  ReadAnimationFile(&set, "scene.ase");
  EXPECT_EQ(set.track_count, 3);
  EXPECT_EQ(set.last_frame, 100u);
  DestroyAnimationSet(&set);

  const std::string long_name(200, 'n');
  for (const auto& [path, expected] : {std::pair<std::string, std::string>{"sub\\dir\\anim.ase", "anim.ase"},
                                       {long_name, long_name.substr(0, 127)}}) {
    WriteTextFile(path, "*SCENE { }");
    AnimationSet named = {};
    ReadAnimationFile(&named, path.c_str());
    EXPECT_EQ(std::string(named.source_path), expected);
  }
}

// Numbers at and beyond the ends of their ranges: ticks, ticks per frame that read as huge once unsigned,
// coordinates that overflow a float, keys out of frame order; each track is posed at frames around and far
// from its keys. (Cut and spoiled texts are the fuzz target's; malformed_blocks.ase ends inside a name.)
TEST(AnimationReader, ExtremeNumbersReadAndPoseWithoutFault) {
  AnimationSet set = {};
  ReadText(set, ReadTestData("animation/extreme_numbers.ase"));
  ASSERT_EQ(List(set.tracks).size(), 2u);
  GeomObject node;
  for (AnimationTrack* track = set.tracks; track != nullptr; track = track->next) {
    node.animation_track = track;
    for (uint32_t frame : {0u, 1u, 2u, 3u, 100u, UINT32_MAX}) EvaluateNode(&set, &node, frame);
  }
  DestroyAnimationSet(&set);
}
