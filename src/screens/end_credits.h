#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/engine_flags.h"
#include "base/host.h"
#include "base/trace.h"
#include "graphics/frame_clock.h"
#include "graphics/stage.h"
#include "resources/archives.h"
#include "resources/bitmap24.h"
#include "resources/definition_text.h"
#include "resources/paint_box.h"
#include "screens/screen_text.h"

namespace tolven {

// The credits window: strip columns 64-319 shown at x = 544, the full height of the screen;
// the screen's columns left of it belong to the background.
inline constexpr int kCreditsWindowLeft = 544;
inline constexpr int kCreditsWindowWidth = 256;
inline constexpr int kCreditsWindowHeight = 600;
inline constexpr int kCreditsStripColumn = 64;  // the strip column the window starts at
inline constexpr int kCreditsLineHeight = 32;
inline constexpr int kCreditsTextHeight = 30;
// Line i of the credits sits at row 600 + 32 i of the strip, so the first line rises from
// below the screen's bottom edge.
inline constexpr int kCreditsFirstLineTop = 600;
inline constexpr int kCreditsFadeRows = 128;  // rows fading at the top and at the bottom
inline constexpr int kCreditsStep = 2;        // rows the strip moves per frame period
// The background is drawn for this many frames from the start and after every picture change;
// between those it stands untouched on the screen.
inline constexpr int kCreditsBackgroundFrames = 65;

// A picture line of "endroll": the picture comes in as the strip reaches that credit line.
struct CreditsPicture {
  std::string name;
  int64_t line = 0;
};

// What "endroll" says: the frame period on its first line, then picture lines up to a line
// beginning with '*', then the credit lines up to the next such line (or the text's end).
struct CreditsText {
  uint32_t period = 0;  // milliseconds per step, already made safe to wait on
  std::vector<CreditsPicture> pictures;
  std::vector<std::string> lines;  // Shift-JIS
};

// A period of 0, a negative one or a first line without a number would have the credits run
// without ever waiting, so those get the engine's usual 30 ms step; a period beyond a second
// is held to one, since a single frame's wait is not interruptible.
inline constexpr uint32_t kCreditsDefaultPeriod = 30;
inline constexpr uint32_t kCreditsLongestPeriod = 1000;
CreditsText ReadCreditsText(const DefinitionText& text);

// The credit lines on a black strip 320 pixels wide, white serif of height 30, line i at row
// 600 + 32 i, and rows past the strip's end reading as black. The strip is 32 x lines + 600
// rows tall, so the last line is whole. Only the window's part of the strip exists at any
// time: a line is rendered when it nears the window and forgotten once it has passed, so a
// credits text of any length costs the memory of a screenful and each line is rendered once.
class CreditStrip {
 public:
  explicit CreditStrip(std::vector<std::string> lines);

  int64_t Height() const;
  // Strip rows y to y + 599, columns 64-319, onto target at (left, 0), with the fades: in the
  // top and bottom 128 rows every pixel that is not black turns grey 2 x (its row's distance
  // from that edge). Whatever falls outside target is left out. y only ever grows between
  // calls.
  void DrawWindow(int64_t y, Bitmap24& target, int left);

 private:
  // A line's strokes, cut to the rows that have any, in full window rows.
  struct RenderedLine {
    int64_t top = 0;  // strip row of the first stored row
    int rows = 0;
    std::vector<uint8_t> pixels;
  };
  void Follow(int64_t y);
  void Render(size_t index);

  std::vector<std::string> lines_;
  ScreenText text_;
  Bitmap24 band_;
  size_t nextLine_ = 0;
  std::vector<RenderedLine> shown_;
};

// One frame of the credits on the screen: the window at x = 544 and, when given, the
// background's left 544 columns.
void DrawCreditsFrame(CreditStrip& strip, int64_t y, const Bitmap24* background, Bitmap24& screen);

// The end credits (`special 5`): the credit lines rise up a window on the right while the
// pictures of the credits text change the background on the left. Only a close request cuts
// them short; clicks do not. The caller holds the engine meanwhile.
class EndCredits {
 public:
  EndCredits(Host& host, FrameClock& clock, PaintBox& pb, Stage& stage, const Archives& archives,
             DefinitionText& definitions, EngineFlags& flags, Trace& trace);

  // A missing "endroll" does nothing.
  void Run();

 private:
  Host& host_;
  FrameClock& clock_;
  PaintBox& pb_;
  Stage& stage_;
  const Archives& archives_;
  DefinitionText& definitions_;
  EngineFlags& flags_;
  Trace& trace_;
};

}  // namespace tolven
