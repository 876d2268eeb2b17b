#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/engine_flags.h"
#include "base/host.h"
#include "graphics/frame_clock.h"
#include "resources/paint_box.h"
#include "script/interpreter_host.h"

namespace tolven {

// The two lines of a card, as the command's text splits into them.
struct SubtitleLines {
  std::string_view first;
  std::string_view second;
  bool operator==(const SubtitleLines&) const = default;
};

// The two-line title card of `subtitle` (a chapter heading): each line fades in from black to
// white in a large serif, one after the other, then the card stays a moment. The command blocks
// until the card is complete. The card is drawn on PB only, never on the stage, so the next
// redraw of the screen from StageBuffer takes it away.
class Subtitles {
 public:
  Subtitles(Host& host, FrameClock& clock, PaintBox& pb, EngineFlags& flags,
            InterpreterHost& engine);

  // text: the command line after "subtitle" and its blank, in Shift-JIS.
  void Subtitle(std::string_view text);

  // The first line runs to the first comma within the command line's first 50 bytes; without
  // one there the whole text is the first line and the second is empty.
  static SubtitleLines SplitLines(std::string_view text);
  // The character height of a line, in pixels, by its length in bytes: short headings large,
  // long ones small enough to fit the screen.
  static int LineHeight(size_t bytes);

 private:
  // Waits on the frame clock, so the window's messages and the timer keep running.
  void Hold(uint32_t milliseconds);
  void FadeIn(std::string_view line, int top);

  Host& host_;
  FrameClock& clock_;
  PaintBox& pb_;
  EngineFlags& flags_;
  InterpreterHost& engine_;
};

}  // namespace tolven
