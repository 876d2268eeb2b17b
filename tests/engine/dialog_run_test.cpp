// The three dialogs driven end to end through the real binary's event file: saving and loading
// through the list, settings changed in the configuration dialog, names entered and printed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "audio/audio_fixtures.h"
#include "audio/wav_file.h"
#include "engine/game_run.h"
#include "save/save_slot.h"
#include "test_support.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr int kOutputRate = 44100;

class DialogRunTest : public testing::GameRunTest {
 protected:
  testing::CommandResult Run(const std::string& events, bool withSound = false) {
    std::vector<std::string> options = {"--save-dir", (dir_ / "save").string()};
    if (withSound) {
      options.push_back("--audio-out");
      options.push_back((dir_ / "out.wav").string());
    }
    return RunGame(events, options);
  }
  std::string Settings() {
    const auto bytes = testing::ReadFileBytes(dir_ / "config/peluna2.ini");
    return std::string(bytes.begin(), bytes.end());
  }
};

// Saved through the list into the row chosen, loaded through it in a fresh run: the game goes
// on from the page it was saved on.
TEST_F(DialogRunTest, TheListSavesIntoTheChosenRowAndLoadsInAFreshRun) {
  Script("main",
         "!S000=0\n*title 第一話\n最初のページ\n\\\n二ページ目\n\\\n三ページ目\n\\\n*sleep 10\n");
  BuildGame();
  ASSERT_EQ(Run("until page\nclick 400 300\nuntil page\npress SpeedButton3\nuntil dialog TForm9\n"
                "set ListView1 4\nset Edit1 駅の前\ndump " +
                Path("open.json") + "\npress Button1\ndump " + Path("saved.json") + "\n")
                .exitStatus,
            0);
  const json open = Dump("open.json");
  EXPECT_EQ(open["dialog"]["name"], "TForm9");
  EXPECT_EQ(open["dialog"]["caption"], "セーブ");
  EXPECT_EQ(open["waits"]["busy"], true) << "the game waits behind the dialog";
  const json saved = Dump("saved.json");
  EXPECT_TRUE(saved["dialog"].is_null()) << "saving closes the list";
  ASSERT_EQ(saved["slots"].size(), 1u);
  EXPECT_EQ(saved["slots"][0]["slot"], 5);
  EXPECT_EQ(saved["slots"][0]["comment"], "駅の前");

  ASSERT_EQ(Run("wait 500\npress SpeedButton4\nuntil dialog TForm9\nset ListView1 4\ndump " +
                Path("load.json") + "\npress Button1\nwait 300\ndump " + Path("loaded.json") +
                "\nclick 400 300\nuntil page\ndump " + Path("next.json") + "\n")
                .exitStatus,
            0);
  const json list = Dump("load.json")["dialog"]["controls"];
  EXPECT_EQ(list["Button1"]["caption"], "ロード");
  EXPECT_NE(list["Memo1"]["items"].dump().find("二ページ目"), std::string::npos);
  EXPECT_EQ(Dump("loaded.json")["page"][1], "  二ページ目");
  EXPECT_EQ(Dump("next.json")["page"][1], "  三ページ目");
}

