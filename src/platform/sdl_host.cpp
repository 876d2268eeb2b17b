#include "platform/sdl_host.h"

#include <fstream>
#include <iostream>

#include "engine/form1.h"
#include "platform/message_box.h"
#include "resources/png_io.h"

namespace tolven {
namespace {

constexpr uint32_t kTimerIntervalMs = 55;
// After a long stall (a message box, a suspended process) the timer does not make up for
// every lost tick, as a window system's timer never does.
constexpr uint32_t kMaxTimerCatchUp = 4;

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return !bytes.empty() && static_cast<bool>(out.flush());
}

}  // namespace

SdlHost::SdlHost(int scale, std::optional<EventPlayer> events)
    : window_(scale),
      frames_(window_.Handle()),
      events_(std::move(events)),
      nextTimerTick_(SDL_GetTicks() + kTimerIntervalMs) {
  if (events_) {
    events_->windowCommand = [this](const EventCommand& command) {
      return ShotWindow(command.text);
    };
  }
}

void SdlHost::Attach(TForm1& form) {
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
    sleptThisStep_ = false;
    form_->AppIdle();
    if (!sleptThisStep_) PresentIfStale(false);
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
  PresentIfStale(false);
  sleptThisStep_ = true;
  const int32_t left = static_cast<int32_t>(deadline - Ticks());
  if (left > 0) SDL_Delay(static_cast<uint32_t>(left));
}

void SdlHost::ProcessMessages() {
  if (form_ == nullptr) return;
  input_->PerformMenuCommands();
  SDL_Event event;
  while (SDL_PollEvent(&event)) input_->Handle(event);
  RunDueTimerTicks();
  if (events_) events_->DeliverDue(*form_, Ticks());
}

void SdlHost::RunDueTimerTicks() {
  const uint32_t now = Ticks();
  if (static_cast<int32_t>(now - nextTimerTick_) >
      static_cast<int32_t>(kMaxTimerCatchUp * kTimerIntervalMs)) {
    nextTimerTick_ = now;
  }
  while (static_cast<int32_t>(now - nextTimerTick_) >= 0 && !form_->Closed()) {
    form_->Timer1Timer();
    nextTimerTick_ += kTimerIntervalMs;
  }
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
    PresentIfStale(false);
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, kTimerIntervalMs)) input_->HandleModal(event, box);
    RunDueTimerTicks();
  }
  frames_.Ui().SetModal(nullptr);
  frames_.Invalidate();
  return *box.Answer();
}

void SdlHost::Present() {
  PresentIfStale(true);
}

void SdlHost::PresentIfStale(bool thorough) {
  if (form_ != nullptr && frames_.Stale(*form_, window_.MenuStrip(), thorough)) {
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

bool SdlHost::ShotWindow(const std::string& file) {
  if (!WriteFile(file, EncodePng(frames_.Capture(*form_, window_.MenuStrip())))) {
    std::cerr << "tolven: " << file << ": cannot be written\n";
    return false;
  }
  return true;
}

}  // namespace tolven
