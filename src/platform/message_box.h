#pragma once

#include <SDL.h>

#include <optional>
#include <string_view>

#include "base/host.h"

namespace tolven {

// A modal message box of the desktop over the window with the engine's own text and caption
// (UTF-8). Enter picks OK, Escape picks Cancel (or OK when it is the only button). Nothing when
// SDL finds no way to show one on this display.
std::optional<MessageResult> ShowMessageBox(SDL_Window* parent, std::string_view text,
                                            std::string_view caption, MessageButtons buttons,
                                            MessageIcon icon);

}  // namespace tolven
