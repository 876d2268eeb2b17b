// tolven-tool check: every script read as the engine reads it, faults reported by file and line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "test_support.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;
using testing::RunTool;
using testing::WriteFileText;

// The sample's sounds are made by `make run`, not kept in the repository: a copy of the sample
// gets them made where they are missing, so its scripts find every sound they name.
void CopySample(const fs::path& copy) {
  fs::copy(fs::path(TOLVEN_SOURCE_DIR) / "samples/demo", copy, fs::copy_options::recursive);
  if (fs::exists(copy / ".sounds-made")) return;
  const std::string make = "python3 '" + (copy / "make_sounds.py").string() + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(make.c_str()), 0) << make;
}

TEST(ScriptCheckTest, SampleGameHasNoFaultsAsSourcesNorAsBuiltGame) {
  testing::TempDir dir;
  CopySample(dir / "sample");
  const auto sources = RunTool({"check", (dir / "sample").string()});
  EXPECT_EQ(sources.exitStatus, 0) << sources.output;
  EXPECT_EQ(sources.output, "");

  ASSERT_EQ(RunTool({"build-game", (dir / "sample").string(), (dir / "game").string()}).exitStatus,
            0);
  const auto game = RunTool({"check", (dir / "game").string()});
  EXPECT_EQ(game.exitStatus, 0) << game.output;
  EXPECT_EQ(game.output, "");
}

// A small game that uses every kind of name and group the checker follows, without a fault.
// Only names matter to the checker, so resource files hold a byte each.
const std::map<std::string, std::string> kCleanGame = {
    {"scripts/main.txt",
     "*gra A_ROOM,6\n*tati b_aki,3\n*se SSE01\n*voice AKI001\n*music 1\n*movie movies/end.webm\n"
     "*anim TRAIN,0,0\n*effect FLASH\n*viewer VIEW_1\n*kaisou\n*partsload P_TOWN\n"
     "*clickmap town\n{\n}\n*select\n{はい\n{(V001=1)いいえ\n}\n*switch s\n{:s(V001>2)\n}:s\n"
     "*call other:there\n*if (V001=0) here\n:here\n*mark 80000\n!V001=V001+1\n*end\n"},
    {"scripts/other.txt", ":there\n*end\n"},
    {"scripts/k_other.txt", "*end\n"},
    {"scripts/map.txt", ":town\n1\n*shop,0,0,100,100\n"},
    {"scripts/effect.txt", ":FLASH\nF,0\n"},
    {"scripts/view.txt", ":VIEW_1\n{\nTYPE:0\nSET:1\n}\n{\n1:A_ROOM\n}\n"},
    {"scripts/sys_flashbak.txt", ":MORNING\n*朝\n朝の場面,other\n:END\n"},
    {"pictures/A_ROOM.png", "x"},
    {"pictures/B_AKI.png", "x"},
    {"pictures/M_AKI.png", "x"},
    {"pictures/B_HARU.png", "x"},
    {"pictures/P_TOWN.png", "x"},
    {"effects/SSE01.wav", "x"},
    {"voices/AKI001.ogg", "x"},
    {"music/M01.wav", "x"},
    {"anim/TRAIN.anim", "x"},
    {"movies/end.webm", "x"},
};

// The clean game with files replaced or added.
void WriteGame(const fs::path& dir, const std::map<std::string, std::string>& changes) {
  std::map<std::string, std::string> files = kCleanGame;
  for (const auto& [name, text] : changes) files[name] = text;
  for (const auto& [name, text] : files) WriteFileText(dir / name, text);
}

TEST(ScriptCheckTest, CleanGameHasNoFaults) {
  testing::TempDir dir;
  WriteGame(dir.Path(), {});
  const auto result = RunTool({"check", dir.Path().string()});
  EXPECT_EQ(result.exitStatus, 0) << result.output;
  EXPECT_EQ(result.output, "");
}

struct PlantedFault {
  const char* what;
  std::map<std::string, std::string> files;
  std::string finding;  // the one line expected
};

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

