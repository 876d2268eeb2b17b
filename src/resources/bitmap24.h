#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tolven {

// A 24-bit picture: three bytes per pixel in blue, green, red order, rows from the top,
// rows packed without padding. Every screen buffer and every loaded picture is one.
class Bitmap24 {
 public:
  Bitmap24() = default;
  Bitmap24(int width, int height) { Resize(width, height); }

  // Changes the size only when it differs; the pixels are zeroed when it changes.
  void Resize(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  size_t RowBytes() const { return static_cast<size_t>(width_) * 3; }
  size_t SizeBytes() const { return pixels_.size(); }

  uint8_t* Row(int y) { return pixels_.data() + RowBytes() * static_cast<size_t>(y); }
  const uint8_t* Row(int y) const { return pixels_.data() + RowBytes() * static_cast<size_t>(y); }
  uint8_t* Data() { return pixels_.data(); }
  const uint8_t* Data() const { return pixels_.data(); }

  bool operator==(const Bitmap24& other) const = default;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint8_t> pixels_;
};

}  // namespace tolven
