// Whole runs of the real tolven binary on small games built with tolven-tool, checked through
// their state dumps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "base/engine_values.h"
#include "resources/bitmap24.h"
#include "resources/png_io.h"
#include "test_support.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::RunTolven;
using testing::RunTool;
using testing::WriteFileText;

class HeadlessRunTest : public ::testing::Test {
 protected:
  void Script(const std::string& name, const std::string& text) {
    WriteFileText(dir_ / "src" / "scripts" / (name + ".txt"), text);
  }

  void BuildGame() {
    auto built = RunTool({"build-game", (dir_ / "src").string(), (dir_ / "game").string()});
    ASSERT_EQ(built.exitStatus, 0) << built.output;
  }

  // Runs the game headless with the events; dumps named in them land in the test folder.
  testing::CommandResult Run(const std::string& events, uint32_t seed = 1) {
    WriteFileText(dir_ / "events.txt", events);
    return RunTolven({"--headless", "--events", (dir_ / "events.txt").string(), "--seed",
                      std::to_string(seed), "--config-dir", (dir_ / "config").string(), "--trace",
                      (dir_ / "trace.txt").string(), (dir_ / "game").string()});
  }

  std::string DumpPath(const std::string& name) { return (dir_ / name).string(); }

  json Dump(const std::string& name) {
    auto bytes = testing::ReadFileBytes(dir_ / name);
    return json::parse(bytes.begin(), bytes.end());
  }

  testing::TempDir dir_;
};

int Value(const json& dump, const char* bank, int index) {
  const json& values = dump.at(bank);
  auto found = values.find(std::to_string(index));
  return found == values.end() ? 0 : found->get<int>();
}

TEST_F(HeadlessRunTest, CallsChainsCaseJumpsAndLabels) {
  Script("main",
         "; control flow\n"
         "!V800=7\n!V001=5\n*gameinit\n"
         "*call sub_a\n!V103=1\n*call sub_c\n!V104=1\n"
         "*if (V001=0) !V105=1\n"
         "!G1=1\n*cjmp\n{\n!V110=1\n{\n!V111=1\n{\n!V112=1\n}\n!V113=1\n"
         "*cjmp 5\n{\n!V120=1\n{\n!V121=1\n{\n!V122=1\n}\n!V123=1\n"
         "*go LaBeL\n!V130=1\n:label\n!V131=1\n"
         "*chain other:Target\n");
  Script("sub_a", "!V101=1\n*call sub_b\n!V102=1\n*end\n!V199=1\n");
  Script("sub_b", "!V100=1\n*sleep 10\n!V106=1\n*end\n");
  Script("sub_c", "!V140=1\n");
  Script("other", "!V150=1\n:target\n!V151=1\nこんにちは\n\\\n@sleep 10\n");
  BuildGame();
  auto run = Run("until input\ndump " + DumpPath("deep.json") + "\nclick 10 10\nuntil page\ndump " +
                 DumpPath("page.json") + "\nclick 10 10\nuntil input\ndump " +
                 DumpPath("end.json") + "\nquit\n");
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  json deep = Dump("deep.json");
  EXPECT_EQ(deep["script"], "sub_b");
  EXPECT_EQ(deep["call_depth"], 2);
  EXPECT_EQ(deep["waits"]["sleep_counter"], -1);
  EXPECT_EQ(Value(deep, "V", 100), 1);
  EXPECT_EQ(Value(deep, "V", 106), 0);

  json page = Dump("page.json");
  EXPECT_EQ(page["script"], "other");
  EXPECT_EQ(page["call_depth"], 0);
  EXPECT_EQ(page["waits"]["page_wait"], 1);
  EXPECT_EQ(page["page"][0], "") << "no speaker";
  EXPECT_EQ(page["page"][1], "  こんにちは") << "the text row, indented";
  EXPECT_EQ(page["backlog"][0], "こんにちは");

  json end = Dump("end.json");
  struct Expect {
    int index;
    int value;
    const char* why;
  } expectations[] = {{800, 7, "gameinit keeps V800-V999"},
                      {1, 0, "gameinit clears V000-V799"},
                      {100, 1, "second level ran"},
                      {106, 1, "second level resumed after the click"},
                      {102, 1, "first return"},
                      {103, 1, "second return"},
                      {199, 0, "end leaves the script"},
                      {140, 1, "called script without end ran"},
                      {104, 1, "returned from a script that ran off its end"},
                      {105, 1, "if with a statement"},
                      {110, 0, "cjmp 1 skips case 0"},
                      {111, 1, "cjmp 1 runs case 1"},
                      {112, 0, "case 1 ends at the next {"},
                      {113, 1, "cjmp continues after }"},
                      {120, 0, "cjmp 5 skips every case"},
                      {121, 0, "cjmp 5 skips every case"},
                      {122, 0, "cjmp 5 skips every case"},
                      {123, 1, "cjmp 5 continues after }"},
                      {130, 0, "go skips to the label"},
                      {131, 1, "label found in any letter case"},
                      {150, 0, "chain jumps to its label"},
                      {151, 1, "chain label reached"}};
  for (const Expect& e : expectations) EXPECT_EQ(Value(end, "V", e.index), e.value) << e.why;
  EXPECT_EQ(end["page"][1], "") << "the click started a new page";
  EXPECT_EQ(end["waits"]["sleep_counter"], -1);
}

