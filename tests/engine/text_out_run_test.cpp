// Text out in whole runs: the copy key and the clipboard through the headless host, and the
// --text-out file of the sample game played to its end.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "base/text_encoding.h"
#include "engine/event_file.h"
#include "engine/form1.h"
#include "engine/headless_host.h"
#include "sample_run.h"
#include "test_support.h"
#include "tools/archive_writer.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ScriptArchiveEntry(const std::string& utf8) {
  std::vector<uint8_t> bytes;
  const std::optional<std::string> shiftJis = Utf8ToShiftJis(utf8);
  if (!shiftJis) return bytes;
  for (char c : *shiftJis) bytes.push_back(c == '\n' ? 0 : static_cast<uint8_t>(c));
  return bytes;
}

// Two pages: a speaker with a ruby in its line, then a plain one.
constexpr const char* kTwoPages =
    ">夏目\n"
    "「おい、<2 あきほ>秋穂は？\n"
    "まだ帰ってない」\n"
    "\\\n"
    "次のページ。\n"
    "\\\n";

// The engine on the headless host, in this process, so the test reads the host's clipboard.
class ClipboardRunTest : public ::testing::Test {
 protected:
  void Run(const std::string& events, const std::string& ownSettings = "",
           TextOutOptions textOut = {}) {
    testing::WriteFileBytes(
        dir_.Path() / "game" / "qe_data.tvk",
        tools::BuildArchive(ArchiveLayout::A, {{"main", ScriptArchiveEntry(kTwoPages)}}));
    testing::WriteFileText(dir_.Path() / "config" / "peluna2.ini",
                           "[PELUNA2]\n[Tolven]\n" + ownSettings);
    std::string error;
    auto parsed = ParseEvents(events, "events", error);
    ASSERT_TRUE(parsed) << error;
    host_ = std::make_unique<HeadlessHost>(std::move(*parsed), "events", 1);
    EngineOptions options;
    options.gameDirectory = dir_.Path() / "game";
    options.configDirectory = dir_.Path() / "config";
    options.saveDirectory = dir_.Path() / "saves";
    options.seed = 1;
    options.textOut = textOut;
    traceText_.str("");
    trace_.Attach(&traceText_);
    TForm1 form(*host_, trace_, options);
    host_->Attach(form);
    form.FormCreate();
    EXPECT_EQ(host_->Run(), RunResult::Finished) << host_->Error();
  }
  std::string Clipboard() const { return host_->ClipboardText(); }

  testing::TempDir dir_;
  std::unique_ptr<HeadlessHost> host_;
  Trace trace_;
  std::ostringstream traceText_;
};

TEST_F(ClipboardRunTest, CopyKeyCopiesWhatIsShown) {
  const struct {
    const char* what;
    const char* events;
    const char* clipboard;
  } cases[] = {
      {"the story's page", "until page\nkey c\n",
       "【夏目】「おい、秋穂（あきほ）は？\nまだ帰ってない」"},
      // The log's rows as it shows them: the speaker's row, no readings, the empty rows left out.
      {"the text log", "until page\nclick 400 300\nuntil page\nkey backspace\nkey c\n",
       "夏目\n「おい、秋穂は？\nまだ帰ってない」\n次のページ。"},
      {"the look-back page", "until page\nclick 400 300\nuntil page\nkey left\nkey c\n",
       "【夏目】「おい、秋穂は？\nまだ帰ってない」"},
      // A loaded page was not printed in this run: its rows are copied as they stand.
      {"a loaded page", "until page\nsave-slot 1\nclick 400 300\nuntil page\nload-slot 1\nkey c\n",
       "【夏目】「おい、秋穂は？\nまだ帰ってない」"},
      {"nothing without the key", "until page\nclick 400 300\nuntil page\n", ""},
  };
  for (const auto& c : cases) {
    Run(c.events);
    EXPECT_EQ(Clipboard(), c.clipboard) << c.what;
  }
}

TEST_F(ClipboardRunTest, EachLineGoesToTheClipboardWhenAskedFor) {
  Run("until page\n", "CopyText=1\n");
  EXPECT_EQ(Clipboard(), "まだ帰ってない」");
  Run("until page\nclick 400 300\nuntil page\n", "", {.copyText = true});
  EXPECT_EQ(Clipboard(), "次のページ。");
}

