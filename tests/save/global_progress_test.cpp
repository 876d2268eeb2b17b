#include "save/global_progress.h"

#include <gtest/gtest.h>

#include <random>

#include "save/save_files.h"
#include "save_test_support.h"
#include "test_support.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;
using testing::PutInt32;
using testing::PutText;
using testing::TempDir;

// A state with a value at both ends of every block.
GlobalProgress KnownProgress() {
  GlobalProgress p;
  p.E[0] = 0x01;    // E000
  p.E[124] = 0x80;  // E999
  p.SetGalleryFlag(0);
  p.SetGalleryFlag(1999);
  p.SetSceneFlag(5);
  p.SetSceneFlag(1998);
  p.Mark(0);
  p.Mark(80000);
  p.recordSlots[0][1] = 7;    // first entry of the first slot
  p.recordSlots[0][49] = 8;   // its last entry
  p.recordSlots[1][0] = 9;    // the unused entry 0 of the second slot
  p.recordSlots[1][1] = -3;   // signed
  p.recordSlots[9][49] = 11;  // the last entry of the last slot
  p.recordSlotNames[0] = "Record Slot 1";
  p.recordSlotNames[9] = "\x89\xf1\x91\x7a";  // Shift-JIS 回想
  return p;
}

std::vector<uint8_t> KnownSave0() {
  std::vector<uint8_t> bytes(10880, 0);
  bytes[0] = 0x01;
  bytes[124] = 0x80;
  bytes[128] = 0x01;          // gallery 0
  bytes[128 + 249] = 0x80;    // gallery 1999
  bytes[384] = 0x20;          // scene 5
  bytes[384 + 249] = 0x40;    // scene 1998
  bytes[640] = 0x01;          // mark 0
  bytes[640 + 10000] = 0x01;  // mark 80000
  return bytes;
}

std::vector<uint8_t> KnownKaiso() {
  std::vector<uint8_t> bytes(2640, 0);
  PutInt32(bytes, 0, 7);
  PutInt32(bytes, 4 * 48, 8);
  PutInt32(bytes, 4 * 49, 9);
  PutInt32(bytes, 4 * 50, -3);
  PutInt32(bytes, 4 * 498, 11);
  PutText(bytes, 2000, "Record Slot 1");
  PutText(bytes, 2000 + 9 * 64, "\x89\xf1\x91\x7a");
  return bytes;
}

TEST(GlobalProgressTest, Save0HasEveryBitAtItsOffsetAndReadsBack) {
  EXPECT_EQ(WriteSave0(KnownProgress()), KnownSave0());

  GlobalProgress read;
  ReadSave0(KnownSave0(), read);
  const GlobalProgress known = KnownProgress();
  EXPECT_EQ(read.E, known.E);
  EXPECT_EQ(read.galleryFlags, known.galleryFlags);
  EXPECT_EQ(read.sceneFlags, known.sceneFlags);
  EXPECT_EQ(read.readMarks, known.readMarks);
  EXPECT_TRUE(read.GalleryFlag(1999));
  EXPECT_TRUE(read.SceneFlag(5));
  EXPECT_TRUE(read.ReadMark(80000));
}

TEST(GlobalProgressTest, KaisoStartsOneEntryIntoTheFirstSlotAndReadsBack) {
  EXPECT_EQ(WriteKaiso(KnownProgress()), KnownKaiso());

  GlobalProgress read;
  std::vector<uint8_t> bytes = KnownKaiso();
  PutInt32(bytes, 4 * 499, 12345);  // would be entry 0 of an eleventh slot: nowhere to go
  ReadKaiso(bytes, read);
  const GlobalProgress known = KnownProgress();
  EXPECT_EQ(read.recordSlots, known.recordSlots);
  EXPECT_EQ(read.recordSlotNames, known.recordSlotNames);
  EXPECT_EQ(WriteKaiso(read), KnownKaiso());
}

