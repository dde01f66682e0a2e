#include "render/playback_clock.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

uint32_t PlaybackClock::FrameToPose(uint32_t now_ms, uint32_t frame_count, int32_t frame_speed,
                                    uint32_t stepped_frame) {
  const uint32_t count = frame_count > 0 ? frame_count : 1;
  // Another scene came in: its loop starts from its own first frame.
  if (frame_count_ != 0 && count != frame_count_ && !paused_) position_ = 0.0;
  frame_count_ = count;
  if (Untouched()) {
    position_ = stepped_frame;
    running_ = true;
    current_frame_ = stepped_frame;
    return current_frame_;
  }
  if (!paused_) {
    if (timed_) {
      // The frame speed comes from the file; nothing but a positive one makes a clock.
      const double frames_per_s = frame_speed > 0 ? frame_speed : DEFAULT_FRAME_SPEED;
      // Unsigned difference, so the tick count's wrap is a step like any other.
      if (running_) position_ += static_cast<double>(now_ms - last_ms_) * frames_per_s * speed_ / 1000.0;
      last_ms_ = now_ms;
    } else if (running_) {
      position_ += speed_;
    }
    running_ = true;
  }
  current_frame_ = Wrap(position_);
  position_ = std::fmod(position_, static_cast<double>(frame_count_));
  return current_frame_;
}

uint32_t PlaybackClock::Wrap(double position) const {
  const double count = frame_count_ > 0 ? frame_count_ : 1;
  double frame = std::fmod(std::floor(position), count);
  if (frame < 0) frame += count;
  return static_cast<uint32_t>(frame);
}

void PlaybackClock::TogglePause() { SetPaused(!paused_); }

void PlaybackClock::SetPaused(bool paused) {
  moved_ = true;
  paused_ = paused;
  // Held on the frame being shown; a resume then measures time from its own first frame.
  position_ = current_frame_;
  running_ = false;
}

void PlaybackClock::Step(int frames) {
  if (!paused_) return;
  position_ = Wrap(static_cast<double>(current_frame_) + frames);
  current_frame_ = static_cast<uint32_t>(position_);
}

void PlaybackClock::HoldAt(uint32_t frame) {
  moved_ = true;
  paused_ = true;
  running_ = false;
  position_ = frame;
  current_frame_ = frame_count_ != 0 ? Wrap(position_) : frame;
}

void PlaybackClock::Rewind() {
  moved_ = true;
  position_ = 0.0;
  current_frame_ = 0;
  running_ = false;
}

void PlaybackClock::SetSpeed(double speed) {
  if (!(speed >= MIN_SPEED)) speed = MIN_SPEED;  // NaN too
  if (speed > MAX_SPEED) speed = MAX_SPEED;
  speed_ = speed;
}

void FormatSpeed(double speed, char* out, int size) {
  if (speed < 1.0 && std::fabs(1.0 / speed - std::round(1.0 / speed)) < 1e-9) {
    std::snprintf(out, static_cast<size_t>(size), "1/%dx", static_cast<int>(std::round(1.0 / speed)));
  } else {
    std::snprintf(out, static_cast<size_t>(size), "%gx", speed);
  }
}

bool ParseSpeed(const char* text, double* speed_out) {
  if (text == nullptr || *text == '\0') return false;
  char* end = nullptr;
  double value = std::strtod(text, &end);
  if (end == text) return false;
  if (*end == '/') {
    const char* denominator_text = end + 1;
    const double denominator = std::strtod(denominator_text, &end);
    if (end == denominator_text || !(denominator > 0.0)) return false;
    value /= denominator;
  }
  if (*end == 'x' || *end == 'X') ++end;
  if (*end != '\0' || !(value >= MIN_SPEED && value <= MAX_SPEED)) return false;
  *speed_out = value;
  return true;
}
