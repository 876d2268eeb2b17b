// tolven-tool run as a program, the way authors use it.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "libjpeg_reference.h"
#include "resources/archive_index.h"
#include "resources/packed_picture.h"
#include "sample_pictures.h"
#include "test_support.h"
#include "tools/archive_writer.h"
#include "tools/jpeg_encoder.h"
#include "tools/png_file.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;
using testing::Flat;
using testing::PhotoLike;
using testing::ReadFileBytes;
using testing::RunTool;
using testing::WriteFileBytes;
using testing::WriteFileText;

std::vector<uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

class ToolTest : public ::testing::Test {
 protected:
  fs::path File(const std::string& name, const std::string& content) {
    WriteFileText(dir_ / name, content);
    return dir_ / name;
  }
  testing::TempDir dir_;
};

TEST_F(ToolTest, PackListExtractRoundTripsInBothLayouts) {
  std::vector<std::pair<std::string, std::string>> files = {
      {"abcdefghijklmno.bin", std::string("fifteen\0chars", 13)},
      {"main.txt", "line\xff\x01"},
      {"empty.dat", ""}};
  std::vector<std::string> paths;
  for (const auto& [name, content] : files) paths.push_back(File("in/" + name, content).string());
  for (const char* layout : {"A", "B"}) {
    SCOPED_TRACE(layout);
    const fs::path archive = dir_ / (std::string("archive") + layout + ".tvk");
    std::vector<std::string> args = {"pack", "--layout", layout, "-o", archive.string()};
    args.insert(args.end(), paths.begin(), paths.end());
    ASSERT_EQ(RunTool(args).exitStatus, 0);

    auto listed = RunTool({"list", archive.string(), "--layout", layout});
    ASSERT_EQ(listed.exitStatus, 0) << listed.output;
    EXPECT_NE(listed.output.find("0 ABCDEFGHIJKLMNO "), std::string::npos) << listed.output;
    EXPECT_NE(listed.output.find("1 MAIN "), std::string::npos);
    EXPECT_NE(listed.output.find("2 EMPTY "), std::string::npos);

    const fs::path out = dir_ / (std::string("out") + layout);
    ASSERT_EQ(
        RunTool({"extract", archive.string(), "--layout", layout, "-o", out.string()}).exitStatus,
        0);
    EXPECT_EQ(ReadFileBytes(out / "ABCDEFGHIJKLMNO"), Bytes(files[0].second));
    EXPECT_EQ(ReadFileBytes(out / "MAIN"), Bytes(files[1].second));
    EXPECT_EQ(ReadFileBytes(out / "EMPTY"), Bytes(""));

    // On disk, layout A holds the data negated; layout B holds it as it is.
    auto stored = ReadFileBytes(archive);
    const std::vector<uint8_t> tail(stored.end() - 6, stored.end());
    const std::vector<uint8_t> plain = Bytes("line\xff\x01");
    const std::vector<uint8_t> negated = {0x94, 0x97, 0x92, 0x9b, 0x01, 0xff};
    EXPECT_EQ(tail, std::string(layout) == "A" ? negated : plain);
  }
}

TEST_F(ToolTest, ListShowsNamesAloneAndEmptyArchivesAreFine) {
  const fs::path archive = dir_ / "qe_gra.tvk";
  ASSERT_EQ(RunTool({"pack", "--layout", "B", "-o", archive.string(),
                     File("longername.x", "1").string(), File("ab.y", "2").string()})
                .exitStatus,
            0);
  auto bytes = ReadFileBytes(archive);
  bytes[8 + 19 + 3] = 'J';  // bytes after the terminator of the second name
  bytes[8 + 19 + 4] = 'K';
  WriteFileBytes(archive, bytes);
  auto listed = RunTool({"list", archive.string()});
  EXPECT_EQ(listed.exitStatus, 0);
  EXPECT_NE(listed.output.find("1 AB 47 1\n"), std::string::npos) << listed.output;

  // With no entries there is no table, and the name width, whatever it says, names nothing.
  for (uint8_t width : {0, 8, 16, 255}) {
    SCOPED_TRACE(width);
    const fs::path emptyArchive = dir_ / "qe_se0.tvk";
    WriteFileBytes(emptyArchive, {0, 0, 0, 0, width, 0, 0, 0});
    auto empty = RunTool({"list", emptyArchive.string()});
    EXPECT_EQ(empty.exitStatus, 0) << empty.output;
    EXPECT_EQ(empty.output, "");
    const fs::path out = dir_ / ("empty-" + std::to_string(width));
    auto extracted = RunTool({"extract", emptyArchive.string(), "--wav", "-o", out.string()});
    EXPECT_EQ(extracted.exitStatus, 0) << extracted.output;
    EXPECT_TRUE(fs::exists(out) && fs::is_empty(out));
  }
}

