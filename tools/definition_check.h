#pragma once

#include "tools/check_findings.h"
#include "tools/game_contents.h"

namespace tolven::tools {

// Reads the definition texts the screens lay themselves out by, through the screens' own
// readers, and reports what breaks their limits or names what the game lacks: the viewer's
// "view", the recollection list "sys_flashbak", the clickmap places of "map" and the screen
// effects of "effect".
void CheckDefinitions(const GameContents& game, Findings& findings);

}  // namespace tolven::tools
