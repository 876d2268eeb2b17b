#include "resources/packed_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
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
  Bytes entry(kPackedHeaderSize + compressed.size(), 0);
  entry[2] = flags;
  entry[3] = 3;
  PutU32(entry, 4, static_cast<uint32_t>(compressed.size()));
  PutU32(entry, 8, lzSize);
  PutU16(entry, 12, static_cast<uint32_t>(width));
  PutU16(entry, 14, static_cast<uint32_t>(height));
  std::copy(compressed.begin(), compressed.end(), entry.begin() + kPackedHeaderSize);
  return entry;
}

// Frames hand-written LZ items under their flag bytes: eight items to a flag byte, the first
// in its top bit.
class LzItems {
 public:
  LzItems& Literals(const Bytes& bytes) {
    for (uint8_t byte : bytes) Add(false, {byte});
    return *this;
  }
  // A code byte and the bytes belonging to it.
  LzItems& Coded(const Bytes& item) {
    Add(true, item);
    return *this;
  }
  const Bytes& Data() const { return data_; }

 private:
  void Add(bool coded, const Bytes& item) {
    if (items_ % 8 == 0) {
      flagPos_ = data_.size();
      data_.push_back(0);
    }
    if (coded) data_[flagPos_] |= static_cast<uint8_t>(0x80 >> (items_ % 8));
    ++items_;
    data_.insert(data_.end(), item.begin(), item.end());
  }

  Bytes data_;
  size_t items_ = 0;
  size_t flagPos_ = 0;
};

// LZ data sending every byte as a single literal.
Bytes LiteralsOnly(const Bytes& bytes) {
  return LzItems().Literals(bytes).Data();
}

// An entry whose run-length data reaches the LZ stage as plain literals.
Bytes RunLengthEntry(uint8_t flags, int width, int height, const Bytes& runData) {
  return Entry(flags | kPackedRunLength, width, height, LiteralsOnly(runData),
               static_cast<uint32_t>(runData.size()));
}

// LZ data of the given literals followed by `copies` copies of 4096 bytes from `distance`.
Bytes Fill(const Bytes& literals, uint8_t distance, int copies) {
  LzItems items;
  items.Literals(literals);
  for (int i = 0; i < copies; ++i) items.Coded({0xC0, static_cast<uint8_t>(distance - 1), 0xFF});
  return items.Data();
}

