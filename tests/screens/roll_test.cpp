// The scripted roll of `roll` on the virtual clock: the alignment of a PUT's lines, fades that
// touch only their box and step by elapsed time, GRA by mode, WAIT against the time base, the
// close request that stops a roll and the clicks that do not, damaged texts; and the older roll
// language of state 3, stepped a frame at a time: its commands, pauses, strip layouts,
// animations and the click that ends it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "audio/audio_device.h"
#include "audio/music_stream.h"
#include "audio/sound.h"
#include "base/engine_values.h"
#include "base/text_encoding.h"
#include "graphics/picture_copy.h"
#include "graphics/transition_rig.h"
#include "resources/definition_text.h"
#include "screens/roll.h"
#include "screens/screen_rig.h"
#include "script/standalone_interpreter.h"
#include "test_support.h"
#include "tools/archive_writer.h"
#include "tools/picture_encoder.h"

namespace tolven {
namespace {

using testing::Noise;
using testing::Uniform;

// Message rounds can run the test's own input at chosen times, as the window's would.
class RollHost final : public testing::RecordingHost {
 public:
  using RecordingHost::RecordingHost;
  void ProcessMessages() override {
    RecordingHost::ProcessMessages();
    roundTimes.push_back(Elapsed());
    if (onMessages) onMessages(Elapsed());
  }
  std::vector<uint32_t> roundTimes;
  std::function<void(uint32_t)> onMessages;
};

class SkipRecorder final : public QuietInterpreterHost {
 public:
  SkipRecorder() : QuietInterpreterHost(false, false) {}
  void StopSkipAndAuto(bool force) override { forced.push_back(force); }
  std::vector<bool> forced;
};

std::vector<uint8_t> Lines(const std::string& text) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  for (uint8_t& byte : bytes) {
    if (byte == '\n') byte = 0;
  }
  return bytes;
}

std::string Sjis(const std::string& utf8) {
  return Utf8ToShiftJis(utf8).value();
}

Bitmap24 SolidPicture(uint8_t grey) {
  return Uniform(grey);
}

bool White(const Bitmap24& picture, int x, int y) {
  const uint8_t* p = picture.Row(y) + 3 * x;
  return p[0] == 255 && p[1] == 255 && p[2] == 255;
}

// The leftmost and rightmost white column in rows [top, bottom); {-1, -1} when none.
std::pair<int, int> InkColumns(const Bitmap24& picture, int top, int bottom) {
  int left = -1;
  int right = -1;
  for (int y = top; y < bottom; ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      if (!White(picture, x, y)) continue;
      if (left < 0 || x < left) left = x;
      right = std::max(right, x);
    }
  }
  return {left, right};
}

bool AnyWhite(const Bitmap24& picture, int x, int y, int width, int height) {
  for (int row = y; row < y + height; ++row) {
    for (int column = x; column < x + width; ++column) {
      if (White(picture, column, row)) return true;
    }
  }
  return false;
}

// Whether two pictures agree everywhere outside the rectangle.
bool SameOutside(const Bitmap24& a, const Bitmap24& b, int x, int y, int width, int height) {
  for (int row = 0; row < a.Height(); ++row) {
    const bool inside = row >= y && row < y + height;
    const uint8_t* pa = a.Row(row);
    const uint8_t* pb = b.Row(row);
    if (!inside) {
      if (std::memcmp(pa, pb, a.RowBytes()) != 0) return false;
      continue;
    }
    if (std::memcmp(pa, pb, 3 * static_cast<size_t>(x)) != 0) return false;
    const size_t after = 3 * static_cast<size_t>(x + width);
    if (std::memcmp(pa + after, pb + after, a.RowBytes() - after) != 0) return false;
  }
  return true;
}

class RollTest : public ::testing::Test, protected testing::ScreenRig<RollHost> {
 protected:
  RollTest() {
    trace.Attach(&traceText);
    std::vector<tools::ArchiveInput> pictures = {
        {"A_GREY", tools::EncodePackedPicture(SolidPicture(240))},
    };
    testing::WriteFileBytes(dir.Path() / "qe_gra.tvk",
                            tools::BuildArchive(ArchiveLayout::B, pictures));
    archives.LoadMediaIndexes();
  }

