#include "tools/picture_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "resources/packed_picture.h"
#include "sample_pictures.h"

namespace tolven::tools {
namespace {

using tolven::testing::Flat;
using tolven::testing::PhotoLike;

constexpr size_t kPhotoBytes = 800 * 600 * 3;

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

Bitmap24 OneByOne() {
  Bitmap24 bitmap(1, 1);
  bitmap.Data()[0] = 1;
  bitmap.Data()[1] = 2;
  bitmap.Data()[2] = 3;
  return bitmap;
}

uint32_t ReadU32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// A test picture, made only when its test runs, and the most its entry may take with any
// options and with each optional stage allowed.
struct Picture {
  const char* name;
  Bitmap24 (*make)();
  size_t maxEntryBytes;
  size_t maxWithDelta = SIZE_MAX;
  size_t maxWithRunLength = SIZE_MAX;
};

const Picture kPictures[] = {
    // Grain defeats plain copies; differences to the pixel before are small and repeat.
    {"PhotoLike800x600", [] { return PhotoLike(800, 600); }, kPhotoBytes * 9 / 10,
     kPhotoBytes * 6 / 10},
    // Copies of 256 bytes alone would take 17 KB: this needs the 1024 and 4096 lengths. A run
    // covers 8192 pixels at once.
    {"Flat800x600", [] { return Flat(800, 600); }, 2000, SIZE_MAX, 64},
    {"Noise256x192", [] { return Noise(256, 192); }, IncompressibleBound(256 * 192 * 3)},
    {"OneByOne", OneByOne, kPackedHeaderSize + 4},  // a flag byte and three literals
    {"Noise7x3", [] { return Noise(7, 3); }, IncompressibleBound(7 * 3 * 3)},
    {"Flat7x3", [] { return Flat(7, 3); }, kPackedHeaderSize + 8},
};

class PictureEncoderRoundTrip : public ::testing::TestWithParam<Picture> {};

TEST_P(PictureEncoderRoundTrip, EveryOptionSetDecodesBackAndCompresses) {
  const Picture& picture = GetParam();
  const Bitmap24 bitmap = picture.make();
  std::vector<size_t> sizes;
  for (const OptionSet& set : kOptionSets) {
    SCOPED_TRACE(set.name);
    const std::vector<uint8_t> entry = EncodePackedPicture(bitmap, set.options);
    ASSERT_GE(entry.size(), kPackedHeaderSize);
    EXPECT_EQ(ReadU32(&entry[4]), entry.size() - kPackedHeaderSize);
    if (!set.options.runLength) {
      EXPECT_EQ(entry[2] & kPackedRunLength, 0);
    }
    if (!set.options.delta) {
      EXPECT_EQ(entry[2] & kPackedDelta, 0);
    }
    Bitmap24 decoded;
    ASSERT_TRUE(DecodePackedPicture(entry.data(), entry.size(), decoded));
    EXPECT_EQ(decoded, bitmap);
    size_t bound = picture.maxEntryBytes;
    if (set.options.delta) bound = std::min(bound, picture.maxWithDelta);
    if (set.options.runLength) bound = std::min(bound, picture.maxWithRunLength);
    EXPECT_LE(entry.size(), bound);
    sizes.push_back(entry.size());
  }
  EXPECT_EQ(sizes[0], *std::min_element(sizes.begin(), sizes.end()));
}

INSTANTIATE_TEST_SUITE_P(Pictures, PictureEncoderRoundTrip, ::testing::ValuesIn(kPictures),
                         [](const ::testing::TestParamInfo<Picture>& info) {
                           return std::string(info.param.name);
                         });

TEST(PictureEncoderTest, RejectsPicturesOutsideTheFormat) {
  EXPECT_THROW(EncodePackedPicture(Bitmap24()), std::invalid_argument);
  EXPECT_THROW(EncodePackedPicture(Bitmap24(kMaxPackedDimension + 1, 1)), std::invalid_argument);
}

}  // namespace
}  // namespace tolven::tools
