// Saved games end to end: the real binary saves in one run and loads in a fresh one, and the
// state dump, the screen and the files in the save folder show what came back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include <nlohmann/json.hpp>

#include "audio/audio_fixtures.h"
#include "audio/sound.h"
#include "audio/wav_file.h"
#include "base/engine_values.h"
#include "base/text_encoding.h"
#include "engine/game_run.h"
#include "resources/bitmap24.h"
#include "resources/png_io.h"
#include "save/save_slot.h"
#include "test_support.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr size_t kVOffset = 1280;
constexpr size_t kSave0ReadMarks = 640;

Bitmap24 Gradient() {
  Bitmap24 picture(kScreenWidth, kScreenHeight);
  for (int y = 0; y < kScreenHeight; ++y) {
    for (int x = 0; x < kScreenWidth; ++x) {
      uint8_t* p = picture.Row(y) + 3 * x;
      p[0] = static_cast<uint8_t>(x / 4);
      p[1] = static_cast<uint8_t>(y / 3);
      p[2] = 90;
    }
  }
  return picture;
}

// A character whose mask covers its left half only, so it shows whichever way the mask reads.
void WriteCharacter(const fs::path& pictures) {
  Bitmap24 face(200, 400);
  Bitmap24 mask(200, 400);
  for (int y = 0; y < 400; ++y) {
    for (int x = 0; x < 200; ++x) {
      uint8_t* f = face.Row(y) + 3 * x;
      f[0] = 20, f[1] = 200, f[2] = 40;
      std::memset(mask.Row(y) + 3 * x, x < 100 ? 255 : 0, 3);
    }
  }
  testing::WriteFileBytes(pictures / "B_KAI.png", EncodePng(face));
  testing::WriteFileBytes(pictures / "M_KAI.png", EncodePng(mask));
}

class SaveRunTest : public testing::GameRunTest {
 protected:
  void SetUp() override {
    testing::WriteFileBytes(dir_ / "src/pictures/A_PARK.png", EncodePng(Gradient()));
    WriteCharacter(dir_ / "src/pictures");
    // The answer buttons of a select, which give its answers their size.
    for (const char* button : {"sys_sw.png", "sys_sw2.png"}) {
      fs::copy_file(fs::path(TOLVEN_SOURCE_DIR) / "samples/demo/pictures" / button,
                    dir_ / "src/pictures" / button);
    }
  }

  void Sound(const std::string& path, double seconds) {
    const Pcm pcm = testing::Sine(22050, 1, static_cast<size_t>(22050 * seconds), 9000, 50.0);
    testing::WriteFileBytes(dir_ / "src" / path, WavBytes(pcm));
  }

  // One run with the save folder given; with sound recorded when asked, so that system sounds
  // have a device to play on.
  testing::CommandResult Run(const std::string& events, const std::string& saveDir = "save",
                             bool withSound = false) {
    std::vector<std::string> options = {"--seed", "1", "--save-dir", (dir_ / saveDir).string()};
    if (withSound) {
      options.push_back("--audio-out");
      options.push_back((dir_ / "out.wav").string());
    }
    return RunGame(events, options);
  }

  std::vector<uint8_t> SlotBytes(int slot, const std::string& saveDir = "save") {
    return testing::ReadFileBytes(SlotPath(dir_ / saveDir, slot));
  }
};

int32_t IntegerAt(const std::vector<uint8_t>& bytes, size_t offset) {
  int32_t value = 0;
  std::memcpy(&value, bytes.data() + offset, 4);
  return value;
}

int Value(const json& dump, const char* bank, int index) {
  const json& values = dump.at(bank);
  auto found = values.find(std::to_string(index));
  return found == values.end() ? 0 : found->get<int>();
}

Bitmap24 Shot(const fs::path& path) {
  Bitmap24 picture;
  std::string why;
  EXPECT_TRUE(DecodePng(testing::ReadFileBytes(path), picture, why)) << why;
  return picture;
}