TEST_F(HeadlessRunTest, SleepCountsIdleStepsOfVirtualTime) {
  Script("main", "*sleep 90\n!V050=1\n*sleep 10\n!V051=1\n");
  BuildGame();
  // Idle steps every 30 ms: the title starts at 0, sleep 90 begins at 30 and counts 3 steps.
  auto run = Run("wait 100\ndump " + DumpPath("during.json") + "\nwait 60\ndump " +
                 DumpPath("after.json") + "\nwait 300\ndump " + DumpPath("still.json") +
                 "\nclick 5 5\nwait 100\ndump " + DumpPath("clicked.json") + "\n");
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  json during = Dump("during.json");
  EXPECT_GT(during["waits"]["sleep_counter"].get<int>(), 0);
  EXPECT_EQ(Value(during, "V", 50), 0);
  json after = Dump("after.json");
  EXPECT_EQ(Value(after, "V", 50), 1);
  EXPECT_EQ(after["waits"]["sleep_counter"], -1);
  EXPECT_EQ(Value(Dump("still.json"), "V", 51), 0) << "sleep 10 waits for a click, not time";
  EXPECT_EQ(Value(Dump("clicked.json"), "V", 51), 1);
}

TEST_F(HeadlessRunTest, SameSeedSameRunAndTheCloseQueryAsks) {
  Script("main", "!V300=R30000\n!V301=R30000\n*string 3 山田 花子\n*sleep 10\n");
  BuildGame();
  const std::string events = "until input\nanswer cancel\nquit\ndump " + DumpPath("a.json") + "\n";
  ASSERT_EQ(Run(events, 42).exitStatus, 0);
  const auto first = testing::ReadFileBytes(dir_ / "a.json");
  ASSERT_EQ(Run(events, 42).exitStatus, 0);
  EXPECT_EQ(testing::ReadFileBytes(dir_ / "a.json"), first);
  json dump = json::parse(first.begin(), first.end());
  EXPECT_EQ(dump["strings"][3], "山田 花子");
  EXPECT_EQ(dump["script"], "main") << "cancelled close keeps the engine running";

  auto closed = Run("until input\nanswer ok\nquit\ndump " + DumpPath("never.json") + "\n");
  EXPECT_EQ(closed.exitStatus, 0);
  EXPECT_FALSE(fs::exists(dir_ / "never.json")) << "the run ended at the accepted quit";
}

