#include "save/save_slot.h"

#include <gtest/gtest.h>

#include <random>

#include "save_test_support.h"
#include "test_support.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;
using testing::PutInt32;
using testing::PutText;
using testing::TempDir;

const std::string kTitle = "\x91\xe6\x88\xea\x8f\xcd";  // Shift-JIS 第一章

// A slot with a value at the start and the end of every block, and every state value apart.
std::unique_ptr<SlotRecord> KnownRecord() {
  auto r = std::make_unique<SlotRecord>();
  r->description = "2024/03/05 07:08:09  " + kTitle;
  r->comment = "hello";
  r->F = {0x01};
  r->F[127] = 0x80;
  r->reserved[0] = 0xAA;
  r->reserved[1023] = 0x55;
  r->V[0] = 1;
  r->V[999] = -2;
  r->S[0] = 3;
  r->S[199] = 0x12345678;
  r->readMarks[0] = 0x01;
  r->readMarks[10239] = 0x80;
  r->T[0] = 0x02;
  r->T[1249] = 0x40;
  SlotState& s = r->state;
  s.CallDepth = 9;
  for (int i = 0; i < 9; ++i) s.CallPositions[static_cast<size_t>(i)] = 1000 + i + 1;
  s.windowOpen = 1;
  int32_t value = 1011;
  for (int32_t* field :
       {&s.WaitTicks, &s.CharDelay, &s.PageWait, &s.EngineState, &s.lastPictureGrb}) {
    *field = value++;
  }
  value = 1017;
  for (int32_t* field : {&s.TextColumn, &s.TextRow, &s.TextSize, &s.TextColour}) *field = value++;
  s.backlogLineCount = 1000;
  value = 1022;
  for (int32_t* field : {&s.backlogWritePos, &s.ScriptRunning, &s.NeedLine, &s.LineStart,
                         &s.resumePos, &s.ScriptSize, &s.LinePos, &s.textMode, &s.historyCount}) {
    *field = value++;
  }
  s.messagePageFlag = 1032;
  r->backlogText[0] = 'a';
  r->backlogText[69999] = 'z';
  r->LineBuffer = "*gra A01,6";
  SlotNames& n = r->names;
  for (int i = 0; i < 9; ++i) n.CallNames[static_cast<size_t>(i)] = "call" + std::to_string(i);
  n.CurrentScript = "current";
  n.LoadedScriptName = "loaded";
  n.background = "A01";
  n.characters = "B01,B02";
  n.pageCleared = "cleared";
  n.recordScript = "recorded";
  n.loopingEffect = "SE_RAIN";
  n.lastVoice = "V001";
  for (int i = 0; i < 5; ++i) n.layerSpecs[static_cast<size_t>(i)] = "L" + std::to_string(i);
  r->strings[0] = 'Y';
  r->strings[639] = 'Z';
  r->pageText[0] = 'P';
  r->pageText[1999] = 'Q';
  r->pageAttributes[0] = 3;
  r->pageAttributes[1999] = 8;
  for (int i = 0; i < 20; ++i) {
    SlotHistoryPage& page = r->history[static_cast<size_t>(i)];
    page.text[0] = static_cast<uint8_t>('a' + i);
    page.text[1999] = static_cast<uint8_t>(i + 1);
    page.fixed = 2000 + i;
    page.screen = "A0" + std::to_string(i) + ",B" + std::to_string(i);
    page.voices = "v" + std::to_string(i) + " ";
    page.mode = i % 2;
  }
  r->thumbnail[0] = 1;
  r->thumbnail[57599] = 2;
  return r;
}