// As Fill from distance 1, then one more coded item in the same stream.
Bytes FillThenCopy(const Bytes& literals, int copies, const Bytes& lastItem) {
  LzItems items;
  items.Literals(literals);
  for (int i = 0; i < copies; ++i) items.Coded({0xC0, 0x00, 0xFF});
  items.Coded(lastItem);
  return items.Data();
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

struct LzCase {
  std::string name;
  LzItems items;
  Bytes pixels;  // one row
};

// Decodes each case as it is, with unread bytes after it, and followed by literal runs of at
// least 64 bytes: the decoder checks bounds item by item only near the ends of its input and
// output, so the runs move the items under test onto its unchecked path.
void ExpectLzDecodes(const std::vector<LzCase>& cases) {
  std::vector<GoodCase> variants;
  for (const LzCase& c : cases) {
    const int width = static_cast<int>(c.pixels.size() / 3);
    const Bytes entry = Entry(0, width, 1, c.items.Data());
    variants.push_back({c.name, entry, width, 1, c.pixels});

    const size_t runBytes = 64 + (3 - (c.pixels.size() + 64) % 3) % 3;
    const Bytes runs = Seq(runBytes, 0x80);
    LzItems followed = c.items;
    followed.Coded(
        Cat({{static_cast<uint8_t>((32 - 9) << 2 | 3)}, Bytes(runs.begin(), runs.begin() + 32)}));
    followed.Coded(Cat({{static_cast<uint8_t>((runBytes - 32 - 9) << 2 | 3)},
                        Bytes(runs.begin() + 32, runs.end())}));
    const Bytes pixels = Cat({c.pixels, runs});
    const int followedWidth = static_cast<int>(pixels.size() / 3);
    variants.push_back({c.name + ", followed by literal runs",
                        Entry(0, followedWidth, 1, followed.Data()), followedWidth, 1, pixels});
  }
  ExpectDecodes(variants);
}

TEST(PackedPictureTest, DecodesEachLzForm) {
  const Bytes abc = {1, 2, 3};
  auto longCopy = [&](uint8_t e, size_t length) {
    // Three literals and a copy from distance 3, then literals up to whole pixels: a copy of
    // any other length would move them or push them out.
    const size_t tailBytes = 3 - (3 + length) % 3;
    return LzCase{"long form e=" + std::to_string(e),
                  LzItems().Literals(abc).Coded({0xC0, 0x02, e}).Literals(Seq(tailBytes, 7)),
                  Cat({Cycle(abc, 3 + length), Seq(tailBytes, 7)})};
  };

  ExpectLzDecodes({
      {"single literals over two flag bytes", LzItems().Literals(Seq(12, 1)), Seq(12, 1)},
      {"reference in the second flag group",
       LzItems().Literals(Seq(8, 1)).Coded({0x00}).Literals({20, 21}),
       Cat({Seq(8, 1), {8, 8, 20, 21}})},
      {"literal run of 9", LzItems().Coded(Cat({{0x03}, Seq(9, 1)})), Seq(9, 1)},
      {"literal run of 40, then singles",
       LzItems().Coded(Cat({{0x7F}, Seq(40, 1)})).Literals({41, 42}), Seq(42, 1)},
      {"short form, 2 bytes from distance 1", LzItems().Literals({5}).Coded({0x00}), {5, 5, 5}},
      {"short form, 3 bytes from distance 3",
       LzItems().Literals(abc).Coded({0x09}),
       {1, 2, 3, 1, 2, 3}},
      {"short form, 4 bytes from distance 32",
       LzItems().Coded(Cat({{0x5F}, Seq(32, 1)})).Coded({0x7E}), Cat({Seq(32, 1), {1, 2, 3, 4}})},
      {"distance 1 length 10 repeats the last byte",
       LzItems().Literals({9}).Coded({0x80, 0x07}).Literals({7}), Cat({Bytes(11, 9), {7}})},
      {"middle form, 18 bytes from distance 19",
       LzItems().Coded(Cat({{0x2B}, Seq(19, 1)})).Coded({0x81, 0x2F}).Literals({100, 101}),
       Cat({Seq(19, 1), Seq(18, 1), {100, 101}})},
      longCopy(0xFC, 255),
      longCopy(0xFD, 256),
      longCopy(0xFE, 1024),
      longCopy(0xFF, 4096),
      {"middle form, longest distance",
       LzItems().Literals(abc).Coded({0xC0, 0x02, 0xFE}).Coded({0xBF, 0xF0}).Literals({7, 8}),
       Cat({Cycle(abc, 1027), abc, {7, 8}})},
      {"long form, longest distance",
       LzItems()
           .Coded(Cat({{0x7F}, Seq(40, 100)}))
           .Coded({0xC0, 0x00, 0xFF})
           .Coded({0xC0, 0x00, 0xFF})
           .Coded({0xC0, 0x00, 0xFF})
           .Coded({0xC0, 0x00, 0xFE})
           .Coded({0xC0, 0x00, 0xFE})
           .Coded({0xC0, 0x00, 0xFE})
           .Coded({0xC0, 0x00, 0xFD})
           .Coded({0xC0, 0x00, 0xFD})
           .Coded({0xC0, 0x00, 0xFD})
           .Coded({0xC0, 0x00, 0xF5})
           .Coded({0xFF, 0xFF, 0x00})
           .Literals({7, 8, 9}),
       Cat({Seq(40, 100), Bytes(16376, 139), {132, 133, 134}, {7, 8, 9}})},
      {"long form, distance 259",
       LzItems().Literals(abc).Coded({0xC0, 0x02, 0xFD}).Coded({0xC1, 0x02, 0x00}).Literals({7, 8}),
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
  const Bytes fill8193 = Fill({1, 2, 3}, 3, 6);  // 8193 pixels
  ExpectDecodes({
      {"back-reference",
       Entry(0, 1, 1, LzItems().Literals({7}).Coded({0x02}).Data()),
       1,
       1,
       {7, 7, 7}},
      {"literal run", Entry(0, 2, 1, LzItems().Coded(Cat({{0x03}, Seq(9, 1)})).Data()), 2, 1,
       Seq(6, 1)},
      {"copy ending in the spare room",
       Entry(0, 1, 1, LzItems().Literals({7}).Coded({0xC0, 0x00, 0xFC}).Data()),
       1,
       1,
       {7, 7, 7}},
      {"run-length literal copy", RunLengthEntry(0, 1, 1, {0x04, 1, 2, 3, 4, 5}), 1, 1, {1, 2, 3}},
      {"widest picture", Entry(0, kMaxPackedDimension, 1, fill8193), kMaxPackedDimension, 1,
       Cycle({1, 2, 3}, kMaxPackedDimension * 3)},
      {"tallest picture", Entry(0, 1, kMaxPackedDimension, fill8193), 1, kMaxPackedDimension,
       Cycle({1, 2, 3}, kMaxPackedDimension * 3)},
      // Zeros, read by the run-length stage as one-byte literal copies of a zero.
      {"run-length data at its largest size",
       Entry(kPackedRunLength, 2, 1, FillThenCopy({0}, 16, {0xC0, 0x00, 0x08}), 2 * 6 + 65536), 2,
       1, Bytes(6, 0)},
  });
}

TEST(PackedPictureTest, RejectsMalformedEntries) {
  const Bytes good = Entry(0, 2, 1, LiteralsOnly(Seq(6, 1)));
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
  const Bytes fill8193 = Fill({1, 2, 3}, 3, 6);  // enough for the size limit alone to refuse
  auto lz = [](int width, const LzItems& items) { return Entry(0, width, 1, items.Data()); };
  const Bytes abc = {1, 2, 3};

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
      {"literals end early", lz(2, LzItems().Literals(Seq(5, 1)))},
      {"flag byte missing after eight items", Entry(0, 3, 1, LiteralsOnly(Seq(8, 1)))},
      {"code byte missing", lz(2, LzItems().Literals(Seq(4, 1)).Coded({}))},
      {"middle form missing its second byte", lz(2, LzItems().Literals(abc).Coded({0x80}))},
      {"long form missing its length byte", lz(2, LzItems().Literals(abc).Coded({0xC0, 0x02}))},
      {"literal run longer than the data, though cut",
       lz(2, LzItems().Coded(Cat({{0x03}, Seq(8, 1)})))},
      {"reference with no output yet", lz(1, LzItems().Coded({0x00}))},
      {"copy reaching past the spare room", Entry(0, 1, 1, Fill({7}, 1, 1))},
      {"reference before the start, much data following",
       Entry(0, 40, 1, Cat({LzItems().Literals({7}).Coded({0x04}).Data(), Bytes(100, 0)}))},
      {"short reference one byte before the start",
       lz(1, LzItems().Literals({1, 2}).Coded({0x08}))},
      {"middle reference before the start", lz(2, LzItems().Literals(abc).Coded({0x80, 0x30}))},
      {"long reference before the start", lz(2, LzItems().Literals(abc).Coded({0xC1, 0x02, 0x00}))},
      {"run missing its count byte", RunLengthEntry(0, 1, 1, {0x80})},
      {"run missing pattern bytes", RunLengthEntry(0, 1, 1, {0xE0, 0x00, 1, 2})},
      {"run-length literal copy longer than the data", RunLengthEntry(0, 1, 1, {0x05, 1, 2, 3})},
      {"run-length data ends early", RunLengthEntry(0, 1, 1, {0x01, 1, 2})},
      {"run cut to nothing leaves the picture unfilled",
       RunLengthEntry(0, 1, 1, {0xE0, 0x00, 1, 2, 3, 4})},
      {"run-length size 0", Entry(kPackedRunLength, 1, 1, LiteralsOnly({0x02, 1, 2, 3}), 0)},
      {"run-length size past its bound",
       Entry(kPackedRunLength, 2, 1, Fill({0}, 1, 16), 2 * 6 + 65536 + 1)},
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
