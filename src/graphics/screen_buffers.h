#pragma once

#include "base/engine_values.h"
#include "resources/bitmap24.h"

namespace tolven {

// The off-screen pictures the game screen is composed in, all 24-bit.
struct ScreenBuffers {
  Bitmap24 BackgroundBuffer{kScreenWidth, kScreenHeight};  // the background picture alone
  Bitmap24 SceneBuffer{kScreenWidth, kScreenHeight};       // background, characters, scene filter
  Bitmap24 StageBuffer{kScreenWidth, kScreenHeight};       // what the screen should show
  Bitmap24 PreviousBuffer{kScreenWidth, kScreenHeight};    // where a transition starts from
  Bitmap24 WorkBuffer{kScreenWidth, kScreenHeight};        // scratch of transitions and fades
  Bitmap24 ChoiceBuffer{kScreenWidth, kScreenHeight};      // work picture of the choices
  Bitmap24 PartsSheet;  // loaded by partsload and direct; the source of ptset
};

}  // namespace tolven
