#include "platform/sdl_host.h"

#include <chrono>
#include <iostream>

#include "base/file_writer.h"
#include "engine/engine_view.h"
#include "platform/message_box.h"
#include "resources/png_io.h"

namespace tolven {
namespace {

// While a message box drawn in the window is up, events are awaited no longer than this, so
// the engine's timer keeps its pace under the box.
constexpr uint32_t kModalWaitMs = 55;

}  // namespace

SdlHost::SdlHost(int scale, EventPlayer* events, bool movieSound)
    : window_(scale), frames_(window_.Handle()), movies_(movieSound), events_(events) {
  frames_.SetMovie(&movies_);
  if (events_) {
    events_->windowCommand = [this](const EventCommand& command) {
      return ShotWindow(command.text);
    };
  }
}

void SdlHost::Attach(EngineView& form) {
  form_ = &form;
  input_ = std::make_unique<InputRouter>(form, window_, frames_);
}

std::string SdlHost::Error() const {
  return events_ ? events_->Error() : std::string();
}

RunResult SdlHost::Run() {
  while (!Stopped()) {
    ProcessMessages();
    if (Stopped()) break;
    form_->AppIdle();
    PresentIfStale();
  }
  return events_ ? events_->Failed().value_or(RunResult::Finished) : RunResult::Finished;
}

bool SdlHost::Stopped() const {
  if (form_->Closed()) return true;
  return events_ && (events_->Failed() || events_->Finished(SDL_GetTicks()));
}

void SdlHost::Sleep(uint32_t milliseconds) {
  const uint32_t deadline = Ticks() + milliseconds;
  // The engine sleeps once its step is drawn: the moment to show it.
  PresentIfStale();
  const int32_t left = static_cast<int32_t>(deadline - Ticks());
  if (left > 0) SDL_Delay(static_cast<uint32_t>(left));
}

uint32_t SdlHost::ClockSeed() {
  return static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

std::tm SdlHost::LocalTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

void SdlHost::ProcessMessages() {
  if (form_ == nullptr) return;
  input_->PerformMenuCommands();
  SDL_Event event;
  while (SDL_PollEvent(&event)) input_->Handle(event);
  form_->RunDueTimerTicks();
  if (events_) events_->DeliverDue(Ticks());
}

MessageResult SdlHost::ShowMessage(std::string_view text, std::string_view caption,
                                   MessageButtons buttons, MessageIcon icon) {
  // An unattended run never blocks: the event file answers, or OK does.
  if (events_) {
    std::optional<MessageResult> answer = events_->TakeAnswer();
    if (buttons == MessageButtons::Ok) return MessageResult::Ok;
    return answer.value_or(MessageResult::Ok);
  }
  if (std::optional<MessageResult> answer =
          ShowMessageBox(window_.Handle(), text, caption, buttons, icon)) {
    return *answer;
  }
  return AskInWindow(text, caption, buttons);
}

MessageResult SdlHost::AskInWindow(std::string_view text, std::string_view caption,
                                   MessageButtons buttons) {
  if (form_ == nullptr) return MessageResult::Ok;
  MessageBoxView box(text, caption, buttons);
  frames_.Ui().SetModal(&box);
  frames_.Invalidate();
  // The timer keeps ticking under the box, as under any modal loop of the window system.
  while (!box.Answer()) {
    PresentIfStale();
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, kModalWaitMs)) input_->HandleModal(event, box);
    form_->RunDueTimerTicks();
  }
  frames_.Ui().SetModal(nullptr);
  frames_.Invalidate();
  return *box.Answer();
}

void SdlHost::Present() {
  PresentIfStale();
}

void SdlHost::PresentIfStale() {
  if (form_ != nullptr && frames_.Stale(*form_, window_.MenuStrip())) {
    frames_.Present(*form_, window_.MenuStrip());
  }
}

void SdlHost::WarpPointer(int x, int y) {
  const Point target = window_.Mapping().PbToWindow(x, y);
  SDL_WarpMouseInWindow(window_.Handle(), target.x, target.y);
}

bool SdlHost::EnterFullScreen(int mode) {
  frames_.Invalidate();
  return window_.EnterFullScreen(mode);
}

void SdlHost::LeaveFullScreen() {
  frames_.Invalidate();
  window_.LeaveFullScreen();
}

void SdlHost::ShakeWindow(int dx, int dy) {
  if (window_.ShakeBy(dx, dy)) {
    frames_.SetPictureOffset(0, 0);
  } else {
    frames_.SetPictureOffset(dx, dy);
  }
  PresentIfStale();
}

bool SdlHost::ShotWindow(const std::string& file) {
  std::string why;
  if (!WriteFileAtomically(file, EncodePng(frames_.Capture(*form_, window_.MenuStrip())), &why)) {
    std::cerr << "tolven: " << why << '\n';
    return false;
  }
  return true;
}

}  // namespace tolven
