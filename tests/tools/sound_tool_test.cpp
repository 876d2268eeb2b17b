// The WADY encoders by round trip, and the sound commands of tolven-tool as authors run them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <numbers>

#include "audio/wady.h"
#include "audio/wav_file.h"
#include "resources/archive_index.h"
#include "test_support.h"
#include "tools/archive_writer.h"
#include "tools/file_io.h"
#include "tools/wady_encoder.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::RunTool;
using testing::WriteFileBytes;
using testing::WriteFileText;

// A sine sweeping up in pitch, so the encoder meets slow and fast stretches in one sound.
Pcm Sweep(int rate, int channels, size_t frames, int amplitude) {
  Pcm pcm{rate, channels, {}};
  double phase = 0;
  for (size_t i = 0; i < frames; ++i) {
    phase += 2 * std::numbers::pi * (100.0 + 2000.0 * i / frames) / rate;
    for (int c = 0; c < channels; ++c) {
      pcm.samples.push_back(static_cast<int16_t>(std::lround(amplitude * std::sin(phase + c))));
    }
  }
  return pcm;
}

// The largest difference between source and decoded samples within a stretch of frames.
int LargestError(const Pcm& a, const Pcm& b, size_t from, size_t to) {
  int largest = 0;
  for (size_t i = from * a.channels; i < to * a.channels; ++i) {
    largest = std::max(largest, std::abs(a.samples[i] - b.samples[i]));
  }
  return largest;
}

TEST(WadyEncoder, RoundTripsStayCloseFromStartToEnd) {
  // Each sample is coded against what the decoder holds, so it is never further off than the
  // nearest absolute code would be: half of 1024 for blocks, half of 512 for bytes.
  struct Case {
    WadyCoding coding;
    int rate;
    int channels;
    size_t frames;
    int largestError;
  };
  const Case cases[] = {
      {WadyCoding::Block, 22050, 1, 44100, 512}, {WadyCoding::Block, 44100, 2, 30000, 512},
      {WadyCoding::Block, 11025, 1, 250, 512},   {WadyCoding::Byte, 44100, 2, 88200, 256},
      {WadyCoding::Byte, 22050, 1, 22050, 256},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.coding == WadyCoding::Block ? "block " : "byte ") +
                 std::to_string(c.rate) + " x" + std::to_string(c.channels));
    const Pcm source = Sweep(c.rate, c.channels, c.frames, 20000);
    const std::vector<uint8_t> entry = tools::EncodeWady(source, {.coding = c.coding});
    const auto header = ReadWadyHeader(entry);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->codedSize, entry.size() - kWadyHeaderSize);
    EXPECT_EQ(header->frames, c.frames);
    size_t produced = 0;
    const auto decoded = DecodeWadySound(entry, c.coding, &produced);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->samples.size(), source.samples.size());
    EXPECT_EQ(produced, source.samples.size());
    EXPECT_LE(LargestError(source, *decoded, 0, c.frames), c.largestError);
    // The last 300 codes of a block start again from 0; the sound must not show it.
    EXPECT_LE(LargestError(source, *decoded, c.frames - std::min<size_t>(c.frames, 400), c.frames),
              c.largestError);
    if (c.coding == WadyCoding::Block && c.frames > 1000) {
      EXPECT_LT(entry.size(), source.samples.size());  // less than half the PCM bytes
    }
  }
}

TEST(WadyEncoder, ByteCodingStoresTheStatesThatHoldAtTheLoopStart) {
  const Pcm source = Sweep(22050, 2, 30000, 15000);
  for (size_t loopFrame : {size_t{0}, size_t{1}, size_t{12345}, size_t{29999}}) {
    const std::vector<uint8_t> entry =
        tools::EncodeWady(source, {.coding = WadyCoding::Byte, .loopFrame = loopFrame});
    const auto header = ReadWadyHeader(entry);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->loopStart, loopFrame * 2);
    WadyStates states;
    std::vector<int16_t> scratch(loopFrame * 2);
    DecodeWadyBytes(std::span(entry).subspan(kWadyHeaderSize), scratch, header->scale, states, 2,
                    loopFrame);
    EXPECT_EQ(header->loopLeft, states.left) << loopFrame;
    EXPECT_EQ(header->loopRight, states.right) << loopFrame;
  }
  EXPECT_THROW(tools::EncodeWady(source, {.coding = WadyCoding::Byte, .loopFrame = 30000}),
               tools::ToolError);
  EXPECT_THROW(tools::EncodeWady(Pcm{22050, 3, std::vector<int16_t>(9)}, {}), tools::ToolError);
}