  // The roll texts and scripts of the game, by name.
  void Texts(const std::map<std::string, std::string>& texts) {
    std::vector<tools::ArchiveInput> entries;
    for (const auto& [name, text] : texts) entries.push_back({name, Lines(text)});
    testing::WriteFileBytes(dir.Path() / "qe_data.tvk",
                            tools::BuildArchive(ArchiveLayout::A, entries));
    archives.LoadScriptIndexes();
  }
  // Runs a roll of this text from a fresh start of the clock; returns how long it took.
  uint32_t Run(const std::string& text) {
    Texts({{"r", text}});
    host.start = host.now;
    host.frames.clear();
    host.roundTimes.clear();
    roll.Roll("r");
    return host.Elapsed();
  }
  // The screen as the stage shows it.
  void Screen(const Bitmap24& stagePicture, const Bitmap24& scenePicture) {
    stage.Buffers().StageBuffer = stagePicture;
    stage.Buffers().SceneBuffer = scenePicture;
    pb.Draw() = stagePicture;
  }

  NullMessageOutputHost outputHost;
  MessageOutput output{flags, state, outputHost};
  NullAudioDevice device;
  Sound sound{trace, settings, archives, device};
  MusicStream music{sound, archives, settings};
  SkipRecorder engine;
  NoScreenCommands screens;
  Interpreter interpreter{archives,    state, variables, flags,   output,
                          definitions, stage, engine,    screens, trace};
  RollScreen roll{{host, clock, pb, stage, archives, definitions, state, music, flags, engine,
                   interpreter, trace}};
};

TEST_F(RollTest, ARollHoldsState3StopsSkippingFirstAndAMissingTextDoesNothing) {
  std::vector<EngineScreen> during;
  host.onMessages = [&](uint32_t) { during.push_back(flags.EngineState); };
  Run("*WAIT 2\n");
  EXPECT_EQ(engine.forced, std::vector<bool>{true});
  ASSERT_FALSE(during.empty());
  EXPECT_TRUE(std::all_of(during.begin(), during.end(),
                          [](EngineScreen s) { return s == EngineScreen::Roll; }));
  EXPECT_EQ(flags.EngineState, EngineScreen::Story);

  during.clear();
  host.start = host.now;
  host.frames.clear();
  roll.Roll("nothing");
  EXPECT_EQ(flags.EngineState, EngineScreen::Story);
  EXPECT_TRUE(during.empty());
  EXPECT_TRUE(host.frames.empty());
  EXPECT_EQ(host.Elapsed(), 0u);
}

// The lines of a PUT share the edge their alignment names: with CENTER R the right edges of
// lines of different lengths that end in the same character.
TEST_F(RollTest, CenterAlignsEveryLineOfTheNextPut) {
  const struct {
    const char* center;
    std::vector<std::string> lines;
    const char* shared;  // "left", "middle", "right"
  } cases[] = {
      {"*CENTER R", {"Ａ", "ＢＣＡ", "ＤＡ"}, "right"},
      {"*CENTER", {"Ａ", "ＡＢＣ", "ＡＤ"}, "left"},
      {"*CENTER X", {"Ａ", "ＡＡＡ"}, "middle"},
      {"*CENTER YR", {"Ａ", "ＢＣＡ"}, "right"},
  };
  for (const auto& c : cases) {
    Screen(Uniform(100), Uniform(100));
    std::string text = "*WIN 100,100,500,400\n" + std::string(c.center) + "\n";
    for (const std::string& line : c.lines) text += Sjis(line) + "\n";
    Run(text + "*PUT 0\n");
    const bool vertical = std::string(c.center).find('Y') != std::string::npos;
    const int top = 100 + (vertical ? (300 - 32 * static_cast<int>(c.lines.size())) / 2 : 0);
    std::vector<std::pair<int, int>> ink;
    for (size_t i = 0; i < c.lines.size(); ++i) {
      const int bandTop = top + 32 * static_cast<int>(i);
      ink.push_back(InkColumns(pb.Picture(), bandTop, bandTop + 32));
      ASSERT_GE(ink.back().first, 100) << c.center << " line " << i;
      ASSERT_LT(ink.back().second, 500) << c.center << " line " << i;
    }
    const std::string shared = c.shared;
    auto edge = [&](const std::pair<int, int>& columns) {
      if (shared == "left") return columns.first;
      if (shared == "right") return columns.second;
      return columns.first + columns.second;  // twice the middle
    };
    for (size_t i = 1; i < ink.size(); ++i) {
      EXPECT_EQ(edge(ink[i]), edge(ink[0])) << c.center << " line " << i;
    }
    if (shared == "right") {
      EXPECT_GE(ink[0].second, 500 - 8) << c.center;
    }
    if (shared == "left") {
      EXPECT_LE(ink[0].first, 100 + 8) << c.center;
    }
    EXPECT_EQ(stage.Buffers().StageBuffer, pb.Picture()) << "the text is put on the stage";
  }
}

