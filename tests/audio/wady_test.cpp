// The WADY decoders on hand-worked bytes, and whole entries, damaged ones included.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "audio/wady.h"

namespace tolven {
namespace {

// A channel block: four unread bytes, the code count, the initial sample, the codes.
std::vector<uint8_t> Block(int16_t initial, std::vector<uint8_t> codes, int32_t count) {
  std::vector<uint8_t> block = {0xEE, 0xEE, 0xEE, 0xEE};
  for (int i = 0; i < 4; ++i) block.push_back(static_cast<uint8_t>(count >> (8 * i)));
  block.push_back(static_cast<uint8_t>(initial));
  block.push_back(static_cast<uint8_t>(static_cast<uint16_t>(initial) >> 8));
  block.insert(block.end(), codes.begin(), codes.end());
  return block;
}

std::vector<int16_t> DecodeBlock(const std::vector<uint8_t>& block, size_t room = 1024) {
  std::vector<int16_t> out(room, 0x5555);
  out.resize(DecodeWadyBlock(block, out, 1));
  return out;
}

std::vector<int16_t> Ramp(int step, int count) {
  std::vector<int16_t> samples;
  for (int k = 1; k <= count; ++k) samples.push_back(static_cast<int16_t>(step * k));
  return samples;
}

TEST(WadyBytes, EachByteMovesTheStateAsItsTableSays) {
  struct Case {
    uint8_t scale;
    int16_t state;
    uint8_t code;
    int16_t expected;
  };
  const Case cases[] = {
      {1, 123, 0x80, 0},
      {1, 123, 0xBF, 32256},
      {1, 123, 0xC0, -32768},
      {1, 123, 0xFF, -512},
      {1, 123, 0x40, 123},
      {1, 123, 0x00, 123},
      {4, 1000, 0x3F, 5000},
      {1, 32000, 0x3F, -32536},
      {1, 100, 0x41, 98},
      {3, 0, 0x7F, -3000},
      {255, -30000, 0x7F, -30000 - 255 * 1000 + 65536 * 4},
      {2, -32768, 0x41, 32764},
  };
  for (const Case& c : cases) {
    WadyStates states{c.state, 0};
    int16_t out = 0x5555;
    const uint8_t coded[] = {c.code};
    ASSERT_EQ(DecodeWadyBytes(coded, std::span(&out, 1), c.scale, states, 1, 1), 1u);
    EXPECT_EQ(out, c.expected) << "scale " << int(c.scale) << " state " << c.state << " byte 0x"
                               << std::hex << int(c.code);
    EXPECT_EQ(states.left, c.expected);
  }
}

TEST(WadyBytes, StereoAlternatesChannelsAndCarriesStatesAcrossCalls) {
  const std::vector<uint8_t> coded = {0x81, 0x82, 0x01, 0x02, 0x41, 0x42};
  std::vector<int16_t> out(6);
  WadyStates states;
  EXPECT_EQ(DecodeWadyBytes(coded, out, 1, states, 2, 3), 3u);
  EXPECT_EQ(out, (std::vector<int16_t>{512, 1024, 514, 1028, 512, 1024}));

  // The same bytes one frame a call give the same samples.
  std::vector<int16_t> pieces;
  WadyStates carried;
  for (size_t frame = 0; frame < 3; ++frame) {
    int16_t two[2];
    DecodeWadyBytes(std::span(coded).subspan(frame * 2, 2), two, 1, carried, 2, 1);
    pieces.insert(pieces.end(), two, two + 2);
  }
  EXPECT_EQ(pieces, out);
  EXPECT_EQ(carried.left, 512);
  EXPECT_EQ(carried.right, 1024);
}

TEST(WadyBytes, NeverPassesEitherBuffer) {
  const std::vector<uint8_t> coded = {0x81, 0x82, 0x83};
  std::vector<int16_t> out(8, 7);
  WadyStates states;
  EXPECT_EQ(DecodeWadyBytes(coded, out, 1, states, 2, 100), 1u);  // half a frame is not read
  EXPECT_EQ(out[2], 7);
  EXPECT_EQ(DecodeWadyBytes(coded, std::span(out).first(2), 1, states, 1, 100), 2u);
  EXPECT_EQ(out[2], 7);
  EXPECT_EQ(DecodeWadyBytes(coded, out, 1, states, 3, 1), 0u);
}

TEST(WadyBlock, CodesDecodeAsWorkedByHand) {
  struct Case {
    const char* what;
    int16_t initial;
    std::vector<uint8_t> codes;
    std::vector<int16_t> expected;  // after the initial sample
  };
  const Case cases[] = {
      {"0x01 repeats", 500, {0x01}, {500}},
      {"0x7F takes 8000", 500, {0x7F}, {-7500}},
      {"0x81 is 0", 500, {0x81}, {0}},
      {"0xC1 is -32768", 500, {0xC1}, {-32768}},
      {"0xFF is -1024", 500, {0xFF}, {-1024}},
      {"0x03 adds 4, wrapping", 32766, {0x03}, {-32766}},
      {"0x0A 0x12 runs to 4608 in 16", 0, {0x0A, 0x12}, Ramp(288, 16)},
      {"run to 16 in 3", 0, {0x10, 0x00}, {5, 10, 16}},
      {"run to -16 truncates toward 0", 0, {0xF0, 0xFF}, {-5, -10, -16}},
      {"single precision lands on -4096",
       0,
       {0x06, 0xF0},
       {-682, -1365, -2048, -2730, -3413, -4096}},
      {"the next code starts from the target, not the last sample",
       0,
       {0x26, 0xF0, 0x01},
       {-677, -1354, -2032, -2709, -3386, -4063, -4064}},
      {"a run of 256", 0, {0x0E, 0x10}, Ramp(16, 256)},
  };
  for (const Case& c : cases) {
    std::vector<int16_t> expected = {c.initial};
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    int32_t count = 0;
    for (size_t i = 0; i < c.codes.size(); i += (c.codes[i] & 1) ? 1 : 2) ++count;
    EXPECT_EQ(DecodeBlock(Block(c.initial, c.codes, count)), expected) << c.what;
  }
}

TEST(WadyBlock, TheThreeHundredthCodeFromTheEndStartsFromZero) {
  for (int32_t count : {299, 300, 301, 450}) {
    const std::vector<uint8_t> codes(static_cast<size_t>(count), 0x03);  // each adds 4
    const std::vector<int16_t> out = DecodeBlock(Block(1000, codes, count));
    ASSERT_EQ(out.size(), static_cast<size_t>(count) + 1);
    const int reset = count - 300;  // index of the code that starts from 0
    for (int i = 0; i < count; ++i) {
      const int expected = reset >= 0 && i >= reset ? 4 * (i - reset + 1) : 1000 + 4 * (i + 1);
      ASSERT_EQ(out[i + 1], expected) << count << " codes, code " << i;
    }
  }
}

TEST(WadyBlock, StopsAtEitherEndOfTheBuffers) {
  // No codes: the initial sample alone.
  EXPECT_EQ(DecodeBlock(Block(-9, {}, 0)), std::vector<int16_t>{-9});
  EXPECT_EQ(DecodeBlock(Block(-9, {0x03}, -5)), std::vector<int16_t>{-9});
  // More codes promised than the block holds; a two-byte code cut in half is not decoded.
  EXPECT_EQ(DecodeBlock(Block(0, {0x03, 0x03}, 1000000)), (std::vector<int16_t>{0, 4, 8}));
  EXPECT_EQ(DecodeBlock(Block(0, {0x03, 0x0A}, 2)), (std::vector<int16_t>{0, 4}));
  // A head shorter than ten bytes yields nothing.
  std::vector<uint8_t> head = Block(3, {}, 0);
  head.pop_back();
  EXPECT_TRUE(DecodeBlock(head).empty());
  // Output room ends inside a run: the run is cut there.
  EXPECT_EQ(DecodeBlock(Block(0, {0x0A, 0x12, 0x03}, 2), 4),
            (std::vector<int16_t>{0, 288, 576, 864}));
  // With a stride of two the last sample written sits at the last even index that fits.
  std::vector<int16_t> out(7, 1);
  EXPECT_EQ(DecodeWadyBlock(Block(0, {0x03, 0x03, 0x03, 0x03, 0x03}, 5), out, 2), 4u);
  EXPECT_EQ(out, (std::vector<int16_t>{0, 1, 4, 1, 8, 1, 12}));
}

std::vector<uint8_t> Entry(uint16_t channels, uint32_t decodedSize, uint32_t frames,
                           std::vector<uint8_t> coded, uint8_t scale = 1) {
  WadyHeader header;
  header.scale = scale;
  header.channels = channels;
  header.rate = 22050;
  header.codedSize = static_cast<uint32_t>(coded.size());
  header.frames = frames;
  header.decodedSize = decodedSize;
  header.format = {1, channels, 22050, 22050u * channels * 2, static_cast<uint16_t>(channels * 2),
                   16};
  const auto head = WadyHeaderBytes(header);
  std::vector<uint8_t> entry(head.size() + coded.size());
  std::copy(coded.begin(), coded.end(), std::copy(head.begin(), head.end(), entry.begin()));
  return entry;
}

TEST(WadySound, HeaderFieldsRoundTrip) {
  WadyHeader header;
  header.unused = 9;
  header.scale = 3;
  header.channels = 2;
  header.rate = 44100;
  header.codedSize = 0x01020304;
  header.frames = 77;
  header.decodedSize = 308;
  header.loopStart = 1234;
  header.loopLeft = -2;
  header.loopRight = 32767;
  header.format = {1, 2, 44100, 176400, 4, 16};
  const auto bytes = WadyHeaderBytes(header);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "WADY");
  EXPECT_EQ(bytes[28], 0xFE);
  EXPECT_EQ(bytes[29], 0xFF);
  EXPECT_EQ(bytes[34], 2);
  const auto read = ReadWadyHeader(bytes);
  ASSERT_TRUE(read);
  EXPECT_EQ(WadyHeaderBytes(*read), bytes);
  EXPECT_FALSE(ReadWadyHeader(std::span(bytes).first(47)));
}

TEST(WadySound, StereoBlocksFillAlternateSamples) {
  const std::vector<uint8_t> left = Block(100, {0x03, 0x03}, 2);
  const std::vector<uint8_t> right = Block(-100, {0x43, 0x43}, 2);  // each takes 4
  std::vector<uint8_t> coded = {static_cast<uint8_t>(left.size()), 0, 0, 0};
  coded.insert(coded.end(), left.begin(), left.end());
  coded.insert(coded.end(), {0, 0, 0, 0});
  coded.insert(coded.end(), right.begin(), right.end());
  size_t produced = 0;
  const auto pcm = DecodeWadySound(Entry(2, 12, 3, coded), WadyCoding::Block, &produced);
  ASSERT_TRUE(pcm);
  EXPECT_EQ(pcm->channels, 2);
  EXPECT_EQ(pcm->rate, 22050);
  EXPECT_EQ(pcm->samples, (std::vector<int16_t>{100, -100, 104, -104, 108, -108}));
  EXPECT_EQ(produced, 6u);
}

TEST(WadySound, DamageIsCutOffOrRefused) {
  const std::vector<uint8_t> mono = Block(5, {0x03, 0x03}, 2);
  // The decoded size rounds down to even bytes; samples beyond it are not written.
  auto pcm = DecodeWadySound(Entry(1, 5, 3, mono), WadyCoding::Block);
  ASSERT_TRUE(pcm);
  EXPECT_EQ(pcm->samples, (std::vector<int16_t>{5, 9}));
  // Samples the codes do not reach stay silent and are counted.
  size_t produced = 0;
  pcm = DecodeWadySound(Entry(1, 10, 5, mono), WadyCoding::Block, &produced);
  ASSERT_TRUE(pcm);
  EXPECT_EQ(pcm->samples, (std::vector<int16_t>{5, 9, 13, 0, 0}));
  EXPECT_EQ(produced, 3u);
  // Stereo whose right block lies beyond the entry: the left channel alone.
  std::vector<uint8_t> coded = {0xFF, 0, 0, 0};
  coded.insert(coded.end(), mono.begin(), mono.end());
  pcm = DecodeWadySound(Entry(2, 8, 2, coded), WadyCoding::Block);
  ASSERT_TRUE(pcm);
  EXPECT_EQ(pcm->samples, (std::vector<int16_t>{5, 0, 9, 0}));
  // A decoded size no code stream of this length could fill, and formats that cannot play.
  EXPECT_FALSE(DecodeWadySound(Entry(1, 0xFFFFFFFE, 3, mono), WadyCoding::Block));
  std::vector<uint8_t> entry = Entry(1, 6, 3, mono);
  entry[34] = 3;  // format channels
  EXPECT_FALSE(DecodeWadySound(entry, WadyCoding::Block));
  entry = Entry(1, 6, 3, mono);
  entry[46] = 8;  // bits per sample
  EXPECT_FALSE(DecodeWadySound(entry, WadyCoding::Block));
  entry = Entry(1, 6, 3, mono);
  entry[0] = 'w';
  EXPECT_FALSE(DecodeWadySound(entry, WadyCoding::Block));
}

TEST(WadySound, ByteCodedSoundsUseHeaderScaleAndFrames) {
  const auto pcm = DecodeWadySound(Entry(2, 12, 2, {0x81, 0x82, 0x3F, 0x41}, 4), WadyCoding::Byte);
  ASSERT_TRUE(pcm);
  // Two frames of four bytes, then silence up to the decoded size.
  EXPECT_EQ(pcm->samples, (std::vector<int16_t>{512, 1024, 4512, 1016, 0, 0}));
}

}  // namespace
}  // namespace tolven