class SoundToolTest : public ::testing::Test {
 protected:
  fs::path Wav(const std::string& name, const Pcm& pcm) {
    fs::create_directories((dir_ / name).parent_path());
    WriteFileBytes(dir_ / name, WavBytes(pcm));
    return dir_ / name;
  }
  testing::TempDir dir_;
};

TEST_F(SoundToolTest, EncodeThenDecodeGivesTheSoundBackInBothCodings) {
  const Pcm source = Sweep(22050, 2, 22050, 12000);
  const fs::path wav = Wav("in.wav", source);
  for (const char* coding : {"block", "byte"}) {
    SCOPED_TRACE(coding);
    const fs::path wady = dir_ / (std::string(coding) + ".wdy");
    const fs::path out = dir_ / (std::string(coding) + ".wav");
    auto result = RunTool({"sound", "encode", wav.string(), wady.string(), "--coding", coding});
    ASSERT_EQ(result.exitStatus, 0) << result.output;
    // Without --coding the decoder tells the codings apart by their sizes.
    result = RunTool({"sound", "decode", wady.string(), out.string()});
    ASSERT_EQ(result.exitStatus, 0) << result.output;
    const auto decoded = ParseWav(ReadFileBytes(out), nullptr);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->rate, 22050);
    EXPECT_EQ(decoded->channels, 2);
    ASSERT_EQ(decoded->samples.size(), source.samples.size());
    EXPECT_LE(LargestError(source, *decoded, 0, 22050), 700);
  }
  const fs::path looped = dir_ / "looped.wdy";
  ASSERT_EQ(RunTool({"sound", "encode", wav.string(), looped.string(), "--coding", "byte",
                     "--loop-start", "0.5"})
                .exitStatus,
            0);
  EXPECT_EQ(ReadWadyHeader(ReadFileBytes(looped))->loopStart, 11025u * 2);
}

TEST_F(SoundToolTest, BadInputNamesTheFileAndWritesNothing) {
  const fs::path wav = Wav("in.wav", Sweep(8000, 1, 800, 1000));
  WriteFileText(dir_ / "text.wav", "not a wave file");
  const fs::path wady = dir_ / "good.wdy";
  ASSERT_EQ(
      RunTool({"sound", "encode", wav.string(), wady.string(), "--coding", "block"}).exitStatus, 0);
  const fs::path out = dir_ / "out";
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string says;
  };
  const std::vector<Case> cases = {
      {{"sound", "encode", (dir_ / "text.wav").string(), out.string(), "--coding", "byte"},
       1,
       "text.wav: not a RIFF wave file"},
      {{"sound", "encode", wav.string(), out.string(), "--coding", "byte", "--loop-start", "0.1"},
       1,
       "in.wav: the loop start"},
      {{"sound", "decode", wav.string(), out.string()}, 1, "in.wav: not a WADY sound"},
      {{"sound", "decode", (dir_ / "none.wdy").string(), out.string()},
       1,
       "none.wdy: no such file"},
      {{"sound", "encode", wav.string(), out.string()}, 2, "--coding"},
      {{"sound", "encode", wav.string(), out.string(), "--coding", "block", "--loop-start", "0"},
       2,
       "--loop-start needs --coding byte"},
      {{"sound", "encode", wav.string(), out.string(), "--coding", "wavy"}, 2, "wavy"},
  };
  for (const Case& c : cases) {
    const auto result = RunTool(c.arguments);
    EXPECT_EQ(result.exitStatus, c.status) << result.output;
    EXPECT_NE(result.output.find(c.says), std::string::npos) << result.output;
    EXPECT_FALSE(fs::exists(out)) << c.says;
  }
}

// The entries of a built archive, by name.
std::map<std::string, std::vector<uint8_t>> Entries(const fs::path& archive) {
  const std::vector<uint8_t> bytes = ReadFileBytes(archive);
  const ArchiveIndex index = ParseArchiveIndex(bytes.data(), bytes.size(), ArchiveLayout::B);
  std::map<std::string, std::vector<uint8_t>> entries;
  for (size_t i = 0; i < index.Size(); ++i) {
    const auto begin = bytes.begin() + index.offsets[i];
    entries[index.names[i]] = {begin, begin + index.sizes[i]};
  }
  return entries;
}

