#include "platform/sdl_library.h"

#include <SDL.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tolven {

SdlLibrary::SdlLibrary() {
  // Ctrl+C in the terminal should end the run as it ends any program, not ask to quit.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    throw std::runtime_error(std::string("cannot open the game window: ") + SDL_GetError());
  }
  // SDL falls back to drivers that show nothing; a player without a display would get a game
  // running unseen. Only someone who asks for them by name (tests) gets them.
  const std::string_view driver = SDL_GetCurrentVideoDriver();
  if ((driver == "offscreen" || driver == "dummy") && std::getenv("SDL_VIDEODRIVER") == nullptr) {
    SDL_Quit();
    throw std::runtime_error("cannot open the game window: no display");
  }
}

SdlLibrary::~SdlLibrary() {
  SDL_Quit();
}

}  // namespace tolven