TEST(GlobalProgressTest, IndexesOutsideTheirRangeAreIgnored) {
  const struct {
    int index;
    bool listFlag;  // gallery and scene flags, 0-1999
    bool readMark;  // 0-80000
  } cases[] = {
      {-1, false, false},   {0, true, true},       {1999, true, true},    {2000, false, true},
      {80000, false, true}, {80001, false, false}, {81919, false, false}, {1 << 30, false, false},
  };
  for (const auto& c : cases) {
    GlobalProgress p;
    p.SetGalleryFlag(c.index);
    p.SetSceneFlag(c.index);
    const MarkOutcome outcome = p.Mark(c.index);
    EXPECT_EQ(p.GalleryFlag(c.index), c.listFlag) << c.index;
    EXPECT_EQ(p.SceneFlag(c.index), c.listFlag) << c.index;
    EXPECT_EQ(p.ReadMark(c.index), c.readMark) << c.index;
    EXPECT_EQ(outcome, c.readMark ? MarkOutcome::NewlySet : MarkOutcome::Ignored) << c.index;
    if (!c.listFlag) {
      EXPECT_EQ(p.galleryFlags, GlobalProgress{}.galleryFlags) << c.index;
      EXPECT_EQ(p.sceneFlags, GlobalProgress{}.sceneFlags) << c.index;
    }
    if (!c.readMark) {
      EXPECT_EQ(p, GlobalProgress{}) << c.index << " changed something";
    }
  }
}

TEST(GlobalProgressTest, MarkTellsWhetherThePassageWasReadBefore) {
  GlobalProgress p;
  EXPECT_EQ(p.Mark(80000), MarkOutcome::NewlySet);
  EXPECT_EQ(p.Mark(80000), MarkOutcome::AlreadyRead);
  EXPECT_EQ(p.readMarks[10000], 0x01);
  EXPECT_EQ(p.Mark(80001), MarkOutcome::Ignored);
  EXPECT_EQ(p.readMarks[10000], 0x01);
  EXPECT_FALSE(p.ReadMark(80001));
}

TEST(GlobalProgressTest, CgfullSetsTheFlagsOfTheWholeListAndNoMore) {
  GlobalProgress p;
  p.SetGalleryFlags(13);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(p.GalleryFlag(i), i < 13) << i;
  GlobalProgress all;
  all.SetGalleryFlags(5000);
  EXPECT_TRUE(all.GalleryFlag(1999));
  EXPECT_EQ(all.galleryFlags[249], 0xFF);
}

TEST(GlobalProgressTest, AFlushMergesByAddingOnly) {
  TempDir dir;
  GlobalProgress onDisk;
  onDisk.E[0] = 0x20;  // E005, set in an earlier play-through
  onDisk.Mark(1);
  onDisk.Mark(2);
  onDisk.SetGalleryFlag(10);
  testing::WriteFileBytes(dir / "save0.dat", WriteSave0(onDisk));

  // A new game cleared the per-game banks; a loaded slot's older copy of the read marks
  // replaced the ones in memory.
  GlobalProgress memory;
  memory.Mark(3);
  memory.SetSceneFlag(4);
  const GlobalProgressWrite written = SaveGlobalProgress(dir.Path(), memory);
  EXPECT_TRUE(written.save0);
  EXPECT_TRUE(written.kaiso);

  for (int mark : {1, 2, 3}) EXPECT_TRUE(memory.ReadMark(mark)) << mark;
  EXPECT_EQ(memory.E[0], 0x20);
  EXPECT_TRUE(memory.GalleryFlag(10));
  EXPECT_TRUE(memory.SceneFlag(4));
  EXPECT_EQ(testing::ReadFileBytes(dir / "save0.dat"), WriteSave0(memory));
  EXPECT_EQ(testing::ReadFileBytes(dir / "kaiso.dat"), WriteKaiso(memory));
}

TEST(GlobalProgressTest, FilesOfOtherSizesMergeWhatTheyHold) {
  const std::vector<uint8_t> known = KnownSave0();
  const struct {
    const char* name;
    std::vector<uint8_t> file;
    GlobalProgress expected;
  } cases[] = {
      {"empty", {}, {}},
      {"E flags only", std::vector<uint8_t>(known.begin(), known.begin() + 128),
       [] {
         GlobalProgress p;
         p.E = KnownProgress().E;
         return p;
       }()},
      {"cut inside the read marks", std::vector<uint8_t>(known.begin(), known.begin() + 641),
       [] {
         GlobalProgress p = KnownProgress();
         p.readMarks[10000] = 0;
         p.recordSlots = {};
         p.recordSlotNames = {};
         return p;
       }()},
      {"longer",
       [&] {
         std::vector<uint8_t> bytes = known;
         bytes.resize(20000, 0xFF);
         return bytes;
       }(),
       [] {
         GlobalProgress p = KnownProgress();
         p.recordSlots = {};
         p.recordSlotNames = {};
         return p;
       }()},
  };
  for (const auto& c : cases) {
    TempDir dir;
    testing::WriteFileBytes(dir / "save0.dat", c.file);
    GlobalProgress memory;
    SaveGlobalProgress(dir.Path(), memory);
    EXPECT_EQ(memory, c.expected) << c.name;
    EXPECT_EQ(testing::ReadFileBytes(dir / "save0.dat"), WriteSave0(c.expected)) << c.name;
  }
}