TEST_F(SoundToolTest, BuildGamePacksEachKindOfSoundIntoItsArchive) {
  Wav("src/voices/v001.wav", Sweep(22050, 1, 2000, 8000));
  Wav("src/effects/SEH1HIT.wav", Sweep(22050, 2, 1000, 8000));
  Wav("src/effects/loop/rain.wav", Sweep(11025, 1, 3000, 8000));
  Wav("src/music/M01.wav", Sweep(22050, 2, 44100, 8000));
  WriteFileText(dir_ / "src/music/M01.loop", "0.5\n");
  const auto result = RunTool({"build-game", (dir_ / "src").string(), (dir_ / "game").string()});
  ASSERT_EQ(result.exitStatus, 0) << result.output;

  struct Case {
    const char* archive;
    const char* entry;
    WadyCoding coding;
    size_t frames;
  };
  const Case cases[] = {{"qe_wav1.tvk", "V001", WadyCoding::Block, 2000},
                        {"qe_se0.tvk", "SEH1HIT", WadyCoding::Block, 1000},
                        {"qe_se2.tvk", "RAIN", WadyCoding::Block, 3000},
                        {"qe_bgm.tvk", "M01", WadyCoding::Byte, 44100}};
  for (const Case& c : cases) {
    const auto entries = Entries(dir_ / "game" / c.archive);
    ASSERT_EQ(entries.size(), 1u) << c.archive;
    ASSERT_TRUE(entries.contains(c.entry)) << c.archive;
    size_t produced = 0;
    const auto pcm = DecodeWadySound(entries.at(c.entry), c.coding, &produced);
    ASSERT_TRUE(pcm) << c.entry;
    EXPECT_EQ(pcm->Frames(), c.frames) << c.entry;
    EXPECT_EQ(produced, pcm->samples.size()) << c.entry;
  }
  const auto music = ReadWadyHeader(Entries(dir_ / "game" / "qe_bgm.tvk").at("M01"));
  EXPECT_EQ(music->codedSize, 44100u * 2);  // one byte a sample: byte coding
  EXPECT_EQ(music->loopStart, 11025u * 2);
  EXPECT_FALSE(fs::exists(dir_ / "game" / "qe_ogg1.tvk"));
}

TEST_F(SoundToolTest, BuildGameRefusesSoundsTheEngineCouldNotPlay) {
  struct Case {
    const char* file;
    Pcm pcm;
    std::string says;
  };
  const Case cases[] = {
      {"music/theme.wav", Sweep(22050, 1, 100, 100), "music files are named M00 to M99"},
      {"music/M02.wav", Sweep(48000, 2, 100, 100), "at most 88200 samples a second"},
      {"voices/v.ogg", Pcm{}, "not a playable Ogg Vorbis sound"},
  };
  for (const Case& c : cases) {
    const fs::path src = dir_ / ("src-" + std::to_string(&c - cases));
    fs::create_directories((src / c.file).parent_path());
    if (c.pcm.channels) {
      WriteFileBytes(src / c.file, WavBytes(c.pcm));
    } else {
      WriteFileText(src / c.file, "OggS but not really");
    }
    const fs::path game = dir_ / "game";
    const auto result = RunTool({"build-game", src.string(), game.string()});
    EXPECT_EQ(result.exitStatus, 1) << result.output;
    EXPECT_NE(result.output.find(c.file), std::string::npos) << result.output;
    EXPECT_NE(result.output.find(c.says), std::string::npos) << result.output;
    EXPECT_FALSE(fs::exists(game));
  }
}

// An animation entry with one frame (its bytes are never looked at here) and, when given, a
// sound stored after the frame.
std::vector<uint8_t> AnimationEntry(const std::vector<uint8_t>& sound) {
  std::vector<uint8_t> entry(24 + 10, 0);
  const std::string frame = "not a picture";
  auto put32 = [&entry](size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) entry[at + i] = static_cast<uint8_t>(value >> (8 * i));
  };
  put32(0, 1);
  put32(4, 100);
  put32(24 + 6, static_cast<uint32_t>(entry.size()));
  put32(24 + 10 - 4, static_cast<uint32_t>(frame.size()));
  entry.insert(entry.end(), frame.begin(), frame.end());
  if (!sound.empty()) {
    put32(16, static_cast<uint32_t>(sound.size()));
    put32(20, static_cast<uint32_t>(entry.size()));
    entry.insert(entry.end(), sound.begin(), sound.end());
  }
  return entry;
}

