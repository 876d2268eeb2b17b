// Message output: placing, wrapping and marking up the story text, and the backlog text.
#include "text/message_output.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolven {
namespace {

// Records what message output draws and asks for.
class RecordingOutputHost : public NullMessageOutputHost {
 public:
  struct Drawn {
    std::string bytes;
    int x, y, colour;
    bool held;
  };
  void DrawCharacter(std::string_view bytes, int x, int y, int colour, bool hold) override {
    drawn.push_back({std::string(bytes), x, y, colour, hold});
  }
  void DrawRuby(std::string_view reading, int x, int y, bool hold) override {
    rubies.push_back({std::string(reading), x, y, 0, hold});
  }
  void SetCanvasFontSize(int points) override { fontSizes.push_back(points); }
  void ShowStageWithoutWindow() override { ++stagesWithoutWindow; }
  bool NicknameOn() override { return nicknameOn; }
  void ShowNewPage() override { ++newPages; }
  void PictureCommand(std::string_view argument) override { pictures.emplace_back(argument); }
  int32_t Evaluate(std::string_view) override { return 42; }
  std::string StringRow(int row) override { return row == 0 ? "\x8E\x52\x93\x63" : ""; }  // 山田
  int RubyHalfWidth(std::string_view reading) override {
    return static_cast<int>(reading.size()) * 3;
  }

  std::vector<Drawn> drawn;
  std::vector<Drawn> rubies;
  std::vector<std::string> pictures;
  std::vector<int> fontSizes;
  int newPages = 0;
  int stagesWithoutWindow = 0;
  bool nicknameOn = false;
};

std::string Repeat(std::string_view character, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += character;
  return text;
}

constexpr std::string_view kA = "\x82\xA0";            // あ
constexpr std::string_view kComma = "\x81\x41";        // 、
constexpr std::string_view kBracket = "\x81\x75";      // 「
constexpr std::string_view kPageEndMark = "\x81\xA5";  // ▼

class MessageOutputTest : public ::testing::Test {
 protected:
  MessageOutputTest() { flags.CharDelay = 0; }

  // Prints whole lines, each to its end, as the interpreter would over several steps.
  void Print(std::string_view line) { PrintWith(output, line); }
  void PrintWith(MessageOutput& target, std::string_view line) {
    size_t position = 0;
    bool needLine = false;
    bool nameLine = false;
    for (int steps = 0; !needLine && steps < 10000; ++steps) {
      target.PrintLine(line, position, needLine, nameLine);
      if (flags.WaitTicks > 0) break;
    }
  }
  std::string Row(int row) const {
    std::string text;
    for (int c = 0; c < kPageBufferColumns; ++c) {
      const uint8_t byte = output.PageBytes()[row * kPageBufferColumns + c];
      text += byte == 0 ? ' ' : static_cast<char>(byte);
    }
    return text.substr(0, text.find_last_not_of(' ') + 1);
  }

