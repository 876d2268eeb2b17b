#pragma once

#include <string_view>

#include "resources/archives.h"
#include "resources/bitmap24.h"

namespace tolven {

// Loads the named picture into the bitmap: from the JPEG archive when it holds the name, else
// the packed format from the newest packed archive that does. False, with the bitmap untouched,
// when no picture archive holds the name or the entry cannot be read or decoded.
bool LoadPicture(const Archives& archives, std::string_view name, Bitmap24& bitmap);

}  // namespace tolven