// Saved half-way through a line of text with a character, music and a looping effect; a fresh
// run that loads it shows the same screen, the same page and stage, and plays both sounds again.
TEST_F(SaveRunTest, AGameSavedMidPageComesBackInAFreshRun) {
  Sound("music/M02.wav", 3.0);
  Sound("effects/loop/RIVER.wav", 0.5);
  Script("main",
         "*title 公園\n*gra A_PARK,0\n*tati b_kai,0\n*music 2\n*seloop RIVER\n!V007=7\n"
         "一行目の文章です。\n\\\n"
         "二ページ目、ここで保存されるまでに文字がひとつずつ出ていく。\n\\\n*sleep 10\n");
  BuildGame();
  const std::string save = "until page\nclick 400 300\nwait 300\nsave-slot 4\ndump " +
                           Path("before.json") + "\nshot " + Path("before.png") + "\n";
  ASSERT_EQ(Run(save, "save", true).exitStatus, 0);
  ASSERT_EQ(Run("wait 500\nload-slot 4\ndump " + Path("after.json") + "\nshot " +
                    Path("after.png") + "\nwait 2000\ndump " + Path("later.json") + "\n",
                "save", true)
                .exitStatus,
            0);
  const json before = Dump("before.json");
  const json after = Dump("after.json");
  for (const char* key : {"page", "cursor", "stage", "V", "F", "strings", "read_pos", "script",
                          "call_depth", "backlog", "history"}) {
    EXPECT_EQ(after[key], before[key]) << key;
  }
  EXPECT_EQ(after["stage"]["characters"], json::array({"B_KAI"}));
  EXPECT_NE(before["page"][1], "") << "saved with part of the second page shown";
  EXPECT_TRUE(Shot(dir_ / "after.png") == Shot(dir_ / "before.png")) << "the same screen";
  EXPECT_EQ(after["sound"]["music"]["playing"], 2);
  EXPECT_TRUE(after["sound"]["music"]["streaming"]);
  EXPECT_EQ(after["sound"]["looping_effect"], "RIVER");
  // The line goes on printing where it stopped.
  const json later = Dump("later.json");
  const std::string shown = before["page"][1];
  const std::string printed = later["page"][1];
  EXPECT_GT(printed.size(), shown.size());
  EXPECT_EQ(printed.rfind(shown, 0), 0u) << printed;
  // Headless saves are stamped from a fixed start on the virtual clock.
  ASSERT_EQ(after["slots"].size(), 1u);
  EXPECT_EQ(after["slots"][0]["slot"], 4);
  EXPECT_EQ(after["slots"][0]["description"].get<std::string>().substr(0, 11), "2000/01/01 ");
  EXPECT_TRUE(after["slots"][0]["description"].get<std::string>().ends_with("  公園"));
}

// The looping effect a slot keeps is the entry that played, its level already applied: a load
// plays that entry, every load alike, and the group switch that chose it is not asked again.
TEST_F(SaveRunTest, ALoadPlaysTheLoopingEffectThatWasPlayingEveryTime) {
  for (const char* entry : {"SEH4LOOP1A0", "SEH4LOOP1A1", "SEH4LOOP1A2"}) {
    Sound(std::string("effects/loop/") + entry + ".wav", 0.3);
  }
  Script("main", "*gra A_PARK,0\n*seloop SEH4LOOP1A0\n雨の音\n\\\n*sleep 10\n");
  BuildGame();
  testing::WriteFileText(dir_ / "config" / "peluna2.ini", "[PELUNA2]\nSE_LVL0=1\n");
  std::string events = "until page\ndump " + Path("0.json") + "\n";
  for (int load = 1; load <= 2; ++load) {
    events += "save-slot " + std::to_string(load) + "\nload-slot " + std::to_string(load) +
              "\nwait 100\ndump " + Path(std::to_string(load) + ".json") + "\n";
  }
  ASSERT_EQ(Run(events, "save", true).exitStatus, 0);
  for (const char* dump : {"0.json", "1.json", "2.json"}) {
    SCOPED_TRACE(dump);
    const json sound = Dump(dump)["sound"];
    EXPECT_EQ(sound["looping_effect"], "SEH4LOOP1A1");
    std::string looping;
    for (const json& slot : sound["slots"]) {
      if (slot["slot"] == kLoopingEffectSlot && slot["playing"] == true) looping = slot["name"];
    }
    EXPECT_EQ(looping, "SEH4LOOP1A1") << sound.dump();
  }
}

