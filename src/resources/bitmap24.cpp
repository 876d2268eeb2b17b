#include "resources/bitmap24.h"

namespace tolven {

void Bitmap24::Resize(int width, int height) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  pixels_.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, 0);
}

}  // namespace tolven
