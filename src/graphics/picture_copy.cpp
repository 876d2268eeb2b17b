#include "graphics/picture_copy.h"

#include <algorithm>
#include <cstring>

namespace tolven {
namespace {

// A rectangle cut to both pictures, both corners moved alike; empty when nothing is left.
struct Clipped {
  int64_t sx, sy, dx, dy, w, h;
  bool Empty() const { return w < 1 || h < 1; }
};

Clipped Clip(const Bitmap24& source, int fromX, int fromY, int width, int height,
             const Bitmap24& destination, int toX, int toY) {
  Clipped r{fromX, fromY, toX, toY, width, height};
  const int64_t leftCut = std::max<int64_t>({0, -r.sx, -r.dx});
  const int64_t topCut = std::max<int64_t>({0, -r.sy, -r.dy});
  r.sx += leftCut, r.dx += leftCut, r.w -= leftCut;
  r.sy += topCut, r.dy += topCut, r.h -= topCut;
  r.w = std::min({r.w, source.Width() - r.sx, destination.Width() - r.dx});
  r.h = std::min({r.h, source.Height() - r.sy, destination.Height() - r.dy});
  return r;
}

}  // namespace

void CopyRect(const Bitmap24& source, int fromX, int fromY, int width, int height,
              Bitmap24& destination, int toX, int toY) {
  const Clipped r = Clip(source, fromX, fromY, width, height, destination, toX, toY);
  if (r.Empty()) return;
  for (int64_t row = 0; row < r.h; ++row) {
    std::memmove(destination.Row(static_cast<int>(r.dy + row)) + 3 * r.dx,
                 source.Row(static_cast<int>(r.sy + row)) + 3 * r.sx, static_cast<size_t>(3 * r.w));
  }
}

void CopyRectKeyed(const Bitmap24& source, int fromX, int fromY, int width, int height,
                   Bitmap24& destination, int toX, int toY, const uint8_t key[3]) {
  const Clipped r = Clip(source, fromX, fromY, width, height, destination, toX, toY);
  if (r.Empty()) return;
  for (int64_t row = 0; row < r.h; ++row) {
    const uint8_t* from = source.Row(static_cast<int>(r.sy + row)) + 3 * r.sx;
    uint8_t* to = destination.Row(static_cast<int>(r.dy + row)) + 3 * r.dx;
    for (int64_t x = 0; x < r.w; ++x, from += 3, to += 3) {
      if (std::memcmp(from, key, 3) != 0) std::memcpy(to, from, 3);
    }
  }
}

void CopyPicture(const Bitmap24& source, Bitmap24& destination) {
  if (&source == &destination) return;
  destination.Resize(source.Width(), source.Height());
  std::memcpy(destination.Data(), source.Data(), source.SizeBytes());
}

void CopyTopLeftArea(const Bitmap24& source, Bitmap24& destination) {
  if (&source == &destination) return;
  if (source.Width() == destination.Width() && source.Height() == destination.Height()) {
    std::memcpy(destination.Data(), source.Data(), source.SizeBytes());
    return;
  }
  std::memset(destination.Data(), 0, destination.SizeBytes());
  CopyRect(source, 0, 0, destination.Width(), destination.Height(), destination, 0, 0);
}

void FillPicture(Bitmap24& picture, const std::array<uint8_t, 3>& colour) {
  uint8_t* bytes = picture.Data();
  for (size_t i = 0; i + 2 < picture.SizeBytes(); i += 3) std::memcpy(bytes + i, colour.data(), 3);
}

uint8_t ColourDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<uint8_t>(16 * (c - '0'));
  if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(16 * (c - 'a' + 10));
  if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(16 * (c - 'A' + 10));
  if (c == 'g' || c == 'G') return 255;
  return 0;
}

}  // namespace tolven
