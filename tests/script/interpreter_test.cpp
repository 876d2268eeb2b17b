#include "script/interpreter.h"

#include <gtest/gtest.h>

#include <deque>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/engine_flags.h"
#include "base/random_generator.h"
#include "base/script_state.h"
#include "base/trace.h"
#include "resources/archives.h"
#include "resources/definition_text.h"
#include "script/interpreter_host.h"
#include "script/standalone_interpreter.h"
#include "script/variables.h"
#include "test_support.h"
#include "text/message_output.h"
#include "tools/archive_writer.h"

namespace tolven {
namespace {

// Script text: every line followed by its zero byte.
std::string Lines(const std::vector<std::string_view>& lines) {
  std::string text;
  for (std::string_view line : lines) {
    text += line;
    text += '\0';
  }
  return text;
}

std::vector<uint8_t> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

class RecordingHost final : public InterpreterHost {
 public:
  void ResetWaits() override { ++resetWaits; }
  void RequestClose() override { ++closeRequests; }
  void StopSkipAndAuto(bool force) override { stops.push_back(force); }
  bool SoundDevicePresent() const override { return soundDevice; }
  bool SeenSetting() const override { return seen; }
  int CountGameClear() override { return ++clearCount; }
  void StoreFamilyName(std::string_view name) override { familyNames.emplace_back(name); }
  void UpdateMenuBar() override {}
  void ConfirmQuitAfterEffect() override { ++quitQuestions; }
  void WinOpen() override { windowCommands.push_back("open"); }
  void WinClose() override { windowCommands.push_back("close"); }
  void TwSet(int number) override { windowCommands.push_back("tw_set " + std::to_string(number)); }
  void Mode(int number) override { windowCommands.push_back("mode " + std::to_string(number)); }
  void BeforeChoice() override {}
  void OpenSelect() override { windowCommands.push_back("select"); }
  void OpenClickmap(std::string_view name) override {
    windowCommands.push_back("clickmap " + std::string(name));
  }
  void OpenSeltree(int tree) override {
    windowCommands.push_back("seltree " + std::to_string(tree));
  }
  void RecordPage() override { ++recordedPages; }
  int recordedPages = 0;

  std::vector<std::string> windowCommands;

  int quitQuestions = 0;
  int resetWaits = 0;
  int closeRequests = 0;
  std::vector<bool> stops;
  bool soundDevice = true;
  bool seen = false;
  int clearCount = 0;
  std::vector<std::string> familyNames;
};

// The screen commands as they arrive, each with its argument.
class RecordingScreens final : public ScreenCommands {
 public:
  void Shop(std::string_view name) override { Add("shop", name); }
  void Item(int number) override { Add("item", std::to_string(number)); }
  void Kaisou() override { Add("kaisou", ""); }
  void Viewer(std::string_view name) override { Add("viewer", name); }
  void Roll(std::string_view name) override { Add("roll", name); }
  void Sroll() override { Add("sroll", ""); }
  void Scroll(std::string_view argument) override { Add("scroll", argument); }
  void Special(std::string_view argument) override { Add("special", argument); }
  void Anim(std::string_view name, bool doubled) override { Add(doubled ? "animq" : "anim", name); }
  void Obj(std::string_view argument) override { Add("obj", argument); }
  void Effect(std::string_view name) override { Add("effect", name); }
  void Subtitle(std::string_view text) override { Add("subtitle", text); }
  void Rec() override { Add("rec", ""); }
  void ReturnFromReplay() override { ++replayReturns; }
  void ScriptLoaded(const std::string& upperName) override { loaded.push_back(upperName); }

  std::vector<std::string> commands;
  std::vector<std::string> loaded;
  int replayReturns = 0;

 private:
  void Add(std::string_view name, std::string_view argument) {
    commands.push_back(std::string(name) + "(" + std::string(argument) + ")");
  }
};

// Lines print whole, one a step, as with the fast text setting.
MessageOutput WholeLines(EngineFlags& flags, ScriptState& banks, MessageOutputHost& host) {
  MessageOutput output(flags, banks, host);
  output.SetCharacterByCharacter(false);
  return output;
}

class InterpreterTest : public ::testing::Test {
 protected:
  // Writes the scripts into the game's script archive.
  void InstallScripts(const std::vector<std::pair<std::string, std::string>>& scripts) {
    std::vector<tools::ArchiveInput> entries;
    for (const auto& [name, text] : scripts) entries.push_back({name, Bytes(text)});
    testing::WriteFileBytes(dir / kDataArchive, tools::BuildArchive(ArchiveLayout::A, entries));
    archives.LoadScriptIndexes();
  }

