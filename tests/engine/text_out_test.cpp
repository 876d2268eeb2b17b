// The story's printed lines as reading aids get them: formatted from what message output
// prints, sent to the text-out file or pipe, the clipboard and speech.
#include "engine/text_out.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include "base/text_encoding.h"
#include "engine/headless_host.h"
#include "test_support.h"

namespace tolven {
namespace {

std::string Sjis(std::string_view utf8) {
  return Utf8ToShiftJis(utf8).value();
}

// Names for [$n]; nothing is drawn.
class NamesHost : public NullMessageOutputHost {
 public:
  std::string StringRow(int row) override { return row == 1 ? Sjis("湊") : std::string(); }
};

class FakeSpeech : public SpeechOutput {
 public:
  bool Start(std::string& why) override {
    ++starts;
    why = "no speaker here";
    return available;
  }
  void Say(std::string_view utf8) override { said.emplace_back(utf8); }
  void Cancel() override { ++cancels; }
  bool available = true;
  int starts = 0;
  int cancels = 0;
  std::vector<std::string> said;
};

class TextOutTest : public ::testing::Test {
 protected:
  TextOutTest() { output_.SetPrintedTextObserver(&textOut_); }

  // Prints a script text line (UTF-8 here) to its end, as the interpreter's steps do.
  void Print(std::string_view utf8) {
    const std::string line = Sjis(utf8);
    size_t position = 0;
    bool needLine = false;
    bool nameLine = false;
    for (int steps = 0; !needLine && steps < 1000; ++steps) {
      output_.PrintLine(line, position, needLine, nameLine);
    }
  }
  void Speaker(std::string_view utf8) { output_.PrintSpeakerName(Sjis(">" + std::string(utf8))); }
  // The '\' line: the page ends and the player's click starts the next.
  void PageEnd() { output_.PageMarkLine(PageWaitKind::PageEnd); }
  void NextPage() { output_.NewPage(); }
  std::vector<std::string> FileLines() {
    const auto bytes = testing::ReadFileBytes(dir_.Path() / "out.txt");
    std::vector<std::string> lines;
    std::istringstream text(std::string(bytes.begin(), bytes.end()));
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
  }