TEST_F(HeadlessRunTest, UntilReportsATimeOutAndBadEventFilesAreRefused) {
  Script("main", "!V001=1\n*sleep 3000\n");
  BuildGame();
  auto timedOut = Run("until page 500\n");
  EXPECT_EQ(timedOut.exitStatus, 3);
  EXPECT_NE(timedOut.output.find("events.txt:1"), std::string::npos) << timedOut.output;
  auto bad = Run("wait ten\n");
  EXPECT_EQ(bad.exitStatus, 2);
  EXPECT_NE(bad.output.find("events.txt:1"), std::string::npos) << bad.output;
}

TEST_F(HeadlessRunTest, MissingGameDataIsReportedAndTheWindowCloses) {
  fs::create_directories(dir_ / "game");
  auto run = Run("wait 1000\ndump " + DumpPath("x.json") + "\n");
  EXPECT_EQ(run.exitStatus, 0) << run.output;
  EXPECT_FALSE(fs::exists(dir_ / "x.json")) << "the window closed on the first idle tick";
  auto trace = testing::ReadFileBytes(dir_ / "trace.txt");
  EXPECT_NE(std::string(trace.begin(), trace.end()).find("ゲームデータを読み込めません。"),
            std::string::npos);
}

// A folder that cannot even be examined (here a symbolic link to itself) is a folder without
// game data, not a crash.
TEST_F(HeadlessRunTest, AGameFolderThatCannotBeExaminedIsMissingGameData) {
  fs::create_symlink("loop", dir_ / "loop");
  WriteFileText(dir_ / "events.txt", "wait 1000\n");
  auto run = RunTolven({"--headless", "--events", (dir_ / "events.txt").string(), "--config-dir",
                        (dir_ / "config").string(), "--trace", (dir_ / "trace.txt").string(),
                        (dir_ / "loop").string()});
  EXPECT_EQ(run.exitStatus, 0) << run.output;
  auto trace = testing::ReadFileBytes(dir_ / "trace.txt");
  EXPECT_NE(std::string(trace.begin(), trace.end()).find("ゲームデータを読み込めません。"),
            std::string::npos);
}

TEST_F(HeadlessRunTest, TheFamilyNameIsStoredAsTheScriptWroteItAndTheSaveFolderIsKnown) {
  Script("main", "*string 0  佐藤\n*sleep 10\n");
  BuildGame();
  auto run = Run("until input\ndump " + DumpPath("a.json") + "\n");
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  json dump = Dump("a.json");
  EXPECT_EQ(dump["strings"][0], " 佐藤");
  EXPECT_EQ(dump["settings"]["PlayerName"], " 佐藤");
  EXPECT_EQ(dump["save_dir"], (dir_ / "game" / "save").string());
  // The next run reads the name back with its blank.
  ASSERT_EQ(Run("until input\ndump " + DumpPath("b.json") + "\n").exitStatus, 0);
  EXPECT_EQ(Dump("b.json")["strings"][0], " 佐藤");

  WriteFileText(dir_ / "events.txt", "until input\ndump " + DumpPath("c.json") + "\n");
  run = RunTolven({"--headless", "--events", (dir_ / "events.txt").string(), "--config-dir",
                   (dir_ / "config").string(), "--save-dir", (dir_ / "saves").string(),
                   (dir_ / "game").string()});
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  EXPECT_EQ(Dump("c.json")["save_dir"], (dir_ / "saves").string());
}

