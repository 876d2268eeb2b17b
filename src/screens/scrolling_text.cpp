#include "screens/scrolling_text.h"

#include <array>
#include <cstring>
#include <limits>

#include "base/engine_values.h"
#include "graphics/picture_copy.h"
#include "screens/picture_scroll.h"
#include "screens/screen_text.h"

namespace tolven {
namespace {

constexpr const char* kFace = "ＭＳ ゴシック";
constexpr int kTextHeight = 20;
constexpr int kLineHeight = 24;
constexpr int kStripWidth = 420;
// The column on the screen: (270, 20)-(690, 580).
constexpr int kColumnLeft = 270;
constexpr int kColumnTop = 20;
constexpr int kColumnRows = 560;
// The text stops this many rows short of its own height, which leaves its last line 216 rows
// down the column.
constexpr int64_t kStopShort = 240;
constexpr uint32_t kRowInterval = 30;
// More than a column's worth of lines (560 / 24, plus the two cut at its edges), so the lines
// in view never push each other out.
constexpr size_t kCachedLines = 32;

constexpr TextRgb kWhite{255, 255, 255};

// The text as one black strip 420 pixels wide with line i at row 24 i, white, in the gothic
// face; each line is drawn the first time it comes into view and dropped once it has left.
class TextStrip {
 public:
  TextStrip(const std::vector<std::string>& lines, bool bold)
      : lines_(lines), text_(kFace, kTextHeight, bold) {}

  int64_t Height() const { return kLineHeight * static_cast<int64_t>(lines_.size()); }

  // Strip rows top to top + 559 into the column of the screen; rows above or below the strip
  // are black.
  void DrawColumn(int64_t top, Bitmap24& screen) {
    constexpr size_t kRowBytes = 3 * kStripWidth;
    for (int r = 0; r < kColumnRows; ++r) {
      uint8_t* to = screen.Row(kColumnTop + r) + 3 * kColumnLeft;
      const int64_t row = top + r;
      if (row < 0 || row >= Height()) {
        std::memset(to, 0, kRowBytes);
        continue;
      }
      const Bitmap24& line = Line(static_cast<size_t>(row / kLineHeight));
      std::memcpy(to, line.Row(static_cast<int>(row % kLineHeight)), kRowBytes);
    }
  }

 private:
  struct Cached {
    size_t index = std::numeric_limits<size_t>::max();
    Bitmap24 picture{kStripWidth, kLineHeight};
  };

  const Bitmap24& Line(size_t index) {
    Cached& cached = cache_[index % kCachedLines];
    if (cached.index != index) {
      FillPicture(cached.picture, {0, 0, 0});
      text_.Draw(lines_[index], cached.picture, 0, 0, kWhite);
      cached.index = index;
    }
    return cached.picture;
  }

  const std::vector<std::string>& lines_;
  ScreenText text_;
  std::array<Cached, kCachedLines> cache_;
};

// The engine state while the text runs, given back to the story on every way out.
class SrollState {
 public:
  SrollState(EngineFlags& flags, bool& running) : flags_(flags), running_(running) {
    flags_.EngineState = EngineScreen::ScrollingText;
    running_ = true;
  }
  ~SrollState() {
    running_ = false;
    flags_.EngineState = EngineScreen::Story;
  }
  SrollState(const SrollState&) = delete;
  SrollState& operator=(const SrollState&) = delete;

 private:
  EngineFlags& flags_;
  bool& running_;
};

}  // namespace

std::vector<std::string> ScrollingText::ReadLines(const DefinitionText& text) {
  std::vector<std::string> lines;
  for (uint32_t position = 0; position < text.DefinitionSize();) {
    std::string line = text.ReadDefLine(position);
    if (line == "}") break;
    lines.push_back(std::move(line));
  }
  return lines;
}

void ScrollingText::Press(MouseButton, int, int) {
  if (running_ && parts_.variables.TestBit('E', 999)) {
    parts_.flags.InterruptRequest = Interrupt::Click;
  }
}

void ScrollingText::Sroll() {
  if (!parts_.definitions.Load(parts_.archives, "sroll")) {
    parts_.trace.Write("sroll: no definition text \"sroll\"; not shown");
    return;
  }
  const std::vector<std::string> lines = ReadLines(parts_.definitions);
  EngineFlags& flags = parts_.flags;
  MenuBarLock menu(flags, parts_.engine);
  SrollState state(flags, running_);
  // Input leaves its request here: a click with E999 set, or the window's close request.
  flags.InterruptRequest = Interrupt::None;
  auto stopped = [&flags] { return flags.InterruptRequest != Interrupt::None; };

  Bitmap24& stage = parts_.stage.Buffers().StageBuffer;
  FillPicture(stage, {0, 0, 0});
  CopyPicture(stage, parts_.pb.Draw());
  parts_.host.Present();

  TextStrip strip(lines, parts_.settings.FONTBOLD != 0);
  auto show = [&](int64_t top) {
    strip.DrawColumn(top, parts_.pb.Draw(kColumnLeft, kColumnTop, kStripWidth, kColumnRows));
    parts_.host.Present();
  };
  const int64_t end = strip.Height() - kStopShort;
  ElapsedPositions rows(parts_.host, kRowInterval);
  for (int64_t y = 0; y < end && !stopped();) {
    show(y);
    const std::optional<int64_t> next = rows.Next(y, stopped);
    if (!next) break;
    y = *next;
  }
  show(end);

  parts_.music.SetMusic(0, parts_.state);
  // The request ended this text; nothing after it should take it for its own.
  flags.InterruptRequest = Interrupt::None;
}

}  // namespace tolven