// A text line right after a sub-command starts the list afresh; lines in a row add to it.
TEST_F(RollTest, TheFirstTextLineAfterASubCommandStartsANewList) {
  const struct {
    std::string text;
    int lines;
  } cases[] = {
      {Sjis("Ａ") + "\n" + Sjis("Ｂ") + "\n*PUT 0\n", 2},
      {Sjis("Ａ") + "\n*PUT 0\n*ERA 0\n" + Sjis("Ｂ") + "\n*PUT 0\n", 1},
  };
  for (const auto& c : cases) {
    Screen(Uniform(100), Uniform(100));
    Run("*CENTER\n" + c.text);
    int lines = 0;
    for (int band = 200; band + 32 <= 600; band += 32) {
      if (InkColumns(pb.Picture(), band, band + 32).first >= 0) ++lines;
    }
    EXPECT_EQ(lines, c.lines) << c.text;
  }
}

// PUT 1 after WIN 100,100,300,200: only the rectangle changes, by 8 of 256 for every 30 ms that
// passed; a late frame skips levels and the fade keeps its length.
TEST_F(RollTest, PutOneFadesOnlyItsBoxByEightPer30MsElapsed) {
  std::vector<int> straight;
  for (int level = 0; level < 256; level += 8) straight.push_back(level);
  std::vector<int> late = {0, 8, 16, 24, 32};
  for (int level = 64; level < 256; level += 8) late.push_back(level);
  const struct {
    uint32_t stallAtRound;  // 0: none
    std::vector<int> levels;
  } cases[] = {{0, straight}, {5, late}};
  for (const auto& c : cases) {
    const Bitmap24 before = Noise(7);
    Screen(before, Uniform(255));
    int round = 0;
    host.onMessages = [&](uint32_t) {
      if (++round == static_cast<int>(c.stallAtRound)) host.now += 100;
    };
    std::vector<int> seen;
    bool outsideKept = true;
    const uint8_t under = before.Row(150)[3 * 150];
    host.onPresent = [&](const Bitmap24& shown) {
      outsideKept = outsideKept && SameOutside(shown, before, 100, 100, 200, 100);
      seen.push_back(shown.Row(150)[3 * 150]);
    };
    const uint32_t took = Run("*WIN 100,100,300,200\n*PUT 1\n");
    host.onPresent = nullptr;
    EXPECT_TRUE(outsideKept) << "stall " << c.stallAtRound;
    std::vector<int> expected;
    for (int level : c.levels) expected.push_back((255 * level + under * (256 - level)) >> 8);
    expected.push_back(255);  // the stage shown at the end
    EXPECT_EQ(seen, expected) << "stall " << c.stallAtRound;
    EXPECT_EQ(took, 960u) << "stall " << c.stallAtRound;
    EXPECT_TRUE(SameOutside(stage.Buffers().StageBuffer, before, 100, 100, 200, 100));
    EXPECT_EQ(stage.Buffers().StageBuffer.Row(199)[3 * 299], 255);
  }
}

