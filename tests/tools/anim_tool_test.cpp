// `tolven-tool anim` and the anim/ folder of build-game, run as a program and read back with the
// player's own reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "audio/wady.h"
#include "audio/wav_file.h"
#include "resources/animation_entry.h"
#include "resources/jpeg_picture.h"
#include "sample_pictures.h"
#include "test_support.h"
#include "tools/jpeg_encoder.h"
#include "tools/png_file.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;
using testing::PhotoLike;
using testing::ReadFileBytes;
using testing::RunTool;
using testing::WriteFileBytes;
using testing::WriteFileText;

using Files = std::map<std::string, std::vector<uint8_t>>;

std::vector<uint8_t> Png(int width, int height) {
  return tools::PngBytes(PhotoLike(width, height));
}

std::vector<uint8_t> Text(const std::string& text) {
  return {text.begin(), text.end()};
}

std::vector<uint8_t> Wav(int rate, int channels, size_t frames) {
  Pcm pcm{rate, channels, {}};
  for (size_t i = 0; i < frames * channels; ++i) {
    pcm.samples.push_back(static_cast<int16_t>(std::lround(6000 * std::sin(i * 0.05))));
  }
  return WavBytes(pcm);
}

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

AnimationEntry ReadEntry(const std::vector<uint8_t>& bytes) {
  std::string why;
  std::string soundFault;
  std::optional<AnimationEntry> entry = ReadAnimationEntry(bytes, bytes.size(), why, &soundFault);
  EXPECT_TRUE(entry) << why;
  EXPECT_EQ(soundFault, "");
  return entry.value_or(AnimationEntry{});
}

class AnimToolTest : public ::testing::Test {
 protected:
  fs::path Folder(const std::string& name, const Files& files) {
    fs::create_directories(dir_ / name);
    for (const auto& [file, bytes] : files) WriteFileBytes(dir_ / name / file, bytes);
    return dir_ / name;
  }
  // `anim build` of the folder; the entry's bytes.
  std::vector<uint8_t> Build(const fs::path& folder) {
    const fs::path out = dir_ / (folder.filename().string() + ".anim");
    const auto result = RunTool({"anim", "build", folder.string(), out.string()});
    EXPECT_EQ(result.exitStatus, 0) << result.output;
    return fs::exists(out) ? ReadFileBytes(out) : std::vector<uint8_t>{};
  }
  testing::TempDir dir_;
};

TEST_F(AnimToolTest, BuildsTheTableAsDescribedAndShowPrintsIt) {
  const std::vector<uint8_t> storedJpeg = tools::EncodeJpeg(PhotoLike(32, 24), 75);
  const fs::path folder = Folder("walk", {{"000.png", Png(32, 24)},
                                          {"001.png", Png(8, 6)},
                                          {"002.png", Png(16, 8)},
                                          {"004.jpg", storedJpeg},
                                          {"steps.wav", Wav(22050, 1, 1000)},
                                          {"notes.md", Text("left alone")},
                                          {"anim.txt", Text("# walk cycle\r\n"
                                                            "period 66\r\n"
                                                            "\r\n"
                                                            "1 partial 10,-4\r\n"
                                                            "2 partial 0,5   # the foot\r\n"
                                                            "3 catch-up\r\n")}});
  const std::vector<uint8_t> bytes = Build(folder);
  const AnimationEntry entry = ReadEntry(bytes);
  ASSERT_EQ(entry.frames.size(), 5u);
  EXPECT_EQ(entry.period, 66u);
  EXPECT_EQ(entry.width, 32u);
  EXPECT_EQ(entry.height, 24u);

  const std::vector<int16_t> kinds = {0, 1, 1, 2, 0};
  const std::vector<int16_t> xs = {0, 10, 0, 0, 0};
  const std::vector<int16_t> ys = {0, -4, 5, 0, 0};
  const std::vector<std::pair<int, int>> sizes = {{32, 24}, {8, 6}, {16, 8}, {32, 24}, {32, 24}};
  // The pictures follow the table in frame order; the catch-up frame has none of its own and
  // points at the key frame before it, which is what the player redraws.
  uint64_t next = AnimationTableBytes(5);
  for (size_t i = 0; i < entry.frames.size(); ++i) {
    SCOPED_TRACE(i);
    const AnimationFrame& frame = entry.frames[i];
    EXPECT_EQ(frame.kind, kinds[i]);
    EXPECT_EQ(frame.x, xs[i]);
    EXPECT_EQ(frame.y, ys[i]);
    if (i == 3) {
      EXPECT_EQ(frame.offset, entry.frames[0].offset);
      EXPECT_EQ(frame.size, entry.frames[0].size);
    } else {
      EXPECT_EQ(frame.offset, next);
      next += frame.size;
    }
    Bitmap24 picture;
    ASSERT_TRUE(DecodeJpegPicture(bytes.data() + frame.offset, frame.size, picture));
    EXPECT_EQ(picture.Width(), sizes[i].first);
    EXPECT_EQ(picture.Height(), sizes[i].second);
  }
  const AnimationFrame& stored = entry.frames[4];
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + stored.offset,
                                 bytes.begin() + stored.offset + stored.size),
            storedJpeg);

  EXPECT_EQ(entry.soundOffset, next);
  EXPECT_EQ(entry.soundSize, kWadyHeaderSize + 1000);
  EXPECT_EQ(uint64_t{entry.soundOffset} + entry.soundSize, bytes.size());
  const auto sound = DecodeWadySound(std::span(bytes).subspan(entry.soundOffset, entry.soundSize),
                                     WadyCoding::Byte);
  ASSERT_TRUE(sound);
  EXPECT_EQ(sound->rate, 22050);
  EXPECT_EQ(sound->Frames(), 1000u);

  const auto shown = RunTool({"anim", "show", (dir_ / "walk.anim").string()});
  ASSERT_EQ(shown.exitStatus, 0) << shown.output;
  auto line = [&](size_t i, const char* kind) {
    const AnimationFrame& f = entry.frames[i];
    return std::to_string(i) + " " + kind + " " + std::to_string(f.x) + " " + std::to_string(f.y) +
           " " + std::to_string(f.offset) + " " + std::to_string(f.size) + "\n";
  };
  EXPECT_EQ(shown.output, "frames 5\nperiod 66 ms\nsize 32x24\nsound 1048 bytes at " +
                              std::to_string(entry.soundOffset) +
                              ", plays once as an effect\nframe kind x y offset size\n" +
                              line(0, "key") + line(1, "partial") + line(2, "partial") +
                              line(3, "catch-up") + line(4, "key"));
}