  testing::TempDir dir_;
  EngineFlags flags_;
  ScriptState state_;
  NamesHost names_;
  MessageOutput output_{flags_, state_, names_};
  HeadlessHost host_{{}, "", 0};
  std::ostringstream traceText_;
  Trace trace_;
  Settings settings_;
  FakeSpeech speech_;
  TextOutOptions options_;
  TextOut textOut_{host_, trace_, settings_, options_};
};

TEST_F(TextOutTest, LinesGoOutAsReadersWantThem) {
  const struct {
    const char* script;
    const char* out;  // nullptr: nothing goes out
  } cases[] = {
      {"三月の終わり、放課後の教室。", "三月の終わり、放課後の教室。"},
      {"なあ、<2 あきほ>秋穂のやつ", "なあ、秋穂（あきほ）のやつ"},
      {"空には<3 いざよい>十六夜の月。", "空には十六夜（いざよい）の月。"},
      // A reading over more characters than the line has closes at its end.
      {"<3 よみ>字", "字（よみ）"},
      // The next reading closes the one before.
      {"<2 あ>亜<1 い>伊", "亜（あ）伊（い）"},
      {"[col 3]赤い[col 0]字[wait 5]だ[delay 2]。", "赤い字だ。"},
      {"「おい、[$1]。」", "「おい、湊。」"},
      {"　　　　　　おわり　", "おわり"},
      {"ここまで▼見えない", "ここまで"},
      {"走れ。%6走れ。%12▽次", "走れ。走れ。"},
      {"好き◆", "好き"},
      {"ABC 123 ｶﾅ", "ABC 123 ｶﾅ"},
      {"[col 4][wait 20]", nullptr},
      {"", nullptr},
  };
  for (const auto& c : cases) {
    host_.SetClipboardText("-");
    TextOut each(host_, trace_, settings_, {.file = nullptr, .copyText = true, .speech = nullptr});
    output_.SetPrintedTextObserver(&each);
    Print(c.script);
    EXPECT_EQ(host_.ClipboardText(), c.out ? c.out : "-") << c.script;
  }
}

TEST_F(TextOutTest, SpeakerMarksTheLineAfterIt) {
  std::string why;
  auto file = TextOutFile::Open(dir_.Path() / "out.txt", why);
  ASSERT_TRUE(file) << why;
  TextOut out(host_, trace_, settings_, {.file = file.get(), .copyText = false});
  output_.SetPrintedTextObserver(&out);
  Speaker("夏目");
  Print("「おい、[$1]。");
  Print("聞いたか」");
  PageEnd();
  NextPage();
  Speaker("[$1]");
  PageEnd();  // a speaker with no text before the wait stands alone
  NextPage();
  Print("その名前に、");
  EXPECT_EQ(FileLines(), (std::vector<std::string>{"【夏目】「おい、湊。", "聞いたか」", "【湊】",
                                                   "その名前に、"}));
}

TEST_F(TextOutTest, SinksAreOffUntilAskedFor) {
  Print("一行目。");
  EXPECT_EQ(host_.ClipboardText(), "");
  EXPECT_FALSE(textOut_.CopiesEachLine());
  EXPECT_FALSE(textOut_.Speaks());

  const struct {
    std::optional<std::string> value;
    bool on;
  } settings[] = {{std::nullopt, false}, {"0", false}, {"1", true}, {" 1 ", true}, {"yes", false}};
  trace_.Attach(&traceText_);
  for (const auto& s : settings) {
    textOut_.ReadOwnSettings(s.value, s.value);
    EXPECT_EQ(textOut_.CopiesEachLine(), s.on) << s.value.value_or("(none)");
    EXPECT_EQ(textOut_.Speaks(), s.on) << s.value.value_or("(none)");
  }
  EXPECT_EQ(traceText_.str(),
            "[Tolven] CopyText=yes is neither 0 nor 1: 0 is kept\n"
            "[Tolven] Speak=yes is neither 0 nor 1: 0 is kept\n");
  // --copy-text holds whatever the settings say.
  TextOut forced(host_, trace_, settings_, {.copyText = true});
  forced.ReadOwnSettings("0", std::nullopt);
  EXPECT_TRUE(forced.CopiesEachLine());
}

TEST_F(TextOutTest, FileGetsEachLineOnceAsItCompletes) {
  std::string why;
  auto file = TextOutFile::Open(dir_.Path() / "out.txt", why);
  ASSERT_TRUE(file) << why;
  TextOut out(host_, trace_, settings_, {.file = file.get()});
  output_.SetPrintedTextObserver(&out);
  const std::string line = Sjis("一字ずつ。");
  size_t position = 0;
  bool needLine = false;
  bool nameLine = false;
  output_.PrintLine(line, position, needLine, nameLine);
  EXPECT_TRUE(FileLines().empty()) << "half a line printed";
  while (!needLine) output_.PrintLine(line, position, needLine, nameLine);
  Print("二行目。");
  // Back to the title half way through a line, and a speaker whose text never came: neither
  // joins the next game's first line.
  position = 0;
  needLine = false;
  output_.PrintLine(line, position, needLine, nameLine);
  Speaker("夏目");
  output_.EmptyInsertText();
  Print("はじめから。");
  EXPECT_EQ(FileLines(), (std::vector<std::string>{"一字ずつ。", "二行目。", "はじめから。"}));
}

TEST_F(TextOutTest, FileThatCannotBeWrittenIsRefused) {
  std::string why;
  EXPECT_FALSE(TextOutFile::Open(dir_.Path() / "missing" / "out.txt", why));
  EXPECT_NE(why.find("missing"), std::string::npos) << why;
  EXPECT_FALSE(TextOutFile::Open(dir_.Path(), why)) << "a folder";
}

// A pipe without a reader, a reader that comes late and one that goes away: the engine is never
// held and never killed by SIGPIPE.
TEST_F(TextOutTest, PipeNeverHoldsTheEngine) {
  const auto fifo = dir_.Path() / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string why;
  auto file = TextOutFile::Open(fifo, why);
  ASSERT_TRUE(file) << why;
  file->WriteLine("nobody listens");
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  file->WriteLine("heard");
  char buffer[64] = {};
  const ssize_t got = read(reader, buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer, got > 0 ? got : 0), "heard\n");
  // A pipe filled by a reader that does not read drops lines rather than waiting.
  for (int i = 0; i < 20000; ++i) file->WriteLine(std::string(100, 'x'));
  close(reader);
  file->WriteLine("reader gone");
  file->WriteLine("still running");
  SUCCEED();
}

TEST_F(TextOutTest, PageTextIsWhatThePageShowsSoFar) {
  Speaker("夏目");
  Print("「おい。");
  const std::string line = Sjis("まだ<2 あきほ>秋穂");
  size_t position = 0;
  bool needLine = false;
  bool nameLine = false;
  for (int i = 0; i < 3; ++i) output_.PrintLine(line, position, needLine, nameLine);
  EXPECT_EQ(textOut_.PageText(), "【夏目】「おい。\nまだ秋（あきほ）");
  while (!needLine) output_.PrintLine(line, position, needLine, nameLine);
  EXPECT_EQ(textOut_.PageText(), "【夏目】「おい。\nまだ秋穂（あきほ）");
  // The page turned: the copy starts over with the next page's lines.
  PageEnd();
  NextPage();
  Print("次のページ。");
  EXPECT_EQ(textOut_.PageText(), "次のページ。");
}

TEST_F(TextOutTest, SpeechSkipsVoicedLinesAndStopsWhenThePageTurns) {
  TextOut out(host_, trace_, settings_, {.speech = &speech_});
  output_.SetPrintedTextObserver(&out);
  out.ReadOwnSettings(std::nullopt, "1");
  Print("声のない行。");
  PageEnd();
  NextPage();
  output_.RecordVoice("NAT001");
  Speaker("夏目");
  Print("「声のある行。");
  Print("同じページも声のうち」");
  PageEnd();
  NextPage();
  Print("走れ。▽");
  Print("次のページへそのまま。");
  EXPECT_EQ(speech_.said,
            (std::vector<std::string>{"声のない行。", "走れ。", "次のページへそのまま。"}));
  EXPECT_EQ(speech_.cancels, 2) << "two turns after a wait; none at the page that follows at once";
  // With voices off, the voiced line is spoken.
  settings_.Wave = 1;
  output_.RecordVoice("NAT002");
  Print("声は切ってある。");
  EXPECT_EQ(speech_.said.back(), "声は切ってある。");
  EXPECT_EQ(speech_.starts, 1);
}

TEST_F(TextOutTest, SpeechThatCannotStartSaysSoOnce) {
  trace_.Attach(&traceText_);
  speech_.available = false;
  TextOut out(host_, trace_, settings_, {.speech = &speech_});
  output_.SetPrintedTextObserver(&out);
  out.ReadOwnSettings(std::nullopt, "1");
  Print("一行目。");
  Print("二行目。");
  EXPECT_EQ(traceText_.str(), "Speak=1 does nothing: no speaker here\n");
  EXPECT_EQ(speech_.starts, 1);
  EXPECT_TRUE(speech_.said.empty());
}

}  // namespace
}  // namespace tolven
