#include "script/command_table.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace tolven {
namespace {

std::string_view MatchedKeyword(std::string_view line) {
  const int index = MatchCommand(line);
  return index < 0 ? std::string_view("(none)") : CommandTable()[index].keyword;
}

TEST(CommandTableTest, MatchesTheFirstKeywordThatTheLineStartsWith) {
  struct Case {
    std::string_view line;
    std::string_view keyword;
  };
  const Case cases[] = {
      // Both prefixes, any letter case.
      {"*gra A01,6", "gra "},
      {"@gra A01,6", "gra "},
      {"*GRA A01,6", "gra "},
      {"@Gra A01,6", "gra "},
      // A keyword stored with its blank needs the blank in the line.
      {"*return ", "return "},
      {"*return V001", "return "},
      {"*returnx", "(none)"},
      {"*return", "(none)"},
      {"*calcV001=1", "(none)"},
      {"*if(V001=1) x", "(none)"},
      {"*if (V001=1) x", "if "},
      // A keyword that begins another is listed after it, or takes the longer lines too.
      {"*animq fire", "anim"},
      {"*anim fire", "anim"},
      {"*se SEH01", "se "},
      {"*seloop SEH01", "seloop "},
      {"*seoff", "seoff"},
      {"*seloopx", "(none)"},
      {"*exitgame", "exitgame"},
      {"*EXITGAME", "exitgame"},
      {"*exit", "exit"},
      {"*exitgam", "exit"},
      {"*endroll", "end"},
      {"*record", "rec"},
      {"*seltree 3", "seltree"},
      {"*selection", "select"},
      {"*sroll", "sroll"},
      {"*scroll A01", "scroll "},
      {"*tw_set 1", "tw_set "},
      // Nothing to match.
      {"*", "(none)"},
      {"", "(none)"},
      {"*unknown", "(none)"},
  };
  for (const Case& c : cases) EXPECT_EQ(MatchedKeyword(c.line), c.keyword) << c.line;
}

TEST(CommandTableTest, NumbersAndTextsAreReadAtTheirOffsets) {
  struct NumberCase {
    std::string_view line;
    size_t at;
    int32_t value;
  };
  const NumberCase numbers[] = {
      {"*music 12", 7, 12},        {"*music    7", 7, 7},     {"*music \t-3", 7, -3},
      {"*music +8,5", 7, 8},       {"*music 90ms", 7, 90},    {"*music x12", 7, 0},
      {"*music -", 7, 0},          {"*music - 4", 7, 0},      {"*music", 7, 0},
      {"*music 4294967297", 7, 1},  // wraps instead of overflowing
      {"*string 3 name", 8, 3},    {"*mark 80000", 6, 80000},
  };
  for (const NumberCase& c : numbers) EXPECT_EQ(NumberAt(c.line, c.at), c.value) << c.line;

  struct TextCase {
    std::string_view line;
    size_t at;
    std::string_view text;
  };
  const TextCase texts[] = {
      {"*go there", 4, "there"},
      {"*go ", 4, ""},
      {"*go", 4, ""},
      {"*string 3 name", 10, "name"},
  };
  for (const TextCase& c : texts) EXPECT_EQ(TextAt(c.line, c.at), c.text) << c.line;
}

TEST(CommandTableTest, KeywordsCompareWithoutLetterCase) {
  EXPECT_TRUE(EqualIgnoringCase("Label_1", "lABEL_1"));
  EXPECT_FALSE(EqualIgnoringCase("label", "labels"));
  EXPECT_FALSE(EqualIgnoringCase("label[", "label{"));  // only letters fold
  // A trail byte is never folded, even when it looks like a letter.
  EXPECT_FALSE(EqualIgnoringCase("\x83\x41", "\x83\x61"));
  EXPECT_TRUE(
      EqualIgnoringCase("a\x83\x41"
                        "b",
                        "A\x83\x41"
                        "B"));
}

}  // namespace
}  // namespace tolven