TEST_F(AnimToolTest, WithoutDescriptionEveryFrameIsAKeyFrameAtTheOrigin) {
  const std::vector<uint8_t> bytes =
      Build(Folder("plain", {{"0.png", Png(4, 3)}, {"1.png", Png(2, 2)}, {"2.png", Png(5, 5)}}));
  const AnimationEntry entry = ReadEntry(bytes);
  ASSERT_EQ(entry.frames.size(), 3u);
  EXPECT_EQ(entry.period, 100u);
  EXPECT_EQ(entry.width, 4u);
  EXPECT_EQ(entry.height, 3u);
  EXPECT_EQ(entry.soundSize, 0u);
  EXPECT_EQ(entry.soundOffset, 0u);
  for (const AnimationFrame& frame : entry.frames) {
    EXPECT_EQ(frame.kind, 0);
    EXPECT_EQ(frame.x, 0);
    EXPECT_EQ(frame.y, 0);
  }
  const auto shown = RunTool({"anim", "show", (dir_ / "plain.anim").string()});
  EXPECT_NE(shown.output.find("\nsound none\n"), std::string::npos) << shown.output;
}

TEST_F(AnimToolTest, ALongSoundStreamsAndLoopsWhereTheDescriptionSays) {
  // 4,000,000 samples code to 4,000,048 bytes, past the largest sound that plays as an effect.
  const std::vector<uint8_t> bytes = Build(Folder("long", {{"000.png", Png(4, 4)},
                                                           {"music.wav", Wav(44100, 2, 2000000)},
                                                           {"anim.txt", Text("loop 10.5\n")}}));
  const AnimationEntry entry = ReadEntry(bytes);
  EXPECT_EQ(entry.soundSize, 4000048u);
  const auto header = ReadWadyHeader(std::span(bytes).subspan(entry.soundOffset));
  ASSERT_TRUE(header);
  EXPECT_EQ(header->loopStart, 463050u * 2);  // frame 463,050 of two channels
  const auto shown = RunTool({"anim", "show", (dir_ / "long.anim").string()});
  EXPECT_NE(shown.output.find("sound 4000048 bytes at " + std::to_string(entry.soundOffset) +
                              ", streams as looping music\n"),
            std::string::npos)
      << shown.output;
}