// GRA puts the picture in the scene and fades to it by 16 (mode 1, the default) or 8 (mode 2)
// per 30 ms; any other mode shows it at once. The stage then holds it.
TEST_F(RollTest, GraFadesByItsMode) {
  const struct {
    const char* line;
    int step;  // 0: at once
  } cases[] = {
      {"*GRA A_GREY", 16},  {"*gra a_grey,1", 16}, {"*GRA A_GREY,2", 8},
      {"*GRA A_GREY,3", 0}, {"*GRA A_GREY,0", 0},
  };
  for (const auto& c : cases) {
    Screen(Uniform(0), Uniform(0));
    std::vector<int> seen;
    host.onPresent = [&](const Bitmap24& shown) { seen.push_back(shown.Row(300)[1200]); };
    const uint32_t took = Run(std::string(c.line) + "\n");
    host.onPresent = nullptr;
    std::vector<int> expected;
    if (c.step > 0) {
      for (int level = 0; level < 256; level += c.step) expected.push_back((240 * level) >> 8);
    }
    expected.push_back(240);
    EXPECT_EQ(seen, expected) << c.line;
    EXPECT_EQ(took, c.step > 0 ? 256u / c.step * 30 : 0u) << c.line;
    EXPECT_EQ(stage.Buffers().SceneBuffer, SolidPicture(240)) << c.line;
    EXPECT_EQ(stage.Buffers().StageBuffer, SolidPicture(240)) << c.line;
  }
}

// WAIT n ends 100 n ms after the time base: the roll's start until a RESET or HOOK moves it,
// and the end of every WAIT; a time already past does not wait. ERA 1 takes 960 ms.
TEST_F(RollTest, WaitCountsFromTheTimeBase) {
  const struct {
    const char* text;
    uint32_t ms;
  } cases[] = {
      {"*WAIT 5\n", 500},
      {"*ERA 1\n*WAIT 15\n", 1500},
      {"*ERA 1\n*RESET\n*WAIT 15\n", 2460},
      {"*ERA 1\n*HOOK\n*WAIT 15\n", 2460},
      {"*WAIT 5\n*WAIT 5\n", 1000},
      {"*ERA 1\n*WAIT 5\n*WAIT 1\n", 1060},
  };
  for (const auto& c : cases) {
    Screen(Uniform(10), Uniform(20));
    EXPECT_EQ(Run(c.text), c.ms) << c.text;
  }
  Run("*WAIT 5\n");
  EXPECT_EQ(host.roundTimes, (std::vector<uint32_t>{100, 200, 300, 400, 500}))
      << "messages every 100 ms";
}

// The close query's request stops the roll after the line that runs (a WAIT at its next
// message round, a fade at its end); clicks and keys come to the roll's press and do not.
TEST_F(RollTest, OnlyACloseRequestStopsARoll) {
  const struct {
    const char* text;
    bool close;
    uint32_t ms;
  } cases[] = {
      {"*WAIT 10\n*MUSIC 3\n*WAIT 10\n", true, 300},
      {"*PUT 1\n*MUSIC 3\n*WAIT 10\n", true, 960},
      {"*WAIT 10\n*MUSIC 3\n*WAIT 10\n", false, 2000},
  };
  for (const auto& c : cases) {
    Screen(Uniform(10), Uniform(20));
    state.S(sv::kRequestedTrack) = 0;
    host.onMessages = [&](uint32_t elapsed) {
      if (elapsed < 250 || elapsed > 400) return;
      if (c.close) {
        flags.InterruptRequest = Interrupt::Click;  // what the close query leaves on a yes
      } else {
        roll.Press(MouseButton::Left, 400, 300);
        roll.Press(MouseButton::Right, 400, 300);
        roll.KeyDown(kKeyEnter);
      }
    };
    EXPECT_EQ(Run(c.text), c.ms) << c.text << c.close;
    EXPECT_EQ(state.S(sv::kRequestedTrack), c.close ? 0 : 3) << c.text << c.close;
    EXPECT_EQ(flags.EngineState, EngineScreen::Story);
    EXPECT_EQ(flags.InterruptRequest, Interrupt::None) << "the request is used up";
  }
}