// A select that was open at the save opens again; with a backto position the story goes on
// from there instead. Slot 3 sounds the load sound, slot 25 does not.
TEST_F(SaveRunTest, ASaveDuringASelectOpensItAgainOrResumesAtBackto) {
  Sound("effects/SSE06.wav", 0.4);
  Script("main",
         "*gra A_PARK,0\n!V001=1\nはじまり\n\\\n*select\n{右へ\n!V002=1\n{左へ\n!V002=2\n}\n"
         "*backto\n!V001=2\nあとの話\n\\\n*select\n{北へ\n!V003=1\n{南へ\n!V003=2\n}\n"
         "*sleep 10\n");
  BuildGame();
  ASSERT_EQ(Run("until page\nclick 400 300\nuntil choice\nsave-slot 3\nchoose 1\nuntil page\n"
                "click 400 300\nuntil choice\nsave-slot 25\n",
                "save", true)
                .exitStatus,
            0);
  ASSERT_EQ(Run("wait 300\nload-slot 3\nwait 100\ndump " + Path("three.json") +
                    "\nuntil choice\ndump " + Path("reopened.json") + "\n",
                "save", true)
                .exitStatus,
            0);
  const json three = Dump("three.json");
  const json reopened = Dump("reopened.json");
  EXPECT_EQ(reopened["choice"]["entries"], json::array({"右へ", "左へ"}));
  EXPECT_EQ(Value(reopened, "V", 1), 1);
  bool loadSound = false;
  for (const json& slot : three["sound"]["slots"]) loadSound |= slot["name"] == "SSE06";
  EXPECT_TRUE(loadSound) << three["sound"].dump();

  ASSERT_EQ(Run("wait 300\nload-slot 25\nwait 100\ndump " + Path("quiet.json") +
                    "\nuntil page\ndump " + Path("backto.json") +
                    "\nclick 400 300\nuntil choice\ndump " + Path("resumed.json") + "\n",
                "save", true)
                .exitStatus,
            0);
  const json quiet = Dump("quiet.json");
  for (const json& slot : quiet["sound"]["slots"]) EXPECT_NE(slot["name"], "SSE06");
  // The backto position lies after "*backto": the second half is told again up to its select.
  EXPECT_EQ(Dump("backto.json")["page"][1], "  あとの話");
  const json resumed = Dump("resumed.json");
  EXPECT_EQ(resumed["choice"]["entries"], json::array({"北へ", "南へ"}));
}

// Twenty-one selects fill 61-80, the newest in 61 and the first of them gone; two runs with the
// same events write the same bytes.
TEST_F(SaveRunTest, TwentyOneSelectsKeepTheLastTwentyByteForByte) {
  std::string script = "*gra A_PARK,0\nはじめ\n\\\n";
  std::string events = "until page\nclick 400 300\n";
  for (int i = 1; i <= 21; ++i) {
    script += "!V001=" + std::to_string(i) + "\n*select\n{はい\n{いいえ\n}\n";
    events += "until choice\nchoose 1\n";
  }
  Script("main", script + "*sleep 10\n");
  BuildGame();
  ASSERT_EQ(Run(events + "until input\n", "first").exitStatus, 0);
  ASSERT_EQ(Run(events + "until input\n", "second").exitStatus, 0);
  for (int slot = 61; slot <= 80; ++slot) {
    const std::vector<uint8_t> bytes = SlotBytes(slot, "first");
    ASSERT_EQ(bytes.size(), kSlotFileBytes) << slot;
    EXPECT_EQ(IntegerAt(bytes, kVOffset + 4), 21 - (slot - 61)) << slot;
    EXPECT_EQ(bytes, SlotBytes(slot, "second")) << slot;
  }
  EXPECT_FALSE(fs::exists(SlotPath(dir_ / "first", 81)));
}

// String row 0 follows the player's current family name, row 1 keeps the saved one; the chapter
// title may be empty, leaving the description's two blanks at its end.
TEST_F(SaveRunTest, ALoadKeepsTheCurrentFamilyNameAndTheSavedGivenName) {
  Script("main",
         "*string 0 佐藤\n*string 1 花子\n*gra A_PARK,0\n最初のページ\n\\\n*string 0 鈴木\n"
         "*string 1 太郎\n次のページ\n\\\n*sleep 10\n");
  BuildGame();
  ASSERT_EQ(Run("until page\nsave-slot 7\nclick 400 300\nuntil page\nwait 300\nload-slot 7\n"
                "dump " +
                Path("loaded.json") + "\n")
                .exitStatus,
            0);
  const json loaded = Dump("loaded.json");
  EXPECT_EQ(loaded["strings"][0], "鈴木");
  EXPECT_EQ(loaded["strings"][1], "花子");
  EXPECT_EQ(Value(loaded, "S", sv::kNameChanged), 1);
  const std::string description = loaded["slots"][0]["description"];
  EXPECT_EQ(description.size(), 21u) << description;
  EXPECT_EQ(description.substr(19), "  ");
}