TEST_F(AnimToolTest, BadFoldersNameTheFileAndWriteNothing) {
  const std::vector<uint8_t> frame = Png(4, 4);
  const std::vector<uint8_t> shortSound = Wav(8000, 1, 100);
  struct Case {
    std::string name;
    Files files;
    std::string says;  // after the folder's path
  };
  const std::vector<Case> cases = {
      {"empty", {{"anim.txt", Text("period 50\n")}}, ": no frame pictures"},
      {"not-png", {{"000.png", frame}, {"001.png", Text("GIF89a")}}, "/001.png: "},
      {"not-jpeg", {{"000.jpg", Text("\xFF\xD8 cut")}}, "/000.jpg: not a readable JPEG"},
      {"other-picture", {{"000.png", frame}, {"001.bmp", frame}}, "/001.bmp: a frame picture"},
      {"unnumbered", {{"000.png", frame}, {"last.png", frame}}, "/last.png: frame pictures are"},
      {"gap", {{"000.png", frame}, {"002.png", frame}}, ": there is no frame 1 before frame 2"},
      {"repeat", {{"000.png", frame}, {"0.png", frame}}, "/000.png: frame 000 is also 0.png"},
      {"unknown-kind",
       {{"000.png", frame}, {"anim.txt", Text("period 50\n0 spin\n")}},
       "/anim.txt:2: unknown frame kind \"spin\""},
      {"period-zero", {{"000.png", frame}, {"anim.txt", Text("period 0\n")}}, "/anim.txt:1: "},
      {"offset-range",
       {{"000.png", frame}, {"001.png", frame}, {"anim.txt", Text("1 partial 0,40000\n")}},
       "/anim.txt:1: offsets \"0,40000\""},
      {"key-offsets",
       {{"000.png", frame}, {"anim.txt", Text("0 key 3,4\n")}},
       "/anim.txt:1: only a partial frame"},
      {"described-twice",
       {{"000.png", frame}, {"anim.txt", Text("0 key\n\n0 key\n")}},
       "/anim.txt:3: frame 0 is already described on line 1"},
      {"no-picture", {{"000.png", frame}, {"anim.txt", Text("1 key\n")}}, "/anim.txt:1: frame 1"},
      {"catch-up-first",
       {{"001.png", frame}, {"anim.txt", Text("0 catch-up\n")}},
       "/anim.txt:1: frame 0 is a catch-up frame, but no key frame"},
      {"catch-up-picture",
       {{"000.png", frame}, {"001.png", frame}, {"anim.txt", Text("1 catch-up\n")}},
       "/anim.txt:1: frame 1 is a catch-up frame"},
      {"partial-last",
       {{"000.png", frame}, {"001.png", frame}, {"anim.txt", Text("1 partial 2,2\n")}},
       "/anim.txt:1: the last frame"},
      {"bad-wav", {{"000.png", frame}, {"sound.wav", Text("RIFF")}}, "/sound.wav: "},
      {"empty-wav", {{"000.png", frame}, {"sound.wav", Wav(8000, 1, 0)}}, "/sound.wav: "},
      {"two-wavs",
       {{"000.png", frame}, {"a.wav", shortSound}, {"b.wav", shortSound}},
       "/b.wav: a second sound"},
      {"loop-short-sound",
       {{"000.png", frame}, {"a.wav", shortSound}, {"anim.txt", Text("loop 0\n")}},
       "/anim.txt:1: the sound (148 bytes coded) plays once"},
      {"loop-no-sound",
       {{"000.png", frame}, {"anim.txt", Text("loop 1\n")}},
       "/anim.txt:1: a loop start needs a sound"},
  };
  const fs::path out = dir_ / "out.anim";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path folder = Folder(c.name, c.files);
    const auto result = RunTool({"anim", "build", folder.string(), out.string()});
    EXPECT_EQ(result.exitStatus, 1) << result.output;
    EXPECT_NE(result.output.find(folder.string() + c.says), std::string::npos) << result.output;
    EXPECT_FALSE(fs::exists(out));
  }
}

