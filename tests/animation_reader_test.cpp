#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

void ExpectQuaternion(const Quaternion& q, float x, float y, float z, float w) {
  EXPECT_NEAR(q.x, x, 1e-6f);
  EXPECT_NEAR(q.y, y, 1e-6f);
  EXPECT_NEAR(q.z, z, 1e-6f);
  EXPECT_NEAR(q.w, w, 1e-6f);
}

}  // namespace

// A track before the header (read while ticks_per_frame is still 0), a mesh track with every key kind
// and a light track with a rotation block of its own.
TEST(AnimationReader, ReadsEveryKeyKindAndWritesTheTrace) {
  ScopedTempDir dir;
  WriteTextFile("scene.ase", ReadTestData("animation/tracks.ase"));
  AnimationSet set = {};
  ReadAnimationFile(&set, "scene.ase");
  EXPECT_EQ(ReadTextFile("out.txt"), ReadTestData("animation/tracks_out.txt"));
  EXPECT_EQ(set.report_file, nullptr);
  EXPECT_EQ(set.first_frame * 1000 + set.last_frame, 2100u);
  EXPECT_EQ(set.frame_speed, 30);
  EXPECT_EQ(set.ticks_per_frame, 160u);
  const auto tracks = List(set.tracks);
  ASSERT_EQ(tracks.size(), 3u);
  ASSERT_EQ(set.track_count, 3);
  EXPECT_STREQ(tracks[0]->node_name, "Early");
  EXPECT_STREQ(tracks[2]->node_name, "Omni01");
  const auto early = List(tracks[0]->position_keys);
  ASSERT_EQ(early.size(), 1u);
  EXPECT_EQ(early[0]->tick * 10 + early[0]->frame, 3200u);

  // Ticks 0, 100, 160, 320 are frames 0, 0, 1, 2; positions come with Y and Z exchanged.
  const auto positions = List(tracks[1]->position_keys);
  ASSERT_EQ(positions.size(), 4u);
  const uint32_t ticks[] = {0, 100, 160, 320}, frames[] = {0, 0, 1, 2};
  const Vector3 stored[] = {{0, 0, 0}, {4, 6, 5}, {7, 9, 8}, {1, 3, 2}};
  for (size_t i = 0; i < positions.size(); ++i) {
    EXPECT_EQ(positions[i]->tick * 10 + positions[i]->frame, ticks[i] * 10 + frames[i]) << i;
    ExpectVectorNear(positions[i]->position, stored[i], 0);
  }

  // A quarter turn about the file's x, an absolute key (a turn of 0.5 about the file's (0.6, 0.8, 0))
  // that leaves the running rotation alone, then a quarter turn about the file's z (the device's y):
  // x (x) y = (1/2, 1/2, 1/2, 1/2); the other order would give -1/2 for z. Angles are negated.
  const auto rotations = List(tracks[1]->rotation_keys);
  ASSERT_EQ(rotations.size(), 3u);
  const float h = std::sqrt(0.5f), s = std::sin(-0.25f), c = std::cos(-0.25f);
  ExpectQuaternion(rotations[0]->rotation, h, 0, 0, h);
  ExpectQuaternion(rotations[1]->rotation, 0.6f * s, 0, 0.8f * s, c);
  ExpectQuaternion(rotations[2]->rotation, 0.5f, 0.5f, 0.5f, 0.5f);
  ExpectVectorNear(rotations[1]->axis, {0.6f, 0, 0.8f}, 0);
  EXPECT_EQ(rotations[1]->angle, -0.5f);
  EXPECT_EQ(rotations[2]->frame, 2u);
  // Each rotation block starts again from the identity.
  ASSERT_EQ(List(tracks[2]->rotation_keys).size(), 1u);
  ExpectQuaternion(tracks[2]->rotation_keys->rotation, 0.6f * s, 0, 0.8f * s, c);

  EXPECT_EQ(List(tracks[1]->scale_keys).size(), 3u);
  DestroyAnimationSet(&set);
}

