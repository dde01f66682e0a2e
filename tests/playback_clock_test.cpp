// The animation's clock: the frame chosen from elapsed time at several speeds and frame speeds, the
// stepped sequence of headless runs kept as it was, pause and resume, steps wrapping at both ends of
// the loop, and the --speed values.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "render/playback_clock.h"
#include "tests/test_support.h"

namespace {

constexpr uint32_t LOOP = 300;

struct TimedCase {
  double speed;
  int32_t frame_speed;  // as the file gives it; 0 and below: none
  uint32_t start_ms;
  uint32_t elapsed_ms;
  uint32_t frame;
};

TEST(PlaybackClock, TimedFramesFollowElapsedTimeAtTheSpeedAndTheScenesFrameSpeed) {
  const TimedCase cases[] = {
      {1.0, 30, 1000, 1000, 30},     {2.0, 30, 1000, 1000, 60},
      {0.125, 30, 1000, 1000, 3},    {8.0, 30, 1000, 1000, 240},
      {1.0, 30, 1000, 11000, 30},    // 330 frames: round the loop once
      {1.0, 10, 1000, 1000, 10},     {1.0, 0, 1000, 1000, 30},  // a scene without a frame speed plays at 30
      {1.0, -5, 1000, 2000, 60},     {1.0, 30, 0xFFFFFF00u, 1000, 30},  // the tick count's wrap
      {0.5, 25, 1000, 999, 12},
  };
  for (const TimedCase& c : cases) {
    SCOPED_TRACE("speed " + std::to_string(c.speed) + " frame speed " + std::to_string(c.frame_speed) + " after " +
                 std::to_string(c.elapsed_ms) + " ms");
    PlaybackClock clock;
    clock.SetTimed(true);
    clock.SetSpeed(c.speed);
    EXPECT_EQ(clock.FrameToPose(c.start_ms, LOOP, c.frame_speed, 77), 0u);
    // Time arrives in uneven slices, as drawn frames do; only the sum counts.
    const uint32_t first_slice = c.elapsed_ms / 3;
    clock.FrameToPose(c.start_ms + first_slice, LOOP, c.frame_speed, 77);
    EXPECT_EQ(clock.FrameToPose(c.start_ms + c.elapsed_ms, LOOP, c.frame_speed, 77), c.frame);
    EXPECT_EQ(clock.CurrentFrame(), c.frame);
  }
}

TEST(PlaybackClock, SteppedRunsKeepTheirFrameSequenceUntilTheTransportIsUsed) {
  PlaybackClock clock;
  for (uint32_t frame : {0u, 1u, 2u, 299u, 0u, 5000u}) EXPECT_EQ(clock.FrameToPose(frame * 7, LOOP, 30, frame), frame);
  // Twice the speed in a stepped run: two frames per drawn frame from the one shown.
  clock.Rewind();
  clock.SetSpeed(2.0);
  for (uint32_t frame : {0u, 2u, 4u}) EXPECT_EQ(clock.FrameToPose(0, LOOP, 30, 123), frame);
  clock.SetSpeed(0.5);
  for (uint32_t frame : {4u, 5u, 5u, 6u}) EXPECT_EQ(clock.FrameToPose(0, LOOP, 30, 123), frame);
}

TEST(PlaybackClock, PauseHoldsTheFrameAndResumeGoesOnFromIt) {
  PlaybackClock clock;
  clock.SetTimed(true);
  clock.FrameToPose(0, LOOP, 30, 0);
  EXPECT_EQ(clock.FrameToPose(1000, LOOP, 30, 0), 30u);
  clock.TogglePause();
  EXPECT_TRUE(clock.IsPaused());
  for (uint32_t ms : {2000u, 60000u}) EXPECT_EQ(clock.FrameToPose(ms, LOOP, 30, 0), 30u);
  clock.TogglePause();
  EXPECT_EQ(clock.FrameToPose(70000, LOOP, 30, 0), 30u) << "the pause's time is not played";
  EXPECT_EQ(clock.FrameToPose(71000, LOOP, 30, 0), 60u);
  // A stepped run pauses on the frame it shows, whatever the caller's count does meanwhile.
  PlaybackClock stepped;
  for (uint32_t frame = 0; frame < 10; ++frame) stepped.FrameToPose(0, LOOP, 30, frame);
  stepped.SetPaused(true);
  for (uint32_t frame = 10; frame < 15; ++frame) EXPECT_EQ(stepped.FrameToPose(0, LOOP, 30, frame), 9u);
}

TEST(PlaybackClock, StepsMoveAPausedClockAndWrapAtBothEnds) {
  struct Case {
    uint32_t from;
    int steps;
    uint32_t to;
  };
  for (const Case& c : {Case{0, -1, 299}, Case{299, 1, 0}, Case{10, 3, 13}, Case{1, -2, 299}, Case{150, 0, 150}}) {
    PlaybackClock clock;
    clock.HoldAt(c.from);
    clock.FrameToPose(0, LOOP, 30, 0);
    clock.Step(c.steps);
    EXPECT_EQ(clock.FrameToPose(5000, LOOP, 30, 0), c.to) << c.from << " by " << c.steps;
  }
  PlaybackClock running;
  running.SetTimed(true);
  running.FrameToPose(0, LOOP, 30, 0);
  running.Step(5);
  EXPECT_EQ(running.FrameToPose(0, LOOP, 30, 0), 0u) << "a running clock ignores steps";
  PlaybackClock held;
  held.HoldAt(700);
  EXPECT_EQ(held.FrameToPose(0, LOOP, 30, 0), 100u) << "a frame past the loop wraps as playback does";
  held.Rewind();
  EXPECT_EQ(held.FrameToPose(0, LOOP, 30, 0), 0u);
  // A scene of one frame, or none, has only frame 0.
  PlaybackClock single;
  single.HoldAt(4);
  EXPECT_EQ(single.FrameToPose(0, 0, 30, 0), 0u);
}

TEST(PlaybackClock, SpeedsHalveAndDoubleWithinAnEighthAndEight) {
  PlaybackClock clock;
  for (int i = 0; i < 6; ++i) clock.Faster();
  EXPECT_EQ(clock.Speed(), MAX_SPEED);
  for (int i = 0; i < 9; ++i) clock.Slower();
  EXPECT_EQ(clock.Speed(), MIN_SPEED);
  clock.SetSpeed(0.0 / 0.0);
  EXPECT_EQ(clock.Speed(), MIN_SPEED);

  std::istringstream lines(ReadTestData("speeds.txt"));
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind('#', 0) == 0) continue;
    std::string text, expected;
    std::istringstream(line) >> text >> expected;
    double speed = -1.0;
    EXPECT_EQ(ParseSpeed(text.c_str(), &speed), !expected.empty()) << text;
    char shown[32] = "";
    if (expected.empty()) {
      EXPECT_EQ(speed, -1.0) << text;
    } else {
      FormatSpeed(speed, shown, sizeof shown);
    }
    EXPECT_EQ(shown, expected) << text;
  }
}

}  // namespace
