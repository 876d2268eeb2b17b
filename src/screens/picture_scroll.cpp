#include "screens/picture_scroll.h"

#include <algorithm>

#include "base/engine_values.h"
#include "graphics/picture_copy.h"
#include "resources/definition_text.h"

namespace tolven {
namespace {

// The longest the window goes without its messages while a slow scroll waits for its next
// position: about one idle step.
constexpr uint32_t kMessageSlice = 30;

constexpr int kUpwards = 0;
constexpr int kRightwards = 1;
constexpr int kDownwards = 2;
constexpr int kLeftwards = 3;

// Sets the engine state for the sequence and gives the story its state back, with the effect
// mark cleared, on every way out.
class ScrollState {
 public:
  explicit ScrollState(EngineFlags& flags) : flags_(flags) {
    flags_.EngineState = EngineScreen::Scroll;
  }
  ~ScrollState() {
    flags_.EffectRunning = false;
    flags_.EngineState = EngineScreen::Story;
  }
  ScrollState(const ScrollState&) = delete;
  ScrollState& operator=(const ScrollState&) = delete;

 private:
  EngineFlags& flags_;
};

}  // namespace

ElapsedPositions::ElapsedPositions(Host& host, uint32_t unit)
    : host_(host), unit_(std::max<uint32_t>(unit, 1)), last_(host.Ticks()) {}

uint64_t ElapsedPositions::Elapsed() {
  const uint32_t now = host_.Ticks();
  elapsed_ += static_cast<uint32_t>(now - last_);
  last_ = now;
  return elapsed_;
}

std::optional<int64_t> ElapsedPositions::Next(int64_t current, const std::function<bool()>& stop) {
  const uint64_t due = (static_cast<uint64_t>(std::max<int64_t>(current, 0)) + 1) * unit_;
  for (;;) {
    host_.ProcessMessages();
    if (stop()) return std::nullopt;
    uint64_t elapsed = Elapsed();
    if (elapsed < due) {
      const uint64_t left = due - elapsed;
      host_.Sleep(static_cast<uint32_t>(std::min<uint64_t>(left, kMessageSlice)));
      if (left > kMessageSlice) continue;
      elapsed = Elapsed();
    }
    return static_cast<int64_t>(std::max(elapsed, due) / unit_);
  }
}

MenuBarLock::MenuBarLock(EngineFlags& flags, InterpreterHost& engine)
    : flags_(flags), engine_(engine) {
  flags_.MenuLocked = true;
  engine_.UpdateMenuBar();
}

MenuBarLock::~MenuBarLock() {
  flags_.MenuLocked = false;
  engine_.UpdateMenuBar();
}

PictureScroll::PictureScroll(Host& host, PaintBox& pb, Stage& stage, EngineFlags& flags,
                             InterpreterHost& engine)
    : host_(host), pb_(pb), stage_(stage), flags_(flags), engine_(engine) {}

ScrollRequest PictureScroll::Parse(std::string_view argument) {
  return {Field(argument, 0), FieldNumber(argument, 1), FieldNumber(argument, 2),
          FieldNumber(argument, 3)};
}

int64_t PictureScroll::Distance(const Bitmap24& picture, int direction) {
  int64_t distance = 0;
  if (direction == kUpwards || direction == kDownwards) {
    distance = int64_t{picture.Height()} - kScreenHeight;
  } else if (direction == kRightwards || direction == kLeftwards) {
    distance = int64_t{picture.Width()} - kScreenWidth;
  }
  return std::max<int64_t>(distance, 0);
}

void PictureScroll::DrawView(const Bitmap24& picture, int direction, int64_t distance, int64_t t,
                             Bitmap24& view) {
  const int64_t travelled = std::clamp<int64_t>(t, 0, distance);
  int64_t x = 0;
  int64_t y = 0;
  switch (direction) {
    case kUpwards:
      y = distance - travelled;
      break;
    case kRightwards:
      x = travelled;
      break;
    case kDownwards:
      y = travelled;
      break;
    case kLeftwards:
      x = distance - travelled;
      break;
    default:
      break;
  }
  if (picture.Width() < view.Width() || picture.Height() < view.Height()) {
    FillPicture(view, {0, 0, 0});
  }
  // The view lies inside the picture wherever the picture is large enough, so the offsets fit
  // the picture's own int coordinates.
  CopyRect(picture, static_cast<int>(x), static_cast<int>(y), view.Width(), view.Height(), view, 0,
           0);
}

void PictureScroll::Scroll(std::string_view argument) {
  const ScrollRequest request = Parse(argument);
  bool closeRequested = false;
  {
    MenuBarLock menu(flags_, engine_);
    Bitmap24 picture;
    if (!stage_.LoadPicture(request.picture, picture)) return;
    ScrollState state(flags_);
    const int64_t distance = Distance(picture, request.direction);

    ScreenBuffers& buffers = stage_.Buffers();
    CopyPicture(buffers.StageBuffer, buffers.PreviousBuffer);
    DrawView(picture, request.direction, distance, 0, buffers.StageBuffer);
    stage_.Effects().RunTransition(request.transition);

    closeRequested = Travel(picture, request.direction, distance, request.step);

    flags_.EffectRunning = false;
    DrawView(picture, request.direction, distance, distance, buffers.StageBuffer);
    CopyPicture(buffers.StageBuffer, pb_.Draw());
    host_.Present();
  }
  if (closeRequested) engine_.ConfirmQuitAfterEffect();
}

bool PictureScroll::Travel(const Bitmap24& picture, int direction, int64_t distance, int step) {
  flags_.EffectRunning = true;
  // A click that cut the first view's transition short was for the transition. A close request
  // made during it is kept: it ends the scroll at once and then asks, where clearing it would
  // lose the player's attempt to quit.
  if (flags_.InterruptRequest != Interrupt::Close) flags_.InterruptRequest = Interrupt::None;
  auto interrupted = [this] { return flags_.InterruptRequest != Interrupt::None; };

  ElapsedPositions positions(host_, step > 0 ? static_cast<uint32_t>(step) : 1);
  for (int64_t t = 0; t < distance && !interrupted();) {
    DrawView(picture, direction, distance, t, pb_.Draw());
    host_.Present();
    const std::optional<int64_t> next = positions.Next(t, interrupted);
    if (!next) break;
    t = *next;
  }
  const bool close = flags_.InterruptRequest == Interrupt::Close;
  // The request was this scroll's: nothing after it should take it for its own.
  flags_.InterruptRequest = Interrupt::None;
  return close;
}

}  // namespace tolven
