#include "resources/packed_picture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace tolven {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// first, first + 1, ... (count bytes)
Bytes Seq(size_t count, uint8_t first) {
  Bytes out(count);
  for (size_t i = 0; i < count; ++i) out[i] = static_cast<uint8_t>(first + i);
  return out;
}

// The pattern repeated until `count` bytes are made.
Bytes Cycle(const Bytes& pattern, size_t count) {
  Bytes out(count);
  for (size_t i = 0; i < count; ++i) out[i] = pattern[i % pattern.size()];
  return out;
}

void PutU32(Bytes& bytes, size_t pos, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[pos + i] = static_cast<uint8_t>(value >> (8 * i));
}

void PutU16(Bytes& bytes, size_t pos, uint32_t value) {
  bytes[pos] = static_cast<uint8_t>(value);
  bytes[pos + 1] = static_cast<uint8_t>(value >> 8);
}

Bytes Entry(uint8_t flags, int width, int height, const Bytes& compressed, uint32_t lzSize = 0) {
  Bytes entry(kPackedHeaderSize, 0);
  entry[2] = flags;
  entry[3] = 3;
  PutU32(entry, 4, static_cast<uint32_t>(compressed.size()));
  PutU32(entry, 8, lzSize);
  PutU16(entry, 12, static_cast<uint32_t>(width));
  PutU16(entry, 14, static_cast<uint32_t>(height));
  entry.insert(entry.end(), compressed.begin(), compressed.end());
  return entry;
}

// LZ data sending every byte as a single literal.
Bytes LiteralsOnly(const Bytes& bytes) {
  Bytes out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i % 8 == 0) out.push_back(0x00);
    out.push_back(bytes[i]);
  }
  return out;
}

// An entry whose run-length data reaches the LZ stage as plain literals.
Bytes RunLengthEntry(uint8_t flags, int width, int height, const Bytes& runData) {
  return Entry(flags | kPackedRunLength, width, height, LiteralsOnly(runData),
               static_cast<uint32_t>(runData.size()));
}

// LZ data of one zero byte and `copies` back-references of 4096 bytes from distance 1.
Bytes ZeroFill(int copies) {
  Bytes out;
  for (int item = 0; item <= copies; ++item) {
    if (item % 8 == 0) out.push_back(item == 0 ? 0x7F : 0xFF);
    if (item == 0) {
      out.push_back(0x00);
    } else {
      out.insert(out.end(), {0xC0, 0x00, 0xFF});
    }
  }
  return out;
}

Bytes Pixels(const Bitmap24& bitmap) {
  return Bytes(bitmap.Data(), bitmap.Data() + bitmap.SizeBytes());
}

// A bitmap with content of its own, to show what a decode changed.
Bitmap24 Prefilled() {
  Bitmap24 bitmap(2, 2);
  for (size_t i = 0; i < bitmap.SizeBytes(); ++i) bitmap.Data()[i] = static_cast<uint8_t>(0x5A + i);
  return bitmap;
}

struct GoodCase {
  std::string name;
  Bytes entry;
  int width;
  int height;
  Bytes pixels;
};

// The same entry with bytes after its last item, counted in the compressed size. They must be
// ignored; they also give the decoder's unchecked path, which needs input to spare, its turn.
Bytes WithUnreadBytes(Bytes entry) {
  entry.insert(entry.end(), 80, 0xEE);
  PutU32(entry, 4, static_cast<uint32_t>(entry.size() - kPackedHeaderSize));
  return entry;
}

void ExpectDecodes(const std::vector<GoodCase>& cases) {
  for (const GoodCase& c : cases) {
    for (const Bytes& entry : {c.entry, WithUnreadBytes(c.entry)}) {
      SCOPED_TRACE(c.name + (entry.size() == c.entry.size() ? "" : ", with unread bytes"));
      Bitmap24 bitmap = Prefilled();
      ASSERT_TRUE(DecodePackedPicture(entry.data(), entry.size(), bitmap));
      EXPECT_EQ(bitmap.Width(), c.width);
      EXPECT_EQ(bitmap.Height(), c.height);
      EXPECT_EQ(Pixels(bitmap), c.pixels);
    }
  }
}

