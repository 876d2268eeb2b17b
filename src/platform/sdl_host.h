#pragma once

#include <memory>
#include <optional>
#include <string>

#include "base/host.h"
#include "engine/event_player.h"
#include "platform/dialog_view.h"
#include "platform/frame_renderer.h"
#include "platform/game_window.h"
#include "platform/input_router.h"
#include "platform/mpv_movie.h"

namespace tolven {

class EngineView;

// The host of a windowed run: the real clock, SDL's event queue as the message pump, the
// picture presented when the engine drew, SDL message boxes and full screen. An event file,
// when given, feeds input on the real clock and answers the message boxes instead of the player.
class SdlHost : public Host {
 public:
  // Throws std::runtime_error when the window or its renderer cannot be made. The event player,
  // when given, must outlive the host. Movies play their sound on the system's output only
  // when there is one to hear (movieSound); else they play silent, as mpv's probing of absent
  // sound systems would complain on the terminal. Scaling: how the picture fills the window.
  SdlHost(int scale, EventPlayer* events, bool movieSound = false, const Scaling& scaling = {});

  void Attach(EngineView& form);
  // The frame loop, until the window closes or the event file ends.
  RunResult Run();
  std::string Error() const;

  uint32_t Ticks() override { return SDL_GetTicks(); }
  void Sleep(uint32_t milliseconds) override;
  uint32_t ClockSeed() override;
  std::tm LocalTime() override;
  void ProcessMessages() override;
  MessageResult ShowMessage(std::string_view text, std::string_view caption, MessageButtons buttons,
                            MessageIcon icon) override;
  int ScreenWidth() const override { return window_.ScreenWidth(); }
  void Present() override;
  void WarpPointer(int x, int y) override;
  bool EnterFullScreen(int mode) override;
  void LeaveFullScreen() override;
  void ShakeWindow(int dx, int dy) override;
  // Draws the dialog over the game screen and hands it the player's input until the model is
  // closed. A close request meanwhile ends the dialog and is put back in the queue, so the
  // engine's own close (with its question) runs once the dialog's caller is done.
  void RunModal(DialogModel& dialog) override;
  // Its frames take PB's place in the window while a movie is open.
  MoviePlayer* Movies() override { return &movies_; }
  // The desktop's clipboard, through SDL (X11 selections or the Wayland data device).
  void SetClipboardText(std::string_view utf8) override;

  // The whole window as shot-window writes it: menu bar, PB and whatever is drawn over them,
  // scaled as the window shows them.
  Bitmap24 CaptureWindow();
  // The window itself, for looking at what it shows.
  SDL_Window* Window() const { return window_.Handle(); }
  // The dialog RunModal shows now, or none.
  const DialogView* ShownDialog() { return frames_.Ui().Dialog(); }

 private:
  bool Stopped() const;
  // Shows the frame when the engine drew or the window changed since it was last shown.
  void PresentIfStale();
  bool ShotWindow(const std::string& file);
  // A message box drawn in the window over the game, in the dialogs' face; the timer ticks on
  // under it.
  MessageResult AskInWindow(std::string_view text, std::string_view caption,
                            MessageButtons buttons);
  // Lets the input method work while a field of the dialog has the keyboard, over that field.
  void FollowTextField(DialogView& dialog);

  GameWindow window_;
  FrameRenderer frames_;
  MpvMoviePlayer movies_;
  EventPlayer* events_;
  EngineView* form_ = nullptr;
  std::unique_ptr<InputRouter> input_;  // once the engine is attached
  std::optional<Rect> textInputRect_;   // where the input method was last told the field is
};

}  // namespace tolven
