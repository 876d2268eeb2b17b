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

SdlHost::SdlHost(int scale, EventPlayer* events, bool movieSound, const Scaling& scaling)
    : window_(scale), frames_(window_.Handle()), movies_(movieSound), events_(events) {
  window_.SetScaling(scaling);
  frames_.SetScaling(scaling);
  // Compositions longer than an event's fixed 32 bytes come whole rather than cut.
  SDL_SetHint(SDL_HINT_IME_SUPPORT_EXTENDED_TEXT, "1");
  frames_.SetMovie(&movies_);
  if (events_) {
    events_->windowCommand = [this](const EventCommand& command) {
      return ShotWindow(command.text);
    };
    events_->movieFrameReady = [this] { return movies_.FrameNumber() > 0; };
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
  if (events_) events_->CloseAtEnd();
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
  // Drawn in the window like the dialogs, in their face: SDL's own box on X11 draws with the
  // server's bitmap fonts, jagged and unlike anything else the game shows.
  if (form_ != nullptr) return AskInWindow(text, caption, buttons);
  return ShowMessageBox(window_.Handle(), text, caption, buttons, icon).value_or(MessageResult::Ok);
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

void SdlHost::RunModal(DialogModel& dialog) {
  // One dialog at a time, as the engine opens them.
  if (form_ == nullptr || frames_.Ui().Dialog() != nullptr) return;
  const bool typingBefore = SDL_IsTextInputActive();
  SDL_StopTextInput();
  textInputRect_.reset();
  DialogView& view = frames_.Ui().OpenDialog(dialog);
  frames_.Invalidate();
  // The event file's commands after the one that opened the dialog are delivered to it.
  if (events_) events_->BeginModal();
  bool closeRequested = false;
  uint64_t look = LookOf(dialog);
  auto over = [&] {
    return dialog.Closed() || closeRequested || form_->Closed() ||
           (events_ && (events_->Failed() || events_->Finished(Ticks())));
  };
  while (!over()) {
    PresentIfStale();
    view.Apply();
    FollowTextField(view);
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, kModalWaitMs)) {
      do {
        if (event.type == SDL_QUIT) {
          closeRequested = true;
        } else {
          input_->HandleDialog(event, view);
        }
      } while (SDL_PollEvent(&event));
    }
    view.Apply();
    // Music streams on and the event file's due commands arrive (they act on the dialog).
    form_->RunDueTimerTicks();
    if (events_) events_->DeliverDue(Ticks());
    // The model changes under the view through the event file and through its own handlers.
    if (const uint64_t now = LookOf(dialog); now != look) {
      look = now;
      frames_.Invalidate();
    }
  }
  if (events_) events_->EndModal();
  frames_.Ui().CloseDialog();
  if (typingBefore) {
    SDL_StartTextInput();
  } else {
    SDL_StopTextInput();
  }
  frames_.Invalidate();
  if (closeRequested) {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
  }
}

void SdlHost::FollowTextField(DialogView& dialog) {
  const std::optional<Rect> field = dialog.TextField();
  if (!field) {
    if (SDL_IsTextInputActive()) SDL_StopTextInput();
    textInputRect_.reset();
    dialog.SetComposition({});  // what was being composed went with the field
    return;
  }
  if (!SDL_IsTextInputActive()) SDL_StartTextInput();
  // The input method places its candidate list by this rectangle, in window pixels.
  const ViewportMapping mapping = window_.Mapping();
  const Point topLeft = mapping.PbToWindow(field->x, field->y - mapping.PbTop());
  const Point bottomRight =
      mapping.PbToWindow(field->x + field->width, field->y + field->height - mapping.PbTop());
  const Rect place{topLeft.x, topLeft.y, bottomRight.x - topLeft.x, bottomRight.y - topLeft.y};
  if (textInputRect_ != place) {
    SDL_Rect rect{place.x, place.y, place.width, place.height};
    SDL_SetTextInputRect(&rect);
    textInputRect_ = place;
  }
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

void SdlHost::SetClipboardText(std::string_view utf8) {
  SDL_SetClipboardText(std::string(utf8).c_str());
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

Bitmap24 SdlHost::CaptureWindow() {
  return frames_.CaptureShown(*form_, window_.MenuStrip());
}

bool SdlHost::ShotWindow(const std::string& file) {
  std::string why;
  if (!WriteFileAtomically(file, EncodePng(CaptureWindow()), &why)) {
    std::cerr << "tolven: " << why << '\n';
    return false;
  }
  return true;
}

}  // namespace tolven
