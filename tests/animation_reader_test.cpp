#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "animation/animation_eval.h"
#include "animation/animation_set.h"
#include "scene/ase_scene.h"
#include "scene/text_stream.h"
#include "tests/test_support.h"

namespace {

// A track before the header (read while ticks_per_frame is still 0), a mesh track with every key kind
// and a light track of its own rotation block.
std::string SceneText() { return ReadTestData("animation/tracks.ase"); }

template <class Key>
std::vector<const Key*> Keys(const Key* first) {
  std::vector<const Key*> keys;
  for (; first != nullptr; first = first->next) keys.push_back(first);
  return keys;
}

std::vector<const AnimationTrack*> Tracks(const AnimationSet& set) {
  std::vector<const AnimationTrack*> tracks;
  for (const AnimationTrack* t = set.tracks; t != nullptr; t = t->next) tracks.push_back(t);
  return tracks;
}

void ReadText(AnimationSet& set, const std::string& text) {
  TextStream stream;
  ASSERT_TRUE(stream.OpenMemory(text.data(), text.size()));
  ReadAnimationStream(&set, stream);
}

// A turn by angle_rad about the device axis (0.6, 0, 0.8): the file's axis (0.6, 0.8, 0) with Y and Z
// exchanged.
void ExpectTurn(const Quaternion& q, float angle_rad) {
  const float s = std::sin(angle_rad / 2), c = std::cos(angle_rad / 2);
  EXPECT_NEAR(q.x, 0.6f * s, 1e-5f);
  EXPECT_NEAR(q.y, 0.0f, 1e-5f);
  EXPECT_NEAR(q.z, 0.8f * s, 1e-5f);
  EXPECT_NEAR(q.w, c, 1e-5f);
}

// Reads the text with the trace open, so that every report line is written too, then checks what a
// reader of the set relies on and poses a node on every track at frames around and far from the keys.
void ReadCheckAndPose(const std::string& text) {
  AnimationSet set = {};
  set.report_file = std::tmpfile();
  ASSERT_NE(set.report_file, nullptr);
  ReadText(set, text);
  std::fclose(set.report_file);
  set.report_file = nullptr;

  size_t tracks = 0;
  GeomObject node;
  for (AnimationTrack* track = set.tracks; track != nullptr; track = track->next) {
    ++tracks;
    ASSERT_NE(std::memchr(track->node_name, '\0', sizeof(track->node_name)), nullptr);
    ASSERT_NE(track->node_name[0], '\0');
    node.animation_track = track;
    for (uint32_t frame : {0u, 1u, 2u, 3u, 4u, 100u, UINT32_MAX}) EvaluateNode(&set, &node, frame);
  }
  ASSERT_EQ(tracks, set.track_count);
  DestroyAnimationSet(&set);
}

}  // namespace