// Closing the window during a picture's cross-fade lets the fade finish, then asks whether to
// quit; OK ends the run.
TEST_F(HeadlessRunTest, ACloseRequestDuringATransitionAsksAfterIt) {
  Bitmap24 picture(kScreenWidth, kScreenHeight);
  std::fill_n(picture.Data(), picture.SizeBytes(), 200);
  testing::WriteFileBytes(dir_ / "src" / "pictures" / "A_BG.png", EncodePng(picture));
  Script("main", "*sleep 10\n*gra A_BG,6\n*sleep 10\n");
  BuildGame();
  const std::string events =
      "until input\nclick 5 5\nwait 45\nanswer %s\nquit\nwait 500\n"
      "dump " +
      DumpPath("after.json") + "\n";
  char cancel[256];
  std::snprintf(cancel, sizeof cancel, events.c_str(), "cancel");
  ASSERT_EQ(Run(cancel).exitStatus, 0);
  json after = Dump("after.json");
  EXPECT_EQ(Value(after, "S", sv::kTransitionCut), 1);
  auto trace = testing::ReadFileBytes(dir_ / "trace.txt");
  const std::string text(trace.begin(), trace.end());
  EXPECT_NE(text.find("message box \"確認\": ゲームを終了しますか？"), std::string::npos) << text;
  EXPECT_LT(text.find("*gra A_BG,6"), text.find("message box")) << "asked after the transition";

  fs::remove(dir_ / "after.json");
  char ok[256];
  std::snprintf(ok, sizeof ok, events.c_str(), "ok");
  ASSERT_EQ(Run(ok).exitStatus, 0);
  EXPECT_FALSE(fs::exists(dir_ / "after.json")) << "OK quits";
}

Bitmap24 SolidPicture(uint8_t blue, uint8_t green, uint8_t red) {
  Bitmap24 picture(kScreenWidth, kScreenHeight);
  for (size_t i = 0; i < picture.SizeBytes(); i += 3) {
    picture.Data()[i] = blue;
    picture.Data()[i + 1] = green;
    picture.Data()[i + 2] = red;
  }
  return picture;
}

int WhitePixels(const Bitmap24& picture, int left, int top, int right, int bottom) {
  int count = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      const uint8_t* p = picture.Row(y) + 3 * x;
      count += p[0] == 255 && p[1] == 255 && p[2] == 255;
    }
  }
  return count;
}

// Ruby over its characters, the [gra] tag following the last picture command, and both text
// modes, as a player sees them.
TEST_F(HeadlessRunTest, TextPagesShowRubyPictureTagsAndBothTextModes) {
  testing::WriteFileBytes(dir_ / "src" / "pictures" / "A_RED.png",
                          EncodePng(SolidPicture(0, 0, 200)));
  Script("main",
         "*gra S000,0\n"
         ">名前\n"
         "あいう<1 かん>漢\n"
         "\\\n"
         "*grb S00g\n"
         "まだ[gra A_RED,0]黒い\n"
         "\\\n"
         "*gra S000,0\n"
         "もう[gra A_RED,0]赤い\n"
         "\\\n"
         "*mode 1\n"
         "全画面の文\n"
         "\\\n"
         "*mode 0\n"
         "窓の文\n"
         "\\\n");
  BuildGame();
  std::string events;
  for (const char* name : {"ruby", "grb", "gra", "full", "window"}) {
    events += std::string("until page\nwait 200\nshot ") + DumpPath(std::string(name) + ".png") +
              "\ndump " + DumpPath(std::string(name) + ".json") + "\nclick 400 300\n";
  }
  const auto run = Run(events);
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  auto shot = [&](const char* name) {
    Bitmap24 picture;
    std::string why;
    EXPECT_TRUE(
        DecodePng(testing::ReadFileBytes(dir_ / (std::string(name) + ".png")), picture, why))
        << name << ": " << why;
    return picture;
  };
  auto red = [](const Bitmap24& picture) { return picture.Row(100)[3 * 400 + 2]; };

  // The reading sits above the row's characters, right of the name, left of nothing else.
  const Bitmap24 ruby = shot("ruby");
  const int rubyX = 14 * 8 + 1 + 11;
  EXPECT_GT(WhitePixels(ruby, rubyX - 2, 468, rubyX + 24, 478), 5);
  EXPECT_EQ(WhitePixels(ruby, rubyX + 30, 468, 790, 478), 0);

  EXPECT_EQ(red(shot("grb")), 0) << "after grb the tag does not show the picture";
  EXPECT_EQ(red(shot("gra")), 200) << "after gra it does";

  const Bitmap24 full = shot("full");
  EXPECT_EQ(Value(Dump("full.json"), "S", sv::kTextMode), 1);
  EXPECT_EQ(Dump("full.json")["stage"]["display"], 2);
  EXPECT_EQ(red(full), 200 * (256 - 8 * 16) >> 8) << "the scene darkened by S008";
  EXPECT_GT(WhitePixels(full, 20, 32, 20 + 5 * 28, 32 + 35), 50) << "text at the top left";
  EXPECT_EQ(WhitePixels(full, 0, 420, 800, 600), 0) << "no window";

  const json window = Dump("window.json");
  EXPECT_EQ(Value(window, "S", sv::kTextMode), 0);
  EXPECT_EQ(window["stage"]["display"], 1);
  EXPECT_EQ(window["page"][1], "  窓の文");
  const Bitmap24 windowShot = shot("window");
  EXPECT_EQ(red(windowShot), 200) << "the scene is whole again";
  EXPECT_GT(WhitePixels(windowShot, 36, 478, 36 + 4 * 28, 478 + 35), 50);
}