TEST_F(AnimToolTest, ShowSaysWhatThePlayerMakesOfAnEntry) {
  // One frame of 8 bytes after the table, and a sound of the given size after it.
  auto entryBytes = [](uint32_t soundSize, uint32_t soundOffset, size_t length) {
    AnimationEntry entry;
    entry.period = 40;
    entry.soundSize = soundSize;
    entry.soundOffset = soundOffset;
    entry.frames = {{0, 0, 0, 34, 8}};
    std::vector<uint8_t> bytes = WriteAnimationTable(entry);
    bytes.resize(length);
    return bytes;
  };
  std::vector<uint8_t> noFrames = entryBytes(0, 0, 42);
  Put32(noFrames, 0, 0);
  std::vector<uint8_t> longTable = entryBytes(0, 0, 42);
  Put32(longTable, 0, 3);
  struct Case {
    std::string name;
    std::vector<uint8_t> bytes;
    int status;
    std::string says;
  };
  const std::vector<Case> cases = {
      {"largest-effect", entryBytes(3999999, 42, 42 + 3999999), 0,
       "sound 3999999 bytes at 42, plays once as an effect\n"},
      {"streamed", entryBytes(4000000, 42, 42 + 4000000), 0,
       "sound 4000000 bytes at 42, streams as looping music\n"},
      {"sound-past-end", entryBytes(100, 42, 141), 0,
       "sound 100 bytes at 42, dropped by the player: the sound lies past the entry's end\n"},
      {"header-cut", entryBytes(0, 0, 20), 1, "the entry is shorter than its header"},
      {"no-frames", noFrames, 1, "the entry has no frames"},
      {"table-past-end", longTable, 1, "the frame table of 3 frames runs past the entry's end"},
      {"frame-past-end", entryBytes(0, 0, 41), 1, "frame 0 lies past the entry's end"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path file = dir_ / (c.name + ".anim");
    WriteFileBytes(file, c.bytes);
    const auto result = RunTool({"anim", "show", file.string()});
    EXPECT_EQ(result.exitStatus, c.status) << result.output;
    const std::string expected =
        c.status == 0 ? c.says : file.string() + ": " + "damaged animation: " + c.says;
    EXPECT_NE(result.output.find(expected), std::string::npos) << result.output;
  }
}

TEST_F(AnimToolTest, BuildGamePacksAnimFilesAndFoldersThatListAndExtractUnchanged) {
  const std::vector<uint8_t> logo = Build(Folder("logo", {{"000.png", Png(6, 4)}}));
  ASSERT_FALSE(logo.empty());
  WriteFileBytes(dir_ / "src/anim/logo.anim", logo);
  const fs::path intro = Folder("src/anim/intro", {{"000.png", Png(8, 8)},
                                                   {"001.png", Png(8, 8)},
                                                   {"chime.wav", Wav(11025, 2, 500)},
                                                   {"anim.txt", Text("period 33\n")}});
  WriteFileText(dir_ / "src/anim/readme.txt", "not an animation");
  const fs::path game = dir_ / "game";
  const auto built = RunTool({"build-game", (dir_ / "src").string(), game.string()});
  ASSERT_EQ(built.exitStatus, 0) << built.output;
  const fs::path archive = game / "qe_anim.tvk";

  const auto listed = RunTool({"list", archive.string()});
  ASSERT_EQ(listed.exitStatus, 0) << listed.output;
  EXPECT_NE(listed.output.find("0 INTRO "), std::string::npos) << listed.output;
  EXPECT_NE(listed.output.find("1 LOGO "), std::string::npos) << listed.output;
  EXPECT_EQ(std::count(listed.output.begin(), listed.output.end(), '\n'), 2) << listed.output;

  const fs::path out = dir_ / "out";
  const auto extracted = RunTool({"extract", archive.string(), "--wav", "-o", out.string()});
  ASSERT_EQ(extracted.exitStatus, 0) << extracted.output;
  EXPECT_EQ(ReadFileBytes(out / "LOGO"), logo);
  EXPECT_EQ(ReadFileBytes(out / "INTRO"), Build(intro));
  EXPECT_FALSE(fs::exists(out / "LOGO.wav"));
  const auto chime = ParseWav(ReadFileBytes(out / "INTRO.wav"), nullptr);
  ASSERT_TRUE(chime);
  EXPECT_EQ(chime->rate, 11025);
  EXPECT_EQ(chime->channels, 2);
  EXPECT_EQ(chime->Frames(), 500u);
}

TEST_F(AnimToolTest, BuildGameRefusesADamagedAnimFile) {
  const std::vector<uint8_t> good =
      Build(Folder("good", {{"000.png", Png(6, 4)}, {"sound.wav", Wav(8000, 1, 200)}}));
  const AnimationEntry entry = ReadEntry(good);
  ASSERT_EQ(entry.frames.size(), 1u);
  struct Case {
    std::string name;
    size_t at;
    uint32_t value;
    std::string says;
  };
  const std::vector<Case> cases = {
      {"frame-count", 0, 1000, "the frame table of 1000 frames runs past the entry's end"},
      {"period", 4, 0, "its period is 0 ms"},
      {"sound-offset", 20, static_cast<uint32_t>(good.size()),
       "the sound lies past the entry's end"},
      {"picture", entry.frames[0].offset, 0, "frame 0 is not a readable JPEG picture"},
      {"sound-magic", entry.soundOffset, 0, "its sound is not a playable byte-coded WADY sound"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bad = good;
    Put32(bad, c.at, c.value);
    const fs::path src = dir_ / ("src-" + c.name);
    WriteFileBytes(src / "anim" / "bad.anim", bad);
    const fs::path game = dir_ / ("game-" + c.name);
    const auto result = RunTool({"build-game", src.string(), game.string()});
    EXPECT_EQ(result.exitStatus, 1) << result.output;
    EXPECT_NE(
        result.output.find((src / "anim" / "bad.anim").string() + ": damaged animation: " + c.says),
        std::string::npos)
        << result.output;
    EXPECT_FALSE(fs::exists(game));
  }
}

}  // namespace
}  // namespace tolven