TEST(AnimationReader, ReadsEveryKeyKindAndWritesTheTrace) {
  ScopedTempDir dir;
  WriteTextFile("scene.ase", SceneText());
  AnimationSet set = {};
  ReadAnimationFile(&set, "scene.ase");
  EXPECT_EQ(ReadTextFile("out.txt"), ReadTestData("animation/tracks_out.txt"));
  EXPECT_EQ(set.report_file, nullptr);
  EXPECT_EQ(set.first_frame, 2);
  EXPECT_EQ(set.last_frame, 100u);
  EXPECT_EQ(set.frame_speed, 30);
  EXPECT_EQ(set.ticks_per_frame, 160u);
  EXPECT_STREQ(set.source_path, "scene.ase");

  const auto tracks = Tracks(set);
  ASSERT_EQ(tracks.size(), 3u);
  ASSERT_EQ(set.track_count, 3);
  EXPECT_STREQ(tracks[0]->node_name, "Early");
  EXPECT_STREQ(tracks[1]->node_name, "Box01");
  EXPECT_STREQ(tracks[2]->node_name, "Omni01");

  // Before the header every key is at frame 0, whatever its tick.
  const auto early = Keys(tracks[0]->position_keys);
  ASSERT_EQ(early.size(), 1u);
  EXPECT_EQ(early[0]->tick, 320u);
  EXPECT_EQ(early[0]->frame, 0u);

  const auto positions = Keys(tracks[1]->position_keys);
  ASSERT_EQ(positions.size(), 4u);
  const uint32_t ticks[] = {0, 100, 160, 320};
  const uint32_t frames[] = {0, 0, 1, 2};
  const Vector3 stored[] = {{0, 0, 0}, {4, 6, 5}, {7, 9, 8}, {1, 3, 2}};
  for (size_t i = 0; i < positions.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(positions[i]->tick, ticks[i]);
    EXPECT_EQ(positions[i]->frame, frames[i]);
    EXPECT_EQ(positions[i]->position.x, stored[i].x);
    EXPECT_EQ(positions[i]->position.y, stored[i].y);
    EXPECT_EQ(positions[i]->position.z, stored[i].z);
  }

  // TCB keys and samples are steps that accumulate; a plain rotation key is absolute and leaves the
  // running rotation alone. Angles are negated.
  const auto rotations = Keys(tracks[1]->rotation_keys);
  ASSERT_EQ(rotations.size(), 3u);
  for (const RotationKey* key : rotations) {
    EXPECT_FLOAT_EQ(key->angle, -0.5f);
    EXPECT_FLOAT_EQ(key->axis.x, 0.6f);
    EXPECT_FLOAT_EQ(key->axis.y, 0.0f);
    EXPECT_FLOAT_EQ(key->axis.z, 0.8f);
  }
  EXPECT_EQ(rotations[2]->frame, 2u);
  ExpectTurn(rotations[0]->rotation, -0.5f);
  ExpectTurn(rotations[1]->rotation, -0.5f);
  ExpectTurn(rotations[2]->rotation, -1.0f);
  // Each rotation block starts again from the identity.
  ASSERT_EQ(Keys(tracks[2]->rotation_keys).size(), 1u);
  ExpectTurn(tracks[2]->rotation_keys->rotation, -0.5f);

  const auto scales = Keys(tracks[1]->scale_keys);
  ASSERT_EQ(scales.size(), 3u);
  for (const ScaleKey* key : scales) {
    EXPECT_EQ(key->scale.x, 1.0f);
    EXPECT_EQ(key->scale.y, 1.0f);
    EXPECT_EQ(key->scale.z, 1.0f);
    EXPECT_EQ(key->tick, 0u);
    EXPECT_EQ(key->frame, 0u);
  }
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

TEST(AnimationReader, FileThatCannotBeOpenedLeavesTheSetEmptyAndNoTrace) {
  ScopedTempDir dir;
  AnimationSet set = {};
  ReadAnimationFile(&set, "missing.ase");
  EXPECT_FALSE(FileExists("out.txt"));
  EXPECT_EQ(set.tracks, nullptr);
  EXPECT_EQ(set.last_frame, 0u);
  EXPECT_STREQ(set.source_path, "");
}

TEST(AnimationReader, ReadsOnWhenTheTraceCannotBeCreated) {
  ScopedTempDir dir;
  ASSERT_EQ(mkdir("out.txt", 0700), 0);
  WriteTextFile("scene.ase", SceneText());
  AnimationSet set = {};
  ReadAnimationFile(&set, "scene.ase");
  EXPECT_EQ(set.track_count, 3);
  EXPECT_EQ(set.last_frame, 100u);
  DestroyAnimationSet(&set);
}

TEST(AnimationReader, SourcePathIsTheFileNameCutTo127Characters) {
  ScopedTempDir dir;
  const std::string long_name(200, 'n');
  const struct {
    std::string path;
    std::string expected;
  } cases[] = {{"sub\\dir\\anim.ase", "anim.ase"}, {long_name, long_name.substr(0, 127)}};
  for (const auto& c : cases) {
    WriteTextFile(c.path, "*SCENE { }");
    AnimationSet set = {};
    ReadAnimationFile(&set, c.path.c_str());
    EXPECT_EQ(std::string(set.source_path), c.expected);
    EXPECT_EQ(set.source_path[127], '\0');
  }
}

TEST(AnimationReader, MalformedBlocksStayBounded) {
  AnimationSet set = {};
  const std::string long_name(200, 'q');
  // An empty name makes no track, and its first controller's brace ends the block; an unknown nested
  // block ends the node block early, so the rotation block after it belongs to no track; a name cut
  // by the end of the file keeps what was read.
  ReadText(set, "*TM_ANIMATION { *NODE_NAME \"\" *CONTROL_POS_TRACK { *CONTROL_POS_SAMPLE 0 1 2 3 } }\n"
                "*TM_ANIMATION { *NODE_NAME \"" + long_name + "\" *CONTROL_POS_TRACK { *CONTROL_POS_KEY"
                + std::string(300, 'K') + " 0 1 2 3 } }\n"
                "*TM_ANIMATION { *NODE_NAME \"Box01\" *CONTROL_FLOAT_TRACK { 1 }\n"
                "  *CONTROL_ROT_TRACK { *CONTROL_ROT_SAMPLE 0 0 1 0 1 } }\n"
                "*TM_ANIMATION { *NODE_NAME \"Cut");
  const auto tracks = Tracks(set);
  ASSERT_EQ(tracks.size(), 3u);
  EXPECT_EQ(std::string(tracks[0]->node_name), long_name.substr(0, 127));
  EXPECT_EQ(Keys(tracks[0]->position_keys).size(), 1u);
  EXPECT_STREQ(tracks[1]->node_name, "Box01");
  EXPECT_EQ(tracks[1]->rotation_keys, nullptr);
  EXPECT_STREQ(tracks[2]->node_name, "Cut");
  DestroyAnimationSet(&set);
}

TEST(AnimationReader, TextCutAtEveryByteReadsAndPosesWithoutFault) {
  const std::string text = SceneText();
  for (size_t length = 0; length <= text.size(); ++length) {
    SCOPED_TRACE(length);
    ReadCheckAndPose(text.substr(0, length));
  }
}

TEST(AnimationReader, SpoiledBytesReadAndPoseWithoutFault) {
  const std::string text = SceneText();
  // Mostly the characters that steer the reader (braces, quotes, keyword starts, parts of numbers),
  // some arbitrary bytes, a zero among them.
  const char steering[] = "{}\"* \n\t-+.eE0123456789x";
  std::mt19937 random(20261207);
  for (int round = 0; round < 3000; ++round) {
    std::string spoiled = text;
    const int changes = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < changes; ++i) {
      const size_t at = random() % spoiled.size();
      spoiled[at] = random() % 4 == 0 ? static_cast<char>(random() % 256)
                                      : steering[random() % (sizeof(steering) - 1)];
    }
    SCOPED_TRACE(round);
    ReadCheckAndPose(spoiled);
  }
}

