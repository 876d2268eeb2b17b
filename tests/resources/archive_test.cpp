#include <gtest/gtest.h>

#include <cstring>

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
}

}  // namespace
}  // namespace tolven