// The coding of an entry is not in the entry: the archive it is extracted from decides it, as
// in the engine. Each row's wave file must hold exactly what that coding decodes.
TEST_F(SoundToolTest, ExtractWavDecodesEachArchiveInItsOwnCoding) {
  const std::vector<uint8_t> block = tools::EncodeWady(Sweep(22050, 1, 3000, 9000), {});
  const std::vector<uint8_t> stereoBlock = tools::EncodeWady(Sweep(11025, 2, 2500, 9000), {});
  const std::vector<uint8_t> byte =
      tools::EncodeWady(Sweep(22050, 2, 4000, 9000), {.coding = WadyCoding::Byte});
  struct Case {
    const char* archive;
    const char* entry;
    std::vector<uint8_t> data;
    const char* wavFile;  // nullptr: no wave file comes out
    const std::vector<uint8_t>* sound;
    WadyCoding coding;
    bool rawToo;  // the entry itself is written as well
  };
  const Case cases[] = {
      {"qe_wav1.tvk", "V001", block, "V001.wav", &block, WadyCoding::Block, false},
      {"qe_wav4.tvk", "V002", stereoBlock, "V002.wav", &stereoBlock, WadyCoding::Block, false},
      {"qe_se0.tvk", "DOOR", block, "DOOR.wav", &block, WadyCoding::Block, false},
      {"qe_se2.tvk", "RAIN", stereoBlock, "RAIN.wav", &stereoBlock, WadyCoding::Block, false},
      {"qe_bgm.tvk", "M01", byte, "M01.wav", &byte, WadyCoding::Byte, false},
      {"qe_anim.tvk", "OP", AnimationEntry(byte), "OP.wav", &byte, WadyCoding::Byte, true},
      {"qe_anim2.tvk", "QUIET", AnimationEntry({}), nullptr, nullptr, WadyCoding::Byte, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.archive);
    const fs::path archive = dir_ / c.archive;
    WriteFileBytes(archive, tools::BuildArchive(ArchiveLayout::B, {{c.entry, c.data}}));
    const fs::path out = dir_ / (std::string(c.archive) + "-out");
    const auto result = RunTool({"extract", archive.string(), "--wav", "-o", out.string()});
    ASSERT_EQ(result.exitStatus, 0) << result.output;
    size_t files = 0;
    for ([[maybe_unused]] const auto& file : fs::directory_iterator(out)) ++files;
    EXPECT_EQ(files, (c.wavFile ? 1u : 0u) + (c.rawToo ? 1u : 0u));
    if (c.rawToo) {
      EXPECT_EQ(ReadFileBytes(out / c.entry), c.data);
    }
    if (!c.wavFile) continue;
    const auto expected = DecodeWadySound(*c.sound, c.coding);
    ASSERT_TRUE(expected);
    EXPECT_EQ(ReadFileBytes(out / c.wavFile), WavBytes(*expected));
    // Without --wav the entry comes out as it is stored.
    const fs::path raw = dir_ / (std::string(c.archive) + "-raw");
    ASSERT_EQ(RunTool({"extract", archive.string(), "-o", raw.string()}).exitStatus, 0);
    EXPECT_EQ(ReadFileBytes(raw / c.entry), c.data);
  }
}

TEST_F(SoundToolTest, ExtractWavRefusesDamagedSoundsAndWritesNothing) {
  const std::vector<uint8_t> block = tools::EncodeWady(Sweep(22050, 1, 3000, 9000), {});
  const std::vector<uint8_t> byte =
      tools::EncodeWady(Sweep(22050, 1, 3000, 9000), {.coding = WadyCoding::Byte});
  std::vector<uint8_t> pastEnd = AnimationEntry(byte);
  pastEnd.resize(pastEnd.size() - 1);
  // Each archive holds a sound that extracts well first: one bad entry spoils the whole run.
  struct Case {
    const char* archive;
    std::vector<uint8_t> good;
    std::vector<uint8_t> bad;
    std::string says;
  };
  const Case cases[] = {
      {"qe_se0.tvk", block, std::vector<uint8_t>(60, 'x'), "V: not a WADY sound"},
      {"qe_bgm.tvk", byte, std::vector<uint8_t>(60, 'x'), "V: not a WADY sound"},
      {"qe_anim.tvk", AnimationEntry(byte), pastEnd,
       "V: damaged animation entry: its sound lies past"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.archive);
    const fs::path archive = dir_ / c.archive;
    WriteFileBytes(archive,
                   tools::BuildArchive(ArchiveLayout::B, {{"GOOD", c.good}, {"V", c.bad}}));
    const fs::path out = dir_ / "out";
    const auto good = RunTool({"extract", archive.string(), "GOOD", "--wav", "-o", out.string()});
    EXPECT_EQ(good.exitStatus, 0) << good.output;
    fs::remove_all(out);
    const auto result = RunTool({"extract", archive.string(), "--wav", "-o", out.string()});
    EXPECT_EQ(result.exitStatus, 1) << result.output;
    EXPECT_NE(result.output.find(c.says), std::string::npos) << result.output;
    EXPECT_FALSE(fs::exists(out));
  }
}

