#include "screens/specials.h"

#include <algorithm>
#include <array>
#include <string>

#include "graphics/picture_copy.h"
#include "screens/effect_scope.h"
#include "screens/screen_text.h"

namespace tolven {
namespace {

constexpr uint32_t kFlashInterval = 20;
constexpr int kFlashes = 7;
constexpr uint32_t kShakeInterval = 50;
constexpr int kShakeSteps = 10;
constexpr int kShakeDistance = 20;

// The highest factor that still changes anything: byte 1 times it reaches 255.
constexpr int kFactorCeiling = 16 * 255;

// The event flags the completion rate counts, first and last of each run.
constexpr std::array<std::array<int, 2>, 7> kCountedFlags = {
    {{1, 38}, {101, 131}, {201, 250}, {301, 337}, {401, 444}, {501, 521}, {601, 607}}};
constexpr int kCountedFlagTotal = 228;

constexpr const char* kRateFace = "ＭＳ ゴシック";
constexpr int kRateHeight = 32;
constexpr int kRateRight = 570;
constexpr int kRateTop = 12;

}  // namespace

Specials::Specials(const SpecialParts& parts)
    : parts_(parts),
      credits_(parts.host, parts.clock, parts.pb, parts.stage, parts.archives, parts.definitions,
               parts.flags, parts.trace) {}

void Specials::Special(std::string_view argument) {
  if (argument.empty()) return;
  switch (argument[0]) {
    case '0':
      Held([this] { Flash(); });
      break;
    case '1':
      Held([this] { Shake(); });
      break;
    case '2':
      Letterbox(argument);
      break;
    case '3':
    case '4':
      Held([this] { parts_.stage.SepiaFadeIn(); });
      break;
    case '5':
      Held([this] { credits_.Run(); });
      break;
    case '6':
      ShowCompletionRate();
      break;
    default:
      if (parts_.trace.Enabled()) {
        parts_.trace.WriteGameText("special " + std::string(argument) + ": no such sequence");
      }
      break;
  }
}

// Input during a sequence only leaves a request. A click has nothing to cut short, since only
// a close request ends the credits; the close request itself is asked about once the engine is
// free again, as after a picture's transition.
template <typename Sequence>
void Specials::Held(Sequence sequence) {
  {
    EffectScope scope(parts_.flags, parts_.engine);
    sequence();
  }
  const Interrupt request = parts_.flags.InterruptRequest;
  parts_.flags.InterruptRequest = Interrupt::None;
  if (request == Interrupt::Close) parts_.engine.ConfirmQuitAfterEffect();
}

void Specials::Flash() {
  const Bitmap24 kept = parts_.pb.Picture();
  parts_.clock.StartFrameClock();
  for (int flash = 0; flash < kFlashes; ++flash) {
    FillPicture(parts_.pb.Draw(), {255, 255, 255});
    parts_.host.Present();
    parts_.clock.WaitFrames(kFlashInterval);
    parts_.pb.Draw() = kept;
    parts_.host.Present();
    parts_.clock.WaitFrames(kFlashInterval);
  }
}

void Specials::Shake() {
  parts_.clock.StartFrameClock();
  for (int step = 1; step <= kShakeSteps; ++step) {
    parts_.host.ShakeWindow(0, step % 2 == 1 ? -kShakeDistance : kShakeDistance);
    parts_.clock.WaitFrames(kShakeInterval);
  }
  parts_.host.ShakeWindow(0, 0);
}

void Specials::DarkenOutside(Bitmap24& picture, int top, int bottom, int factor) {
  const int rows = picture.Height();
  top = std::clamp(top, 0, rows);
  bottom = std::clamp(bottom, 0, rows);
  factor = std::clamp(factor, 0, kFactorCeiling);
  std::array<uint8_t, 256> scaled;
  for (int x = 0; x < 256; ++x) scaled[x] = static_cast<uint8_t>(std::min(x * factor >> 4, 255));
  // Where the two bands overlap (top past bottom) a row is still scaled once.
  for (int y = 0; y < rows; ++y) {
    if (y >= top && y < bottom) continue;
    uint8_t* row = picture.Row(y);
    for (size_t b = 0; b < picture.RowBytes(); ++b) row[b] = scaled[row[b]];
  }
}

// "2,a,b,c": each number after its comma, read as a leading integer; one that is missing or
// has no digits reads as 0.
void Specials::Letterbox(std::string_view argument) {
  Bitmap24& stage = parts_.stage.Buffers().StageBuffer;
  DarkenOutside(stage, FieldNumber(argument, 1), FieldNumber(argument, 2),
                FieldNumber(argument, 3));
  CopyRect(stage, 0, 0, stage.Width(), stage.Height(), parts_.pb.Draw());
  parts_.host.Present();
}

int Specials::CompletionRate(const Variables& variables) {
  int count = 0;
  for (const auto& [first, last] : kCountedFlags) {
    for (int n = first; n <= last; ++n) count += variables.TestBit('E', n) ? 1 : 0;
  }
  return count * 100 / kCountedFlagTotal;
}

// Written on the screen alone, so the next redraw from the stage takes it away.
void Specials::ShowCompletionRate() {
  const std::string rate = std::to_string(CompletionRate(parts_.variables));
  ScreenText text(kRateFace, kRateHeight);
  const int width = text.Width(rate);
  if (width <= 0) return;
  const int left = kRateRight - width;
  text.Draw(rate, parts_.pb.Draw(left, kRateTop, width, text.LineHeight()), left, kRateTop,
            {255, 255, 255});
  parts_.host.Present();
}

}  // namespace tolven
