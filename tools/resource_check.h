#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/game_contents.h"

namespace tolven::tools {

// What a command line names that the game does not hold: pictures, sounds, music tracks,
// movies, animations, definition texts and their sections. One message (UTF-8) each.
// `keyword` is the command table's keyword the line matched; names only the running game
// knows (string rows, values set by the player's settings) are not judged.
std::vector<std::string> MissingResources(const GameContents& game, std::string_view keyword,
                                          std::string_view line);

// The pictures a character list of `tati` loads: each name and its mask (the name with 'M' for
// its first letter). A trailing number is the transition; '-' keeps a place as it was.
std::vector<std::string> CharacterPictures(std::string_view characters);

}  // namespace tolven::tools
