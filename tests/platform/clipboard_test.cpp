// The window host puts the printed lines on the desktop's clipboard, where reading aids take
// them.
#include <SDL.h>
#include <gtest/gtest.h>

#include "platform/scoped_environment.h"
#include "platform/sdl_host.h"
#include "platform/sdl_library.h"
#include "platform/xvfb_display.h"

namespace tolven {
namespace {

using testing::ScopedEnvironment;
using testing::XvfbDisplay;

TEST(ClipboardTest, WindowHostPutsTextOnTheDesktopClipboard) {
  XvfbDisplay display(1024, 768);
  ASSERT_NE(display.Name(), "") << "Xvfb could not be started";
  ScopedEnvironment video("SDL_VIDEODRIVER", "x11");
  ScopedEnvironment x("DISPLAY", display.Name());
  ScopedEnvironment audio("SDL_AUDIODRIVER", "dummy");
  SdlLibrary sdl;
  SdlHost host(1, nullptr);
  for (const char* text : {"【夏目】「おい、湊。", "秋穂（あきほ）のやつ\n二行目"}) {
    host.SetClipboardText(text);
    char* got = SDL_GetClipboardText();
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(std::string(got), text);
    SDL_free(got);
  }
}

}  // namespace
}  // namespace tolven