TEST_F(ToolTest, DuplicateNamesExtractTheFirstEntry) {
  const fs::path archive = dir_ / "dup.tvk";
  ASSERT_EQ(RunTool({"pack", "--layout", "B", "-o", archive.string(),
                     File("one/pic.png", "first").string(), File("two/PIC.bin", "second").string()})
                .exitStatus,
            0);
  ASSERT_EQ(RunTool({"extract", archive.string(), "pic", "-o", (dir_ / "x").string()}).exitStatus,
            0);
  EXPECT_EQ(ReadFileBytes(dir_ / "x" / "PIC"), Bytes("first"));
}

TEST_F(ToolTest, PicturesRoundTripThroughPngPixelForPixel) {
  struct Case {
    const char* name;
    Bitmap24 bitmap;
  } cases[] = {{"photo", PhotoLike(800, 600)},
               {"flat", Flat(800, 600)},
               {"one", PhotoLike(1, 1)},
               {"small", PhotoLike(7, 3)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path png = dir_ / (std::string(c.name) + ".png");
    WriteFileBytes(png, tools::PngBytes(c.bitmap));
    const fs::path packed = dir_ / c.name;
    ASSERT_EQ(RunTool({"picture", "encode", png.string(), packed.string()}).exitStatus, 0);
    const fs::path back = dir_ / (std::string(c.name) + ".back.png");
    ASSERT_EQ(RunTool({"picture", "decode", packed.string(), back.string()}).exitStatus, 0);
    EXPECT_TRUE(tools::ReadPng(back) == c.bitmap);
  }
}

// A packed entry: header (flags, bytes per pixel, compressed size, LZ size, width, height) and
// the compressed bytes.
std::vector<uint8_t> PackedEntry(uint8_t flags, uint8_t bytesPerPixel, uint32_t lzSize,
                                 uint16_t width, uint16_t height, const std::vector<uint8_t>& data,
                                 int claimedExtra = 0) {
  const uint32_t compressed = static_cast<uint32_t>(data.size() + claimedExtra);
  std::vector<uint8_t> entry = {0, 0, flags, bytesPerPixel};
  for (uint32_t value : {compressed, lzSize}) {
    for (int i = 0; i < 4; ++i) entry.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }
  for (uint16_t value : {width, height}) {
    entry.push_back(static_cast<uint8_t>(value));
    entry.push_back(static_cast<uint8_t>(value >> 8));
  }
  entry.insert(entry.end(), data.begin(), data.end());
  return entry;
}

TEST_F(ToolTest, MalformedPackedPicturesAreRefusedByDecode) {
  // One pixel needs three output bytes: a flag byte of literals, then the bytes.
  const std::vector<uint8_t> threeLiterals = {0x00, 1, 2, 3};
  struct Case {
    const char* what;
    std::vector<uint8_t> entry;
  } cases[] = {{"sound entry", PackedEntry(0, 3, 0, 1, 1, threeLiterals)},
               {"compressed data shorter than its header says",
                PackedEntry(0, 3, 0, 1, 1, threeLiterals, 5)},
               {"back-reference before the start", PackedEntry(0, 3, 0, 1, 1, {0x80, 0x04})},
               {"copy reaching far past the picture",
                PackedEntry(0, 3, 0, 2, 1, {0x40, 1, 0xC0, 0x00, 0xFF})},
               {"four bytes per pixel", PackedEntry(0, 4, 0, 1, 1, threeLiterals)},
               {"width 0", PackedEntry(0, 3, 0, 0, 1, threeLiterals)},
               {"height beyond 8192", PackedEntry(0, 3, 0, 1, 8193, threeLiterals)},
               {"header cut short", std::vector<uint8_t>{0, 0, 0, 3, 4, 0}}};
  for (const Case& c : cases) {
    const fs::path in = dir_ / "entry";
    const fs::path png = dir_ / "out.png";
    WriteFileBytes(in, c.entry);
    auto result = RunTool({"picture", "decode", in.string(), png.string()});
    const bool sound = std::string(c.what) == "sound entry";
    EXPECT_EQ(result.exitStatus, sound ? 0 : 1) << c.what << ": " << result.output;
    EXPECT_EQ(fs::exists(png), sound) << c.what;
    if (!sound) {
      EXPECT_NE(result.output.find("entry"), std::string::npos) << result.output;
    }
    fs::remove(png);
  }
}

TEST_F(ToolTest, BadInputExitsWithOneAndWritesNothing) {
  WriteFileBytes(dir_ / "bad.packed", {0, 0, 0x40, 3, 200, 0, 0, 0, 0, 0, 0, 0, 4, 0, 4, 0, 1});
  File("notpng.png", "not a picture");
  File("src/scripts/main.txt", "ok line\n");
  WriteFileBytes(dir_ / "src/scripts/bad.txt", {'a', '\n', 0xC3, 0x28, '\n'});
  const fs::path out = dir_ / "out";
  ASSERT_EQ(::mkfifo((dir_ / "fifo.tvk").c_str(), 0600), 0);
  File("looped/scripts/main.txt", "ok line\n");
  fs::create_directory_symlink(dir_ / "looped" / "pictures", dir_ / "looped" / "pictures");
  // A JPEG whose header claims far more picture than its data holds.
  const std::vector<uint8_t> greyJpeg =
      testing::WithClaimedJpegSize(tools::EncodeJpeg(PhotoLike(64, 48)), 8192, 8192);
  File("grey/scripts/main.txt", "ok line\n");
  WriteFileBytes(dir_ / "grey/pictures/A001.jpg", greyJpeg);
  WriteFileBytes(dir_ / "qe_gjp.tvk", tools::BuildArchive(ArchiveLayout::B, {{"A001", greyJpeg}}));
  struct Case {
    std::vector<std::string> args;
    std::string mentions;
    fs::path mustNotExist;
  } cases[] = {{{"picture", "decode", (dir_ / "bad.packed").string(), (out / "x.png").string()},
                "bad.packed",
                out / "x.png"},
               {{"picture", "encode", (dir_ / "notpng.png").string(), (out / "y").string()},
                "notpng.png",
                out / "y"},
               {{"picture", "encode", (dir_ / "absent.png").string(), (out / "z").string()},
                "absent.png",
                out / "z"},
               {{"build-game", (dir_ / "src").string(), (out / "game").string()},
                "bad.txt:2",
                out / "game" / "qe_data.tvk"},
               {{"pack", "--layout", "A", "-o", (out / "a.tvk").string(),
                 File("sixteen_letters_.txt", "x").string()},
                "sixteen_letters_",
                out / "a.tvk"},
               {{"extract", (dir_ / "absent.tvk").string(), "-o", out.string()}, "absent.tvk", out},
               {{"list", (dir_ / "fifo.tvk").string()}, "fifo.tvk: not a regular file", out},
               {{"build-game", (dir_ / "looped").string(), (out / "game").string()},
                "pictures: cannot be examined",
                out / "game" / "qe_data.tvk"},
               {{"build-game", (dir_ / "grey").string(), (out / "game").string()},
                "A001.jpg: not a readable JPEG",
                out / "game" / "qe_data.tvk"},
               {{"extract", (dir_ / "qe_gjp.tvk").string(), "--png", "-o", out.string()},
                "A001: damaged picture entry",
                out}};
  for (const Case& c : cases) {
    auto result = RunTool(c.args);
    EXPECT_EQ(result.exitStatus, 1) << c.args[0] << ": " << result.output;
    EXPECT_NE(result.output.find(c.mentions), std::string::npos) << result.output;
    EXPECT_FALSE(fs::exists(c.mustNotExist)) << c.mustNotExist;
  }
  EXPECT_EQ(RunTool({"pack", "-o", "x"}).exitStatus, 2);
  EXPECT_EQ(RunTool({"frobnicate"}).exitStatus, 2);
}

void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// The engine drops what it cannot use without a word; the tool must refuse and say why.
TEST_F(ToolTest, DamagedArchivesAreRefusedWithTheirFaults) {
  const std::vector<uint8_t> sound =
      tools::BuildArchive(ArchiveLayout::B, {{"ONE", Bytes("1111")}, {"TWO", Bytes("2222")}});
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    std::string fault;
  };
  std::vector<Case> cases;
  cases.push_back({"empty file", {}, "file of 0 bytes is too short for an index header"});
  {
    std::vector<uint8_t> cut = sound;
    cut.resize(sound.size() - 2);
    cases.push_back({"truncated", cut, "entry 1 (TWO): data at offset 36, size 4, runs past"});
  }
  {
    std::vector<uint8_t> table = sound;
    table.resize(8 + 12 + 5);
    cases.push_back({"index cut short", table, "index of 2 entries needs 32 bytes and runs past"});
  }
  {
    std::vector<uint8_t> count = sound;
    PutU32(count, 0, 0xFFFFFF);
    cases.push_back({"impossible count", count, "index of 16777215 entries"});
  }
  {
    std::vector<uint8_t> garbage(5000);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 37 + 11);
    cases.push_back(
        {"garbage", garbage, "name width 250201247 is larger than the file (5000 bytes)"});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path archive = dir_ / "qe_gra.tvk";
    WriteFileBytes(archive, c.bytes);
    auto listed = RunTool({"list", archive.string()});
    EXPECT_EQ(listed.exitStatus, 1) << listed.output;
    EXPECT_NE(listed.output.find(archive.string() + ": " + c.fault), std::string::npos)
        << listed.output;
    EXPECT_EQ(listed.output.find("0 ONE 32 4"), std::string::npos) << listed.output;
    const fs::path out = dir_ / "out";
    auto extracted = RunTool({"extract", archive.string(), "-o", out.string()});
    EXPECT_EQ(extracted.exitStatus, 1) << extracted.output;
    EXPECT_NE(extracted.output.find(c.fault), std::string::npos) << extracted.output;
    EXPECT_FALSE(fs::exists(out));
  }
}

