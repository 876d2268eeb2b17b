#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>
#include <chrono>
#include <cstring>
#include <future>

#include "resources/archive_index.h"
#include "resources/archives.h"
#include "test_support.h"
#include "tools/archive_writer.h"

namespace tolven {
namespace {

using tools::ArchiveInput;
using tools::BuildArchive;

std::vector<uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

TEST(ArchiveIndexTest, LayoutAKeepsFifteenCharacterNamesAndUpperCasesThem) {
  auto archive =
      BuildArchive(ArchiveLayout::A, {{"abcdefghijklmno", Bytes("x")}, {"main", Bytes("yz")}});
  ArchiveIndex index = ParseArchiveIndex(archive.data(), archive.size(), ArchiveLayout::A);
  ASSERT_EQ(index.Size(), 2u);
  EXPECT_EQ(index.names[0], "ABCDEFGHIJKLMNO");
  EXPECT_EQ(index.names[1], "MAIN");
  EXPECT_EQ(index.sizes[1], 2u);
  for (const char* name : {"main", "Main", "MAIN"}) EXPECT_EQ(FindEntry(index, name), 1) << name;
  EXPECT_EQ(FindEntry(index, "mai"), -1);
}

TEST(ArchiveIndexTest, DuplicateNamesResolveToTheFirstEntry) {
  auto archive = BuildArchive(ArchiveLayout::B,
                              {{"other", Bytes("0")}, {"Pic", Bytes("1")}, {"PIC", Bytes("22")}});
  ArchiveIndex index = ParseArchiveIndex(archive.data(), archive.size(), ArchiveLayout::B);
  ASSERT_EQ(index.Size(), 3u);
  EXPECT_EQ(FindEntry(index, "pic"), 1);
}

TEST(ArchiveIndexTest, LayoutBNameEndsAtItsTerminator) {
  auto archive = BuildArchive(ArchiveLayout::B, {{"LONGERNAME", Bytes("a")}, {"ab", Bytes("b")}});
  // Junk after the terminator of the second name field must not become part of the name.
  const size_t secondName = 8 + (11 + 8);
  archive[secondName + 3] = 'Q';
  archive[secondName + 4] = 'R';
  ArchiveIndex index = ParseArchiveIndex(archive.data(), archive.size(), ArchiveLayout::B);
  ASSERT_EQ(index.Size(), 2u);
  EXPECT_EQ(index.names[1], "AB");
  EXPECT_EQ(index.nameWidth, 11u);
}

TEST(ArchiveIndexTest, UpperCaseLeavesDoubleByteCharactersWhole) {
  // 0x82 0x61 is a full-width letter whose second byte is 'a'.
  EXPECT_EQ(UpperCaseName("sys_\x82\x61x"), "SYS_\x82\x61X");
}

struct MalformedIndexCase {
  const char* what;
  ArchiveLayout layout;
  std::vector<uint8_t> bytes;
  std::vector<std::string> expectedNames;
};

std::vector<MalformedIndexCase> MalformedIndexCases() {
  std::vector<MalformedIndexCase> cases;
  cases.push_back({"empty file", ArchiveLayout::A, {}, {}});
  cases.push_back({"count only, B", ArchiveLayout::B, {0, 0, 0, 0}, {}});
  cases.push_back({"B with no entries", ArchiveLayout::B, {0, 0, 0, 0, 8, 0, 0, 0}, {}});
  {
    auto good = BuildArchive(ArchiveLayout::B, {{"A1", Bytes("x")}, {"B2", Bytes("y")}});
    PutU32(good, 0, 0xFFFFFFFF);  // count far beyond the file: the two real records stay
    cases.push_back({"count beyond the file", ArchiveLayout::B, good, {"A1", "B2"}});
  }
  {
    auto zeroWidth = BuildArchive(ArchiveLayout::B, {{"A1", Bytes("x")}});
    PutU32(zeroWidth, 4, 0);
    cases.push_back({"name width 0", ArchiveLayout::B, zeroWidth, {}});
  }
  {
    auto hugeWidth = BuildArchive(ArchiveLayout::B, {{"A1", Bytes("x")}});
    PutU32(hugeWidth, 4, 0x7FFFFFFF);
    cases.push_back({"name width beyond the file", ArchiveLayout::B, hugeWidth, {}});
  }
  {
    auto badData = BuildArchive(ArchiveLayout::A, {{"GOOD", Bytes("ok")}, {"BAD", Bytes("no")}});
    PutU32(badData, 4 + 24 + 16, 0xFFFFFFF0);  // offset of BAD past the end
    cases.push_back({"data offset past the end", ArchiveLayout::A, badData, {"GOOD"}});
  }
  {
    auto badSize = BuildArchive(ArchiveLayout::A, {{"BAD", Bytes("no")}, {"GOOD", Bytes("ok")}});
    PutU32(badSize, 4 + 20, 0xFFFFFFFF);  // size that wraps offset + size in 32 bits
    cases.push_back({"size that wraps", ArchiveLayout::A, badSize, {"GOOD"}});
  }
  {
    auto unterminated = BuildArchive(ArchiveLayout::A, {{"X", Bytes("1")}});
    std::memset(unterminated.data() + 4, 'n', 16);
    cases.push_back(
        {"name without terminator", ArchiveLayout::A, unterminated, {"NNNNNNNNNNNNNNNN"}});
  }
  {
    auto cut = BuildArchive(ArchiveLayout::A, {{"A", Bytes("1")}, {"B", Bytes("2")}});
    cut.resize(4 + 24 + 10);  // second record cut short; the first one's data is gone too
    cases.push_back({"table cut short", ArchiveLayout::A, cut, {}});
  }
  return cases;
}

TEST(ArchiveIndexTest, MalformedIndexesNeverReachPastTheFile) {
  for (const MalformedIndexCase& c : MalformedIndexCases()) {
    ArchiveIndex index = ParseArchiveIndex(c.bytes.data(), c.bytes.size(), c.layout);
    EXPECT_EQ(index.names, c.expectedNames) << c.what;
    for (size_t i = 0; i < index.Size(); ++i) {
      EXPECT_LE(uint64_t{index.offsets[i]} + index.sizes[i], c.bytes.size()) << c.what;
    }
  }
}

TEST(ArchiveIndexTest, FileLoaderMatchesTheMemoryParserAndToleratesAbsentFiles) {
  testing::TempDir dir;
  auto archive = BuildArchive(ArchiveLayout::B, {{"one", Bytes("1")}, {"two", Bytes("22")}});
  PutU32(archive, 0, 0x40000000);  // count that would need gigabytes of table
  testing::WriteFileBytes(dir / "a.tvk", archive);
  ArchiveIndex index = LoadArchiveIndex(dir / "a.tvk", ArchiveLayout::B);
  EXPECT_EQ(index.names, (std::vector<std::string>{"ONE", "TWO"}));
  EXPECT_EQ(index.offsets[1], 8u + 2 * (4 + 8) + 1);
  EXPECT_TRUE(LoadArchiveIndex(dir / "absent.tvk", ArchiveLayout::A).Empty());
}

// The checking parser keeps exactly the entries the engine keeps, and names every reason it
// dropped one or distrusts the index.
TEST(ArchiveIndexTest, CheckingNamesEveryFaultAndKeepsWhatTheEngineKeeps) {
  struct Case {
    const char* what;
    ArchiveLayout layout;
    std::vector<uint8_t> bytes;
    std::vector<std::string> faultsMention;  // one fragment per expected fault, in order
  };
  std::vector<Case> cases;
  cases.push_back(
      {"sound A", ArchiveLayout::A, BuildArchive(ArchiveLayout::A, {{"X", Bytes("1")}}), {}});
  cases.push_back({"sound B, no entries", ArchiveLayout::B, {0, 0, 0, 0, 8, 0, 0, 0}, {}});
  cases.push_back({"empty file", ArchiveLayout::A, {}, {"too short for an index header"}});
  cases.push_back(
      {"header cut short", ArchiveLayout::B, {1, 0, 0, 0, 8}, {"5 bytes is too short"}});
  {
    auto bytes = BuildArchive(ArchiveLayout::B, {{"A1", Bytes("x")}});
    PutU32(bytes, 4, 0);
    cases.push_back({"name width 0", ArchiveLayout::B, bytes, {"name width 0"}});
    PutU32(bytes, 4, 0x7FFFFFFF);
    cases.push_back({"name width beyond the file",
                     ArchiveLayout::B,
                     bytes,
                     {"name width 2147483647 is larger than the file"}});
  }
  {
    auto bytes = BuildArchive(ArchiveLayout::B, {{"A1", Bytes("x")}, {"B2", Bytes("y")}});
    PutU32(bytes, 0, 1000000);
    cases.push_back({"count impossible for the file",
                     ArchiveLayout::B,
                     bytes,
                     {"index of 1000000 entries needs 11000008 bytes and runs past the end"}});
  }
  {
    auto bytes = BuildArchive(ArchiveLayout::A, {{"GOOD", Bytes("ok")}, {"BAD", Bytes("no")}});
    PutU32(bytes, 4 + 24 + 16, 0xFFFFFFF0);
    cases.push_back({"data past the end",
                     ArchiveLayout::A,
                     bytes,
                     {"entry 1 (BAD): data at offset 4294967280, size 2, runs past the end"}});
  }
  {
    auto bytes = BuildArchive(ArchiveLayout::A, {{"X", Bytes("1")}});
    std::memset(bytes.data() + 4, 'n', 16);
    cases.push_back({"name without terminator",
                     ArchiveLayout::A,
                     bytes,
                     {"entry 0: name has no terminating zero byte within its 16-byte field"}});
  }
  {
    auto bytes = BuildArchive(ArchiveLayout::A, {{"A", Bytes("1")}, {"B", Bytes("2")}});
    bytes.resize(4 + 24 + 10);
    cases.push_back({"truncated archive",
                     ArchiveLayout::A,
                     bytes,
                     {"runs past the end of the file (38 bytes; room for 1 entries)",
                      "entry 0 (A): data at offset 52"}});
  }
  {
    // A layout A file read as B: its first name becomes the name width.
    auto bytes = BuildArchive(ArchiveLayout::A, {{"main", Bytes("text")}});
    cases.push_back({"layout A read as B", ArchiveLayout::B, bytes, {"is larger than the file"}});
  }
  {
    std::vector<uint8_t> garbage(3000);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 131 + 7);
    cases.push_back(
        {"garbage", ArchiveLayout::B, garbage, {"is larger than the file (3000 bytes)"}});
  }
  for (const Case& c : cases) {
    ArchiveIndexFaults faults;
    ArchiveIndex checked = CheckArchiveIndex(c.bytes.data(), c.bytes.size(), c.layout, faults);
    EXPECT_EQ(checked, ParseArchiveIndex(c.bytes.data(), c.bytes.size(), c.layout)) << c.what;
    ASSERT_EQ(faults.listed.size(), c.faultsMention.size())
        << c.what << ": " << (faults.listed.empty() ? "" : faults.listed[0]);
    for (size_t i = 0; i < c.faultsMention.size(); ++i) {
      EXPECT_NE(faults.listed[i].find(c.faultsMention[i]), std::string::npos)
          << c.what << ": " << faults.listed[i];
    }
  }
}

TEST(ArchiveIndexTest, FaultListStopsGrowingButKeepsCounting) {
  std::vector<ArchiveInput> entries;
  for (int i = 0; i < 30; ++i) entries.push_back({"E" + std::to_string(i), Bytes("data")});
  auto bytes = BuildArchive(ArchiveLayout::B, entries);
  bytes.resize(bytes.size() - 4 * 30);  // every entry's data is gone
  ArchiveIndexFaults faults;
  EXPECT_TRUE(CheckArchiveIndex(bytes.data(), bytes.size(), ArchiveLayout::B, faults).Empty());
  EXPECT_EQ(faults.listed.size(), ArchiveIndexFaults::kListed);
  EXPECT_EQ(faults.unlisted, 30 - ArchiveIndexFaults::kListed);
}

// Opening a FIFO for reading waits for a writer; the loader must refuse it instead. Should it
// block, the test opens the writing end itself so the loader's thread can finish.
template <typename Work>
bool FinishesWithoutWaitingOnFifo(const std::filesystem::path& fifo, Work work) {
  auto done = std::async(std::launch::async, work);
  if (done.wait_for(std::chrono::seconds(3)) == std::future_status::ready) return true;
  const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
  if (writer >= 0) ::close(writer);
  done.wait();
  return false;
}

TEST(ArchiveIndexTest, OnlyRegularFilesAreReadAsArchives) {
  testing::TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "qe_data.tvk").c_str(), 0600), 0);
  std::filesystem::create_directory(dir / "qe_gra.tvk");
  ArchiveIndex index;
  index.count = 7;
  EXPECT_TRUE(FinishesWithoutWaitingOnFifo(dir / "qe_data.tvk", [&] {
    index = LoadArchiveIndex(dir / "qe_data.tvk", ArchiveLayout::A);
  }));
  EXPECT_EQ(index, ArchiveIndex{});
  EXPECT_EQ(LoadArchiveIndex(dir / "qe_gra.tvk", ArchiveLayout::B), ArchiveIndex{});
}