// The same slot placed byte by byte from the layout table.
std::vector<uint8_t> KnownFile() {
  std::vector<uint8_t> b(200978, 0);
  PutText(b, 0, "2024/03/05 07:08:09  " + kTitle);
  PutText(b, 96, "hello");
  b[128] = 0x01;
  b[255] = 0x80;
  b[256] = 0xAA;
  b[1279] = 0x55;
  PutInt32(b, 1280, 1);
  PutInt32(b, 1280 + 4 * 999, -2);
  PutInt32(b, 5280, 3);
  PutInt32(b, 5280 + 4 * 199, 0x12345678);
  b[6080] = 0x01;
  b[16319] = 0x80;
  b[16320] = 0x02;
  b[17569] = 0x40;
  PutInt32(b, 17570, 9);
  for (int i = 1; i <= 15; ++i) PutInt32(b, 17570 + 4 * i, i == 10 ? 1 : 1000 + i);
  for (int i = 17; i <= 30; ++i) PutInt32(b, 17570 + 4 * i, i == 21 ? 1000 : 1000 + i);
  PutInt32(b, 17570 + 4 * 32, 1032);
  b[17826] = 'a';
  b[87825] = 'z';
  PutText(b, 87826, "*gra A01,6");
  for (int i = 0; i < 9; ++i) PutText(b, 89874 + 30 * i, "call" + std::to_string(i));
  const std::pair<size_t, std::string> names[] = {
      {270, "current"}, {300, "loaded"},   {330, "A01"},     {360, "B01,B02"},
      {420, "cleared"}, {450, "recorded"}, {480, "SE_RAIN"}, {510, "V001"},
  };
  for (const auto& [offset, text] : names) PutText(b, 89874 + offset, text);
  for (int i = 0; i < 5; ++i) PutText(b, 89874 + 560 + 20 * i, "L" + std::to_string(i));
  b[90898] = 'Y';
  b[91537] = 'Z';
  b[91538] = 'P';
  b[93537] = 'Q';
  b[93538] = 3;
  b[95537] = 8;
  for (int i = 0; i < 20; ++i) {
    const size_t u = static_cast<size_t>(i);
    b[95538 + 2000 * u] = static_cast<uint8_t>('a' + i);
    b[95538 + 2000 * u + 1999] = static_cast<uint8_t>(i + 1);
    PutInt32(b, 135538 + 4 * u, 2000 + i);
    PutText(b, 135618 + 128 * u, "A0" + std::to_string(i) + ",B" + std::to_string(i));
    PutText(b, 138178 + 256 * u, "v" + std::to_string(i) + " ");
    PutInt32(b, 143298 + 4 * u, i % 2);
  }
  b[143378] = 1;
  b[200977] = 2;
  return b;
}

TEST(SaveSlotTest, EveryBlockIsAtItsOffset) {
  const std::vector<uint8_t> written = WriteSlotRecord(*KnownRecord());
  const std::vector<uint8_t> known = KnownFile();
  ASSERT_EQ(written.size(), known.size());
  for (size_t i = 0; i < known.size(); ++i) {
    ASSERT_EQ(written[i], known[i]) << "first difference at offset " << i;
  }
}

TEST(SaveSlotTest, TheKnownBytesLoadIntoEveryField) {
  SlotRecord read;
  ReadSlotRecord(KnownFile(), read);
  const auto known = KnownRecord();
  EXPECT_EQ(read.description, known->description);
  EXPECT_EQ(read.state, known->state);
  EXPECT_EQ(read.names, known->names);
  EXPECT_EQ(read.history, known->history);
  EXPECT_TRUE(read == *known);
}

TEST(SaveSlotTest, ReservedValuesAreWrittenAsZeroAndIgnoredWhenRead) {
  std::vector<uint8_t> file = KnownFile();
  for (int index : {16, 31, 33, 63}) PutInt32(file, 17570 + 4 * index, 77);
  PutText(file, 89874 + 540, "reserved");
  PutText(file, 89874 + 660, "zero");
  SlotRecord read;
  ReadSlotRecord(file, read);
  EXPECT_TRUE(read == *KnownRecord());
  EXPECT_EQ(WriteSlotRecord(read), KnownFile());
}

