// Where the game window opens and how large: never past the usable area of the screen.
#include <gtest/gtest.h>

#include <SDL.h>

#include "platform/game_window.h"
#include "platform/rect_printing.h"
#include "platform/scoped_environment.h"
#include "platform/sdl_library.h"
#include "platform/xvfb_display.h"

namespace tolven {
namespace {

using testing::ScopedEnvironment;
using testing::XvfbDisplay;

TEST(PlaceWindowTest, TakesTheLargestScaleThatFitsFrameIncluded) {
  struct Case {
    const char* what;
    int wanted;
    Rect usable;
    WindowFrame frame;
    Rect expected;  // the client area
  };
  const Case cases[] = {
      {"1x, centred", 1, {0, 0, 1280, 1024}, {}, {240, 200, 800, 624}},
      {"2x on a screen too small for it", 2, {0, 0, 1280, 1024}, {}, {240, 200, 800, 624}},
      {"8x cut to what fits", 8, {0, 0, 1700, 1300}, {}, {50, 26, 1600, 1248}},
      {"2x where it fits", 2, {0, 0, 2560, 1440}, {}, {480, 96, 1600, 1248}},
      {"2x fits only without the frame",
       2,
       {0, 0, 1600, 1248},
       {30, 0, 0, 0},
       {400, 327, 800, 624}},
      {"a panel and a frame", 2, {0, 32, 2560, 1408}, {30, 2, 2, 2}, {480, 126, 1600, 1248}},
      {"a screen smaller than 1x: 1x at the corner",
       1,
       {0, 0, 640, 480},
       {20, 0, 0, 0},
       {0, 20, 800, 624}},
      {"a second screen to the right", 1, {1280, 0, 1920, 1080}, {}, {1840, 228, 800, 624}},
      {"no scale asked for", 0, {0, 0, 1280, 1024}, {}, {240, 200, 800, 624}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PlaceWindow(c.wanted, c.usable, c.frame), c.expected) << c.what;
  }
}

// The real window on an X server whose screen is smaller than 2x: what SDL reports of it is
// what X was asked for, so a window larger than the screen would show here.
TEST(GameWindowRunTest, OpensNoLargerThanTheScreen) {
  struct Case {
    int screenWidth, screenHeight;
    int scale;
    int width, height;  // the window SDL reports
  };
  const Case cases[] = {
      {1280, 1024, 1, 800, 624},   {1280, 1024, 2, 800, 624},   {1280, 1024, 8, 800, 624},
      {1700, 1300, 2, 1600, 1248}, {1700, 1300, 3, 1600, 1248},
  };
  for (const Case& c : cases) {
    XvfbDisplay display(c.screenWidth, c.screenHeight);
    ASSERT_NE(display.Name(), "") << "Xvfb could not be started";
    ScopedEnvironment video("SDL_VIDEODRIVER", "x11");
    ScopedEnvironment x("DISPLAY", display.Name());
    SdlLibrary sdl;
    GameWindow window(c.scale);
    int width = 0;
    int height = 0;
    int x0 = -1;
    int y0 = -1;
    SDL_GetWindowSize(window.Handle(), &width, &height);
    SDL_GetWindowPosition(window.Handle(), &x0, &y0);
    const std::string what = std::to_string(c.scale) + "x on " + std::to_string(c.screenWidth) +
                             "x" + std::to_string(c.screenHeight);
    EXPECT_EQ(width, c.width) << what;
    EXPECT_EQ(height, c.height) << what;
    EXPECT_EQ(window.Scale(), c.width / 800) << what;
    EXPECT_GE(x0, 0) << what;
    EXPECT_GE(y0, 0) << what;
    EXPECT_LE(x0 + width, c.screenWidth) << what;
    EXPECT_LE(y0 + height, c.screenHeight) << what;
  }
}

}  // namespace
}  // namespace tolven
