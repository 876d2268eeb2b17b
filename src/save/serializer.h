#pragma once

#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace tolven {

// The two directions of a fixed binary layout. A record's layout is written once, as a
// function template over the direction, so that reading and writing cannot drift apart:
//
//   template <class Direction, class Record> void Transfer(Direction& d, Record& r) {
//     d.Int32(r.count); d.Bytes(r.flags); d.Text(r.name, 30); d.Zeros(12);
//   }
//
// Record is const when writing. Integers are 32-bit little-endian, texts NUL-terminated inside
// their fixed width, reserved stretches zero.

class LayoutWriter {
 public:
  static constexpr bool kReading = false;

  explicit LayoutWriter(size_t expectedSize) { bytes_.reserve(expectedSize); }

  void Bytes(std::span<const uint8_t> field) {
    bytes_.insert(bytes_.end(), field.begin(), field.end());
  }
  void Int32(int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
      bytes_.push_back(static_cast<uint8_t>(bits >> shift));
  }
  template <size_t N>
  void Int32s(const std::array<int32_t, N>& values) {
    for (const int32_t value : values) Int32(value);
  }
  // A text longer than the field is cut so that its terminator still fits.
  void Text(const std::string& text, size_t width) {
    const size_t length = std::min(text.size(), width == 0 ? 0 : width - 1);
    bytes_.insert(bytes_.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
    bytes_.insert(bytes_.end(), width - length, 0);
  }
  void Zeros(size_t width) { bytes_.insert(bytes_.end(), width, 0); }
  // Pins a block to the offset its table gives; a layout that drifts fails the first test.
  void At([[maybe_unused]] size_t offset) const { assert(bytes_.size() == offset); }

  size_t Position() const { return bytes_.size(); }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
};

// Reads as far as the bytes go and never past them. A field the bytes end inside keeps the
// value it had beyond the last byte there is, as a short read into memory would leave it, so a
// caller that starts from a cleared record gets zeros for whatever is missing.
class LayoutReader {
 public:
  static constexpr bool kReading = true;

  explicit LayoutReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  void Bytes(std::span<uint8_t> field) {
    const size_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    const size_t count = std::min(field.size(), available);
    if (count > 0) std::memcpy(field.data(), bytes_.data() + position_, count);
    position_ += field.size();
  }
  void Int32(int32_t& value) {
    std::array<uint8_t, 4> raw{};
    auto bits = static_cast<uint32_t>(value);
    for (uint8_t& byte : raw) {
      byte = static_cast<uint8_t>(bits);
      bits >>= 8;
    }
    Bytes(raw);
    bits = 0;
    for (int i = 3; i >= 0; --i) bits = bits << 8 | raw[static_cast<size_t>(i)];
    value = static_cast<int32_t>(bits);
  }
  template <size_t N>
  void Int32s(std::array<int32_t, N>& values) {
    for (int32_t& value : values) Int32(value);
  }
  // The text ends at the first NUL of the field, or with the field when it holds none.
  void Text(std::string& text, size_t width) {
    std::vector<uint8_t> raw(width, 0);
    std::copy_n(text.begin(), std::min(text.size(), width), raw.begin());
    Bytes(raw);
    const auto end = std::find(raw.begin(), raw.end(), uint8_t{0});
    text.assign(raw.begin(), end);
  }
  void Zeros(size_t width) { position_ += width; }
  void At([[maybe_unused]] size_t offset) const { assert(position_ == offset); }

  size_t Position() const { return position_; }

 private:
  std::span<const uint8_t> bytes_;
  size_t position_ = 0;
};

}  // namespace tolven
