#pragma once

// Rectangles in failure messages as x, y, width and height rather than as their bytes.
#include <ostream>

#include "platform/viewport_mapping.h"
#include "resources/paint_box.h"

namespace tolven {

inline void PrintTo(const Rect& r, std::ostream* out) {
  *out << "{" << r.x << ", " << r.y << ", " << r.width << "x" << r.height << "}";
}

inline void PrintTo(const PbArea& a, std::ostream* out) {
  *out << "{" << a.x << ", " << a.y << ", " << a.width << "x" << a.height << "}";
}

}  // namespace tolven