// Damaged texts run to their end without reading or drawing outside a picture.
TEST_F(RollTest, MalformedTextsRunClean) {
  const struct {
    std::string text;
    uint32_t ms;
  } cases[] = {
      {"*MUSICMUSICMUSIC 3\n*WAITWAITWAIT 50\n*CENTERCENTER R\n", 0},
      {"*WAIT\n*WAIT -5\n*WAIT x\n*WAIT 1,\n", 100},
      {"*WIN\n" + Sjis("Ａ") + "\n*PUT 1\n*ERA 1\n", 0},
      {"*WIN 1,2\n*PUT 1\n", 0},
      {"*WIN 300,300,100,100\n" + Sjis("Ａ") + "\n*PUT 1\n*ERA 1\n", 0},
      {"*WIN -2147483648,-2147483648,2147483647,2147483647\n" + Sjis("ＡＢ") +
           "\n*CENTER R\n*PUT 1\n*ERA 1\n",
       1920},
      {"*WIN 0,0,100000,100000\n" + Sjis("Ａ") + "\n*PUT 1\n*ERA 1\n", 1920},
      {"*WIN 700,500,900,700\n" + Sjis("ＡＢＣＤＥＦＧＨ") + "\n*PUT 1\n", 960},
      {"*PUT 7\n*ERA -1\n*PUT\n*ERA\n", 0},
      {"*GRA\n*GRA ,2\n*GRA A_NONE\n", 480 + 960 + 480},
      {"\x82\n*PUT 0\n*\n@\n\r\n*WAIT 1\r\n" + std::string(5000, 'x') + "\n*PUT 0\n", 100},
  };
  for (const auto& c : cases) {
    Screen(Noise(3), Noise(4));
    EXPECT_EQ(Run(c.text), c.ms) << c.text;
    EXPECT_EQ(flags.EngineState, EngineScreen::Story) << c.text;
    EXPECT_EQ(state.S(sv::kRequestedTrack), 0) << c.text;
  }
}

// ---- The older roll language of state 3 ------------------------------------------------------

class RollLanguageTest : public RollTest {
 protected:
  // The script as it stands after a load into state 3: the language reads on from the start.
  void Script(const std::string& text) {
    Texts({{"sub", text}, {"caller", "one\ntwo\nthree\n"}});
    ASSERT_TRUE(interpreter.LoadScript("sub", kScriptMode));
    flags.EngineState = EngineScreen::Roll;
  }
  // One idle tick of the frame loop: the step, then the rest of its 30 ms.
  void Tick() {
    const uint32_t start = host.now;
    roll.FrameStep();
    if (host.now - start < 30) host.now = start + 30;
  }
};

TEST_F(RollLanguageTest, EveryCommandEndsTheFramesStep) {
  Script("*dark 8\n;a comment\n*music 4\n*sepia\n*dark 16\n*end\n!V001=1\n");
  const struct {
    int filter;
    int brightness;
    int track;
    EngineScreen engineState;
  } steps[] = {
      {1, 8, 0, EngineScreen::Roll}, {1, 8, 4, EngineScreen::Roll},  {2, 8, 4, EngineScreen::Roll},
      {0, 8, 4, EngineScreen::Roll}, {0, 8, 4, EngineScreen::Story},
  };
  int step = 0;
  for (const auto& s : steps) {
    Tick();
    ++step;
    EXPECT_EQ(state.S(sv::kSceneFilter), s.filter) << "step " << step;
    EXPECT_EQ(state.S(sv::kSceneBrightness), s.brightness) << "step " << step;
    EXPECT_EQ(state.S(sv::kRequestedTrack), s.track) << "step " << step;
    EXPECT_EQ(flags.EngineState, s.engineState) << "step " << step;
  }
  const std::string_view image = interpreter.Image();
  EXPECT_EQ(image.substr(interpreter.State().ReadPos, 7), "!V001=1") << "the story reads on here";
}

// A pause counts from the moment its line is read; each step of it sleeps 100 ms.
TEST_F(RollLanguageTest, APauseSleeps100MsAStepUntilItsTimeHasPassed) {
  Script("*wait 3\n*sepia\n");
  const uint32_t start = host.now;
  std::vector<uint32_t> stepTimes;
  while (state.S(sv::kSceneFilter) != 2 && stepTimes.size() < 20) {
    stepTimes.push_back(host.now - start);
    Tick();
  }
  EXPECT_EQ(stepTimes, (std::vector<uint32_t>{0, 30, 130, 230, 330}));
}