TEST(GlobalProgressTest, AMissingFileIsWrittenAndMemoryKept) {
  TempDir dir;
  const fs::path folder = dir / "not yet";
  GlobalProgress memory = KnownProgress();
  const GlobalProgressWrite written = SaveGlobalProgress(folder, memory);
  EXPECT_TRUE(written.save0 && written.kaiso);
  EXPECT_EQ(memory, KnownProgress());
  EXPECT_EQ(testing::ReadFileBytes(folder / "save0.dat"), KnownSave0());
  EXPECT_EQ(testing::ReadFileBytes(folder / "kaiso.dat"), KnownKaiso());
}

TEST(GlobalProgressTest, AFileThatCannotBeReadIsNotOverwritten) {
  TempDir dir;
  fs::create_directory(dir / "save0.dat");
  EXPECT_EQ(ReadFilePrefix(dir / "save0.dat", 10).outcome, FileRead::Outcome::Failed);
  EXPECT_EQ(ReadFilePrefix(dir / "nothing", 10).outcome, FileRead::Outcome::Missing);

  GlobalProgress memory = KnownProgress();
  const GlobalProgressWrite written = SaveGlobalProgress(dir.Path(), memory);
  EXPECT_FALSE(written.save0);
  EXPECT_TRUE(written.kaiso);
  EXPECT_TRUE(fs::is_directory(dir / "save0.dat"));
  EXPECT_EQ(memory, KnownProgress());
}

TEST(GlobalProgressTest, AWriteCutShortLeavesTheOldFile) {
  TempDir dir;
  GlobalProgress old = KnownProgress();
  ASSERT_TRUE(SaveGlobalProgress(dir.Path(), old).save0);
  GlobalProgress more = KnownProgress();
  more.Mark(12345);
  GlobalProgressWrite written;
  {
    testing::ScopedFileSizeLimit limit(100);
    written = SaveGlobalProgress(dir.Path(), more);
  }
  EXPECT_FALSE(written.save0);
  EXPECT_FALSE(written.kaiso);
  EXPECT_EQ(testing::ReadFileBytes(dir / "save0.dat"), KnownSave0());
  EXPECT_EQ(testing::ReadFileBytes(dir / "kaiso.dat"), KnownKaiso());
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);
}

TEST(GlobalProgressTest, RecordSlotsComeBackFromKaisoAtStartUp) {
  TempDir dir;
  GlobalProgress first = KnownProgress();
  SaveGlobalProgress(dir.Path(), first);

  GlobalProgress next;
  EXPECT_TRUE(LoadRecollectionRecords(dir.Path(), next));
  EXPECT_EQ(next.recordSlots, first.recordSlots);
  EXPECT_EQ(next.recordSlotNames, first.recordSlotNames);
  EXPECT_EQ(next.readMarks, GlobalProgress{}.readMarks);  // the flush brings those

  GlobalProgress none;
  EXPECT_FALSE(LoadRecollectionRecords(dir / "elsewhere", none));
  EXPECT_EQ(none, GlobalProgress{});
}

TEST(GlobalProgressTest, RandomFilesReadWithinTheirBytes) {
  std::mt19937 random(7);
  for (size_t size : {0u, 1u, 3u, 127u, 2000u, 2001u, 2639u, 2640u, 10879u, 10880u, 30000u}) {
    std::vector<uint8_t> bytes(size);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
    GlobalProgress p;
    ReadSave0(bytes, p);
    ReadKaiso(bytes, p);
    EXPECT_EQ(WriteSave0(p).size(), 10880u) << size;
    EXPECT_EQ(WriteKaiso(p).size(), 2640u) << size;
    const size_t save0Read = std::min<size_t>(size, 10880);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + save0Read, WriteSave0(p).begin()))
        << size;
  }
}

}  // namespace
}  // namespace tolven
