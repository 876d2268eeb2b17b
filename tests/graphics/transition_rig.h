#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string_view>
#include <vector>

#include "base/engine_flags.h"
#include "base/host.h"
#include "base/random_generator.h"
#include "base/script_state.h"
#include "graphics/frame_clock.h"
#include "graphics/screen_buffers.h"
#include "graphics/transitions.h"
#include "resources/paint_box.h"

namespace tolven::testing {

// A host on a virtual clock that records every presented frame and every window move. Message
// processing can cost time (a slow machine) and can deliver a click once a chosen time has
// passed, the way input reaches a running effect.
class RecordingHost : public Host {
 public:
  struct Frame {
    uint32_t time;       // since `start`
    bool drawn;          // PB was drawn on since the previous present
    bool effectRunning;  // EffectRunning while it was shown
  };
  struct Move {
    uint32_t time;
    int dx;
    int dy;
  };

  RecordingHost(EngineFlags& flags, PaintBox& pb) : flags_(flags), pb_(pb) {}

  uint32_t Ticks() override { return now; }
  void Sleep(uint32_t milliseconds) override { now += milliseconds; }
  uint32_t ClockSeed() override { return 1; }
  void ProcessMessages() override {
    now += cost;
    ++messageRounds;
    // Input only records an interrupt while an effect runs.
    if (clickAt && Elapsed() >= *clickAt && flags_.EffectRunning) {
      flags_.InterruptRequest = Interrupt::Click;
      clickAt.reset();
    }
    // A close request, as the main window leaves one while an effect runs.
    if (closeAt && Elapsed() >= *closeAt && flags_.EffectRunning) {
      flags_.InterruptRequest = Interrupt::Close;
      closeAt.reset();
    }
  }
  MessageResult ShowMessage(std::string_view, std::string_view, MessageButtons,
                            MessageIcon) override {
    return MessageResult::Ok;
  }
  int ScreenWidth() const override { return 1920; }
  void Present() override {
    frames.push_back({Elapsed(), pb_.Changes() != lastChanges_, flags_.EffectRunning});
    lastChanges_ = pb_.Changes();
    if (keepAt.count(Elapsed()) != 0 && kept.count(Elapsed()) == 0) {
      kept.emplace(Elapsed(), pb_.Picture());
    }
    if (onPresent) onPresent(pb_.Picture());
  }
  void ShakeWindow(int dx, int dy) override { moves.push_back({Elapsed(), dx, dy}); }

  uint32_t Elapsed() const { return now - start; }

  uint32_t now = 5000;
  uint32_t start = 5000;
  uint32_t cost = 0;  // milliseconds every message round takes
  std::optional<uint32_t> clickAt;
  std::optional<uint32_t> closeAt;
  int messageRounds = 0;
  std::vector<Frame> frames;
  std::vector<Move> moves;
  std::set<uint32_t> keepAt;          // times whose first frame is kept whole
  std::map<uint32_t, Bitmap24> kept;  // those frames
  std::function<void(const Bitmap24&)> onPresent;

 private:
  EngineFlags& flags_;
  PaintBox& pb_;
  uint64_t lastChanges_ = 0;
};

// One transition subsystem with everything it works on.
struct TransitionRig {
  EngineFlags flags;
  PaintBox pb{kScreenWidth, kScreenHeight};
  RecordingHost host{flags, pb};
  FrameClock clock{host};
  ScreenBuffers buffers;
  ScriptState state;
  RandomGenerator random{20240601};
  Transitions transitions{host, clock, pb, buffers, state, flags, random};

  TransitionRig() {
    state.S(sv::kTransition4Extents[0]) = 250;
    state.S(sv::kTransition4Extents[1]) = 550;
  }

  // As the present step leaves things: the old picture shown and in PreviousBuffer, the new one
  // in StageBuffer, Busy set.
  void Prepare(const Bitmap24& oldPicture, const Bitmap24& newPicture) {
    buffers.PreviousBuffer = oldPicture;
    buffers.StageBuffer = newPicture;
    pb.Draw() = oldPicture;
    flags.Busy = true;
    host.start = host.now;
    host.frames.clear();
  }
};

inline Bitmap24 Noise(uint32_t seed) {
  Bitmap24 picture(kScreenWidth, kScreenHeight);
  uint32_t state = seed;
  for (size_t i = 0; i < picture.SizeBytes(); ++i) {
    state = state * 1664525u + 1013904223u;
    picture.Data()[i] = static_cast<uint8_t>(state >> 24);
  }
  return picture;
}

inline Bitmap24 Uniform(uint8_t value) {
  Bitmap24 picture(kScreenWidth, kScreenHeight);
  std::fill(picture.Data(), picture.Data() + picture.SizeBytes(), value);
  return picture;
}

inline std::array<uint8_t, 3> PixelAt(const Bitmap24& picture, int x, int y) {
  const uint8_t* p = picture.Row(y) + 3 * x;
  return {p[0], p[1], p[2]};
}

inline std::array<uint8_t, 3> Grey(uint8_t value) {
  return {value, value, value};
}

}  // namespace tolven::testing