// Game folders that cannot even be looked into are folders without archives: nothing throws and
// nothing is found.
TEST(ArchiveIndexTest, FoldersThatCannotBeExaminedHoldNoArchives) {
  testing::TempDir dir;
  std::filesystem::create_directory_symlink(dir / "loop", dir / "loop");
  std::filesystem::create_directory(dir / "sealed");
  testing::WriteFileBytes(dir / "sealed" / "qe_data.tvk",
                          BuildArchive(ArchiveLayout::A, {{"main", Bytes("x")}}));
  ::chmod((dir / "sealed").c_str(), 0);
  std::filesystem::path tooLong = dir.Path();
  for (int i = 0; i < 40; ++i) tooLong /= std::string(200, 'd');
  struct Case {
    const char* what;
    std::filesystem::path folder;
  } cases[] = {{"symbolic link loop", dir / "loop"},
               {"path over the system limit", tooLong},
               {"folder without permissions", dir / "sealed"},
               {"a file, not a folder", dir / "sealed" / "qe_data.tvk"}};
  for (const Case& c : cases) {
    if (std::string(c.what) == "folder without permissions" && ::geteuid() == 0) continue;
    Archives archives(c.folder);
    EXPECT_NO_THROW(archives.LoadScriptIndexes()) << c.what;
    EXPECT_NO_THROW(archives.LoadMediaIndexes()) << c.what;
    EXPECT_TRUE(archives.Index(kDataArchive).Empty()) << c.what;
    EXPECT_FALSE(archives.FindScript("main")) << c.what;
    EXPECT_FALSE(archives.ReadAt(kDataArchive, 0, 1)) << c.what;
  }
  ::chmod((dir / "sealed").c_str(), 0700);
}

