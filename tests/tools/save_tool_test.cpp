// `tolven-tool save`, run as a program on slot files written by the engine's own writer.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "save/save_slot.h"
#include "test_support.h"
#include "tools/png_file.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;
using testing::RunTool;
using testing::WriteFileBytes;

// "第一章" in Shift-JIS.
const std::string kChapter = "\x91\xe6\x88\xea\x8f\xcd";

void PutString(SlotRecord& record, int row, const std::string& text) {
  std::copy(text.begin(), text.end(), record.strings.begin() + row * 32);
}

void SetPixel(Bitmap24& bitmap, int x, int y, std::array<uint8_t, 3> bgr) {
  std::copy(bgr.begin(), bgr.end(), bitmap.Row(y) + x * 3);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

class SaveToolTest : public ::testing::Test {
 protected:
  fs::path Slot(const std::string& name, const SlotRecord& record) {
    WriteFileBytes(dir_ / name, WriteSlotRecord(record));
    return dir_ / name;
  }
  testing::TempDir dir_;
};

TEST_F(SaveToolTest, ShowPrintsEveryBlockAsReadableLines) {
  auto record = std::make_unique<SlotRecord>();
  record->description = "2024/05/01 12:34:56  " + kChapter;
  record->comment = "say \"hi\"\t";
  record->state.CallDepth = 2;
  record->state.CallPositions[1] = 345;
  record->state.EngineState = 3;
  record->state.messagePageFlag = 1;
  record->names.CallNames[1] = "sub";
  record->names.CurrentScript = "main";
  record->names.lastVoice = kChapter;
  record->names.layerSpecs[4] = "bg,1";
  record->V[12] = 3;
  record->V[999] = -7;
  record->S[5] = 2;
  record->F[0] = 0x01;
  record->F[3] = 0x10;     // bit 28
  record->T[1249] = 0x80;  // bit 9999, the last
  PutString(*record, 9, kChapter);
  PutString(*record, 19, std::string(32, 'x'));  // fills its row: no terminator of its own
  record->readMarks[0] = 0x81;
  record->readMarks[10239] = 0xFF;

  const auto result = RunTool({"save", "show", Slot("save01.dat", *record).string()});
  ASSERT_EQ(result.exitStatus, 0) << result.output;
  const std::vector<std::string> lines = Lines(result.output);
  auto at = [&lines](const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) - lines.begin();
  };
  const std::vector<std::string> sections = {"[header]", "[state]",   "[names]",     "[variables]",
                                             "[flags]",  "[strings]", "[read marks]"};
  for (size_t i = 0; i < sections.size(); ++i) {
    EXPECT_LT(at(sections[i]), std::ssize(lines)) << sections[i] << "\n" << result.output;
    if (i > 0) {
      EXPECT_LT(at(sections[i - 1]), at(sections[i])) << sections[i];
    }
  }
  const std::vector<std::string> expected = {
      "description = \"2024/05/01 12:34:56  第一章\"",
      "comment = \"say \\\"hi\\\"\\x09\"",
      "CallDepth = 2",
      "CallPositions[1] = 345",
      "EngineState = 3",
      "messagePageFlag = 1",
      "CallNames[0] = \"\"",
      "CallNames[1] = \"sub\"",
      "CurrentScript = \"main\"",
      "lastVoice = \"第一章\"",
      "layerSpecs[4] = \"bg,1\"",
      "V012 = 3",
      "V999 = -7",
      "S005 = 2",
      "F = 0 28",
      "T = 9999",
      "row 9 = \"第一章\"",
      "row 19 = \"" + std::string(32, 'x') + "\"",
      "set = 10",
  };
  for (const std::string& line : expected) {
    EXPECT_LT(at(line), std::ssize(lines)) << line << "\n" << result.output;
  }
  // Zero values and empty rows are left out.
  for (const char* absent : {"V000", "S000", "row 0 "}) {
    EXPECT_EQ(result.output.find(absent), std::string::npos) << absent;
  }
}

// Whatever the bytes, a file of the right size is shown: texts without a terminator or with
// bytes that are no Shift-JIS, counts out of range.
TEST_F(SaveToolTest, ShowTakesAnyBytesOfTheRightSize) {
  WriteFileBytes(dir_ / "noise.dat", std::vector<uint8_t>(kSlotFileBytes, 0xFF));
  const auto result = RunTool({"save", "show", (dir_ / "noise.dat").string()});
  EXPECT_EQ(result.exitStatus, 0) << result.output;
  EXPECT_NE(result.output.find("\nV999 = -1\n"), std::string::npos);
  EXPECT_NE(result.output.find("\nset = 81920\n"), std::string::npos);
}

TEST_F(SaveToolTest, ThumbnailKeepsEveryPixelInPlace) {
  auto record = std::make_unique<SlotRecord>();
  Bitmap24 expected(kThumbnailWidth, kThumbnailHeight);
  for (int y = 0; y < kThumbnailHeight; ++y) {
    for (int x = 0; x < kThumbnailWidth; ++x) {
      SetPixel(expected, x, y,
               {static_cast<uint8_t>(x), static_cast<uint8_t>(y), static_cast<uint8_t>(x ^ y)});
    }
  }
  // The thumbnail is BGR, rows from the top: the first pixel red, the last of the first row
  // blue, the first of the last row green.
  SetPixel(expected, 0, 0, {0, 0, 255});
  SetPixel(expected, kThumbnailWidth - 1, 0, {255, 0, 0});
  SetPixel(expected, 0, kThumbnailHeight - 1, {0, 255, 0});
  std::copy(expected.Data(), expected.Data() + kThumbnailBytes, record->thumbnail.begin());

  const fs::path png = dir_ / "thumb.png";
  const auto result =
      RunTool({"save", "thumbnail", Slot("save02.dat", *record).string(), png.string()});
  ASSERT_EQ(result.exitStatus, 0) << result.output;
  const Bitmap24 picture = tools::ReadPng(png);
  EXPECT_TRUE(picture == expected);
}

TEST_F(SaveToolTest, FilesOfAnotherSizeOrNoneAreRefused) {
  const std::vector<uint8_t> slot = WriteSlotRecord(SlotRecord{});
  struct Case {
    const char* name;
    size_t size;       // SIZE_MAX: no file at all
    const char* says;  // after the file's name
  } cases[] = {
      {"cut.dat", kSlotFileBytes - 1, "200977 bytes; a save slot file has exactly 200978"},
      {"long.dat", kSlotFileBytes + 1, "200979 bytes; a save slot file has exactly 200978"},
      {"empty.dat", 0, "0 bytes; a save slot file has exactly 200978"},
      {"absent.dat", SIZE_MAX, "no such file"},
  };
  const fs::path png = dir_ / "out.png";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path file = dir_ / c.name;
    if (c.size != SIZE_MAX) {
      std::vector<uint8_t> bytes = slot;
      bytes.resize(c.size, 0);
      WriteFileBytes(file, bytes);
    }
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"save", "show", file.string()},
          std::vector<std::string>{"save", "thumbnail", file.string(), png.string()}}) {
      const auto result = RunTool(args);
      EXPECT_EQ(result.exitStatus, 1) << args[1];
      // The message alone: nothing of the slot is printed.
      EXPECT_EQ(result.output, "tolven-tool: " + file.string() + ": " + c.says + "\n");
      EXPECT_FALSE(fs::exists(png)) << args[1];
    }
  }
}

}  // namespace
}  // namespace tolven
