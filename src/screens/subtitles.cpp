#include "screens/subtitles.h"

#include <algorithm>

#include "base/engine_values.h"
#include "screens/screen_text.h"

namespace tolven {
namespace {

// The command line's text starts after "*subtitle " and the comma is looked for only up to
// byte 50 of the line, so a first line longer than 39 bytes takes the whole text. A comma can
// never be the trail byte of a double-byte character, so counting bytes cannot split one.
constexpr size_t kTextOffset = 10;
constexpr size_t kCommaSearchEnd = 50;

constexpr const char* kFace = "ＭＳ 明朝";
constexpr int kFirstLineTop = 120;
constexpr int kSecondLineTop = 260;

constexpr uint32_t kLeadIn = 300;
constexpr uint32_t kStay = 1500;
constexpr uint32_t kFadeInterval = 20;
constexpr int kFadeStep = 4;
constexpr int kFadeEnd = 256;

constexpr TextRgb kBlack{0, 0, 0};
constexpr TextRgb kWhite{255, 255, 255};

// Input and the script stay held for the whole card, and are given back on every way out.
class BusyHold {
 public:
  explicit BusyHold(EngineFlags& flags) : flags_(flags) { flags_.Busy = true; }
  ~BusyHold() { flags_.Busy = false; }
  BusyHold(const BusyHold&) = delete;
  BusyHold& operator=(const BusyHold&) = delete;

 private:
  EngineFlags& flags_;
};

}  // namespace

Subtitles::Subtitles(Host& host, FrameClock& clock, PaintBox& pb, EngineFlags& flags,
                     InterpreterHost& engine)
    : host_(host), clock_(clock), pb_(pb), flags_(flags), engine_(engine) {}

SubtitleLines Subtitles::SplitLines(std::string_view text) {
  const size_t searched = std::min(text.size(), kCommaSearchEnd - kTextOffset);
  const size_t comma = text.substr(0, searched).find(',');
  if (comma == std::string_view::npos) return {text, {}};
  return {text.substr(0, comma), text.substr(comma + 1)};
}

// The serif's ascent and descent fill its em, so the window system's cell height and character
// height are one number here: the height is the pixel em of the face.
int Subtitles::LineHeight(size_t bytes) {
  if (bytes <= 15) return 72;
  if (bytes > 23) return 32;
  return 48;
}

void Subtitles::Subtitle(std::string_view text) {
  engine_.StopSkipAndAuto(false);
  const SubtitleLines lines = SplitLines(text);
  {
    BusyHold hold(flags_);
    Hold(kLeadIn);
    FadeIn(lines.first, kFirstLineTop);
    FadeIn(lines.second, kSecondLineTop);
    Hold(kStay);
  }
  // A card stands between scenes: the message window counts as closed after it, until the
  // script opens it again.
  flags_.WindowShown = false;
}

void Subtitles::Hold(uint32_t milliseconds) {
  const uint32_t end = clock_.Now() + milliseconds;
  for (;;) {
    const int32_t left = static_cast<int32_t>(end - clock_.Now());
    if (left <= 0) return;
    clock_.WaitUntil(clock_.Now() + std::min<uint32_t>(static_cast<uint32_t>(left), kFadeInterval));
  }
}

void Subtitles::FadeIn(std::string_view line, int top) {
  ScreenText text(kFace, LineHeight(line.size()));
  const int width = text.Width(line);
  const int left = (kScreenWidth - width) / 2;
  // The background is opaque, so each draw covers the one before; an empty line (or a face that
  // is not installed) draws nothing but takes its time all the same.
  auto draw = [&](TextRgb colour) {
    if (width > 0) {
      text.Draw(line, pb_.Draw(left, top, width, text.LineHeight()), left, top, colour, kBlack);
    }
    host_.Present();
  };
  clock_.StartFrameClock();
  int level = 0;
  do {
    const uint8_t grey = static_cast<uint8_t>(level);
    draw({grey, grey, grey});
    // Capped so a stall of any length cannot overflow the level; one step past the end is
    // enough to end the fade.
    const uint32_t passed = std::min<uint32_t>(clock_.WaitFrames(kFadeInterval), kFadeEnd);
    level += kFadeStep * static_cast<int>(passed);
  } while (level < kFadeEnd);
  draw(kWhite);
}

}  // namespace tolven