TEST(ScriptCheckTest, EachPlantedFaultIsReportedOnceAtItsLine) {
  const std::string main = "scripts/main.txt";
  const std::vector<PlantedFault> faults = {
      {"unknown command",
       {{main, "*gra A_ROOM,6\n*grq A_ROOM\n"}},
       "scripts/main.txt:2: unknown command \"grq\""},
      {"go to a missing label",
       {{main, ";\n*go nowhere\n:here\n"}},
       "scripts/main.txt:2: no label \"nowhere\""},
      {"if to a missing label",
       {{main, "!V001=1\n*if (V001=1) away\n"}},
       "scripts/main.txt:2: no label \"away\""},
      {"call of a missing script",
       {{main, "*call elsewhere\n"}},
       "scripts/main.txt:1: no script \"elsewhere\""},
      {"chain to a missing label",
       {{main, "*chain other:gone\n"}},
       "scripts/main.txt:1: no label \"gone\" in script \"other\""},
      {"missing background",
       {{main, ";\n*gra A_HALL,6\n"}},
       "scripts/main.txt:2: no picture \"A_HALL\""},
      {"character without its mask",
       {{main, "*tati b_aki,b_haru,3\n"}},
       "scripts/main.txt:1: no picture \"M_HARU\""},
      {"missing effect sound", {{main, "*se SSE09\n"}}, "scripts/main.txt:1: no sound \"SSE09\""},
      {"missing voice", {{main, "*voice AKI002\n"}}, "scripts/main.txt:1: no sound \"AKI002\""},
      {"missing music track", {{main, "*music 2\n"}}, "scripts/main.txt:1: no music track 2"},
      {"missing movie",
       {{main, "*movie movies/other.webm\n"}},
       "scripts/main.txt:1: no movie file \"movies/other.webm\""},
      {"missing animation",
       {{main, "*anim SHIP,0,0\n"}},
       "scripts/main.txt:1: no animation \"SHIP\""},
      {"missing effect section",
       {{main, "*effect DUSK\n"}},
       "scripts/main.txt:1: no section \"DUSK\" in \"effect\""},
      {"missing view",
       {{main, "*viewer VIEW_2\n"}},
       "scripts/main.txt:1: no section \"VIEW_2\" in \"view\""},
      {"missing map",
       {{main, "*clickmap park\n{\n}\n"}},
       "scripts/main.txt:1: no section \"park\" in \"map\""},
      {"select without its closing line",
       {{main, "*select\n{はい\n{いいえ\n"}},
       "scripts/main.txt:1: select without its closing } line"},
      {"switch without its closing line",
       {{main, "*switch\n{(V001=1)\n"}},
       "scripts/main.txt:1: switch without its closing } line"},
      {"named switch that never closes",
       {{main, "*switch s\n{:s(V001=1)\n}\n"}},
       "scripts/main.txt:1: switch \"s\" never closes: no }:s line"},
      {"answer too long",
       {{main, "*select\n{" + std::string(64, 'a') + "\n}\n"}},
       "scripts/main.txt:2: answer of 64 bytes: at most 63 fit"},
      {"33 answers",
       {{main, "*select\n" + Repeat("{a\n", 33) + "}\n"}},
       "scripts/main.txt:1: select with 33 answers: only the first 32 are shown"},
      {"character Shift-JIS cannot hold",
       {{main, "*gra A_ROOM,6\n笑顔😀\n"}},
       "scripts/main.txt:2: not UTF-8, or a character Shift-JIS cannot hold"},
      {"mark beyond the read marks",
       {{main, "*mark 80001\n"}},
       "scripts/main.txt:1: mark 80001 lies beyond the read marks 0-80000"},
      {"string row beyond the scripts'",
       {{main, "*string 10 x\n"}},
       "scripts/main.txt:1: string row 10: scripts have rows 0-9"},
      {"title too long",
       {{main, "*title " + std::string(64, 'x') + "\n"}},
       "scripts/main.txt:1: title text of 64 bytes: only the first 63 are kept"},
      {"condition that does not read",
       {{main, "*if (V001>Q) here\n:here\n"}},
       "scripts/main.txt:1: condition does not read: \"(V001>Q)\""},
      {"answer condition that does not read",
       {{main, "*select\n{(V0x1=1)はい\n}\n"}},
       "scripts/main.txt:2: condition does not read: \"V0x1=1\""},
      {"assignment that cannot store",
       {{main, "!E010=2\n"}},
       "scripts/main.txt:1: assignment does not read: \"E010=2\""},
      {"label too long",
       {{main, ":" + std::string(32, 'a') + "\n"}},
       "scripts/main.txt:1: label \"" + std::string(32, 'a') + "\" is longer than 31 characters"},
      {"gallery picture missing",
       {{"scripts/view.txt", ":VIEW_1\n{\nTYPE:0\nSET:1\n}\n{\n1:A_ROOM,A_HALL\n}\n"}},
       "scripts/view.txt:7: no picture \"A_HALL\""},
      {"too many view pages",
       {{"scripts/view.txt", ":VIEW_1\n{\nTYPE:0\nSET:11\n}\n{\n1:A_ROOM\n}\n"}},
       "scripts/view.txt:4: SET 11: a view has 1-10 pages"},
      {"scene without its replay script",
       {{"scripts/sys_flashbak.txt", ":MORNING\n*朝\n朝の場面,other\n夕方,spring\n:END\n"},
        {"scripts/spring.txt", "*end\n"}},
       "scripts/sys_flashbak.txt:4: no replay script \"K_SPRING\""},
      {"map of 33 places",
       {{"scripts/map.txt", ":town\n33\n" + Repeat("a,0,0,1,1\n", 33)}},
       "scripts/map.txt:2: a map of 33 places: only the first 32 are used"},
      {"effect code the engine cannot read",
       {{"scripts/effect.txt", ":FLASH\nF,0\n:DUSK\nFzz,10\n"}},
       "scripts/effect.txt:3: effect \"DUSK\": unknown code Fzz"},
  };
  for (const PlantedFault& fault : faults) {
    SCOPED_TRACE(fault.what);
    testing::TempDir dir;
    WriteGame(dir.Path(), fault.files);
    const auto result = RunTool({"check", dir.Path().string()});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.output, fault.finding + "\n");
  }
}

// A built game is read through its archives; findings name the script's entry.
TEST(ScriptCheckTest, GameFolderFindingsNameTheScriptEntry) {
  testing::TempDir dir;
  // Only scripts: the clean game's stand-in resources are no pictures or sounds to build.
  WriteFileText(dir / "src/scripts/main.txt", "*call other\n*go nowhere\n");
  WriteFileText(dir / "src/scripts/other.txt", "*end\n");
  ASSERT_EQ(RunTool({"build-game", (dir / "src").string(), (dir / "game").string()}).exitStatus, 0);
  const auto result = RunTool({"check", (dir / "game").string()});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.output, "MAIN:2: no label \"nowhere\"\n");
}

TEST(ScriptCheckTest, FolderThatIsNoGameIsBadInput) {
  testing::TempDir dir;
  WriteFileText(dir / "notes.txt", "x");
  const auto result = RunTool({"check", dir.Path().string()});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_NE(result.output.find("neither a game folder"), std::string::npos) << result.output;
  EXPECT_EQ(RunTool({"check"}).exitStatus, 2);
}

}  // namespace
}  // namespace tolven
