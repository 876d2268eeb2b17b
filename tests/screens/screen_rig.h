#pragma once

// What the screens' tests build a screen on: the engine's parts below the screens, each under the
// name the tests use, around a host of the test's own on a virtual clock.
#include <sstream>

#include "base/engine_flags.h"
#include "base/random_generator.h"
#include "base/script_state.h"
#include "base/settings.h"
#include "base/trace.h"
#include "graphics/frame_clock.h"
#include "graphics/stage.h"
#include "resources/archives.h"
#include "resources/definition_text.h"
#include "resources/paint_box.h"
#include "script/variables.h"
#include "test_support.h"

namespace tolven::testing {

// Every pixel names its own place in the picture: blue and green the low bytes of x and y, red
// their high nibbles, so any pixel of a view tells where in the picture the view stands.
inline Bitmap24 PlacePicture(int width, int height) {
  Bitmap24 picture(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = picture.Row(y) + 3 * x;
      p[0] = static_cast<uint8_t>(x);
      p[1] = static_cast<uint8_t>(y);
      p[2] = static_cast<uint8_t>(((x >> 8) << 4) | (y >> 8));
    }
  }
  return picture;
}

// HostType is made with the flags and the screen, as the recording hosts are.
template <class HostType>
struct ScreenRig {
  TempDir dir;
  EngineFlags flags;
  PaintBox pb{kScreenWidth, kScreenHeight};
  HostType host{flags, pb};
  FrameClock clock{host};
  Archives archives{dir.Path()};
  ScriptState state;
  RandomGenerator random{1};
  Trace trace;
  std::ostringstream traceText;
  Variables variables{state, random, trace};
  DefinitionText definitions;
  Stage stage{host, clock, pb, archives, state, flags, random, trace};
  Settings settings;
};

}  // namespace tolven::testing