// E005 set after a save is still set after gameinit and a load of that older save; marks go
// up to 80000 and stay in save0.dat; every gameclr counts one more in S100 and Clear, and its
// flush keeps the G values for the next run.
TEST_F(SaveRunTest, ProgressOutlivesOlderSavesGamesAndRuns) {
  Script("main",
         "*gra A_PARK,0\n最初\n\\\n!E005=1\n*mark 80000\n*mark 80001\n*mark 3\n*gameinit\n"
         "!G3=5\n*gameclr\n*gameclr\n次\n\\\n*sleep 10\n");
  BuildGame();
  ASSERT_EQ(Run("until page\nsave-slot 9\nclick 400 300\nuntil page\nload-slot 9\ndump " +
                Path("loaded.json") + "\n")
                .exitStatus,
            0);
  const json loaded = Dump("loaded.json");
  EXPECT_NE(std::find(loaded["E"].begin(), loaded["E"].end(), 5), loaded["E"].end());
  EXPECT_NE(std::find(loaded["E"].begin(), loaded["E"].end(), 999), loaded["E"].end());
  EXPECT_EQ(loaded["progress"]["read_marks"]["count"], 2);
  EXPECT_EQ(loaded["progress"]["read_marks"]["first"], json::array({3, 80000}));
  const std::vector<uint8_t> save0 = testing::ReadFileBytes(dir_ / "save" / "save0.dat");
  ASSERT_EQ(save0.size(), 10880u);
  EXPECT_EQ(save0[kSave0ReadMarks + 80000 / 8], 1u << (80000 % 8));
  EXPECT_EQ(save0[kSave0ReadMarks + 80001 / 8] & (1u << (80001 % 8)), 0u);

  ASSERT_EQ(Run("until input\ndump " + Path("cleared.json") + "\n").exitStatus, 0);
  const json cleared = Dump("cleared.json");
  EXPECT_EQ(Value(cleared, "S", sv::kClearCount), 2);
  EXPECT_EQ(cleared["settings"]["Clear"], "2");
  const auto ini = testing::ReadFileBytes(dir_ / "config" / "peluna2.ini");
  const std::string settings(ini.begin(), ini.end());
  EXPECT_NE(settings.find("Clear=2\n"), std::string::npos) << settings;
  EXPECT_NE(settings.find("GV03=5\n"), std::string::npos) << "G values are kept at every flush";
  EXPECT_EQ(Value(cleared, "G", 3), 5);
}

// Backgrounds on the gallery list of the view text count as seen once shown; cgfull counts
// the whole list. Both reach save0.dat.
TEST_F(SaveRunTest, TheGalleryListMarksPicturesShownAndCgfullMarksThemAll) {
  Script("view",
         ":VIEW_0\n{\nSET:1\n}\n{\n1:A_OTHER\n}\n"
         ":VIEW_1\n{\nTYPE:0\nSET:2\nGRA:base,hover,sheet\n}\n"
         "{\n1:A_TWO,A_PARK\n2:A_THREE,,A_AFTER_A_GAP\nX:A_NOT_A_NUMBER\n}\n"
         "{\n5:A_FOUR\n}\n{\n1:A_PAST_THE_PAGES\n}\n");
  Script("main", "*gra A_PARK,0\n見た\n\\\n*cgfull\n全部\n\\\n*sleep 10\n");
  BuildGame();
  ASSERT_EQ(Run("until page\ndump " + Path("shown.json") + "\nclick 400 300\nuntil page\ndump " +
                Path("all.json") + "\nquit\n")
                .exitStatus,
            0);
  EXPECT_EQ(Dump("shown.json")["progress"]["gallery"], json::array({1}));
  EXPECT_EQ(Dump("all.json")["progress"]["gallery"], json::array({0, 1, 2, 3}));
  const std::vector<uint8_t> save0 = testing::ReadFileBytes(dir_ / "save" / "save0.dat");
  ASSERT_EQ(save0.size(), 10880u);
  EXPECT_EQ(save0[128], 0x0F) << "the gallery flags follow the E flags";
  EXPECT_EQ(save0[129], 0);
}

// Damaged files in the save folder: a slot cut short is refused, the others are read within
// their bytes, and the run goes on.
TEST_F(SaveRunTest, DamagedSaveFilesNeverStopTheRun) {
  Script("main", "*gra A_PARK,0\nページ\n\\\n*sleep 10\n");
  BuildGame();
  ASSERT_EQ(Run("until page\nsave-slot 1\n").exitStatus, 0);
  std::vector<uint8_t> good = SlotBytes(1);
  std::mt19937 random(7);
  std::vector<uint8_t> noise(kSlotFileBytes);
  for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
  std::vector<uint8_t> oversized = good;
  oversized.resize(kSlotFileBytes * 2, 0xEE);
  testing::WriteFileBytes(SlotPath(dir_ / "save", 2), {good.begin(), good.begin() + 20000});
  testing::WriteFileBytes(SlotPath(dir_ / "save", 3), oversized);
  testing::WriteFileBytes(SlotPath(dir_ / "save", 4), noise);
  testing::WriteFileBytes(dir_ / "save" / "save0.dat", std::vector<uint8_t>(700, 0xFF));
  std::string events = "until page\n";
  for (int slot : {2, 3, 4, 1}) {
    events += "load-slot " + std::to_string(slot) + "\nwait 500\nclick 400 300\nwait 500\n";
  }
  events += "dump " + Path("end.json") + "\n";
  const testing::CommandResult run = Run(events);
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  EXPECT_EQ(Dump("end.json")["slots"].size(), 4u);
  EXPECT_EQ(fs::file_size(dir_ / "save" / "save0.dat"), 10880u) << "rewritten whole";
}

}  // namespace
}  // namespace tolven
