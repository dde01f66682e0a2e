// The animation's clock and transport: which frame of the scene's loop each drawn frame poses. In a
// window the frame follows elapsed time at the scene's frame speed times the playback speed; headless
// runs step one frame per drawn frame, so that a run of N frames is the same picture on any machine.
// Pausing holds the frame (the light included, since it is posed from the same frame); steps and the
// rewind then move it by whole frames, wrapping at the ends of the loop as playback does. The clock
// takes the loop's length and speed on every call, so a scene loaded in between needs no hook.
#pragma once

#include <cstdint>

// Frames per second for a scene whose file gives no usable speed.
constexpr int32_t DEFAULT_FRAME_SPEED = 30;
// Playback speeds: Slower and Faster halve and double within these.
constexpr double MIN_SPEED = 0.125;
constexpr double MAX_SPEED = 8.0;

class PlaybackClock {
 public:
  // Timed: frames follow elapsed milliseconds; otherwise one frame per drawn frame.
  void SetTimed(bool timed) { timed_ = timed; }
  bool IsTimed() const { return timed_; }

  // The frame to pose now. frame_count is the loop's length (the frames 0 .. frame_count - 1),
  // frame_speed the file's frames per second (30 when not above 0). stepped_frame is the frame the
  // caller would pose without the clock: a stepped run at 1x that was never paused or moved keeps it,
  // so its frame sequence is the one it always was.
  uint32_t FrameToPose(uint32_t now_ms, uint32_t frame_count, int32_t frame_speed, uint32_t stepped_frame);
  // The frame last returned by FrameToPose.
  uint32_t CurrentFrame() const { return current_frame_; }

  void TogglePause();
  void SetPaused(bool paused);
  bool IsPaused() const { return paused_; }
  // Moves a paused clock by frames (negative: back), wrapping at the loop's ends; a running clock
  // ignores steps, since the next drawn frame would move on anyway.
  void Step(int frames);
  // Shows this frame and holds there (the command line's --frame).
  void HoldAt(uint32_t frame);
  void Rewind();
  void Slower() { SetSpeed(speed_ / 2.0); }
  void Faster() { SetSpeed(speed_ * 2.0); }
  // Clamped to MIN_SPEED .. MAX_SPEED.
  void SetSpeed(double speed);
  double Speed() const { return speed_; }

 private:
  bool Untouched() const { return !timed_ && !paused_ && !moved_ && speed_ == 1.0; }
  uint32_t Wrap(double position) const;

  bool timed_ = false;
  bool paused_ = false;
  bool moved_ = false;  // paused, stepped, held or rewound at least once
  bool running_ = false;  // a frame was shown since the start or the last pause
  double speed_ = 1.0;
  uint32_t last_ms_ = 0;
  uint32_t frame_count_ = 0;  // 0 until the first FrameToPose
  double position_ = 0.0;  // in frames, within 0 .. frame_count_
  uint32_t current_frame_ = 0;
};

// "1/4x", "1x", "8x", "1.5x".
void FormatSpeed(double speed, char* out, int size);
// A --speed value such as "2", "0.5", "1/4" or "4x"; false (out untouched) for anything that is not a
// number from MIN_SPEED to MAX_SPEED.
bool ParseSpeed(const char* text, double* speed_out);
