#include "graphics/blending.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "graphics/blending_reference.h"

namespace tolven {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes RandomBytes(size_t count, std::mt19937& random) {
  Bytes bytes(count);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

// Masks as glyphs and sprites have them: runs of empty, solid and soft pixels. Only the first
// byte of a pixel is its mask value for the masked blend; the other two are noise, so reading
// the wrong one shows.
Bytes MaskBytes(size_t count, std::mt19937& random) {
  Bytes mask = RandomBytes(count, random);
  size_t at = 0;
  while (at < count) {
    const unsigned kind = random() % 3;
    const size_t run = 1 + random() % 24;
    for (size_t k = 0; k < run && at < count; ++k, at += 3) {
      mask[at] = kind == 0 ? 0 : kind == 1 ? 255 : static_cast<uint8_t>(random());
    }
  }
  return mask;
}

Bitmap24 RandomPicture(int width, int height, std::mt19937& random) {
  Bitmap24 picture(width, height);
  const Bytes bytes = RandomBytes(picture.SizeBytes(), random);
  std::copy(bytes.begin(), bytes.end(), picture.Data());
  return picture;
}

Bitmap24 MaskPicture(int width, int height, std::mt19937& random) {
  Bitmap24 picture(width, height);
  const Bytes bytes = MaskBytes(picture.SizeBytes(), random);
  std::copy(bytes.begin(), bytes.end(), picture.Data());
  return picture;
}

Bitmap24 Uniform(int width, int height, uint8_t value) {
  Bitmap24 picture(width, height);
  std::fill(picture.Data(), picture.Data() + picture.SizeBytes(), value);
  return picture;
}

// Every run primitive as (first, second, mask, output, bytes); the ones without a mask ignore it.
using RunFunction =
    std::function<void(const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, size_t)>;

enum class Output { kSeparate, kOverFirst, kOverSecond };

struct RunPrimitive {
  std::string name;
  RunFunction fast;
  RunFunction reference;
  std::vector<Output> outputs;  // where the primitive's contract lets the output be
};

std::vector<RunPrimitive> RunPrimitives() {
  std::vector<RunPrimitive> primitives = {
      {"MaskedBlend", MaskedBlend, reference::MaskedBlend, {Output::kSeparate, Output::kOverFirst}},
      {"SaturatingAdd",
       [](const uint8_t* a, const uint8_t* b, const uint8_t*, uint8_t* out, size_t bytes) {
         SaturatingAdd(a, b, out, bytes);
       },
       [](const uint8_t* a, const uint8_t* b, const uint8_t*, uint8_t* out, size_t bytes) {
         reference::SaturatingAdd(a, b, out, bytes);
       },
       {Output::kSeparate, Output::kOverFirst, Output::kOverSecond}},
  };
  for (int weight : {0, 1, 77, 128, 255, 256}) {
    primitives.push_back(
        {"WeightedMix " + std::to_string(weight),
         [weight](const uint8_t* f, const uint8_t* s, const uint8_t*, uint8_t* out, size_t bytes) {
           WeightedMix(f, s, weight, out, bytes);
         },
         [weight](const uint8_t* f, const uint8_t* s, const uint8_t*, uint8_t* out, size_t bytes) {
           reference::WeightedMix(f, s, weight, out, bytes);
         },
         {Output::kSeparate, Output::kOverFirst, Output::kOverSecond}});
  }
  return primitives;
}

// Every length from 0 to 64 bytes and some longer ones, at several alignments, into a separate
// output and in place; the bytes around the run must stay as they were.
TEST(BlendingTest, RunPrimitivesGiveTheReferenceForEveryLengthAndPlace) {
  std::vector<size_t> lengths;
  for (size_t n = 0; n <= 64; ++n) lengths.push_back(n);
  for (size_t n : {95, 96, 97, 143, 144, 145, 2399, 2400, 2401}) lengths.push_back(n);
  std::mt19937 random(7);
  for (const RunPrimitive& primitive : RunPrimitives()) {
    for (size_t bytes : lengths) {
      for (size_t offset : {0, 1, 7}) {
        for (Output output : primitive.outputs) {
          const size_t size = offset + bytes + 19;
          const Bytes first = RandomBytes(size, random);
          const Bytes second = RandomBytes(size, random);
          Bytes mask = RandomBytes(offset, random);
          const Bytes pixels = MaskBytes(size - offset, random);
          mask.insert(mask.end(), pixels.begin(), pixels.end());
          const Bytes separate = RandomBytes(size, random);
          Bytes fast[3] = {first, second, separate};
          Bytes expected[3] = {first, second, separate};
          const int into = output == Output::kOverFirst ? 0 : output == Output::kOverSecond ? 1 : 2;
          primitive.fast(fast[0].data() + offset, fast[1].data() + offset, mask.data() + offset,
                         fast[into].data() + offset, bytes);
          primitive.reference(expected[0].data() + offset, expected[1].data() + offset,
                              mask.data() + offset, expected[into].data() + offset, bytes);
          ASSERT_EQ(fast[into], expected[into])
              << primitive.name << ", " << bytes << " bytes at offset " << offset << ", output "
              << into;
          ASSERT_EQ(fast[0], expected[0]) << primitive.name;
          ASSERT_EQ(fast[1], expected[1]) << primitive.name;
        }
      }
    }
  }
}

TEST(BlendingTest, EveryWeightAndFactorGivesItsFormula) {
  std::mt19937 random(11);
  const Bytes first = RandomBytes(101, random);
  const Bytes second = RandomBytes(101, random);
  const Bitmap24 picture = RandomPicture(13, 3, random);
  for (int weight = 0; weight <= 256; ++weight) {
    Bytes fast(first.size());
    Bytes expected(first.size());
    WeightedMix(first.data(), second.data(), weight, fast.data(), fast.size());
    reference::WeightedMix(first.data(), second.data(), weight, expected.data(), expected.size());
    ASSERT_EQ(fast, expected) << "weight " << weight;

    Bitmap24 darkened;
    Darken(picture, darkened, weight);
    Bitmap24 darkenedReference(13, 3);
    reference::Darken(picture.Data(), weight, darkenedReference.Data(), picture.SizeBytes());
    ASSERT_EQ(darkened, darkenedReference) << "factor " << weight;
  }
}

// Values out of 0-256 come from scripts; they are held at the nearer end.
TEST(BlendingTest, WeightsAndFactorsOutOfRangeAreHeldAtTheEnds) {
  const Bytes first(40, 200);
  const Bytes second(40, 10);
  const std::pair<int, int> cases[] = {{-1, 0}, {-70000, 0}, {257, 256}, {9999, 256}};
  for (const auto& [given, held] : cases) {
    Bytes mixed(40);
    Bytes expected(40);
    WeightedMix(first.data(), second.data(), given, mixed.data(), mixed.size());
    WeightedMix(first.data(), second.data(), held, expected.data(), expected.size());
    EXPECT_EQ(mixed, expected) << given;
    Bitmap24 darkened;
    Bitmap24 darkenedHeld;
    Darken(Uniform(20, 2, 200), darkened, given);
    Darken(Uniform(20, 2, 200), darkenedHeld, held);
    EXPECT_EQ(darkened, darkenedHeld) << given;
  }
}

// Known results, on runs long enough for both the block loops and the single bytes after them.
TEST(BlendingTest, KnownValues) {
  using Uniform3 =
      std::function<void(const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, size_t)>;
  const auto masked = [](const uint8_t* d, const uint8_t* c, const uint8_t* m, uint8_t* out,
                         size_t n) { MaskedBlend(d, c, m, out, n); };
  const auto maskMix = [](const uint8_t* o, const uint8_t* n, const uint8_t* m, uint8_t* out,
                          size_t bytes) {
    // One row of a picture is enough to see the formula.
    const int width = static_cast<int>(bytes / 3);
    Bitmap24 oldPicture(width, 1), newPicture(width, 1), mask(width, 1), output(width, 1);
    std::copy(o, o + bytes, oldPicture.Data());
    std::copy(n, n + bytes, newPicture.Data());
    std::copy(m, m + bytes, mask.Data());
    MaskMix(oldPicture, newPicture, mask, output);
    std::copy(output.Data(), output.Data() + bytes, out);
  };
  const auto weighted = [](int a) -> Uniform3 {
    return [a](const uint8_t* f, const uint8_t* s, const uint8_t*, uint8_t* out, size_t n) {
      WeightedMix(f, s, a, out, n);
    };
  };
  const auto darken = [](int v) -> Uniform3 {
    return [v](const uint8_t* x, const uint8_t*, const uint8_t*, uint8_t* out, size_t n) {
      Bitmap24 source(static_cast<int>(n / 3), 1);
      std::copy(x, x + n, source.Data());
      Bitmap24 darkened;
      Darken(source, darkened, v);
      std::copy(darkened.Data(), darkened.Data() + n, out);
    };
  };
  const auto add = [](const uint8_t* a, const uint8_t* b, const uint8_t*, uint8_t* out, size_t n) {
    SaturatingAdd(a, b, out, n);
  };
  const struct {
    const char* name;
    Uniform3 primitive;
    uint8_t first, second, mask;
    uint8_t expected;
  } cases[] = {
      {"masked blend, mask 255 copies the colour", masked, 0, 255, 255, 255},
      {"masked blend, mask 255 copies the colour", masked, 200, 17, 255, 17},
      {"masked blend, mask 0 keeps the destination", masked, 255, 0, 0, 255},
      {"masked blend, mask 0 keeps the destination", masked, 17, 200, 0, 17},
      {"masked blend, mask 254", masked, 255, 255, 254, 253},
      {"masked blend, each product shifted alone", masked, 255, 0, 128, 126},
      {"masked blend, mask 1", masked, 255, 255, 1, 253},
      {"mask mix has no shortcut at 255", maskMix, 0, 255, 255, 254},
      {"mask mix has no shortcut at 0", maskMix, 255, 0, 0, 254},
      {"mask mix, each product shifted alone", maskMix, 255, 0, 128, 126},
      {"weighted mix, half", weighted(128), 255, 0, 0, 127},
      {"weighted mix, 256 is the first", weighted(256), 201, 17, 0, 201},
      {"weighted mix, 0 is the second", weighted(0), 201, 17, 0, 17},
      {"weighted mix, 255", weighted(255), 255, 255, 0, 255},
      {"darken 256 keeps the picture", darken(256), 201, 0, 0, 201},
      {"darken 128 halves", darken(128), 255, 0, 0, 127},
      {"darken 0 is black", darken(0), 255, 0, 0, 0},
      {"saturating add caps", add, 200, 100, 0, 255},
      {"saturating add", add, 100, 55, 0, 155},
  };
  constexpr size_t kBytes = 150;  // 50 pixels: three 48-byte blocks and six single bytes
  for (const auto& c : cases) {
    const Bytes first(kBytes, c.first);
    const Bytes second(kBytes, c.second);
    const Bytes mask(kBytes, c.mask);
    Bytes out(kBytes, 99);
    c.primitive(first.data(), second.data(), mask.data(), out.data(), kBytes);
    EXPECT_EQ(out, Bytes(kBytes, c.expected))
        << c.name << ": " << int{c.first} << ", " << int{c.second} << ", mask " << int{c.mask};
  }
}

// Whole pictures are runs of 3 * width * height bytes: every width up to 22 on one row, and
// some larger pictures, reach the lengths that leave the vector loops odd tails.
TEST(BlendingTest, PicturePrimitivesGiveTheReferenceAlsoInPlace) {
  std::mt19937 random(3);
  std::vector<std::pair<int, int>> sizes = {{37, 11}, {5, 3}, {7, 2}, {801, 2}};
  for (int width = 1; width <= 22; ++width) sizes.emplace_back(width, 1);
  for (const auto& [width, height] : sizes) {
    const Bitmap24 oldPicture = RandomPicture(width, height, random);
    const Bitmap24 newPicture = RandomPicture(width, height, random);
    const Bitmap24 mask = MaskPicture(width, height, random);
    const size_t bytes = oldPicture.SizeBytes();

    Bitmap24 expected(width, height);
    reference::MaskMix(oldPicture.Data(), newPicture.Data(), mask.Data(), expected.Data(), bytes);
    Bitmap24 mixed(width, height);
    MaskMix(oldPicture, newPicture, mask, mixed);
    EXPECT_EQ(mixed, expected) << width << "x" << height;
    Bitmap24 inPlace = oldPicture;
    MaskMix(inPlace, newPicture, mask, inPlace);
    EXPECT_EQ(inPlace, expected) << width << "x" << height << " in place";

    reference::SaturatingAdd(oldPicture.Data(), mask.Data(), expected.Data(), bytes);
    Bitmap24 sum(width, height);
    SaturatingAdd(oldPicture, mask, sum);
    EXPECT_EQ(sum, expected) << width << "x" << height;
    Bitmap24 accumulated = mask;
    SaturatingAdd(oldPicture, accumulated, accumulated);
    EXPECT_EQ(accumulated, expected) << width << "x" << height << " in place";

    reference::Darken(newPicture.Data(), 100, expected.Data(), bytes);
    Bitmap24 darkened(3, 3);
    Darken(newPicture, darkened, 100);
    EXPECT_EQ(darkened, expected) << width << "x" << height;
    Bitmap24 darkenedInPlace = newPicture;
    Darken(darkenedInPlace, darkenedInPlace, 100);
    EXPECT_EQ(darkenedInPlace, expected) << width << "x" << height << " in place";
  }
}

TEST(BlendingTest, PicturesOfDifferentSizesAreLeftAlone) {
  std::mt19937 random(5);
  const Bitmap24 right = RandomPicture(8, 4, random);
  const Bitmap24 wider = RandomPicture(9, 4, random);
  const Bitmap24 taller = RandomPicture(8, 5, random);
  const Bitmap24 output = RandomPicture(8, 4, random);
  for (const Bitmap24* odd : {&wider, &taller}) {
    Bitmap24 out = output;
    MaskMix(*odd, right, right, out);
    MaskMix(right, *odd, right, out);
    MaskMix(right, right, *odd, out);
    SaturatingAdd(*odd, right, out);
    SaturatingAdd(right, *odd, out);
    TileMix(*odd, right, 0, 0, 100, out);
    TileMix(right, *odd, 0, 0, 100, out);
    MaskedDraw(out, *odd, right, 0, 0);
    MaskedDraw(out, right, *odd, 0, 0);
    EXPECT_EQ(out, output);
  }
  // The output alone has another size.
  Bitmap24 wide = wider;
  MaskMix(right, right, right, wide);
  SaturatingAdd(right, right, wide);
  TileMix(right, right, 0, 0, 100, wide);
  EXPECT_EQ(wide, wider);
}

TEST(BlendingTest, TileMixMixesOnlyTheTileInsideThePicture) {
  constexpr int kWidth = 200;
  constexpr int kHeight = 130;
  std::mt19937 random(9);
  const Bitmap24 previous = RandomPicture(kWidth, kHeight, random);
  const Bitmap24 stage = RandomPicture(kWidth, kHeight, random);
  const Bitmap24 work = RandomPicture(kWidth, kHeight, random);
  const struct {
    int x, y;
  } cases[] = {{0, 0},   {85, 33}, {120, 70}, {150, 100}, {-30, -20},
               {200, 0}, {0, 130}, {-80, 0},  {0, -60},   {-1000000, 2000000000}};
  for (const auto& c : cases) {
    for (int weight : {0, 100, 256}) {
      Bitmap24 mixed = work;
      TileMix(previous, stage, c.x, c.y, weight, mixed);
      Bitmap24 expected = work;
      for (int y = std::max(c.y, 0); y < std::min(c.y + 60, kHeight); ++y) {
        for (int x = std::max(c.x, 0); x < std::min(c.x + 80, kWidth); ++x) {
          reference::WeightedMix(previous.Row(y) + 3 * x, stage.Row(y) + 3 * x, weight,
                                 expected.Row(y) + 3 * x, 3);
        }
      }
      EXPECT_EQ(mixed, expected) << "tile at " << c.x << ", " << c.y << ", weight " << weight;
    }
  }
}

// Clipped at every edge, and outside altogether, for faces narrower than eight pixels, of whole
// groups of eight and of both.
TEST(BlendingTest, MaskedDrawClipsAndGivesTheReference) {
  constexpr int kWidth = 40;
  constexpr int kHeight = 20;
  std::mt19937 random(13);
  const Bitmap24 destination = RandomPicture(kWidth, kHeight, random);
  const struct {
    int top, left;
  } places[] = {{0, 0},
                {5, 10},
                {2, -3},
                {0, -13},
                {3, 35},
                {0, 33},
                {-2, 4},
                {17, 4},
                {-4, -5},
                {15, 30},
                {0, 40},
                {20, 0},
                {0, -21},
                {-9, 0},
                {-100, 0},
                {0, 1000},
                {2000000000, -2000000000}};
  const std::pair<int, int> sizes[] = {{7, 5}, {8, 4}, {21, 9}, {45, 25}};
  for (const auto& [width, height] : sizes) {
    const Bitmap24 face = RandomPicture(width, height, random);
    const Bitmap24 mask = MaskPicture(width, height, random);
    for (const auto& place : places) {
      Bitmap24 drawn = destination;
      MaskedDraw(drawn, face, mask, place.top, place.left);
      Bitmap24 expected = destination;
      reference::MaskedDraw(expected, face, mask, place.top, place.left);
      EXPECT_EQ(drawn, expected) << width << "x" << height << " face at top " << place.top
                                 << ", left " << place.left;
    }
  }
}

// A character narrower than eight pixels never blends: each byte is max(0, d - m) + c, capped,
// with the mask byte at the same place. Wider ones blend whole groups of eight pixels.
TEST(BlendingTest, MaskedDrawBlendsWholeGroupsOfEightAndSubtractsTheRest) {
  const struct {
    int width;
    int blendedPixels;
  } cases[] = {{7, 0}, {8, 8}, {9, 8}, {16, 16}, {23, 16}};
  for (const auto& c : cases) {
    Bitmap24 destination = Uniform(30, 2, 200);
    Bitmap24 mask(c.width, 2);
    for (int x = 0; x < c.width; ++x) {
      for (int y = 0; y < 2; ++y) {
        // The blend reads only the first byte; the subtraction reads each.
        mask.Row(y)[3 * x] = 100;
        mask.Row(y)[3 * x + 1] = 250;
        mask.Row(y)[3 * x + 2] = 0;
      }
    }
    MaskedDraw(destination, Uniform(c.width, 2, 80), mask, 0, 1);
    for (int x = 0; x < 30; ++x) {
      const bool drawn = x >= 1 && x < 1 + c.width;
      const bool blended = drawn && x < 1 + c.blendedPixels;
      // (200 * 155 >> 8) + (80 * 100 >> 8) = 121 + 31; 200 - 100 + 80; 0 + 80; 200 + 80 capped
      const Bytes expected = !drawn    ? Bytes{200, 200, 200}
                             : blended ? Bytes{152, 152, 152}
                                       : Bytes{180, 80, 255};
      for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(Bytes(destination.Row(y) + 3 * x, destination.Row(y) + 3 * x + 3), expected)
            << c.width << " wide, pixel " << x << ", row " << y;
      }
    }
  }
}

struct SpriteCase {
  int x, y;
  bool fits;
};

// Draws the sprite on a random destination and checks the verdict: a sprite that fits changes
// only its rectangle and writes nothing to the trace; one that does not changes nothing and
// writes "ILLEGAL BMP".
void CheckSprite(const std::function<void(Bitmap24&, int, int, Trace&)>& draw,
                 const std::function<void(Bitmap24&, int, int)>& expectedDraw, const SpriteCase& c,
                 const char* name) {
  std::mt19937 random(17);
  const Bitmap24 destination = RandomPicture(20, 10, random);
  Bitmap24 drawn = destination;
  std::ostringstream written;
  Trace trace;
  trace.Attach(&written);
  draw(drawn, c.x, c.y, trace);
  Bitmap24 expected = destination;
  if (c.fits) expectedDraw(expected, c.x, c.y);
  EXPECT_EQ(written.str(), c.fits ? "" : "ILLEGAL BMP\n") << name << " at " << c.x << ", " << c.y;
  EXPECT_EQ(drawn, expected) << name << " at " << c.x << ", " << c.y;
}

// On a 20x10 destination: a face of 5x4 pixels in a sprite of 10x4, side by side, and in one of
// 5x8, stacked. Each row of the face is drawn over whole 8-byte groups: 15 bytes give one group,
// so the last seven bytes of a row stay as they were.
TEST(BlendingTest, SpritesDrawWhereTheyFitAndAreRefusedElsewhere) {
  std::mt19937 random(19);
  const Bitmap24 face = RandomPicture(5, 4, random);
  const Bitmap24 mask = MaskPicture(5, 4, random);
  Bitmap24 sideBySide(10, 4);
  Bitmap24 stacked(5, 8);
  for (int y = 0; y < 4; ++y) {
    std::copy(face.Row(y), face.Row(y) + 15, sideBySide.Row(y));
    std::copy(mask.Row(y), mask.Row(y) + 15, sideBySide.Row(y) + 15);
    std::copy(face.Row(y), face.Row(y) + 15, stacked.Row(y));
    std::copy(mask.Row(y), mask.Row(y) + 15, stacked.Row(4 + y));
  }
  const auto expectedDraw = [&](Bitmap24& destination, int x, int y) {
    for (int r = 0; r < 4; ++r) {
      uint8_t* out = destination.Row(y + r) + 3 * x;
      reference::MaskedBlend(out, face.Row(r), mask.Row(r), out, 8);
    }
  };
  const SpriteCase cases[] = {{0, 0, true},   {15, 6, true},  {7, 3, true},
                              {16, 0, false}, {15, 7, false}, {0, 7, false},
                              {-1, 0, false}, {0, -1, false}, {100, 100, false}};
  for (const SpriteCase& c : cases) {
    CheckSprite([&](Bitmap24& destination, int x, int y,
                    Trace& trace) { DrawSideBySideSprite(destination, x, sideBySide, y, trace); },
                expectedDraw, c, "side by side");
    CheckSprite([&](Bitmap24& destination, int x, int y,
                    Trace& trace) { DrawStackedSprite(destination, x, stacked, y, trace); },
                expectedDraw, c, "stacked");
  }
}

// The face of a sprite with a solid mask is copied over exactly the group bytes of each row.
TEST(BlendingTest, SpritesDrawWholeEightByteGroupsOfEachRow) {
  const struct {
    int faceWidth;
    size_t drawnBytes;  // (3 * width) / 8 groups of 8 bytes
  } cases[] = {{1, 0}, {2, 0}, {3, 8}, {5, 8}, {6, 16}, {8, 24}, {11, 32}};
  for (const auto& c : cases) {
    Bitmap24 sideBySide = Uniform(2 * c.faceWidth, 3, 255);
    Bitmap24 stacked = Uniform(c.faceWidth, 6, 255);
    for (int y = 0; y < 3; ++y) {
      std::fill(sideBySide.Row(y), sideBySide.Row(y) + 3 * c.faceWidth, 7);
      std::fill(stacked.Row(y), stacked.Row(y) + 3 * c.faceWidth, 7);
    }
    Trace trace;
    Bitmap24 destination = Uniform(12, 4, 50);
    DrawSideBySideSprite(destination, 1, sideBySide, 1, trace);
    Bitmap24 other = Uniform(12, 4, 50);
    DrawStackedSprite(other, 1, stacked, 1, trace);
    for (int y = 0; y < 4; ++y) {
      for (size_t i = 0; i < 36; ++i) {
        const bool drawn = y >= 1 && i >= 3 && i < 3 + c.drawnBytes;
        EXPECT_EQ(destination.Row(y)[i], drawn ? 7 : 50)
            << c.faceWidth << " wide, side by side, row " << y << ", byte " << i;
        EXPECT_EQ(other.Row(y)[i], drawn ? 7 : 50)
            << c.faceWidth << " wide, stacked, row " << y << ", byte " << i;
      }
    }
  }
}

}  // namespace
}  // namespace tolven
