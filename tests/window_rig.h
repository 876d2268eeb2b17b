#pragma once

// The parts the message window and the screens drawn over it are built on, each under the
// name the tests use, on a recording host and a virtual clock.
#include "base/engine_flags.h"
#include "base/random_generator.h"
#include "base/script_state.h"
#include "base/trace.h"
#include "graphics/frame_clock.h"
#include "graphics/stage.h"
#include "graphics/transition_rig.h"
#include "resources/archives.h"
#include "resources/paint_box.h"
#include "test_support.h"
#include "text/message_window.h"

namespace tolven::testing {

// The stage and what it is drawn with.
struct StageRig {
  TempDir dir_;
  Archives archives_{dir_.Path()};
  EngineFlags flags_;
  PaintBox pb_{kScreenWidth, kScreenHeight};
  RecordingHost host_{flags_, pb_};
  FrameClock clock_{host_};
  ScriptState state_;
  RandomGenerator random_{1};
  Trace trace_;
  Stage stage_{host_, clock_, pb_, archives_, state_, flags_, random_, trace_};
};

struct WindowRig : StageRig {
  MessageWindow window_{host_, clock_, pb_, stage_, state_, flags_};
};

}  // namespace tolven::testing
