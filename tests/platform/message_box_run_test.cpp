// The engine's questions (quit, back to the title) on a real X display: drawn in the game window
// like the dialogs, in their face and look, answered by the keys. (SDL's own box on X11 draws
// with the server's bitmap fonts where it has them, and fails where it has none.)
#include <gtest/gtest.h>

#include <SDL.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/eventually.h"
#include "platform/probe_engine.h"
#include "platform/scoped_environment.h"
#include "platform/sdl_host.h"
#include "platform/sdl_library.h"
#include "platform/xvfb_display.h"
#include "resources/png_io.h"
#include "test_support.h"

namespace tolven {
namespace {

using testing::ProbeEngine;
using testing::ScopedEnvironment;
using testing::XvfbDisplay;

// A box of the desktop's own would block the thread in a loop of its own, where no test can
// answer it: this turns that hang into a failure.
class HangGuard {
 public:
  HangGuard()
      : thread_([this] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (!done_.wait_for(lock, testing::kHangBound, [this] { return over_; })) {
            std::fputs("the question never showed in the game window\n", stderr);
            std::_Exit(1);
          }
        }) {}
  ~HangGuard() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      over_ = true;
    }
    done_.notify_one();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  bool over_ = false;
  std::thread thread_;
};

void PressKey(SDL_Keycode key, SDL_Scancode code) {
  for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
    SDL_Event event{};
    event.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = code;
    SDL_PushEvent(&event);
  }
}

// Pixels of a shot that differ from another.
int Differing(const Bitmap24& a, const Bitmap24& b) {
  int differing = 0;
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      differing += std::memcmp(a.Row(y) + 3 * x, b.Row(y) + 3 * x, 3) != 0;
    }
  }
  return differing;
}

// The dialogs' title bar, red, green and blue.
constexpr uint8_t kDialogTitle[3] = {204, 228, 247};

int PixelsOf(const Bitmap24& shot, const uint8_t (&rgb)[3]) {
  const uint8_t bgr[3] = {rgb[2], rgb[1], rgb[0]};
  int count = 0;
  for (int y = 0; y < shot.Height(); ++y) {
    for (int x = 0; x < shot.Width(); ++x) count += std::memcmp(shot.Row(y) + 3 * x, bgr, 3) == 0;
  }
  return count;
}

// Shades of grey in a shot besides the game's own: smoothed text has many, a bitmap font none.
int GreyShades(const Bitmap24& shot, const Bitmap24& bare) {
  bool seen[256] = {};
  for (int y = 0; y < shot.Height(); ++y) {
    for (int x = 0; x < shot.Width(); ++x) {
      const uint8_t* p = shot.Row(y) + 3 * x;
      if (std::memcmp(p, bare.Row(y) + 3 * x, 3) != 0 && p[0] == p[1] && p[1] == p[2]) {
        seen[p[0]] = true;
      }
    }
  }
  int shades = 0;
  for (bool s : seen) shades += s;
  return shades;
}

TEST(MessageBoxRunTest, TheQuitQuestionIsDrawnInTheGameWindowAndAnsweredByTheKeys) {
  XvfbDisplay display(1280, 1024);
  ASSERT_NE(display.Name(), "") << "Xvfb could not be started";
  ScopedEnvironment video("SDL_VIDEODRIVER", "x11");
  ScopedEnvironment x("DISPLAY", display.Name());
  ScopedEnvironment audio("SDL_AUDIODRIVER", "dummy");
  SdlLibrary sdl;
  ProbeEngine engine;
  SdlHost host(1, nullptr);
  host.Attach(engine);
  const Bitmap24 bare = host.CaptureWindow();
  struct Case {
    SDL_Keycode key;
    SDL_Scancode code;
    MessageResult answer;
  };
  const Case cases[] = {
      {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, MessageResult::Cancel},
      {SDLK_RETURN, SDL_SCANCODE_RETURN, MessageResult::Ok},
  };
  for (const Case& c : cases) {
    Bitmap24 shot;
    engine.rounds = 0;
    engine.onRound = [&](int round) {
      if (round != 3) return;
      shot = host.CaptureWindow();
      if (const char* keep = std::getenv("TOLVEN_BOX_SHOT")) {
        testing::WriteFileBytes(keep, EncodePng(shot));
      }
      PressKey(c.key, c.code);
    };
    MessageResult answer;
    {
      HangGuard guard;
      answer = host.ShowMessage("ゲームを終了しますか？", "確認", MessageButtons::OkCancel,
                                MessageIcon::Question);
    }
    engine.onRound = nullptr;
    EXPECT_EQ(answer, c.answer);
    ASSERT_EQ(shot.Width(), bare.Width());
    // A box in the middle of the window: text, buttons and its frame over the game, with the
    // dialogs' title bar and their smoothed face.
    EXPECT_GT(Differing(shot, bare), 150 * 60);
    EXPECT_GT(PixelsOf(shot, kDialogTitle), 150 * 15);
    EXPECT_GT(GreyShades(shot, bare), 20);
    // Gone with the answer.
    EXPECT_EQ(Differing(host.CaptureWindow(), bare), 0);
  }
}

}  // namespace
}  // namespace tolven