// The text speed and the music volume changed in the configuration dialog: both reach the
// settings file at once, and the engine follows.
TEST_F(DialogRunTest, TheConfigurationDialogWritesAtOnceAndTheEngineFollows) {
  const Pcm tone = testing::Sine(22050, 1, 22050 * 4, 12000, 50.0);
  testing::WriteFileBytes(dir_ / "src/music/M01.wav", WavBytes(tone));
  Script("main",
         "!S000=0\n*music 1\n最初のページ\n\\\n長い一行が高速なら一度に表示される。\n\\\n"
         "*sleep 10\n");
  BuildGame();
  testing::WriteFileText(dir_ / "config/peluna2.ini", "[PELUNA2]\nVol3=0\n");
  ASSERT_EQ(Run("until page\nwait 1000\npress SpeedButton2\nuntil dialog TForm3\n"
                "set RadioGroup5 1\nset TrackBar4 -2000\ndump " +
                    Path("open.json") + "\nwait 1000\npress Button2\nclick 400 300\nwait 100\n" +
                    "dump " + Path("after.json") + "\nwait 1000\n",
                true)
                .exitStatus,
            0);
  const json open = Dump("open.json");
  EXPECT_EQ(open["dialog"]["name"], "TForm3");
  EXPECT_EQ(open["settings"]["Vol3"], "-2000") << "volumes apply at once";
  const std::string settings = Settings();
  EXPECT_NE(settings.find("Delay=1\n"), std::string::npos) << settings;
  EXPECT_NE(settings.find("Vol3=-2000\n"), std::string::npos) << settings;
  // Delay 1 prints the line whole: it is there one step after the click.
  EXPECT_EQ(Dump("after.json")["page"][1], "  長い一行が高速なら一度に表示される。");
  // The music went on through the dialog, 20 dB quieter from the change on.
  const auto wav = testing::ReadFileBytes(dir_ / "out.wav");
  std::string fault;
  const std::optional<Pcm> out = ParseWav(wav, &fault);
  ASSERT_TRUE(out) << fault;
  const auto level = [&](double fromMs, double toMs) {
    double sum = 0;
    size_t count = 0;
    for (size_t f = static_cast<size_t>(fromMs * kOutputRate / 1000);
         f < static_cast<size_t>(toMs * kOutputRate / 1000) && f < out->Frames(); ++f, ++count) {
      sum += std::abs(out->samples[2 * f]);
    }
    return count > 0 ? sum / static_cast<double>(count) : 0.0;
  };
  const int openedAt = open["waits"]["timer_ticks"].get<int>() * 55;
  const double before = level(openedAt - 600, openedAt - 100);
  const double during = level(openedAt + 200, openedAt + 900);
  ASSERT_GT(before, 1000) << "the music plays before the dialog";
  EXPECT_NEAR(during / before, 0.1, 0.02) << "and on through it, at the new volume";
}

// Names typed into the name entry dialog: invalid ones are put back, valid ones printed by the
// story and stored.
TEST_F(DialogRunTest, NamesEnteredArePrintedAndStoredAndInvalidOnesPutBack) {
  Script("main", "*setname\n[$0][$1]の物語\n\\\n*setname\n*sleep 10\n");
  BuildGame();
  ASSERT_EQ(
      Run("until dialog TForm2\nset Edit1 佐藤ab\npress Button1\ndump " + Path("refused.json") +
          "\nset Edit1 佐藤\nset Edit2 一郎\npress Button1\nuntil page\ndump " +
          Path("named.json") + "\nclick 400 300\nuntil dialog TForm2\nset Edit1 山田\n" +
          "press Button1\nwait 100\ndump " + Path("default.json") + "\n")
          .exitStatus,
      0);
  const json refused = Dump("refused.json");
  EXPECT_EQ(refused["dialog"]["name"], "TForm2");
  EXPECT_EQ(refused["dialog"]["controls"]["Edit1"]["value"], "山田") << "the field is put back";
  const json named = Dump("named.json");
  EXPECT_TRUE(named["dialog"].is_null());
  EXPECT_EQ(named["page"][1], "  佐藤一郎の物語");
  EXPECT_EQ(named["S"]["6"], 1) << "a name other than the default";
  EXPECT_FALSE(Dump("default.json")["S"].contains("6")) << "the default family name gives 0";
  EXPECT_EQ(named["settings"]["PlayerName"], "佐藤");
  // The second entry kept the given name and took the default family name back: both stored.
  const std::string settings = Settings();
  EXPECT_NE(settings.find("PlayerName=山田\n"), std::string::npos) << settings;
  EXPECT_NE(settings.find("PlayerName2=一郎\n"), std::string::npos) << settings;
}

// Event files name controls that must exist; a dialog's controls only while it is open.
TEST_F(DialogRunTest, UnknownControlsEndTheRunNamingTheLine) {
  Script("main", "*setname\n*sleep 10\n");
  BuildGame();
  const testing::CommandResult unknown = Run("until dialog TForm2\nset Edit9 x\n");
  EXPECT_EQ(unknown.exitStatus, 2);
  EXPECT_NE(unknown.output.find("events.txt:2:"), std::string::npos) << unknown.output;
  EXPECT_NE(unknown.output.find("Edit9"), std::string::npos) << unknown.output;
  const testing::CommandResult closed =
      Run("until dialog TForm2\npress Button1\nwait 100\npress Button1\n");
  EXPECT_EQ(closed.exitStatus, 2) << closed.output;
}

}  // namespace
}  // namespace tolven