TEST(AnimationReader, SceneKeywordsAreReadWhereverTheyStand) {
  AnimationSet set = {};
  // Other entries are skipped with their values; an unreadable number stores 0; a token beginning with
  // "*SCENE" outside the block starts another block read.
  ReadText(set, "*SCENE { *SCENE_FILENAME \"a b.max\" *SCENE_BACKGROUND_STATIC 7 7 7 *SCENE_TICKSPERFRAME 80\n"
                "*SCENE_FIRSTFRAME 3 *SCENE_FIRSTFRAME x *SCENE_FRAMESPEED 25 }\n"
                "*SCENE_EXTRA { *SCENE_LASTFRAME 50 }\n");
  EXPECT_EQ(set.ticks_per_frame, 80u);
  EXPECT_EQ(set.first_frame, 0);
  EXPECT_EQ(set.frame_speed, 25);
  EXPECT_EQ(set.last_frame, 50u);
}

// A missing file leaves the set empty and writes no trace; a trace that cannot be created does not
// stop the read; the source path is the file-name part, cut to its field.
TEST(AnimationReader, FilesTracesAndSourcePaths) {
  ScopedTempDir dir;
  AnimationSet set = {};
  ReadAnimationFile(&set, "missing.ase");
  EXPECT_FALSE(FileExists("out.txt"));
  EXPECT_EQ(set.tracks, nullptr);
  EXPECT_STREQ(set.source_path, "");

  ASSERT_EQ(mkdir("out.txt", 0700), 0);
  WriteTextFile("scene.ase", ReadTestData("animation/tracks.ase"));
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

// An empty name makes no track, and its first controller's brace ends the block; overlong names and
// keywords are cut to 127 characters; an unknown nested block ends the node block early, so the rotation
// block after it belongs to no track; a name cut by the end of the file keeps what was read.
TEST(AnimationReader, MalformedBlocksStayBounded) {
  AnimationSet set = {};
  ReadText(set, ReadTestData("animation/malformed_blocks.ase"));
  const auto tracks = List(set.tracks);
  ASSERT_EQ(tracks.size(), 3u);
  EXPECT_EQ(std::string(tracks[0]->node_name), std::string(127, 'q'));
  EXPECT_EQ(List(tracks[0]->position_keys).size(), 1u);
  EXPECT_STREQ(tracks[1]->node_name, "Box01");
  EXPECT_EQ(tracks[1]->rotation_keys, nullptr);
  EXPECT_STREQ(tracks[2]->node_name, "Cut");
  DestroyAnimationSet(&set);
}

// Cut at every byte, and numbers at and beyond the ends of their ranges: ticks, ticks per frame that
// read as huge once unsigned, coordinates that overflow a float, keys out of frame order. Each set is
// posed at frames around and far from its keys. (Spoiled bytes are the fuzz target's.)
TEST(AnimationReader, CutTextAndExtremeNumbersReadAndPoseWithoutFault) {
  const std::string text = ReadTestData("animation/tracks.ase");
  std::vector<std::string> inputs = {ReadTestData("animation/extreme_numbers.ase")};
  for (size_t length = 0; length <= text.size(); ++length) inputs.push_back(text.substr(0, length));
  for (const std::string& input : inputs) {
    AnimationSet set = {};
    ReadText(set, input);
    ASSERT_EQ(List(set.tracks).size(), set.track_count) << input;
    GeomObject node;
    for (AnimationTrack* track = set.tracks; track != nullptr; track = track->next) {
      ASSERT_NE(track->node_name[0], '\0') << input;
      node.animation_track = track;
      for (uint32_t frame : {0u, 1u, 2u, 3u, 100u, UINT32_MAX}) EvaluateNode(&set, &node, frame);
    }
    DestroyAnimationSet(&set);
  }
}

// The keys of a track's repeated controller blocks join one list in file order.
TEST(AnimationReader, RepeatedBlocksJoinOneList) {
  std::string text = "*TM_ANIMATION { *NODE_NAME \"A\"\n";
  for (int i = 0; i < 1000; ++i) text += "*CONTROL_POS_TRACK { *CONTROL_POS_KEY " + std::to_string(i) + " 0 0 0 }\n";
  AnimationSet blocks = {};
  ReadText(blocks, text + "}\n");
  ASSERT_NE(blocks.tracks, nullptr);
  const auto keys = List(blocks.tracks->position_keys);
  ASSERT_EQ(keys.size(), 1000u);
  for (uint32_t i = 0; i < keys.size(); ++i) ASSERT_EQ(keys[i]->tick, i);
  DestroyAnimationSet(&blocks);
}