TEST_F(HeadlessRunTest, AWindowOpenedByWinOpenAppearsWithTheFirstCharacter) {
  testing::WriteFileBytes(dir_ / "src" / "pictures" / "A_RED.png",
                          EncodePng(SolidPicture(0, 0, 200)));
  Script("main", "*gra A_RED,0\n*win_open\nあい\n\\\n");
  BuildGame();
  ASSERT_EQ(Run("until page\nshot " + DumpPath("page.png") + "\n").exitStatus, 0);
  Bitmap24 shot;
  std::string why;
  ASSERT_TRUE(DecodePng(testing::ReadFileBytes(dir_ / "page.png"), shot, why)) << why;
  EXPECT_EQ(shot.Row(550)[3 * 400 + 2], 200 * (255 - 90) >> 8) << "the tinted panel is shown";
  EXPECT_EQ(shot.Row(300)[3 * 400 + 2], 200) << "the scene above it is not";
}

// What one play-through sets of the cross-game flags is there at the start of the next.
TEST_F(HeadlessRunTest, CrossGameFlagsSurviveTheProgram) {
  Script("main", "*if (E005=1) !V001=1\n!E005=1\n*mark 7\n*sleep 10\n");
  BuildGame();
  ASSERT_EQ(Run("until input\nanswer ok\nquit\n").exitStatus, 0);
  const fs::path save0 = dir_ / "game" / "save" / "save0.dat";
  ASSERT_TRUE(fs::exists(save0));
  EXPECT_EQ(fs::file_size(save0), 10880u);
  const auto bytes = testing::ReadFileBytes(save0);
  EXPECT_EQ(bytes[0] & (1 << 5), 1 << 5) << "E005 is bit 5 of the first byte";
  ASSERT_EQ(Run("until input\ndump " + DumpPath("second.json") + "\n").exitStatus, 0);
  const json second = Dump("second.json");
  EXPECT_EQ(Value(second, "V", 1), 1) << "the second run starts with E005 set";
  EXPECT_NE(std::find(second["E"].begin(), second["E"].end(), 5), second["E"].end());
}

TEST_F(HeadlessRunTest, HundredThousandLineScriptRunsToTheEnd) {
  std::string script;
  for (int i = 0; i < 25000; ++i) {
    script += "!V001=V001+1\n*if (V001>0) !V002=V002+1\n!V003=V003+2\n*if (V001<0) !V004=1\n";
  }
  Script("main", script);
  BuildGame();
  auto run = Run("until input 100000000\ndump " + DumpPath("big.json") + "\n");
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  json dump = Dump("big.json");
  EXPECT_EQ(Value(dump, "V", 1), 25000);
  EXPECT_EQ(Value(dump, "V", 2), 25000);
  EXPECT_EQ(Value(dump, "V", 3), 50000);
  EXPECT_EQ(Value(dump, "V", 4), 0);
}

}  // namespace
}  // namespace tolven