TEST(PackedPictureTest, DecodesEachLzForm) {
  const Bytes abc = {1, 2, 3};
  auto longCopy = [&](uint8_t e, size_t length) {
    // Three literals and a copy from distance 3, topped up by two literals to whole pixels.
    const Bytes tail = length % 3 == 0 ? Bytes{} : Bytes{7, 8};
    const Bytes pixels = Cat({Cycle(abc, 3 + length), tail});
    const int width = static_cast<int>(pixels.size() / 3);
    return GoodCase{"long form e=" + std::to_string(e),
                    Entry(0, width, 1, Cat({{0x10, 1, 2, 3, 0xC0, 0x02, e}, tail})), width, 1,
                    pixels};
  };

  ExpectDecodes({
      {"single literals over two flag bytes",
       Entry(0, 2, 2, Cat({{0x00}, Seq(8, 1), {0x00}, Seq(4, 9)})), 2, 2, Seq(12, 1)},
      {"reference in the second flag group",
       Entry(0, 4, 1, Cat({{0x00}, Seq(8, 1), {0x80, 0x00, 20, 21}})), 4, 1,
       Cat({Seq(8, 1), {8, 8, 20, 21}})},
      {"literal run of 9", Entry(0, 3, 1, Cat({{0x80, 0x03}, Seq(9, 1)})), 3, 1, Seq(9, 1)},
      {"literal run of 40, then singles", Entry(0, 14, 1, Cat({{0x80, 0x7F}, Seq(42, 1)})), 14, 1,
       Seq(42, 1)},
      {"short form, 2 bytes from distance 1", Entry(0, 1, 1, {0x40, 5, 0x00}), 1, 1, {5, 5, 5}},
      {"short form, 3 bytes from distance 3",
       Entry(0, 2, 1, {0x10, 1, 2, 3, 0x09}),
       2,
       1,
       {1, 2, 3, 1, 2, 3}},
      {"short form, 4 bytes from distance 32",
       Entry(0, 12, 1, Cat({{0xC0, 0x5F}, Seq(32, 1), {0x7E}})), 12, 1,
       Cat({Seq(32, 1), {1, 2, 3, 4}})},
      {"distance 1 length 10 repeats the last byte", Entry(0, 4, 1, {0x40, 9, 0x80, 0x07, 7}), 4, 1,
       Cat({Bytes(11, 9), {7}})},
      {"middle form, 18 bytes from distance 19",
       Entry(0, 13, 1, Cat({{0xC0, 0x2B}, Seq(19, 1), {0x81, 0x2F, 100, 101}})), 13, 1,
       Cat({Seq(19, 1), Seq(18, 1), {100, 101}})},
      longCopy(0xFC, 255),
      longCopy(0xFD, 256),
      longCopy(0xFE, 1024),
      longCopy(0xFF, 4096),
      {"long form, distance 259",
       Entry(0, 88, 1, {0x18, 1, 2, 3, 0xC0, 0x02, 0xFD, 0xC1, 0x02, 0x00, 7, 8}), 88, 1,
       Cat({Cycle(abc, 259), abc, {7, 8}})},
  });
}