TEST(SaveSlotTest, ValuesThatIndexTheEngineAreKeptWithinItsTables) {
  const struct {
    int index;
    int32_t stored;
    int32_t SlotState::*field;
    int32_t loaded;
  } cases[] = {
      {0, -1, &SlotState::CallDepth, 0},
      {0, 10, &SlotState::CallDepth, 9},
      {0, 9, &SlotState::CallDepth, 9},
      {10, 5, &SlotState::windowOpen, 1},
      {10, -1, &SlotState::windowOpen, 1},
      {10, 0, &SlotState::windowOpen, 0},
      {21, 1001, &SlotState::backlogLineCount, 1000},
      {21, -5, &SlotState::backlogLineCount, 0},
      {30, -20, &SlotState::historyCount, 0},
      {30, 12345, &SlotState::historyCount, 12345},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> file = KnownFile();
    PutInt32(file, 17570 + 4 * c.index, c.stored);
    SlotRecord read;
    ReadSlotRecord(file, read);
    EXPECT_EQ(read.state.*c.field, c.loaded) << "index " << c.index << " stored " << c.stored;
  }
}

TEST(SaveSlotTest, AFileOfAnotherSizeIsReadAsFarAsItGoes) {
  const std::vector<uint8_t> known = KnownFile();
  // Cuts at block edges and inside integers and texts.
  for (size_t cut : {0u, 1u, 95u, 96u, 130u, 1282u, 17570u, 17572u, 17826u, 87830u, 89875u,
                     89874u + 365u, 93538u, 135540u, 143378u, 143379u, 200977u}) {
    SlotRecord read;
    ReadSlotRecord(std::span<const uint8_t>(known.data(), cut), read);
    std::vector<uint8_t> expected(known.begin(), known.begin() + static_cast<ptrdiff_t>(cut));
    expected.resize(known.size(), 0);
    EXPECT_EQ(WriteSlotRecord(read), expected) << "cut at " << cut;
  }
  std::vector<uint8_t> longer = known;
  longer.resize(300000, 0xEE);
  SlotRecord read;
  ReadSlotRecord(longer, read);
  EXPECT_TRUE(read == *KnownRecord());
}

TEST(SaveSlotTest, RandomFilesReadWithinLimits) {
  std::mt19937 random(11);
  for (size_t size : {1u, 100u, 17600u, 90000u, 200978u, 250000u}) {
    std::vector<uint8_t> bytes(size);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
    auto read = std::make_unique<SlotRecord>();
    ReadSlotRecord(bytes, *read);
    EXPECT_GE(read->state.CallDepth, 0);
    EXPECT_LE(read->state.CallDepth, 9);
    EXPECT_GE(read->state.backlogLineCount, 0);
    EXPECT_LE(read->state.backlogLineCount, 1000);
    EXPECT_GE(read->state.historyCount, 0);
    EXPECT_LE(read->description.size(), 96u);
    EXPECT_LE(read->names.characters.size(), 60u);
    EXPECT_EQ(WriteSlotRecord(*read).size(), 200978u) << size;
  }
}

TEST(SaveSlotTest, SlotFilesAreNamedByTwoDigits) {
  const fs::path folder = "/games/x/save";
  const std::pair<int, const char*> cases[] = {
      {1, "save01.dat"}, {9, "save09.dat"}, {61, "save61.dat"}, {99, "save99.dat"}};
  for (const auto& [slot, name] : cases) EXPECT_EQ(SlotPath(folder, slot), folder / name);
}

