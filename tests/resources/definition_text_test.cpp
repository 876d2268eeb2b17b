#include <gtest/gtest.h>

#include "resources/archives.h"
#include "resources/definition_text.h"
#include "test_support.h"
#include "tools/archive_writer.h"

namespace tolven {
namespace {

std::vector<uint8_t> Lines(std::initializer_list<std::string> lines, bool lastTerminated = true) {
  std::vector<uint8_t> bytes;
  for (const std::string& line : lines) {
    bytes.insert(bytes.end(), line.begin(), line.end());
    bytes.push_back(0);
  }
  if (!lastTerminated && !bytes.empty()) bytes.pop_back();
  return bytes;
}

TEST(FieldTest, CommaSeparatedFields) {
  struct Case {
    const char* text;
    int n;
    const char* expected;
  } cases[] = {{"a,b,c", 1, "b"}, {"a,b,c", 3, ""},  {"a,,c", 1, ""},
               {"abc", 0, "abc"}, {"a,b,c", 2, "c"}, {" x , y", 1, " y"},
               {"", 0, ""},       {"a,b,", 2, ""},   {",", 0, ""}};
  for (const Case& c : cases) {
    EXPECT_EQ(Field(c.text, c.n), c.expected) << c.text << " field " << c.n;
  }
}

TEST(DefinitionTextTest, ReadDefLineStopsAtTheSizeEvenWithoutATerminator) {
  DefinitionText text;
  text.Assign(Lines({"one", "", "three"}, false));
  uint32_t position = 0;
  EXPECT_EQ(text.ReadDefLine(position), "one");
  EXPECT_EQ(text.ReadDefLine(position), "");
  EXPECT_EQ(text.ReadDefLine(position), "three");
  EXPECT_EQ(position, text.DefinitionSize());
  EXPECT_EQ(text.ReadDefLine(position), "");
  EXPECT_EQ(position, text.DefinitionSize());
}

TEST(DefinitionTextTest, SectionsIgnoreLetterCaseAndSplitAtTheFirstColon) {
  DefinitionText text;
  text.Assign(Lines({":other", "{", "A:1", "}", ":view_1", "", "{", "pic:a001,b002", "",
                     "no colon here", "TITLE:x:y", "}", "AFTER:1"}));
  std::vector<DefinitionEntry> body = text.FindSection("VIEW_1");
  ASSERT_EQ(body.size(), 3u);
  EXPECT_EQ(body[0].key, "PIC");
  EXPECT_EQ(body[0].value, "a001,b002");
  EXPECT_EQ(body[1].key, "");
  EXPECT_EQ(body[1].value, "no colon here");
  EXPECT_EQ(body[2].key, "TITLE");
  EXPECT_EQ(body[2].value, "x:y");
  EXPECT_TRUE(text.FindSection("missing").empty());
}

// Screens with layouts of their own read the section's lines as written, or walk on from its
// header themselves.
TEST(DefinitionTextTest, SectionLinesRunFromTheHeaderToTheClosingLine) {
  DefinitionText text;
  text.Assign(Lines({":flash", "F,10", "", "{", "n,20", "}", "F,30", ":Shake", "S,2,0,16"}));
  EXPECT_EQ(text.SectionLines("FLASH"), (std::vector<std::string>{"F,10", "n,20"}));
  // Without a closing line the section runs to the end of the text.
  EXPECT_EQ(text.SectionLines("shake"), std::vector<std::string>{"S,2,0,16"});
  EXPECT_TRUE(text.SectionLines("none").empty());
  const std::optional<uint32_t> start = text.FindSectionStart("SHAKE");
  ASSERT_TRUE(start.has_value());
  uint32_t position = *start;
  EXPECT_EQ(text.ReadDefLine(position), "S,2,0,16");
  EXPECT_FALSE(text.FindSectionStart("F,10").has_value())
      << "only lines starting with ':' name sections";
}

TEST(DefinitionTextTest, LoadReadsNegatedEntriesAndKeepsTheOldTextWhenMissing) {
  testing::TempDir dir;
  testing::WriteFileBytes(
      dir / "qe_data.tvk",
      tools::BuildArchive(ArchiveLayout::A, {{"view", Lines({":A", "x"})}, {"map", Lines({"m"})}}));
  testing::WriteFileBytes(dir / "qe_data2.tvk",
                          tools::BuildArchive(ArchiveLayout::A, {{"MAP", Lines({"newer"})}}));
  Archives archives(dir.Path());
  archives.LoadScriptIndexes();
  DefinitionText text;
  ASSERT_TRUE(text.Load(archives, "View"));
  uint32_t position = 0;
  EXPECT_EQ(text.ReadDefLine(position), ":A");
  EXPECT_FALSE(text.Load(archives, "absent"));
  EXPECT_EQ(text.DefinitionSize(), 5u);
  ASSERT_TRUE(text.Load(archives, "map"));
  position = 0;
  EXPECT_EQ(text.ReadDefLine(position), "newer");
}

}  // namespace
}  // namespace tolven