TEST(PackedPictureTest, DecodesRunLengthStage) {
  ExpectDecodes({
      {"unit 1", RunLengthEntry(0, 2, 1, {0x80, 0x05, 0xAA}), 2, 1, Bytes(6, 0xAA)},
      {"unit 2", RunLengthEntry(0, 2, 1, {0xA0, 0x02, 1, 2}), 2, 1, {1, 2, 1, 2, 1, 2}},
      {"unit 3", RunLengthEntry(0, 2, 1, {0xC0, 0x01, 1, 2, 3}), 2, 1, {1, 2, 3, 1, 2, 3}},
      {"unit 4", RunLengthEntry(0, 4, 1, {0xE0, 0x02, 1, 2, 3, 4}), 4, 1, Cycle({1, 2, 3, 4}, 12)},
      {"literal copy, then run",
       RunLengthEntry(0, 2, 1, {0x02, 1, 2, 3, 0x80, 0x02, 9}),
       2,
       1,
       {1, 2, 3, 9, 9, 9}},
      {"count uses the low bits of the control byte",
       RunLengthEntry(0, 86, 1, {0x81, 0x00, 5, 0x00, 6}), 86, 1, Cat({Bytes(257, 5), {6}})},
      {"unit 1, largest count cut to the picture",
       RunLengthEntry(0, 1, 1, {0x9F, 0xFF, 7}),
       1,
       1,
       {7, 7, 7}},
      {"unit 2, count cut to the picture",
       RunLengthEntry(0, 2, 1, {0xA0, 0x09, 1, 2}),
       2,
       1,
       {1, 2, 1, 2, 1, 2}},
      {"unit 3, count cut to the picture",
       RunLengthEntry(0, 1, 1, {0xC0, 0x05, 1, 2, 3}),
       1,
       1,
       {1, 2, 3}},
      {"unit 4, count cut to whole units, rest by literals",
       RunLengthEntry(0, 2, 1, {0xE0, 0x04, 1, 2, 3, 4, 0x01, 8, 9}),
       2,
       1,
       {1, 2, 3, 4, 8, 9}},
  });
}

TEST(PackedPictureTest, DecodesDeltaStage) {
  ExpectDecodes({
      {"each channel sums on its own, wrapping",
       Entry(kPackedDelta, 3, 1, LiteralsOnly({1, 2, 3, 1, 1, 1, 0xFF, 0x10, 0})),
       3,
       1,
       {1, 2, 3, 2, 3, 4, 1, 0x13, 4}},
      {"run-length stage comes first",
       RunLengthEntry(kPackedDelta, 3, 1, {0xC0, 0x02, 1, 0, 0}),
       3,
       1,
       {1, 0, 0, 2, 0, 0, 3, 0, 0}},
  });
}

TEST(PackedPictureTest, CutsItemsPassingThePicture) {
  const Bytes fill8193 = {0x1F, 1,    2,    3,    0xC0, 0x02, 0xFF, 0xC0, 0x02, 0xFF, 0xC0, 0x02,
                          0xFF, 0xC0, 0x02, 0xFF, 0xC0, 0x02, 0xFF, 0x80, 0xC0, 0x02, 0xFF};
  ExpectDecodes({
      {"back-reference", Entry(0, 1, 1, {0x40, 7, 0x02}), 1, 1, {7, 7, 7}},
      {"literal run", Entry(0, 2, 1, Cat({{0x80, 0x03}, Seq(9, 1)})), 2, 1, Seq(6, 1)},
      {"copy of 4096", Entry(0, 1, 1, {0x40, 7, 0xC0, 0x00, 0xFF}), 1, 1, {7, 7, 7}},
      {"run-length literal copy", RunLengthEntry(0, 1, 1, {0x04, 1, 2, 3, 4, 5}), 1, 1, {1, 2, 3}},
      {"widest picture", Entry(0, kMaxPackedDimension, 1, fill8193), kMaxPackedDimension, 1,
       Cycle({1, 2, 3}, kMaxPackedDimension * 3)},
      {"tallest picture", Entry(0, 1, kMaxPackedDimension, fill8193), 1, kMaxPackedDimension,
       Cycle({1, 2, 3}, kMaxPackedDimension * 3)},
      {"run-length data at its largest size",
       Entry(kPackedRunLength, 2, 1, ZeroFill(17), 2 * 6 + 65536), 2, 1, Bytes(6, 0)},
  });
}