class ArchivesTest : public ::testing::Test {
 protected:
  void Write(const char* archive, ArchiveLayout layout, const std::vector<ArchiveInput>& entries) {
    testing::WriteFileBytes(dir_ / archive, BuildArchive(layout, entries));
  }
  testing::TempDir dir_;
};

TEST_F(ArchivesTest, SearchOrdersPreferTheNewerArchives) {
  Write("qe_data.tvk", ArchiveLayout::A, {{"main", Bytes("old")}, {"only1", Bytes("1")}});
  Write("qe_data2.tvk", ArchiveLayout::A, {{"MAIN", Bytes("new")}});
  Write("qe_gra.tvk", ArchiveLayout::B, {{"pic", Bytes("g1")}, {"low", Bytes("g1")}});
  Write("qe_gra3.tvk", ArchiveLayout::B, {{"low", Bytes("g3")}});
  Write("qe_gjp.tvk", ArchiveLayout::B, {{"PIC", Bytes("jpeg")}});
  Write("qe_se0.tvk", ArchiveLayout::B, {{"voice", Bytes("se")}});
  Write("qe_ogg1.tvk", ArchiveLayout::B, {{"voice", Bytes("ogg")}});
  Write("qe_wav4.tvk", ArchiveLayout::B, {{"voice", Bytes("wav")}, {"wady", Bytes("w")}});
  Write("qe_bgm.tvk", ArchiveLayout::B, {{"M05", Bytes("music")}});
  Write("qe_anim2.tvk", ArchiveLayout::B, {{"walk", Bytes("anim")}});
  Archives archives(dir_.Path());
  archives.LoadScriptIndexes();
  archives.LoadMediaIndexes();

  auto read = [&](const std::optional<ArchiveEntry>& entry) {
    if (!entry) return std::string("(none)");
    auto bytes = archives.ReadEntry(*entry);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("(unreadable)");
  };
  // Layout A data is stored negated; reading an entry gives the stored bytes.
  auto mainEntry = archives.FindScript("main");
  ASSERT_TRUE(mainEntry);
  EXPECT_EQ(mainEntry->archive, "qe_data2.tvk");
  EXPECT_EQ(archives.FindScript("ONLY1")->archive, "qe_data.tvk");
  EXPECT_EQ(archives.FindPicture("pic")->archive, "qe_gjp.tvk");
  EXPECT_EQ(read(archives.FindPicture("low")), "g3");
  EXPECT_EQ(read(archives.FindSound("voice")), "ogg");
  EXPECT_EQ(read(archives.FindSound("wady")), "w");
  EXPECT_EQ(read(archives.FindMusic(5)), "music");
  EXPECT_EQ(read(archives.FindMusic(6)), "(none)");
  EXPECT_EQ(read(archives.FindAnimation("WALK")), "anim");
  EXPECT_FALSE(archives.FindScript("absent"));
}

