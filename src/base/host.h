#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace tolven {

class DialogModel;

// A movie played over the game screen. The window host shows its frames in place of PB, with
// the movie's own sound; headless runs decode it without showing it.
class MoviePlayer {
 public:
  virtual ~MoviePlayer() = default;
  // Opens and starts the file; false when it cannot be played (nothing is shown then).
  virtual bool Open(const std::string& path) = 0;
  // Still playing: false once the movie has ended or was closed.
  virtual bool Playing() = 0;
  // Stops the movie and returns once it has stopped.
  virtual void Close() = 0;
};

enum class MessageButtons { Ok, OkCancel };
enum class MessageIcon { None, Error, Warning, Question };
enum class MessageResult { Ok, Cancel };

// Everything the engine needs from the outside world: the clock, the message pump, the screen,
// message boxes. The window host gives the real ones; headless runs and tests a virtual clock.
class Host {
 public:
  virtual ~Host() = default;
  // Milliseconds since some fixed start.
  virtual uint32_t Ticks() = 0;
  // The real clock sleeps; a virtual clock just moves on.
  virtual void Sleep(uint32_t milliseconds) = 0;
  // Seeds the random generator when the command line gives no seed. The host reads whatever
  // clock it has, so the engine itself never looks at the wall clock.
  virtual uint32_t ClockSeed() = 0;
  // The local date and time a save is stamped with. A virtual clock counts from a fixed start
  // (2000-01-01 00:00:00), so two runs with the same events stamp their saves alike; the window
  // host gives the real one.
  virtual std::tm LocalTime() {
    constexpr std::time_t kFixedStart = 946684800;
    const std::time_t now = kFixedStart + static_cast<std::time_t>(Ticks() / 1000);
    std::tm local{};
    gmtime_r(&now, &local);
    return local;
  }
  // Delivers pending input to the engine's handlers and runs every due 55 ms timer tick
  // (through the engine's own timer schedule).
  virtual void ProcessMessages() = 0;
  // Texts are UTF-8; the engine converts its own at the edge.
  virtual MessageResult ShowMessage(std::string_view text, std::string_view caption,
                                    MessageButtons buttons, MessageIcon icon) = 0;
  // Width of the screen the window is on, for the small-screen rule of the screen mode.
  virtual int ScreenWidth() const = 0;
  // Shows the game screen and the menu bar now, when something was drawn since they were last
  // shown.
  virtual void Present() {}
  // Moves the pointer to game-screen coordinates (the keyboard moves it over choices).
  virtual void WarpPointer(int, int) {}
  // Screen mode 1: full screen showing the 800x600 picture; 2: a borderless window at the
  // top-left corner. False when the display cannot do it; the window then stays as it was.
  virtual bool EnterFullScreen(int) { return false; }
  // Shakes the window by this offset from its place ((0, 0) puts it back): the window moves
  // where the window system lets it, else the picture moves inside the window.
  virtual void ShakeWindow(int, int) {}
  virtual void LeaveFullScreen() {}
  // Shows a modal dialog over the game screen and returns once the model says it is closed;
  // meanwhile the game screen stays up and the 55 ms timer keeps running. A host that cannot
  // show dialogs returns at once.
  virtual void RunModal(DialogModel&) {}
  // The movie player, or none: then movies do nothing.
  virtual MoviePlayer* Movies() { return nullptr; }
  // Puts UTF-8 text on the desktop's clipboard, for reading aids; a host without one drops it.
  virtual void SetClipboardText(std::string_view) {}
};

}  // namespace tolven
