#include "tools/picture_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "resources/packed_picture.h"

namespace tolven::tools {
namespace {

constexpr size_t kPhotoBytes = 800 * 600 * 3;

// Smooth gradients and shading under a fine grain, as a photograph has.
Bitmap24 PhotoLike(int width, int height) {
  Bitmap24 bitmap(width, height);
  uint32_t state = 12345;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = bitmap.Row(y);
    for (int x = 0; x < width; ++x) {
      const double shade = 60.0 * std::sin(x * 0.013) * std::cos(y * 0.017);
      const int base[3] = {x * 200 / width, y * 200 / height, (x + y) * 120 / (width + height)};
      for (int c = 0; c < 3; ++c) {
        state = state * 1664525u + 1013904223u;
        const int grain = static_cast<int>(state >> 30) - 2;
        const int value = base[c] + 30 + static_cast<int>(shade) + grain;
        row[x * 3 + c] = static_cast<uint8_t>(std::clamp(value, 0, 255));
      }
    }
  }
  return bitmap;
}

Bitmap24 Flat(int width, int height) {
  Bitmap24 bitmap(width, height);
  for (size_t i = 0; i < bitmap.SizeBytes(); i += 3) {
    bitmap.Data()[i] = 0x20;
    bitmap.Data()[i + 1] = 0x90;
    bitmap.Data()[i + 2] = 0xE0;
  }
  return bitmap;
}

Bitmap24 Noise(int width, int height) {
  Bitmap24 bitmap(width, height);
  uint32_t state = 99;
  for (size_t i = 0; i < bitmap.SizeBytes(); ++i) {
    state = state * 1664525u + 1013904223u;
    bitmap.Data()[i] = static_cast<uint8_t>(state >> 24);
  }
  return bitmap;
}

// What an entry may take at most when nothing repeats: literal runs of 40 bytes cost 41 and an
// eighth, plus the header.
size_t IncompressibleBound(size_t bytes) {
  return kPackedHeaderSize + bytes + bytes / 32 + 8;
}

struct OptionSet {
  const char* name;
  PackOptions options;
};

// The first allows everything the others do.
const OptionSet kOptionSets[] = {
    {"both stages", {true, true}},
    {"no run-length", {false, true}},
    {"no delta", {true, false}},
    {"LZ only", {false, false}},
};

struct Picture {
  std::string name;
  Bitmap24 bitmap;
  size_t maxEntryBytes;  // for every option set
};

TEST(PictureEncoderTest, RoundTripsAndCompressesEveryPictureWithEveryOptionSet) {
  Bitmap24 oneByOne(1, 1);
  oneByOne.Data()[0] = 1;
  oneByOne.Data()[1] = 2;
  oneByOne.Data()[2] = 3;
  const std::vector<Picture> pictures = {
      {"photo-like 800x600", PhotoLike(800, 600), kPhotoBytes * 9 / 10},
      // Copies of 256 bytes alone would take 17 KB: this needs the 1024 and 4096 lengths.
      {"flat 800x600", Flat(800, 600), 2000},
      {"noise 256x192", Noise(256, 192), IncompressibleBound(256 * 192 * 3)},
      {"1x1", oneByOne, kPackedHeaderSize + 4},  // a flag byte and three literals
      {"7x3 noise", Noise(7, 3), IncompressibleBound(7 * 3 * 3)},
      {"7x3 flat", Flat(7, 3), kPackedHeaderSize + 8},
  };
  for (const Picture& picture : pictures) {
    std::vector<size_t> sizes;
    for (const OptionSet& set : kOptionSets) {
      SCOPED_TRACE(picture.name + ", " + set.name);
      const std::vector<uint8_t> entry = EncodePackedPicture(picture.bitmap, set.options);
      ASSERT_GE(entry.size(), kPackedHeaderSize);
      if (!set.options.runLength) {
        EXPECT_EQ(entry[2] & kPackedRunLength, 0);
      }
      if (!set.options.delta) {
        EXPECT_EQ(entry[2] & kPackedDelta, 0);
      }
      Bitmap24 decoded;
      ASSERT_TRUE(DecodePackedPicture(entry.data(), entry.size(), decoded));
      EXPECT_EQ(decoded, picture.bitmap);
      EXPECT_LE(entry.size(), picture.maxEntryBytes);
      sizes.push_back(entry.size());
    }
    SCOPED_TRACE(picture.name);
    EXPECT_EQ(sizes[0], *std::min_element(sizes.begin(), sizes.end()));
    if (picture.name.starts_with("photo")) {
      // Grain defeats plain copies; differences to the pixel before are small and repeat.
      EXPECT_LT(sizes[1], kPhotoBytes * 6 / 10);
    }
  }
}

TEST(PictureEncoderTest, RejectsPicturesOutsideTheFormat) {
  EXPECT_THROW(EncodePackedPicture(Bitmap24()), std::invalid_argument);
  EXPECT_THROW(EncodePackedPicture(Bitmap24(kMaxPackedDimension + 1, 1)), std::invalid_argument);
}

}  // namespace
}  // namespace tolven::tools