  EngineFlags flags;
  ScriptState state;
  RecordingOutputHost host;
  MessageOutput output{flags, state, host};
};

TEST_F(MessageOutputTest, WindowRowsHoldTwentyFiveCharactersAfterTheIndent) {
  const struct {
    std::string line;
    int rows;             // rows used after the name row
    std::string lastRow;  // the last row's bytes
  } cases[] = {
      {Repeat(kA, 25), 1, "  " + Repeat(kA, 25)},
      {Repeat(kA, 26), 2, "  " + Repeat(kA, 1)},  // the 26th wraps and is indented again
      {Repeat(kA, 25) + std::string(kComma), 1, "  " + Repeat(kA, 25) + std::string(kComma)},
      {std::string(kBracket) + Repeat(kA, 2), 1, std::string(kBracket) + Repeat(kA, 2)},
  };
  for (const auto& c : cases) {
    output.NewPage();
    Print(c.line);
    EXPECT_EQ(output.TextRow(), c.rows + 1) << "the line end moved one row down";
    EXPECT_EQ(Row(c.rows), c.lastRow);
  }
}

TEST_F(MessageOutputTest, FullScreenRowsWrapAtTheTwentySeventhCharacter) {
  state.S(sv::kTextMode) = 1;
  output.NewPage();
  Print(Repeat(kA, 27));
  EXPECT_EQ(Row(0), Repeat(kA, 26));
  EXPECT_EQ(Row(1), Repeat(kA, 1));
  EXPECT_EQ(host.drawn[26].x, 20);
  EXPECT_EQ(host.drawn[26].y, 38 + 32);
}

TEST_F(MessageOutputTest, TextAfterThePageEndMarkIsNeverShown) {
  output.NewPage();
  size_t position = 0;
  bool needLine = false;
  bool nameLine = false;
  const std::string line = "ab" + std::string(kPageEndMark) + "cd";
  output.PrintLine(line, position, needLine, nameLine);
  EXPECT_TRUE(needLine);
  EXPECT_EQ(flags.PageWait, PageWaitKind::PageEnd);
  EXPECT_EQ(Row(1), "  ab");
  EXPECT_EQ(host.drawn.size(), 2u);
}

TEST_F(MessageOutputTest, ATimedWaitOfZeroWaitsTenTicksThenPrintsTheZero) {
  output.NewPage();
  size_t position = 0;
  bool needLine = false;
  bool nameLine = false;
  output.PrintLine("%0x", position, needLine, nameLine);
  EXPECT_EQ(flags.WaitTicks, 10);
  flags.WaitTicks = 0;
  output.PrintLine("%0x", position, needLine, nameLine);
  EXPECT_EQ(Row(1), "  0x");
  flags.SkipState = 1;
  output.NewPage();
  position = 0;
  needLine = false;
  output.PrintLine("%25y", position, needLine, nameLine);
  EXPECT_EQ(flags.WaitTicks, 0) << "no timed waits while skipping";
}

TEST_F(MessageOutputTest, AnInsertedNameKeepsTheColourAndTheTextAfterItDoesNot) {
  output.NewPage();
  Print("[col 3][$0]x");
  ASSERT_EQ(host.drawn.size(), 3u);
  EXPECT_EQ(host.drawn[0].colour, 3);
  EXPECT_EQ(host.drawn[1].colour, 3);
  EXPECT_EQ(host.drawn[2].colour, 0);
  EXPECT_EQ(output.PageColours()[1 * kPageBufferColumns + 2], 3) << "colours are kept per byte";
}

TEST_F(MessageOutputTest, AutoAdvanceWaitFollowsThePageLength) {
  const struct {
    int speed, characters, ticks;
  } cases[] = {{3, 60, 17}, {1, 0, 6}, {10, 40, 43}, {400000000, 40, 43}};
  for (const auto& c : cases) {
    output.ClearPage();
    state.S(sv::kAutoSpeed) = c.speed;
    for (int i = 0; i < c.characters; ++i) output.PutChar("a", false);
    output.ComputeAutoWait();
    EXPECT_EQ(output.AutoWait(), c.ticks) << c.speed << " " << c.characters;
  }
}

TEST_F(MessageOutputTest, TheThousandAndFirstBacklogLineDropsTheFirst) {
  for (int i = 0; i < 1001; ++i) {
    output.PutChar("x", false);
    Print("line " + std::to_string(i));
  }
  ASSERT_EQ(output.BacklogLineCount(), kBacklogLines);
  EXPECT_EQ(output.BacklogLine(0), "line 1");
  EXPECT_EQ(output.BacklogLine(999), "line 1000");
  EXPECT_EQ(output.BacklogLine(1000), "") << "the line being written";
}

TEST_F(MessageOutputTest, VoicesGetBacklogLinesOfTheirOwnAndJoinThePageList) {
  const struct {
    std::string line;
    std::vector<std::string> backlog;  // the complete lines
    std::string voices;
  } cases[] = {
      {"[voice v1]abc", {"@v1", "abc"}, "v1 "},
      {"ab[voice v2]cd", {"ab", "@v2", "cd"}, "v2 "},  // the text before it keeps its own line
      {"[voice a][voice b]x", {"@a", "@b", "x"}, "a b "},
      {"[voice]x", {"x"}, ""},  // no name, nothing to replay
  };
  for (const auto& c : cases) {
    MessageOutput fresh(flags, state, host);
    fresh.NewPage();
    PrintWith(fresh, c.line);
    std::vector<std::string> lines;
    for (int i = 0; i < fresh.CompleteBacklogLines(); ++i) lines.push_back(fresh.BacklogLine(i));
    EXPECT_EQ(lines, c.backlog) << c.line;
    EXPECT_EQ(fresh.PageVoices(), c.voices) << c.line;
  }
}

TEST_F(MessageOutputTest, ThePageVoiceListLastsUntilTakenAndNeverOverflows) {
  output.RecordVoice("early");
  output.NewPage();  // a voice named before the page's first character belongs to the page
  output.RecordVoice("v2");
  EXPECT_EQ(output.TakePageVoices(), "early v2 ");
  EXPECT_EQ(output.PageVoices(), "");
  std::string all;
  for (int i = 0; i < 40; ++i) {
    const std::string name = "voice" + std::to_string(i);  // 7 or 8 bytes with the blank
    output.RecordVoice(name);
    all += name + " ";
  }
  const std::string& kept = output.PageVoices();
  EXPECT_LT(kept.size(), kPageVoiceBytes) << "room is left for the terminator";
  EXPECT_GT(kept.size() + 8, kPageVoiceBytes - 1) << "the list is filled as far as names fit";
  EXPECT_EQ(all.substr(0, kept.size()), kept) << "names that do not fit are left out whole";
  EXPECT_EQ(output.BacklogLine(output.CompleteBacklogLines() - 1), "@voice39")
      << "the backlog still gets every voice";
}

TEST_F(MessageOutputTest, TagsRunTheirCommandsAndInsertValues) {
  output.NewPage();
  Print("[gra A_BG,6][?V001]");
  ASSERT_EQ(host.pictures.size(), 1u);
  EXPECT_EQ(host.pictures[0], "A_BG,6");
  EXPECT_EQ(Row(1), "  42");
  Print("[unknown]z[=]");
  EXPECT_EQ(flags.PageWait, PageWaitKind::PageKept);
  EXPECT_EQ(Row(2), "  z");
}

TEST_F(MessageOutputTest, SpeakerNamesGoToTheFirstRowAndTheTextBelowIt) {
  flags.CharDelay = 1;  // names never pause, even printed character by character
  output.PrintSpeakerName(">\x8E\x52\x93\x63");  // 山田
  EXPECT_EQ(host.newPages, 1) << "the window was not shown";
  EXPECT_EQ(Row(0), "\x8E\x52\x93\x63");
  EXPECT_EQ(output.TextRow(), 1);
  ASSERT_EQ(host.drawn.size(), 2u);
  EXPECT_EQ(host.drawn[0].y, 438) << "row 0 of the window";
  output.PrintSpeakerName(">x");
  EXPECT_EQ(host.newPages, 1) << "the window is shown now";
}

TEST_F(MessageOutputTest, PageMarkLinesLeaveTheirWaitAndCloseTheBacklogLine) {
  const struct {
    PageWaitKind wait;
    int backlogLines;  // lines after one printed line and the mark
  } cases[] = {{PageWaitKind::PageKept, 2},
               {PageWaitKind::PageEnd, 3},
               {PageWaitKind::VoiceKept, 3},
               {PageWaitKind::NoIcon, 3}};
  for (const auto& c : cases) {
    MessageOutput fresh(flags, state, host);
    fresh.NewPage();
    size_t position = 0;
    bool needLine = false;
    bool nameLine = false;
    fresh.PrintLine("ab", position, needLine, nameLine);
    flags.ClickSkip = true;
    fresh.PageMarkLine(c.wait);
    EXPECT_EQ(flags.PageWait, c.wait);
    EXPECT_FALSE(flags.ClickSkip);
    EXPECT_EQ(fresh.BacklogLineCount(), c.backlogLines) << static_cast<int>(c.wait);
  }
}

TEST_F(MessageOutputTest, RubyIsPlacedOverTheCharactersItBelongsTo) {
  const std::string kana = "\x82\xA9\x82\xF1";  // かん: half width 12 (3 a byte) in this host
  const struct {
    int textMode;
    std::string line;
    int x, y;
  } cases[] = {
      // An empty window page moves to column 2 of row 1 first.
      {0, "<2 " + kana + ">", 14 * 2 + 2 + 11, 40 * 1 + 428},
      {0, "ab<2 " + kana + ">", 14 * 4 + 2 + 11, 40 * 1 + 428},
      {0, "<" + kana + ">", 14 * 2 + 1 + 11, 40 * 1 + 428},  // no number: one character
      {1, "<2 " + kana + ">", 14 * 2 - 12 + 20, 22},
      {1, "<12 " + kana + ">", 14 * 12 - 12 + 20, 22},
  };
  for (const auto& c : cases) {
    state.S(sv::kTextMode) = c.textMode;
    output.NewPage();
    host.rubies.clear();
    Print(c.line + "x");
    ASSERT_EQ(host.rubies.size(), 1u) << c.line;
    EXPECT_EQ(host.rubies[0].bytes, kana) << c.line;
    EXPECT_EQ(host.rubies[0].x, c.x) << c.line;
    EXPECT_EQ(host.rubies[0].y, c.y) << c.line;
    EXPECT_FALSE(host.rubies[0].held);
  }
}

// The page keeps its readings beside its characters, row by row, so a redraw can draw them
// again; the characters' bytes never hold them, a row keeps what fits and a new page drops them.
TEST_F(MessageOutputTest, RubyReadingsAreKeptWithTheirRowUntilThePageIsCleared) {
  const std::string kan = "\x82\xA9\x82\xF1";    // かん
  const std::string kanji = "\x8A\xBF\x8E\x9A";  // 漢字
  output.PrintSpeakerName(">\x8F\x74");          // 春
  Print("<2 " + kan + ">" + kanji + "<1 x>ab");
  ASSERT_EQ(host.rubies.size(), 2u);
  EXPECT_EQ(host.rubies[0].x, 2 + 39) << "the row below the name starts at column 0";
  EXPECT_EQ(host.rubies[0].y, 40 + 428);
  EXPECT_EQ(output.PageRubies(), (std::vector<PageRuby>{{0, 1, 2, kan}, {6, 1, 1, "x"}}));
  EXPECT_EQ(Row(1), "  " + kanji + "ab");

  // 14 bytes each (the cursor, the count, the reading and its end): three fit a row, and the
  // fourth is shown but not kept. The next row has room of its own.
  const std::string ten = "abcdefghij";
  Print("<1 " + ten + ">c<1 " + ten + ">d<1 " + ten + ">e<1 " + ten + ">f");
  Print("<3 y>g");
  EXPECT_EQ(host.rubies.size(), 7u);
  const std::vector<PageRuby> kept = output.PageRubies();
  ASSERT_EQ(kept.size(), 6u);
  EXPECT_EQ(kept[4], (PageRuby{4, 2, 1, ten}));
  EXPECT_EQ(kept[5], (PageRuby{0, 3, 3, "y"}));

  output.ClearPage();
  EXPECT_TRUE(output.PageRubies().empty());
}

TEST_F(MessageOutputTest, TheTextFontSizeFollowsTheTextModeAndSize) {
  output.NewPage();
  EXPECT_EQ(host.fontSizes.back(), 18) << "window text";
  Print("a");
  EXPECT_EQ(host.fontSizes.back(), 17) << "normal window characters are drawn smaller";
  Print("[2]b");
  EXPECT_EQ(host.fontSizes.back(), 30) << "large window characters";
  EXPECT_EQ(output.TextColumn(), 0);
  EXPECT_EQ(host.drawn.back().x, 14 * 2 + 8);
  Print("[2]bc");
  EXPECT_EQ(host.drawn.back().x, 14 * 5 + 8) << "a large character takes three columns";
  Print("[1]d");
  EXPECT_EQ(host.fontSizes.back(), 17);
  state.S(sv::kTextMode) = 1;
  output.NewPage();
  Print("e");
  EXPECT_EQ(host.fontSizes.back(), 28) << "full-screen text";
}

TEST_F(MessageOutputTest, DramaModeShowsVoicedSpeakerLinesWithoutTheWindow) {
  const std::string tag = "\x81\x79\x8F\x74\x81\x7A";  // 【春】
  output.SetNameTags({tag});
  const struct {
    int dramaMode;
    std::string name;
    bool held;
  } cases[] = {{1, tag, true}, {0, tag, false}, {1, "\x8F\x74", false}};
  for (const auto& c : cases) {
    RecordingOutputHost fresh;
    EngineFlags freshFlags;
    MessageOutput drama(freshFlags, state, fresh);
    drama.SetNameTags({tag});
    state.S(sv::kDramaMode) = c.dramaMode;
    drama.PrintSpeakerName(">" + c.name);
    size_t position = 0;
    bool needLine = false;
    bool nameLine = false;
    drama.PrintLine("<1 x>y", position, needLine, nameLine);
    EXPECT_EQ(drama.HoldsPresentation(), c.held) << c.dramaMode;
    EXPECT_EQ(fresh.stagesWithoutWindow, c.held ? 1 : 0);
    EXPECT_EQ(fresh.newPages, c.held ? 0 : 1) << "the window opens for an ordinary speaker";
    EXPECT_TRUE(freshFlags.WindowShown) << "the window counts as shown";
    ASSERT_FALSE(fresh.drawn.empty());
    EXPECT_EQ(fresh.drawn.back().held, c.held);
    ASSERT_EQ(fresh.rubies.size(), 1u);
    EXPECT_EQ(fresh.rubies[0].held, c.held);
  }
}

TEST_F(MessageOutputTest, TheNicknameStandsForTheNamesOnlyInTheFullWidthForm) {
  output.SetNickname("\x82\xD9\x82\xC1\x82\xBF");  // ほっち
  host.nicknameOn = true;
  output.NewPage();
  Print("\x81\x90\x82\x4F[$0]");  // ＄０ then [$0]
  EXPECT_EQ(Row(1), "  \x82\xD9\x82\xC1\x82\xBF\x8E\x52\x93\x63");
}

}  // namespace
}  // namespace tolven