TEST(AnimationReader, ExtremeNumbersPoseWithoutFault) {
  // Ticks at both ends of the range and beyond it, ticks per frame that read as huge once unsigned,
  // coordinates that overflow a float, and keys out of frame order.
  ReadCheckAndPose("*SCENE { *SCENE_TICKSPERFRAME 1 *SCENE_LASTFRAME -1 }\n"
                   "*TM_ANIMATION { *NODE_NAME \"A\"\n"
                   "*CONTROL_POS_TRACK { *CONTROL_POS_KEY -1 1e39 -1e39 3 *CONTROL_POS_KEY 0 0 0 0\n"
                   "*CONTROL_POS_KEY 99999999999999999999 1 2 3 *CONTROL_POS_KEY 4294967295 1 1 1 }\n"
                   "*CONTROL_ROT_TRACK { *CONTROL_ROT_SAMPLE 10 0 0 0 0 *CONTROL_ROT_SAMPLE 5 1e39 0 0 1e39\n"
                   "*CONTROL_ROT_SAMPLE 2147483648 0 0 1 3.14 } }\n"
                   "*SCENE { *SCENE_TICKSPERFRAME -1 }\n"
                   "*TM_ANIMATION { *NODE_NAME \"B\" *CONTROL_POS_TRACK { *CONTROL_POS_KEY 4294967295 1 1 1 } }\n");
}

TEST(AnimationReader, TracksStopAtWhatTheCountCanTell) {
  std::string text;
  for (int i = 0; i < UINT16_MAX + 2; ++i) text += "*TM_ANIMATION { * \"n" + std::to_string(i) + "\" }\n";
  AnimationSet set = {};
  ReadText(set, text);
  EXPECT_EQ(set.track_count, UINT16_MAX);
  const auto tracks = Tracks(set);
  ASSERT_EQ(tracks.size(), UINT16_MAX);
  EXPECT_EQ(std::string(tracks.back()->node_name), "n" + std::to_string(UINT16_MAX - 1));
  DestroyAnimationSet(&set);
}

TEST(AnimationReader, KeysOfRepeatedControllerBlocksAllLandInOrder) {
  // A track may carry several blocks of one kind; their keys join one list in file order.
  std::string text = "*TM_ANIMATION { *NODE_NAME \"A\"\n";
  for (int i = 0; i < 1000; ++i) text += "*CONTROL_POS_TRACK { *CONTROL_POS_KEY " + std::to_string(i) + " 0 0 0 }\n";
  text += "}\n";
  AnimationSet set = {};
  ReadText(set, text);
  ASSERT_NE(set.tracks, nullptr);
  ASSERT_EQ(Keys(set.tracks->position_keys).size(), 1000u);
  uint32_t tick = 0;
  for (const PositionKey* key = set.tracks->position_keys; key != nullptr; key = key->next) {
    ASSERT_EQ(key->tick, tick++);
  }
  DestroyAnimationSet(&set);
}