// A stereo block-coded sound whose right block ends two samples before the header's decoded
// size: left 100, 100, 104, 112 and right -50, -46.
std::vector<uint8_t> StereoWithShortRightBlock() {
  WadyHeader header;
  header.channels = 2;
  header.rate = 22050;
  header.frames = 4;
  header.decodedSize = 4 * 2 * 2;
  header.format = {1, 2, 22050, 22050 * 4, 4, 16};
  const std::vector<uint8_t> left = {0, 0, 0, 0, 3, 0, 0, 0, 100, 0, 0x01, 0x03, 0x05};
  const std::vector<uint8_t> right = {0, 0, 0, 0, 1, 0, 0, 0, 0xCE, 0xFF, 0x03};
  std::vector<uint8_t> coded = {static_cast<uint8_t>(left.size()), 0, 0, 0};
  coded.insert(coded.end(), left.begin(), left.end());
  coded.insert(coded.end(), {0, 0, 0, 0});  // the right block's own size field
  coded.insert(coded.end(), right.begin(), right.end());
  header.codedSize = static_cast<uint32_t>(coded.size());
  const auto head = WadyHeaderBytes(header);
  coded.insert(coded.begin(), head.begin(), head.end());
  return coded;
}

// The engine plays a sound whose codes give out before its decoded size, silent after them; the
// decoder and the extractor give the same wave, with the same silence.
TEST_F(SoundToolTest, SoundsTheEnginePlaysDecodeAsItPlaysThem) {
  std::vector<uint8_t> cut = tools::EncodeWady(Sweep(22050, 1, 3000, 9000), {});
  cut.resize(cut.size() - 40);
  const std::vector<uint8_t> block = tools::EncodeWady(Sweep(22050, 1, 3000, 9000), {});
  struct Case {
    const char* name;
    std::vector<uint8_t> entry;
    const char* archive;  // whose coding the extractor uses
    const char* coding;
    std::vector<int16_t> samples;  // when known by hand
  };
  const Case cases[] = {
      {"stereo, right block short",
       StereoWithShortRightBlock(),
       "qe_wav1.tvk",
       "block",
       {100, -50, 100, -46, 104, 0, 112, 0}},
      {"block cut short", cut, "qe_se0.tvk", "block", {}},
      {"block coding read as music", block, "qe_bgm.tvk", "byte", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path in = dir_ / "in.wdy";
    const fs::path out = dir_ / "out.wav";
    WriteFileBytes(in, c.entry);
    fs::remove(out);
    const auto decoded =
        RunTool({"sound", "decode", in.string(), out.string(), "--coding", c.coding});
    ASSERT_EQ(decoded.exitStatus, 0) << decoded.output;
    const std::vector<uint8_t> wav = ReadFileBytes(out);
    const auto pcm = ParseWav(wav, nullptr);
    ASSERT_TRUE(pcm);
    const auto played = DecodeWadySound(
        c.entry, std::string(c.coding) == "byte" ? WadyCoding::Byte : WadyCoding::Block);
    ASSERT_TRUE(played);
    EXPECT_EQ(pcm->samples, played->samples);
    if (!c.samples.empty()) {
      EXPECT_EQ(pcm->channels, 2);
      EXPECT_EQ(pcm->samples, c.samples);
    }
    const fs::path archive = dir_ / c.archive;
    WriteFileBytes(archive, tools::BuildArchive(ArchiveLayout::B, {{"V", c.entry}}));
    const fs::path extracted = dir_ / (std::string(c.archive) + "-out");
    const auto result = RunTool({"extract", archive.string(), "--wav", "-o", extracted.string()});
    ASSERT_EQ(result.exitStatus, 0) << result.output;
    EXPECT_EQ(ReadFileBytes(extracted / "V.wav"), wav);
  }
}

TEST_F(SoundToolTest, BuildGameCopiesMoviesIntoTheGameFolder) {
  WriteFileText(dir_ / "src/movies/ending.webm", "movie bytes");
  WriteFileText(dir_ / "src/movies/op.mpg", "other movie");
  const auto result = RunTool({"build-game", (dir_ / "src").string(), (dir_ / "game").string()});
  ASSERT_EQ(result.exitStatus, 0) << result.output;
  EXPECT_EQ(ReadFileBytes(dir_ / "game/movies/ending.webm"),
            ReadFileBytes(dir_ / "src/movies/ending.webm"));
  EXPECT_EQ(ReadFileBytes(dir_ / "game/movies/op.mpg"), ReadFileBytes(dir_ / "src/movies/op.mpg"));
}

}  // namespace
}  // namespace tolven