TEST_F(ToolTest, BuildGameMakesArchivesTheEngineReads) {
  File("src/scripts/main.txt", "\xEF\xBB\xBF*gra A001\r\n山田です。\n\\\n");
  File("src/scripts/view.txt", ":VIEW_1\n");
  WriteFileBytes(dir_ / "src/pictures/A001.png", tools::PngBytes(PhotoLike(16, 8)));
  const fs::path game = dir_ / "game";
  auto built = RunTool({"build-game", (dir_ / "src").string(), game.string()});
  ASSERT_EQ(built.exitStatus, 0) << built.output;
  auto listed = RunTool({"list", (game / "qe_data.tvk").string()});
  EXPECT_NE(listed.output.find("MAIN"), std::string::npos);
  EXPECT_NE(listed.output.find("VIEW"), std::string::npos);

  ASSERT_EQ(
      RunTool({"extract", (game / "qe_data.tvk").string(), "main", "-o", (dir_ / "raw").string()})
          .exitStatus,
      0);
  // Shift-JIS lines ended by zero bytes: 山 is 0x8E 0x52 in code page 932.
  auto raw = ReadFileBytes(dir_ / "raw" / "MAIN");
  std::vector<uint8_t> expected =
      Bytes(std::string("*gra A001\0\x8E\x52\x93\x63\x82\xC5\x82\xB7\x81\x42\0\\\0", 23));
  EXPECT_EQ(raw, expected);

  ASSERT_EQ(RunTool({"extract", (game / "qe_data.tvk").string(), "-o", (dir_ / "text").string(),
                     "--utf8"})
                .exitStatus,
            0);
  EXPECT_EQ(ReadFileBytes(dir_ / "text" / "MAIN.txt"), Bytes("*gra A001\n山田です。\n\\\n"));

  ASSERT_EQ(
      RunTool({"extract", (game / "qe_gra.tvk").string(), "-o", (dir_ / "pics").string(), "--png"})
          .exitStatus,
      0);
  EXPECT_TRUE(tools::ReadPng(dir_ / "pics" / "A001.png") == PhotoLike(16, 8));
}

}  // namespace
}  // namespace tolven