TEST(SaveSlotTest, SaveAndLoadGoThroughTheFolder) {
  TempDir dir;
  const fs::path folder = dir / "save";
  ASSERT_TRUE(SaveSlot(folder, 7, *KnownRecord()));
  EXPECT_EQ(testing::ReadFileBytes(folder / "save07.dat"), KnownFile());
  const std::unique_ptr<SlotRecord> loaded = LoadSlot(folder, 7);
  ASSERT_NE(loaded, nullptr);
  EXPECT_TRUE(*loaded == *KnownRecord());

  const std::optional<SlotHeader> header = ReadSlotHeader(folder, 7);
  ASSERT_TRUE(header.has_value());
  EXPECT_EQ(header->description, KnownRecord()->description);
  EXPECT_EQ(header->comment, "hello");

  EXPECT_EQ(LoadSlot(folder, 8), nullptr);
  EXPECT_FALSE(ReadSlotHeader(folder, 8).has_value());
  for (int slot : {0, 100, -1}) {
    EXPECT_FALSE(SaveSlot(folder, slot, SlotRecord{})) << slot;
    EXPECT_EQ(LoadSlot(folder, slot), nullptr) << slot;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

// A file cut short lacks where the script goes on: it is not loaded, and its header, as far as
// it goes, says it is damaged. A longer file loads as far as the layout goes.
TEST(SaveSlotTest, AShortSlotIsNotLoadedALongerOneIsReadToTheLayout) {
  TempDir dir;
  const std::string title = "2024/03/05 07:08:09  " + kTitle;
  const struct {
    size_t size;
    bool loads;
    std::string description;
  } cases[] = {
      {0, false, ""},
      {20, false, title.substr(0, 20)},
      {128, false, title},
      {1284, false, title},   // header, F bits, reserved block and V000
      {17570, false, title},  // every bank, but no interpreter state
      {kSlotFileBytes - 1, false, title},
      {kSlotFileBytes, true, title},
      {kSlotFileBytes + 100000, true, title},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    std::vector<uint8_t> file = KnownFile();
    file.resize(c.size, 0xEE);
    testing::WriteFileBytes(dir / "save03.dat", file);
    const std::unique_ptr<SlotRecord> loaded = LoadSlot(dir.Path(), 3);
    EXPECT_EQ(loaded != nullptr, c.loads);
    if (loaded) {
      EXPECT_TRUE(*loaded == *KnownRecord());
    }
    const std::optional<SlotHeader> header = ReadSlotHeader(dir.Path(), 3);
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->damaged, !c.loads);
    EXPECT_EQ(header->description, c.description);
    EXPECT_EQ(header->comment, c.size >= 128 ? "hello" : "");
  }
}

TEST(SaveSlotTest, AWriteCutShortLeavesTheOldSlot) {
  TempDir dir;
  ASSERT_TRUE(SaveSlot(dir.Path(), 5, *KnownRecord()));
  auto newer = KnownRecord();
  newer->V[0] = 99;
  bool saved = true;
  {
    testing::ScopedFileSizeLimit limit(100000);
    saved = SaveSlot(dir.Path(), 5, *newer);
  }
  EXPECT_FALSE(saved);
  EXPECT_EQ(testing::ReadFileBytes(dir / "save05.dat"), KnownFile());
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(SaveSlotTest, CommentsAreCutToThirtyBytesOnACharacterBoundary) {
  const std::string wide = "\x82\xa0";  // Shift-JIS あ, two bytes
  auto repeat = [](const std::string& text, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += text;
    return out;
  };
  const struct {
    const char* name;
    std::string text;
    std::string stored;
  } cases[] = {
      {"short", "hello", "hello"},
      {"twenty wide characters", repeat(wide, 20), repeat(wide, 15)},
      {"a wide character across the edge", "a" + repeat(wide, 15), "a" + repeat(wide, 14)},
      {"thirty-one bytes", std::string(31, 'x'), std::string(30, 'x')},
      {"a lead byte at the very end", "ab\x82", "ab"},
      {"an inner NUL", std::string("ab\0cd", 5), "ab"},
      {"empty", "", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(CutSlotComment(c.text), c.stored) << c.name;
}

TEST(SaveSlotTest, WriteSlotCommentChangesTheCommentAlone) {
  TempDir dir;
  ASSERT_TRUE(SaveSlot(dir.Path(), 12, *KnownRecord()));
  EXPECT_TRUE(WriteSlotComment(dir.Path(), 12, std::string(40, 'c')));
  std::vector<uint8_t> expected = KnownFile();
  std::fill(expected.begin() + 96, expected.begin() + 128, 0);
  PutText(expected, 96, std::string(30, 'c'));
  EXPECT_EQ(testing::ReadFileBytes(dir / "save12.dat"), expected);

  EXPECT_FALSE(WriteSlotComment(dir.Path(), 13, "nothing there"));
  EXPECT_FALSE(fs::exists(dir / "save13.dat"));

  testing::WriteFileBytes(dir / "save14.dat", {1, 2, 3});
  EXPECT_TRUE(WriteSlotComment(dir.Path(), 14, "hi"));
  std::vector<uint8_t> grown(128, 0);
  grown[0] = 1, grown[1] = 2, grown[2] = 3, grown[96] = 'h', grown[97] = 'i';
  EXPECT_EQ(testing::ReadFileBytes(dir / "save14.dat"), grown);
}

TEST(SaveSlotTest, DescriptionsCarryTheTimeTheTitleAndTheShop) {
  std::tm time{};
  time.tm_year = 2024 - 1900;
  time.tm_mon = 2;
  time.tm_mday = 5;
  time.tm_hour = 7;
  time.tm_min = 8;
  time.tm_sec = 9;
  const struct {
    std::string title;
    bool shop;
    std::string expected;
  } cases[] = {
      {kTitle, false, "2024/03/05 07:08:09  " + kTitle},
      {"", false, "2024/03/05 07:08:09  "},
      {kTitle, true, "2024/03/05 07:08:09  " + kTitle + "(Map)"},
      {std::string("ch\0junk", 7), false, "2024/03/05 07:08:09  ch"},
  };
  for (const auto& c : cases) EXPECT_EQ(SlotDescription(time, c.title, c.shop), c.expected);
}

TEST(SaveSlotTest, ResumePositionFollowsChoicesBacktoAndTheShop) {
  const struct {
    ChoiceKind choice;
    int32_t s010;
    EngineScreen screen;
    uint32_t expected;
  } cases[] = {
      {ChoiceKind::None, 0, EngineScreen::Story, 500},
      {ChoiceKind::None, 77, EngineScreen::Story, 500},
      {ChoiceKind::Select, 0, EngineScreen::Story, 400},
      {ChoiceKind::Seltree, 0, EngineScreen::Story, 400},
      {ChoiceKind::Select, 77, EngineScreen::Story, 77},
      {ChoiceKind::None, 0, EngineScreen::Shop, 400},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SlotResumePosition(500, 400, c.choice, c.s010, c.screen), c.expected)
        << static_cast<int>(c.choice) << " " << c.s010 << " " << static_cast<int>(c.screen);
  }
  EXPECT_EQ(SlotEngineState(EngineScreen::Shop), 0);
  EXPECT_EQ(SlotEngineState(EngineScreen::WindowHidden), 1);
  EXPECT_EQ(SlotEngineState(EngineScreen::Viewer), 6);
}

TEST(SaveSlotTest, TheThumbnailTakesEveryFifthPixelOfTheScene) {
  Bitmap24 scene(800, 600);
  auto pixel = [](int x, int y) {
    return std::array<uint8_t, 3>{static_cast<uint8_t>(x), static_cast<uint8_t>(y),
                                  static_cast<uint8_t>(x / 256 + 16 * (y / 256))};
  };
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) {
      const auto p = pixel(x, y);
      std::copy(p.begin(), p.end(), scene.Row(y) + 3 * x);
    }
  }
  SlotRecord record;
  ScaleThumbnail(scene, record.thumbnail);
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < 160; ++x) {
      const auto p = pixel(5 * x, 5 * y);
      const uint8_t* got = record.thumbnail.data() + 480 * y + 3 * x;
      ASSERT_TRUE(std::equal(p.begin(), p.end(), got)) << x << "," << y;
    }
  }
  const Bitmap24 picture = ThumbnailPicture(record);
  EXPECT_EQ(picture.Width(), 160);
  EXPECT_EQ(picture.Height(), 120);
  EXPECT_TRUE(std::equal(record.thumbnail.begin(), record.thumbnail.end(), picture.Data()));

  record.thumbnail.fill(9);
  ScaleThumbnail(Bitmap24(), record.thumbnail);
  EXPECT_EQ(record.thumbnail, SlotRecord{}.thumbnail);
}

}  // namespace
}  // namespace tolven