TEST_F(ArchivesTest, AnEntryOfAFileThatShrankAfterStartUpIsNotFound) {
  Write("qe_gra.tvk", ArchiveLayout::B, {{"pic", std::vector<uint8_t>(100, 7)}});
  Archives archives(dir_.Path());
  archives.LoadMediaIndexes();
  auto entry = archives.FindPicture("pic");
  ASSERT_TRUE(entry);
  auto bytes = testing::ReadFileBytes(dir_ / "qe_gra.tvk");
  bytes.resize(bytes.size() - 50);
  testing::WriteFileBytes(dir_ / "qe_gra.tvk", bytes);
  EXPECT_FALSE(archives.ReadEntry(*entry));
  std::filesystem::remove(dir_ / "qe_gra.tvk");
  EXPECT_FALSE(archives.ReadEntry(*entry));
  // Replaced by a FIFO: refused at once rather than waited on.
  ASSERT_EQ(::mkfifo((dir_ / "qe_gra.tvk").c_str(), 0600), 0);
  std::optional<std::vector<uint8_t>> read = std::vector<uint8_t>{1};
  EXPECT_TRUE(FinishesWithoutWaitingOnFifo(dir_ / "qe_gra.tvk",
                                           [&] { read = archives.ReadEntry(*entry); }));
  EXPECT_FALSE(read);
}

}  // namespace
}  // namespace tolven