TEST_F(ClipboardRunTest, SpeechWithoutOutputSaysSoOnceInTheTrace) {
  const std::string said = "Speak=1 does nothing: this run has no speech output";
  Run("until page\nclick 400 300\nuntil page\n", "Speak=1\n");
  const std::string trace = traceText_.str();
  size_t mentions = 0;
  for (size_t at = trace.find(said); at != std::string::npos; at = trace.find(said, at + 1)) {
    ++mentions;
  }
  EXPECT_EQ(mentions, 1u);
  Run("until page\nclick 400 300\nuntil page\n");
  EXPECT_EQ(traceText_.str().find("Speak=1"), std::string::npos) << "off by default";
}

// The sample game played to its end on its own event file.
class TextOutFileRunTest : public testing::SampleRunTest {
 protected:
  std::vector<std::string> PlayWholeGame() {
    const fs::path out = dir_.Path() / "text.txt";
    PlayWithDumps(Events("whole-game.events"), {}, {"--text-out", out.string()});
    const auto bytes = testing::ReadFileBytes(out);
    std::vector<std::string> lines;
    std::istringstream text(std::string(bytes.begin(), bytes.end()));
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
  }
};

// The first chapter whole, as its script prints it: speakers marked, the hero's name inserted,
// the ruby read out, nothing of the commands, waits and tags.
const std::vector<std::string> kClassroom = {
    "三月の終わり、放課後の教室。",
    "窓の外で、町がゆっくり夕焼けに沈んでいく。",
    "明日から春休み。四月になれば、僕らは三年生だ。",
    "【夏目】「おい、湊。まだ帰ってなかったのか。",
    "……なあ、聞いたか。秋穂（あきほ）のやつ、今夜の最終で引っ越すんだってさ」",
    "その名前に、胸のどこかが小さく鳴った。",
    "小坂秋穂。家が隣どうしの幼なじみで、",
    "中学からずっと、同じ道を帰ってきた相手だ。",
    "【夏目】「駅も今夜でおしまいだろ。最後の客が秋穂ってわけだ。",
    "で、お前。ちゃんと言ったのか？」",
    "【湊】「……言うって、何を。",
    "別に、言うことなんてないよ。ただの幼なじみだし」",
    "【夏目】「とぼけんなって。顔に全部書いてある。",
    "まあいいや、俺は教えたからな。あとはお前次第だ」",
    "【秋穂】「あ、二人ともまだいたんだ。先生に挨拶してきたとこ。",
    "……じゃあ、またね。湊も、夏目くんも」",
    "僕は「ああ」とだけ返した。",
    "秋穂は軽く手を振って、廊下の向こうへ消えた。",
    "「また」なんて、いつ来るのかもわからないのに。",
    "【夏目】「……最終は二十二時ちょうどだぞ。じゃあな。これ、借りてた三百円」",
    "夏目は僕の肩をひとつ叩いて、教室を出ていった。",
};

TEST_F(TextOutFileRunTest, WholeGameWritesEveryStoryLineOnceInOrder) {
  const std::vector<std::string> lines = PlayWholeGame();
  ASSERT_GT(lines.size(), kClassroom.size());
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + kClassroom.size()), kClassroom);
  // Nothing comes between the chapters: the next line is the walk home's first.
  EXPECT_EQ(lines[kClassroom.size()], "夕暮れの土手を、一人で歩いた。");
  // The story is read once; the title, the menus and the extras' screens print no lines.
  EXPECT_EQ(std::count(lines.begin(), lines.end(), kClassroom.front()), 1);
  // The river, over the whole screen: its indented lines and its ruby.
  const auto river = std::find(lines.begin(), lines.end(), "川沿いの道を、僕は走った。");
  ASSERT_NE(river, lines.end());
  const std::vector<std::string> riverStart = {
      "川沿いの道を、僕は走った。", "息が白い。三月の夜は、まだ冬の匂いがする。",
      "空には十六夜（いざよい）の月。", "川面に映ったその光が、走る僕の横で揺れている。"};
  ASSERT_GE(lines.end() - river, 4);
  EXPECT_EQ(std::vector<std::string>(river, river + 4), riverStart);
  // The ending card: its indented, coloured lines.
  EXPECT_NE(std::find(lines.begin(), lines.end(), "遊んでくれて、ありがとう。"), lines.end());
  for (const std::string& line : lines) {
    EXPECT_FALSE(line.empty());
    // Valid UTF-8 of the game's own characters.
    EXPECT_TRUE(Utf8ToShiftJis(line).has_value()) << line;
    EXPECT_EQ(line.find_first_of("[]<>%\\"), std::string::npos) << "markup left in: " << line;
  }
}

}  // namespace
}  // namespace tolven
