#pragma once

#include "resources/bitmap24.h"
#include "text/glyphs.h"
#include "text/message_output.h"

namespace tolven {

// Paints the message page again from its bytes, colours and ruby readings onto the stage, as
// after the stage was rebuilt under it: the window's 4 lines at (8, 438) with a 40-pixel pitch, or
// the 16 full-screen lines at (20, 32) with a 38-pixel pitch; 54 byte columns of 14 pixels.
void RedrawTextPage(Glyphs& glyphs, const MessageOutput& page, bool fullScreenText,
                    Bitmap24& stage);

}  // namespace tolven