// A click ends the language as `end` ends a called script: back in the caller at its place.
TEST_F(RollLanguageTest, AClickEndsItAndReturnsToTheCaller) {
  Script("*dark 8\n*click\n*sepia\n");
  InterpreterState& script = interpreter.State();
  script.calls.CallDepth = 1;
  script.calls.CallNames[0] = "caller";
  script.calls.CallPositions[0] = 4;
  for (int i = 0; i < 5; ++i) Tick();
  EXPECT_TRUE(roll.WaitsForInput());
  EXPECT_EQ(state.S(sv::kSceneFilter), 1) << "nothing runs after click";
  roll.Press(MouseButton::Left, 10, 10);
  EXPECT_EQ(flags.EngineState, EngineScreen::Story);
  EXPECT_EQ(state.S(sv::kSceneFilter), 0);
  EXPECT_EQ(script.CurrentScript, "caller");
  EXPECT_EQ(script.ReadPos, 4u);
  EXPECT_EQ(script.calls.CallDepth, 0);
  EXPECT_FALSE(roll.WaitsForInput());
}

TEST_F(RollLanguageTest, AtTheScriptsEndItWaitsForAClick) {
  Script("text\n");
  Tick();
  EXPECT_TRUE(roll.WaitsForInput());
  EXPECT_EQ(flags.EngineState, EngineScreen::Roll);
}

// Vertical strips: a line a column, shown from the right, the full-width blank leaving its
// cell empty. Horizontal ones: a line a row. Empty lines move on.
TEST_F(RollLanguageTest, TextGoesIntoTheStripOfTheLayout) {
  Screen(Uniform(60), Uniform(60));
  Script("*type 1\n" + Sjis("Ａ　Ａ") + "\n\n" + Sjis("Ｂ") + "\n*pos 100,50\n*put 0\n*type 3\n" +
         Sjis("Ａ") + "\n\n" + Sjis("Ｂ") + "\n*pos 400,300\n*put 0\n");
  for (int i = 0; i < 4; ++i) Tick();
  // Column 0 at x = 100 + 7 x 24, column 2 at 100 + 5 x 24; cells of 24 rows.
  EXPECT_TRUE(AnyWhite(pb.Picture(), 268, 50, 24, 24));
  EXPECT_FALSE(AnyWhite(pb.Picture(), 268, 74, 24, 24)) << "the blank's cell";
  EXPECT_TRUE(AnyWhite(pb.Picture(), 268, 98, 24, 24));
  EXPECT_FALSE(AnyWhite(pb.Picture(), 244, 50, 24, 288)) << "the empty line's column";
  EXPECT_TRUE(AnyWhite(pb.Picture(), 220, 50, 24, 24));
  EXPECT_FALSE(AnyWhite(pb.Picture(), 100, 50, 120, 288));
  EXPECT_EQ(stage.Buffers().StageBuffer, Uniform(60)) << "the strip is on the screen only";
  for (int i = 0; i < 4; ++i) Tick();
  EXPECT_TRUE(AnyWhite(pb.Picture(), 400, 300, 288, 24));
  EXPECT_FALSE(AnyWhite(pb.Picture(), 400, 324, 288, 24));
  EXPECT_TRUE(AnyWhite(pb.Picture(), 400, 348, 288, 24));
  EXPECT_FALSE(AnyWhite(pb.Picture(), 400, 372, 288, 120));
}