  // As the title start does: the script is loaded and recorded as the current one.
  void Start(std::string_view name) {
    ASSERT_TRUE(interpreter.LoadScript(name, kScriptMode));
    interpreter.State().CurrentScript = name;
  }

  void Run(const std::vector<std::string_view>& lines) {
    interpreter.LoadScriptImage(Bytes(Lines(lines)));
  }

  void Steps(int count) {
    for (int i = 0; i < count; ++i) interpreter.RunScript();
  }

  std::string TakeTrace() {
    std::string text = traceOutput.str();
    traceOutput.str("");
    return text;
  }

  const InterpreterState& State() const { return interpreter.State(); }

  testing::TempDir dir;
  Archives archives{dir.Path()};
  ScriptState banks;
  RandomGenerator random{1};
  std::ostringstream traceOutput;
  Trace trace;
  Variables variables{banks, random, trace};
  EngineFlags flags;
  DefinitionText definitions;
  QuietHost windowHost;
  FrameClock clock{windowHost};
  PaintBox pb{kScreenWidth, kScreenHeight};
  Stage stage{windowHost, clock, pb, archives, banks, flags, random, trace};
  QuietOutputHost outputHost{stage, variables};
  MessageOutput output = WholeLines(flags, banks, outputHost);
  RecordingHost host;
  RecordingScreens screens;
  Interpreter interpreter{archives,    banks, variables, flags,   output,
                          definitions, stage, host,      screens, trace};
};

// ---- Loading ----------------------------------------------------------------------------------

TEST_F(InterpreterTest, LoadsScriptsAndDefinitionTextsByNameInAnyCase) {
  InstallScripts({{"MAIN", Lines({"!V001=1"})}, {"VIEW_1", Lines({":A", "B"})}});
  const std::vector<std::string>& loaded = screens.loaded;
  banks.S(10) = 77;

  EXPECT_FALSE(interpreter.LoadScript("absent", kScriptMode));
  EXPECT_FALSE(State().ScriptRunning);
  EXPECT_EQ(banks.S(10), 77);

  ASSERT_TRUE(interpreter.LoadScript("Main", kScriptMode));
  EXPECT_EQ(State().LoadedScriptName, "Main");
  EXPECT_EQ(interpreter.ScriptSize(), 8u);
  EXPECT_TRUE(State().ScriptRunning);
  EXPECT_TRUE(State().NeedLine);
  EXPECT_EQ(banks.S(10), 0);  // a new script forgets the backto point

  ASSERT_TRUE(interpreter.LoadScript("view_1", kDefinitionMode));
  EXPECT_EQ(definitions.DefinitionSize(), 5u);
  EXPECT_EQ(State().LoadedScriptName, "Main");
  EXPECT_EQ(interpreter.ScriptSize(), 8u);

  EXPECT_EQ(loaded, (std::vector<std::string>{"MAIN", "VIEW_1"}));
}

// Lines longer than 2047 bytes and scripts over 512 KiB, sizes a fixed buffer would cut, are
// held whole; a last line without its zero byte ends at the end of the script.
TEST_F(InterpreterTest, HoldsLongLinesLargeScriptsAndAnUnterminatedLastLine) {
  const std::string longText(600000, 'a');
  InstallScripts({{"BIG", Lines({longText, "!V001=1"}) + "!V002=2"}});
  Start("big");
  Steps(1);
  EXPECT_EQ(output.CharCount(), 600000);
  EXPECT_TRUE(State().NeedLine) << "the whole line in one step";
  Steps(1);
  EXPECT_EQ(banks.V(1), 1);
  EXPECT_EQ(banks.V(2), 2);
  EXPECT_EQ(State().ReadPos, interpreter.ScriptSize());
}

// ---- Line kinds -------------------------------------------------------------------------------

TEST_F(InterpreterTest, QuietLinesReadOnWithinOneStep) {
  Run({"", "!v001 = 4 ; V002=V001*2", ":label", "; comment", "}", "*returnx", "*unknown",
       "first text", "second text"});
  Steps(1);
  EXPECT_EQ(banks.V(1), 4);
  EXPECT_EQ(banks.V(2), 8);
  EXPECT_EQ(output.BacklogLine(0), "first text");
  EXPECT_EQ(output.BacklogLineCount(), 2);
  EXPECT_EQ(output.TextRow(), 2);  // the first text opened the page and moved on one row
  EXPECT_TRUE(State().NeedLine);
  Steps(1);
  EXPECT_EQ(output.BacklogLine(1), "second text");
}

TEST_F(InterpreterTest, PageMarksSetTheirWaitAndKeepThePage) {
  const struct {
    std::string_view mark;
    PageWaitKind pageWait;
  } cases[] = {{"=", PageWaitKind::PageKept},
               {"\\", PageWaitKind::PageEnd},
               {"~", PageWaitKind::VoiceKept},
               {"+", PageWaitKind::NoIcon}};
  for (const auto& c : cases) {
    output.ClearPage();
    flags.PageWait = PageWaitKind::None;
    flags.ClickSkip = true;
    Run({"said", c.mark, "!V001=1"});
    Steps(2);
    EXPECT_EQ(flags.PageWait, c.pageWait) << c.mark;
    EXPECT_FALSE(flags.ClickSkip) << c.mark;
    EXPECT_TRUE(State().NeedLine) << c.mark;
    EXPECT_EQ(output.PageBytes()[kPageBufferColumns + 2], 's') << c.mark << ": the page stays";
    EXPECT_EQ(banks.V(1), 0) << c.mark << ": the mark ends the step";
  }
}

TEST_F(InterpreterTest, SpeakerNameLineEndsTheStep) {
  Run({">Mio", "Hello."});
  Steps(1);
  EXPECT_EQ(std::string(output.PageBytes().begin(), output.PageBytes().begin() + 3), "Mio");
  EXPECT_TRUE(State().NameLine);
  EXPECT_EQ(output.CharCount(), 3);
  Steps(1);
  EXPECT_FALSE(State().NameLine);
  EXPECT_EQ(output.BacklogLine(1), "Hello.");
}

// What each command hands back: read on within the step, or end the step.
TEST_F(InterpreterTest, CommandsReadOnOrYieldAsTheTableSays) {
  const struct {
    std::string_view command;
    bool readsOn;
  } cases[] = {
      {"*return ", true},
      {"*chgprm", false},
      {"*break", false},
      {"*exitgame", false},
      {"*exit", false},
      {"*end", false},
      {"*gameclr", true},
      {"*backto", true},
      {"*tw_set 1", true},
      {"*title T", true},
      {"*string 1 x", true},
      {"*calc V002=1", true},
      {"*mark 1", true},
      {"*gameinit", true},
      {"*go nowhere", true},
      {"*cjmp 0-1", true},
      {"*sleep 90", false},
      {"*wait_v_end", false},
      {"*if (1=1) nowhere", false},
      {"*gra A01", true},
      {"*select", false},
      {"*mode 1", false},
      {"@MODE 1", false},
  };
  for (const auto& c : cases) {
    banks.V(999) = 0;
    Run({c.command, "!V999=1"});
    Steps(1);
    EXPECT_EQ(banks.V(999), c.readsOn ? 1 : 0) << c.command;
  }
}

// ---- if ---------------------------------------------------------------------------------------

TEST_F(InterpreterTest, IfRunsAStatementOrJumpsAndAFalseConditionCostsAStep) {
  Run({"!V001=3", "*if (V001>=3) *go there", "skipped", ":there", "*if (v001 = 3) !V002=2",
       "*if (V001=9) !V003=3", "!V004=4", "@IF (V001=3)   far", "!V005=5", ":far", "!V006=6"});
  Steps(1);
  EXPECT_EQ(banks.V(2), 2);
  EXPECT_EQ(banks.V(3), 0);
  EXPECT_EQ(banks.V(4), 0);
  EXPECT_EQ(output.CharCount(), 0);
  Steps(1);
  EXPECT_EQ(banks.V(4), 4);
  EXPECT_EQ(banks.V(6), 0) << "a jump to a label ends the step";
  Steps(1);
  EXPECT_EQ(banks.V(5), 0);
  EXPECT_EQ(banks.V(6), 6);
}

TEST_F(InterpreterTest, IfGivesUpBeyondTwoHundredBytes) {
  const std::string farAction = "*if (1=1)" + std::string(200, ' ') + "!V001=1";
  // The action and its zero byte may take 200 bytes, no more.
  const std::string longAction = "*if (1=1) !V001=1;V002=" + std::string(187, '1');
  const std::string longestAction = "*if (1=1) !V001=1;V002=" + std::string(186, '1');
  const struct {
    std::string_view line;
    int v001;
  } cases[] = {{farAction, 0}, {longAction, 0}, {longestAction, 1}};
  for (const auto& c : cases) {
    banks.V(1) = 0;
    Run({c.line});
    Steps(1);
    EXPECT_EQ(banks.V(1), c.v001) << c.line.size();
  }
}

// ---- Labels and blocks ------------------------------------------------------------------------

TEST_F(InterpreterTest, FindsLabelsWithoutLetterCaseTheFirstOneWinning) {
  const std::string script = Lines({"Text:Here", ":here", ":dup", "!V001=1", ":DUP"}) + ":end";
  interpreter.LoadScriptImage(Bytes(script));
  const struct {
    std::string_view label;
    int32_t position;
  } cases[] = {
      {"HERE", 10},  // a text line ending in ":Here" comes first
      {"dup", 21},  {"du", -1},      {"dupe", -1}, {"END", static_cast<int32_t>(script.size())},
      {"", -1},     {"missing", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(interpreter.FindLabel(c.label), c.position) << c.label;

  EXPECT_FALSE(interpreter.JumpToLabel("missing"));
  EXPECT_EQ(State().ReadPos, 0u);
  EXPECT_TRUE(interpreter.JumpToLabel("Dup"));
  EXPECT_EQ(State().ReadPos, 21u);
}

// Letters fold, but the trail byte of a double-byte character is part of the character: ア
// (83 41) and ヂ (83 61) differ only in a trail byte that looks like 'A' or 'a'.
TEST_F(InterpreterTest, LabelsFoldLettersButNotTheTrailBytesOfDoubleByteCharacters) {
  const std::string script = Lines({":\x83\x61", ":x\x83\x41", ":\x83\x41"});
  interpreter.LoadScriptImage(Bytes(script));
  const struct {
    std::string_view label;
    int32_t position;
  } cases[] = {{"\x83\x41", 13}, {"\x83\x61", 4}, {"X\x83\x41", 9}, {"x\x83\x61", -1}};
  for (const auto& c : cases) EXPECT_EQ(interpreter.FindLabel(c.label), c.position) << c.label;
}

TEST_F(InterpreterTest, SearchesForLinesAndNamedBlocks) {
  // Line offsets:                          0    2    4      8         15         23
  interpreter.LoadScriptImage(Bytes(Lines({"}", "a", "x}y", "{:Case", "}:CASEx", "}:case"})));
  EXPECT_EQ(interpreter.SkipToLine(0, '}'), 0u);
  EXPECT_EQ(interpreter.SkipToLine(1, '}'), 15u);  // a '}' inside a line starts none
  EXPECT_EQ(interpreter.SkipToLine(30, '}'), kNoLine);
  EXPECT_EQ(interpreter.SkipToNamedEnd(0, "case"), 23u);
  EXPECT_EQ(interpreter.SkipToNamedEnd(24, "case"), kNoLine);
  EXPECT_EQ(interpreter.FindNamedStart(0, "CAS"), 8u);
  EXPECT_EQ(interpreter.FindNamedStart(9, "case"), kNoNamedStart);
  EXPECT_EQ(interpreter.FindByte(2, 'y'), 6u);
  EXPECT_EQ(interpreter.FindByte(6, 'y'), 6u);  // none after the start: the start itself
  EXPECT_EQ(interpreter.FindByte(1000, 'x'), 1000u);
}

TEST_F(InterpreterTest, WalkingIntoABlockSkipsIt) {
  const struct {
    std::vector<std::string_view> lines;
    std::vector<int> set;  // the V values that end up 1
  } cases[] = {
      // Plain blocks do not nest: the first '}' line ends the skip.
      {{"{", "!V001=1", "{", "!V002=1", "}", "!V003=1", "}", "!V004=1"}, {3, 4}},
      // Named blocks skip to the end line of exactly that name.
      {{"{:Outer(note)", "!V001=1", "}", "}:outerx", "!V002=1", "}:OUTER", "!V003=1"}, {3}},
      // No end at all: the script has ended.
      {{"{", "!V001=1"}, {}},
  };
  for (const auto& c : cases) {
    banks.integers.fill(0);
    Run(c.lines);
    Steps(1);
    std::vector<int> set;
    for (int v = 1; v <= 4; ++v) {
      if (banks.V(v) == 1) set.push_back(v);
    }
    EXPECT_EQ(set, c.set) << c.lines.front();
  }
}

TEST_F(InterpreterTest, CjmpRunsTheSelectedCaseThenContinuesAfterTheConstruct) {
  const struct {
    std::string_view command;
    int32_t g1;
    std::vector<int> set;  // of V010, V011, V012 (the cases) and V020 (after the construct)
  } cases[] = {
      {"*cjmp 0", 0, {10, 20}},  {"*cjmp 1", 0, {11, 20}}, {"*cjmp 2", 0, {12, 20}},
      {"*cjmp 5", 0, {20}},      {"*cjmp 0-1", 0, {20}},   {"*cjmp", 1, {11, 20}},
      {"*cjmp G1", 2, {12, 20}},
  };
  for (const auto& c : cases) {
    banks.integers.fill(0);
    banks.G(1) = c.g1;
    Run({c.command, "{", "!V010=1", "{", "!V011=1", "{", "!V012=1", "}", "!V020=1"});
    Steps(1);
    std::vector<int> set;
    for (int v : {10, 11, 12, 20}) {
      if (banks.V(v) == 1) set.push_back(v);
    }
    EXPECT_EQ(set, c.set) << c.command;
  }
}

// ---- Calls and chains -------------------------------------------------------------------------

TEST_F(InterpreterTest, CallsTwoLevelsDeepAndEndsBackToEachCaller) {
  InstallScripts({
      {"MAIN", Lines({"!V001=1", "*call Sub1", "!V002=1"})},
      {"SUB1", Lines({"!V003=1", "*call sub2:entry", "!V004=1", "*end", "!V098=1"})},
      {"SUB2", Lines({"!V099=1", ":Entry", "!V005=1", "*end"})},
  });
  Start("main");
  const struct {
    int v;
    int depth;
    std::string_view current;
  } steps[] = {{1, 1, "Sub1"}, {3, 2, "sub2"}, {5, 1, "Sub1"}, {4, 0, "main"}, {2, 0, "main"}};
  for (const auto& s : steps) {
    Steps(1);
    EXPECT_EQ(banks.V(s.v), 1) << "V" << s.v;
    EXPECT_EQ(State().calls.CallDepth, s.depth) << "V" << s.v;
    EXPECT_EQ(State().CurrentScript, s.current) << "V" << s.v;
  }
  EXPECT_EQ(banks.V(98), 0);
  EXPECT_EQ(banks.V(99), 0);
  EXPECT_EQ(host.resetWaits, 2);
}

TEST_F(InterpreterTest, ACalledScriptRunningOffItsEndReturnsToItsCaller) {
  InstallScripts({{"MAIN", Lines({"*call sub", "!V001=1"})}, {"SUB", Lines({"!V002=1"})}});
  Start("main");
  Steps(2);
  EXPECT_EQ(banks.V(2), 1);
  EXPECT_EQ(State().calls.CallDepth, 0);
  EXPECT_EQ(State().CurrentScript, "main");
  EXPECT_EQ(State().LoadedScriptName, "main");
  Steps(1);
  EXPECT_EQ(banks.V(1), 1);
  // The outermost script stays at its end.
  Steps(2);
  EXPECT_EQ(State().ReadPos, interpreter.ScriptSize());
  EXPECT_TRUE(State().ScriptRunning);
}

TEST_F(InterpreterTest, StringRowCallLoadsTheScriptNamedByTheRow) {
  InstallScripts({{"MAIN", Lines({"*call $3:go", "!V001=1"})},
                  {"ROUTE", Lines({"!V002=1", ":go", "!V003=1", "="})}});
  ASSERT_TRUE(variables.SetStringRow(3, "route"));
  Start("main");
  Steps(2);
  EXPECT_EQ(State().CurrentScript, "route");
  EXPECT_EQ(banks.V(2), 0);
  EXPECT_EQ(banks.V(3), 1);
}

// A missing script and a full stack are refused alike: the depth and the current script stay,
// and a label is looked for in the script that is still loaded.
TEST_F(InterpreterTest, RefusedCallsKeepTheStackAndTheCurrentScript) {
  InstallScripts({{"OTHER", Lines({":lbl", "!V009=1"})}});
  const struct {
    std::string_view call;
    int depth;
  } cases[] = {{"*call absent:lbl", 0}, {"*call other:lbl", 9}};
  for (const auto& c : cases) {
    banks.integers.fill(0);
    InterpreterState& state = interpreter.State();
    state.calls = CallStack{};
    state.calls.CallDepth = c.depth;
    state.calls.CallNames.fill("outer");
    // The call line itself ends in ":lbl" too; the label line before it is found first.
    interpreter.LoadScriptImage(
        Bytes(Lines({"*go start", ":lbl", "!V002=1", "=", ":start", c.call, "!V001=1", "="})));
    state.CurrentScript = "main";
    Steps(2);
    EXPECT_EQ(state.calls.CallDepth, c.depth) << c.call;
    EXPECT_EQ(state.CurrentScript, "main") << c.call;
    EXPECT_EQ(state.calls.CallNames[8], "outer") << c.call;
    EXPECT_EQ(banks.V(1), 0) << c.call;
    EXPECT_EQ(banks.V(2), 1) << c.call;
    EXPECT_EQ(banks.V(9), 0) << c.call;
  }
  EXPECT_EQ(host.resetWaits, 0);
}

TEST_F(InterpreterTest, ChainReplacesTheScriptEmptiesTheStackAndJumpsToTheLabel) {
  InstallScripts({{"MAIN", Lines({"*call sub"})},
                  {"SUB", Lines({"*chain Other:two", "!V009=1"})},
                  {"OTHER", Lines({"!V001=1", ":TWO", "!V002=1", "*chain absent", "!V003=1"})}});
  Start("main");
  Steps(2);
  EXPECT_EQ(State().calls.CallDepth, 0);
  EXPECT_EQ(State().CurrentScript, "Other");
  EXPECT_EQ(host.resetWaits, 2);
  Steps(1);
  EXPECT_EQ(banks.V(1), 0);
  EXPECT_EQ(banks.V(2), 1);
  // A missing script: the name is recorded, the loaded script carries on.
  EXPECT_EQ(State().CurrentScript, "absent");
  Steps(1);
  EXPECT_EQ(banks.V(3), 1);
  EXPECT_EQ(banks.V(9), 0);
}

TEST_F(InterpreterTest, EndAndExitReturnFromAReplayOnlyWhileOneRuns) {
  for (const bool replay : {false, true}) {
    flags.ReplayActive = replay;
    Run({"*end", "*exit"});
    Steps(2);
  }
  EXPECT_EQ(screens.replayReturns, 2);
}

// Each screen command hands on its argument from the byte the table gives it, and yields or
// reads on as its row says.
TEST_F(InterpreterTest, ScreenCommandsReachTheScreensWithTheirArguments) {
  const struct {
    const char* line;
    const char* reached;
    bool readsOn;
  } cases[] = {
      {"*special 5", "special(5)", false},
      {"*shop S1", "shop(S1)", false},
      {"*roll ROLL_A", "roll(ROLL_A)", false},
      {"*anim X_AN1", "anim(X_AN1)", false},
      {"*animq X_AN1", "animq(X_AN1)", false},
      {"@ANIMQ X_AN1", "animq(X_AN1)", false},
      {"*subtitle 第一章,春", "subtitle(第一章,春)", false},
      {"*viewer VIEW_2", "viewer(VIEW_2)", false},
      {"*rec", "rec()", true},
      {"*obj_set 1", "obj(set 1)", true},
      {"*sroll", "sroll()", false},
      {"*scroll A_SKY,2", "scroll(A_SKY,2)", false},
      {"*kaisou", "kaisou()", false},
      {"*effect FLASH", "effect(FLASH)", false},
      {"*item 12", "item(12)", false},
      {"*item x", "item(0)", false},
  };
  for (const auto& c : cases) {
    screens.commands.clear();
    Run({c.line, "!V001=1"});
    banks.V(1) = 0;
    Steps(1);
    EXPECT_EQ(screens.commands, std::vector<std::string>{c.reached}) << c.line;
    EXPECT_EQ(banks.V(1), c.readsOn ? 1 : 0) << c.line;
  }
}

// ---- Commands with effects of their own -------------------------------------------------------

TEST_F(InterpreterTest, GameinitKeepsTheValuesThatOutliveAGame) {
  banks.V(0) = 1;
  banks.V(799) = 2;
  banks.V(800) = 3;
  banks.V(999) = 4;
  variables.SetBit('F', 5);
  variables.SetBit('T', 9999);
  variables.SetBit('E', 5);
  Run({"*gameinit"});
  Steps(1);
  EXPECT_EQ(banks.V(0), 0);
  EXPECT_EQ(banks.V(799), 0);
  EXPECT_EQ(banks.V(800), 3);
  EXPECT_EQ(banks.V(999), 4);
  EXPECT_FALSE(variables.TestBit('F', 5));
  EXPECT_FALSE(variables.TestBit('T', 9999));
  EXPECT_TRUE(variables.TestBit('E', 5));
}

TEST_F(InterpreterTest, SleepCountsIdleStepsOrWaitsForAClick) {
  const struct {
    std::string_view command;
    int counter;
  } cases[] = {{"*sleep 90", 3}, {"*sleep 100", 3}, {"*sleep 10", -1}, {"*sleep x", -1}};
  for (const auto& c : cases) {
    Run({c.command});
    Steps(1);
    EXPECT_EQ(flags.SleepCounter, c.counter) << c.command;
  }
}

TEST_F(InterpreterTest, MarkTellsReadFromUnreadPassages) {
  host.seen = true;
  flags.SkipState = 2;
  banks.S(60) = 1;
  Run({"*mark 5"});
  Steps(1);
  EXPECT_TRUE(interpreter.Marks().Test(5));
  EXPECT_FALSE(flags.ReadFlag);
  EXPECT_EQ(flags.SkipState, 0);
  EXPECT_EQ(banks.S(60), 0);

  flags.SkipState = 2;
  Run({"*mark 5"});
  Steps(1);
  EXPECT_TRUE(flags.ReadFlag);
  EXPECT_EQ(flags.SkipState, 2);

  // Without the Seen setting unread text does not stop skipping; numbers out of range are ignored.
  host.seen = false;
  Run({"*mark 6", "*mark 80000", "*mark 80001", "*mark -1"});
  Steps(1);
  EXPECT_TRUE(interpreter.Marks().Test(6));
  EXPECT_TRUE(interpreter.Marks().Test(80000));
  EXPECT_EQ(flags.SkipState, 2);
  EXPECT_TRUE(flags.ReadFlag);
}

TEST_F(InterpreterTest, StringAndTitleWriteRowsZeroToNineOnly) {
  Run({"*string 0 Kanda", "*string 3 abc", "*string 12 refused", "*string -1 refused",
       "*title Chapter One"});
  Steps(1);
  EXPECT_EQ(variables.StringRow(0), "Kanda");
  EXPECT_EQ(variables.StringRow(3), "abc");
  EXPECT_EQ(variables.StringRow(12), "");
  EXPECT_EQ(variables.StringRow(9), "Chapter One");
  EXPECT_EQ(host.familyNames, std::vector<std::string>{"Kanda"});
  EXPECT_EQ(banks.S(6), 1);
}

TEST_F(InterpreterTest, EngineCommandsReachTheHostAndTheFlags) {
  Run({"*exitgame", "*break", "*wait_v_end", "*gameclr", "*gameclr", "*tw_set 2", "*win_open",
       "*win_close", "*mode 1", "*backto", "!V001=1"});
  Steps(5);
  EXPECT_EQ(host.closeRequests, 1);
  EXPECT_EQ(host.stops, std::vector<bool>{true});
  EXPECT_TRUE(flags.VoiceWait);
  EXPECT_EQ(banks.S(100), 2);
  EXPECT_TRUE(variables.TestBit('E', 999));
  EXPECT_EQ(host.windowCommands, (std::vector<std::string>{"tw_set 2", "open", "close", "mode 1"}));
  Steps(1);  // mode ends the step
  EXPECT_EQ(banks.S(10), static_cast<int32_t>(interpreter.ScriptSize() - 8));

  host.soundDevice = false;
  flags.VoiceWait = false;
  Run({"*wait_v_end", "*tw_set 0"});
  Steps(2);
  EXPECT_FALSE(flags.VoiceWait);
  EXPECT_EQ(host.windowCommands.back(), "tw_set 0");
}

// ---- Developer trace --------------------------------------------------------------------------

TEST_F(InterpreterTest, TraceShowsEveryLineRunInTheScriptsOwnSyntax) {
  trace.Attach(&traceOutput);
  Run({"!V001=1", "; note", "*obj_ 3", "*if (V001=1) @calc V002=2", "Hello"});
  Steps(1);
  EXPECT_EQ(TakeTrace(),
            "!V001=1\n"
            "; note\n"
            "*obj_ 3\n"
            "*if (V001=1) @calc V002=2\n"
            "@calc V002=2\n"
            "Hello\n");
  EXPECT_EQ(banks.V(2), 2);
}

// A misspelt command is passed over as the engine always did, and the trace says where it was.
TEST_F(InterpreterTest, UnknownCommandsAreTracedByScriptAndLineAndPassedOver) {
  InstallScripts({{"Intro", Lines({"!V001=1", "*tatti B_R", "", "*return1", "@tati", "!V002=1"})}});
  Start("intro");
  trace.Attach(&traceOutput);
  Steps(1);
  EXPECT_EQ(TakeTrace(),
            "!V001=1\n"
            "*tatti B_R\n"
            "unknown command in intro, line 2\n"
            "\n"
            "*return1\n"
            "unknown command in intro, line 4\n"
            "@tati\n"
            "unknown command in intro, line 5\n"
            "!V002=1\n");
  EXPECT_EQ(banks.V(2), 1);
}

// A search that finds nothing must not send reading into the middle of a large script.
TEST_F(InterpreterTest, AnUnclosedBlockEndsEvenAScriptLargerThanSixteenMegabytes) {
  std::string script = Lines({"{", "!V001=1"});
  const std::string filler = Lines({";" + std::string(4000, '-')});
  while (script.size() + filler.size() <= 0xFFFFFF) script += filler;
  script += std::string(0xFFFFFF - script.size() - 1, '-') + '\0';
  ASSERT_EQ(script.size(), 0xFFFFFFu);
  script += Lines({"!V002=1"});
  Run({});
  interpreter.LoadScriptImage(Bytes(script));
  Steps(2);
  EXPECT_EQ(banks.V(1), 0);
  EXPECT_EQ(banks.V(2), 0) << "reading resumed inside the script";
  EXPECT_GE(State().ReadPos, interpreter.ScriptSize());
}

// A loop that jumps to a very long label does little per line but a lot per search: the step
// ends by the bytes it went through, not only by its lines.
TEST_F(InterpreterTest, AStepEndsAfterItsWorkLimit) {
  const std::string label(10000, 'a');
  const std::string labelLine = ":" + label;
  const std::string goLine = "*go " + label;
  Run({labelLine, "!V001=V001+1", goLine});
  Steps(1);
  EXPECT_GT(banks.V(1), 0);
  EXPECT_LT(banks.V(1), 5000) << "the line limit alone let it run 33333 rounds";
  const int32_t first = banks.V(1);
  Steps(1);
  EXPECT_GT(banks.V(1), first) << "the loop goes on in the next step";
}

TEST_F(InterpreterTest, AStepEndsAfterItsLineLimit) {
  interpreter.SetStepLineLimit(2);
  Run({":top", "!V001=V001+1", "*go top"});
  Steps(1);
  EXPECT_EQ(banks.V(1), 1);
  Steps(1);
  EXPECT_EQ(banks.V(1), 2);
}

}  // namespace
}  // namespace tolven