TEST(PackedPictureTest, RejectsMalformedEntries) {
  const Bytes good = Entry(0, 2, 1, {0x00, 1, 2, 3, 4, 5, 6});
  auto patched = [](Bytes entry, size_t pos, uint8_t value) {
    entry[pos] = value;
    return entry;
  };
  auto widthHeight = [&](int width, int height) {
    Bytes entry = good;
    PutU16(entry, 12, static_cast<uint32_t>(width));
    PutU16(entry, 14, static_cast<uint32_t>(height));
    return entry;
  };
  // Holds 8193 * 3 bytes, so only the size limit can refuse it.
  const Bytes fill8193 = {0x1F, 1,    2,    3,    0xC0, 0x02, 0xFF, 0xC0, 0x02, 0xFF, 0xC0, 0x02,
                          0xFF, 0xC0, 0x02, 0xFF, 0xC0, 0x02, 0xFF, 0x80, 0xC0, 0x02, 0xFF};

  const std::vector<std::pair<std::string, Bytes>> cases = {
      {"empty", {}},
      {"shorter than the header", Bytes(good.begin(), good.begin() + 15)},
      {"shorter than its compressed size", Bytes(good.begin(), good.end() - 1)},
      {"2 bytes per pixel", patched(good, 3, 2)},
      {"4 bytes per pixel", patched(good, 3, 4)},
      {"width 0", widthHeight(0, 1)},
      {"height 0", widthHeight(2, 0)},
      {"width beyond the limit", Entry(0, kMaxPackedDimension + 1, 1, fill8193)},
      {"height beyond the limit", Entry(0, 1, kMaxPackedDimension + 1, fill8193)},
      {"no compressed data", Entry(0, 1, 1, {})},
      {"literals end early", Entry(0, 2, 1, {0x00, 1, 2, 3, 4, 5})},
      {"flag byte missing after eight items", Entry(0, 3, 1, Cat({{0x00}, Seq(8, 1)}))},
      {"code byte missing", Entry(0, 2, 1, {0x08, 1, 2, 3, 4})},
      {"middle form missing its second byte", Entry(0, 2, 1, {0x10, 1, 2, 3, 0x80})},
      {"long form missing its length byte", Entry(0, 2, 1, {0x10, 1, 2, 3, 0xC0, 0x02})},
      {"literal run longer than the data, though cut",
       Entry(0, 2, 1, Cat({{0x80, 0x03}, Seq(8, 1)}))},
      {"reference with no output yet", Entry(0, 1, 1, {0x80, 0x00})},
      {"reference before the start, much data following",
       Entry(0, 40, 1, Cat({{0x40, 7, 0x04}, Bytes(100, 0)}))},
      {"short reference one byte before the start", Entry(0, 1, 1, {0x20, 1, 2, 0x08})},
      {"middle reference before the start", Entry(0, 2, 1, {0x10, 1, 2, 3, 0x80, 0x30})},
      {"long reference before the start", Entry(0, 2, 1, {0x10, 1, 2, 3, 0xC1, 0x02, 0x00})},
      {"run missing its count byte", RunLengthEntry(0, 1, 1, {0x80})},
      {"run missing pattern bytes", RunLengthEntry(0, 1, 1, {0xE0, 0x00, 1, 2})},
      {"run-length literal copy longer than the data", RunLengthEntry(0, 1, 1, {0x05, 1, 2, 3})},
      {"run-length data ends early", RunLengthEntry(0, 1, 1, {0x01, 1, 2})},
      {"run cut to nothing leaves the picture unfilled",
       RunLengthEntry(0, 1, 1, {0xE0, 0x00, 1, 2, 3, 4})},
      {"run-length size 0", Entry(kPackedRunLength, 1, 1, LiteralsOnly({0x02, 1, 2, 3}), 0)},
      {"run-length size past its bound",
       Entry(kPackedRunLength, 2, 1, ZeroFill(17), 2 * 6 + 65536 + 1)},
      {"run-length size beyond what the LZ data makes",
       Entry(kPackedRunLength, 1, 1, LiteralsOnly({0x02, 1, 2, 3}), 5)},
  };
  for (const auto& [name, entry] : cases) {
    SCOPED_TRACE(name);
    Bitmap24 bitmap = Prefilled();
    const Bitmap24 before = bitmap;
    EXPECT_FALSE(DecodePackedPicture(entry.data(), entry.size(), bitmap));
    EXPECT_EQ(bitmap, before);
  }
}

}  // namespace
}  // namespace tolven