// put and era animate by number: wipes in reading order (vertical strips from the right column,
// horizontal ones from the top line), a fade for 4, at once for the rest.
TEST_F(RollLanguageTest, PutAndEraAnimateByNumber) {
  const struct {
    int type;
    int number;
    uint32_t ms;
    // At half time: the first line (or column) shows, the last does not.
    bool wipe;
  } cases[] = {
      {1, 1, 108 * 60, true}, {2, 2, 80 * 60, true}, {3, 3, 24 * 60, true}, {4, 4, 32 * 40, false},
      {5, 5, 60 * 60, true},  {1, 0, 0, false},      {2, 9, 0, false},
  };
  for (const auto& c : cases) {
    Screen(Uniform(60), Uniform(60));
    const bool vertical = c.type == 1 || c.type == 5;
    std::string text = "*type " + std::to_string(c.type) + "\n" + Sjis("Ａ") + "\n";
    for (int i = 0; i < 6; ++i) text += "\n";
    text += Sjis("Ｂ") + "\n*put " + std::to_string(c.number) + "\n*era " +
            std::to_string(c.number) + "\n";
    Script(text);
    Tick();  // type
    host.start = host.now;
    host.keepAt = {c.ms / 2};
    host.kept.clear();
    Tick();  // the text lines, then put
    EXPECT_EQ(host.Elapsed(), std::max<uint32_t>(c.ms, 30)) << c.type << " put " << c.number;
    // First and last line: vertical columns 0 and 7, horizontal rows 0 and 7.
    auto first = [&](const Bitmap24& p) {
      return vertical ? AnyWhite(p, 168, 0, 24, 24) : AnyWhite(p, 0, 0, 288, 24);
    };
    auto last = [&](const Bitmap24& p) {
      return vertical ? AnyWhite(p, 0, 0, 24, 24) : AnyWhite(p, 0, 168, 288, 24);
    };
    EXPECT_TRUE(first(pb.Picture()) && last(pb.Picture())) << c.type << " put " << c.number;
    if (c.wipe) {
      ASSERT_EQ(host.kept.count(c.ms / 2), 1u) << c.type;
      const Bitmap24& half = host.kept.at(c.ms / 2);
      EXPECT_TRUE(first(half)) << c.type << " put " << c.number;
      EXPECT_FALSE(last(half)) << c.type << " put " << c.number;
    }
    if (c.number == 4) {
      ASSERT_EQ(host.kept.count(c.ms / 2), 1u);
      const Bitmap24& half = host.kept.at(c.ms / 2);
      bool between = false;
      for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 288; ++x) {
          const uint8_t blue = half.Row(y)[3 * x];
          between = between || (blue > 60 && blue < 255);
        }
      }
      EXPECT_TRUE(between) << "half way the text is half faded in";
    }
    host.start = host.now;
    Tick();
    EXPECT_EQ(host.Elapsed(), std::max<uint32_t>(c.ms, 30)) << c.type << " era " << c.number;
    EXPECT_EQ(pb.Picture(), Uniform(60)) << c.type << " era " << c.number;
  }
}

// The click ends the language at once; the animation stops at the end of the frame it came in.
TEST_F(RollLanguageTest, AClickDuringAnAnimationEndsIt) {
  Screen(Uniform(60), Uniform(60));
  Script("*type 1\n" + Sjis("Ａ") + "\n*put 1\n*sepia\n");
  Tick();
  host.start = host.now;
  host.onMessages = [&](uint32_t elapsed) {
    if (elapsed >= 600 && flags.EngineState == EngineScreen::Roll) {
      roll.Press(MouseButton::Left, 1, 1);
    }
  };
  Tick();
  EXPECT_EQ(host.Elapsed(), 660u);
  EXPECT_EQ(flags.EngineState, EngineScreen::Story);
  EXPECT_EQ(state.S(sv::kSceneFilter), 0);
}

// A damaged script of the older language runs without reading or drawing outside the strip.
TEST_F(RollLanguageTest, MalformedLinesRunClean) {
  Screen(Uniform(60), Uniform(60));
  Script("*type 9\n*type -1\n*type 1\n" + Sjis(std::string(40, 'x')) + "\n" +
         std::string(30, '\n') + "\x82\n*pos -2147483648,2147483647\n*put 1\n*pos 790,590\n" +
         "*put 4\n*era 5\n*wait\n*wait -3\n*put\n*dark\n*gra\n*music\n*what\n*type 2\n" +
         std::string(3000, 'y') + "\n*put 3\n*end");
  for (int i = 0; i < 100 && flags.EngineState == EngineScreen::Roll; ++i) Tick();
  EXPECT_EQ(flags.EngineState, EngineScreen::Story);
  EXPECT_EQ(stage.Buffers().StageBuffer, Uniform(60));
}

}  // namespace
}  // namespace tolven
