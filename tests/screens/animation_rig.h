#pragma once

// Animation entries for tests: grey JPEG frames padded to one size, laid out as the animation
// archives hold them (header, frame arrays, frame data, sound), and read back by colour.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "audio/pcm.h"
#include "resources/animation_entry.h"
#include "resources/bitmap24.h"
#include "tools/jpeg_encoder.h"

namespace tolven::testing {

inline constexpr int16_t kKeyFrame = 0;
inline constexpr int16_t kPartialFrame = 1;
inline constexpr int16_t kCatchUpFrame = 2;

// Every frame's data is padded to this many bytes (the bytes after a JPEG's end are ignored),
// so one frame's bytes can stand in for another's, as catch-up frames need.
inline constexpr size_t kFrameBytes = 4096;

inline Bitmap24 Solid(int width, int height, uint8_t blue, uint8_t green, uint8_t red) {
  Bitmap24 picture(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = picture.Row(y) + 3 * x;
      p[0] = blue;
      p[1] = green;
      p[2] = red;
    }
  }
  return picture;
}

inline std::vector<uint8_t> Padded(std::vector<uint8_t> bytes) {
  EXPECT_LE(bytes.size(), kFrameBytes);
  bytes.resize(kFrameBytes, 0);
  return bytes;
}

// A grey frame picture as stored: a solid JPEG padded to kFrameBytes.
inline std::vector<uint8_t> GreyFrame(uint8_t grey, int width = 64, int height = 48) {
  return Padded(tools::EncodeJpeg(Solid(width, height, grey, grey, grey), 95));
}

// The grey a picture shows at a point, or -1 when it is no grey.
inline int GreyAt(const Bitmap24& picture, int x, int y) {
  const uint8_t* p = picture.Row(y) + 3 * x;
  if (std::abs(p[0] - p[1]) > 3 || std::abs(p[1] - p[2]) > 3) return -1;
  return p[1];
}

// Frame greys are multiples of 20, so a decoded grey rounds back to the one stored.
inline int FrameGrey(const Bitmap24& picture, int x, int y) {
  const int grey = GreyAt(picture, x, y);
  if (grey < 0) return -1;
  return static_cast<int>(std::lround(grey / 20.0)) * 20;
}

// A sine tone of that many seconds.
inline Pcm Tone(int rate, int channels, double seconds) {
  Pcm pcm{rate, channels, {}};
  const auto frames = static_cast<size_t>(rate * seconds);
  for (size_t i = 0; i < frames; ++i) {
    const auto value = static_cast<int16_t>(8000 * std::sin(static_cast<double>(i) * 0.05));
    for (int c = 0; c < channels; ++c) pcm.samples.push_back(value);
  }
  return pcm;
}

// An animation entry laid out as the archives hold one: header, arrays, frame data, sound.
struct EntryBuilder {
  explicit EntryBuilder(uint32_t period, uint32_t width = 0, uint32_t height = 0) {
    entry.period = period;
    entry.width = width;
    entry.height = height;
  }
  void Frame(int16_t kind, std::vector<uint8_t> data, int16_t x = 0, int16_t y = 0) {
    AnimationFrame frame;
    frame.kind = kind;
    frame.x = x;
    frame.y = y;
    entry.frames.push_back(frame);
    data_.push_back(std::move(data));
  }
  // The sound's bytes; its size in the header may claim more.
  void Sound(std::vector<uint8_t> bytes, std::optional<uint32_t> claimedSize = std::nullopt) {
    sound_ = std::move(bytes);
    claimedSoundSize_ = claimedSize;
  }
  std::vector<uint8_t> Bytes() {
    auto at = static_cast<uint32_t>(AnimationTableBytes(static_cast<uint32_t>(data_.size())));
    for (size_t i = 0; i < data_.size(); ++i) {
      entry.frames[i].offset = at;
      entry.frames[i].size = static_cast<uint32_t>(data_[i].size());
      at += static_cast<uint32_t>(data_[i].size());
    }
    entry.soundOffset = sound_.empty() ? 0 : at;
    entry.soundSize = claimedSoundSize_.value_or(static_cast<uint32_t>(sound_.size()));
    std::vector<uint8_t> bytes = WriteAnimationTable(entry);
    for (const std::vector<uint8_t>& data : data_) {
      bytes.insert(bytes.end(), data.begin(), data.end());
    }
    bytes.insert(bytes.end(), sound_.begin(), sound_.end());
    return bytes;
  }

  AnimationEntry entry;

 private:
  std::vector<std::vector<uint8_t>> data_;
  std::vector<uint8_t> sound_;
  std::optional<uint32_t> claimedSoundSize_;
};

// Key frames of greys 20, 40, ... of that size, the size also in the header.
inline std::vector<uint8_t> KeyFrames(int count, uint32_t period, int width = 64, int height = 48) {
  EntryBuilder builder(period, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
  for (int i = 0; i < count; ++i) {
    builder.Frame(kKeyFrame, GreyFrame(static_cast<uint8_t>(20 * (i + 1)), width, height));
  }
  return builder.Bytes();
}

}  // namespace tolven::testing
