// Choices with real pictures and glyphs: the answer window's geometry, the answers a script's
// branch lines give, highlighting and picking, maps of clickable places, trees and switches.
#include "script/choices.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "graphics/picture_copy.h"
#include "script/interpreter.h"
#include "script/interpreter_host.h"
#include "script/standalone_interpreter.h"
#include "script/variables.h"
#include "test_support.h"
#include "tools/archive_writer.h"
#include "tools/picture_encoder.h"

namespace tolven {
namespace {

const std::string kMincho = "\x82\x6c\x82\x72 \x96\xbe\x92\xa9";  // ＭＳ 明朝

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + '\0';
  return text;
}

// A button picture: a face of one grey over a full mask.
Bitmap24 Button(int width, uint8_t grey) {
  Bitmap24 picture(width, 96);
  for (int y = 0; y < 96; ++y) std::fill_n(picture.Row(y), 3 * width, y < 48 ? grey : 255);
  return picture;
}

// Tiles of 136x30: face, mask, highlighted face, highlighted mask.
Bitmap24 Tiles() {
  Bitmap24 picture(136, 120);
  const uint8_t values[] = {40, 255, 90, 255};
  for (int y = 0; y < 120; ++y) std::fill_n(picture.Row(y), 3 * 136, values[y / 30]);
  return picture;
}

// Forwards the choice commands to the choices under test.
class ChoiceHost final : public QuietInterpreterHost {
 public:
  ChoiceHost() : QuietInterpreterHost(false, false) {}
  void OpenSelect() override { choices->OpenSelect(); }
  void OpenClickmap(std::string_view name) override { choices->OpenClickmap(name); }
  void OpenSeltree(int tree) override { choices->OpenSeltree(tree); }
  Choices* choices = nullptr;
};

class ChoicesTest : public ::testing::Test {
 protected:
  ChoicesTest() {
    testing::WriteFileBytes(
        dir_.Path() / "qe_gra.tvk",
        tools::BuildArchive(ArchiveLayout::B,
                            {{"SYS_SW", tools::EncodePackedPicture(Button(400, 60))},
                             {"SYS_SW2", tools::EncodePackedPicture(Button(780, 60))},
                             {"SYS_ST", tools::EncodePackedPicture(Tiles())}}));
  }

  // Builds the engine parts over the archives written so far and loads the script.
  void Start(const std::vector<std::string>& script,
             const std::vector<std::pair<std::string, std::string>>& definitions = {}) {
    std::vector<tools::ArchiveInput> entries;
    for (const auto& [name, text] : definitions) {
      entries.push_back({name, std::vector<uint8_t>(text.begin(), text.end())});
    }
    if (!entries.empty()) {
      testing::WriteFileBytes(dir_.Path() / "qe_data.tvk",
                              tools::BuildArchive(ArchiveLayout::A, entries));
    }
    parts_ = std::make_unique<Parts>(dir_.Path());
    parts_->choiceHost.choices = &parts_->choices;
    parts_->choices.LoadChoicePictures();
    const std::string text = Lines(script);
    parts_->interpreter.LoadScriptImage({text.begin(), text.end()});
    parts_->choices.playSound = [this](std::string_view name) { sounds_.emplace_back(name); };
  }

  // Runs the script until a choice is open or it has nothing left to do.
  void Run(int steps = 50) {
    for (int i = 0; i < steps && flags().ChoiceMode == ChoiceKind::None; ++i) {
      flags().PageWait = PageWaitKind::None;
      flags().WaitTicks = 0;
      parts_->interpreter.RunScript();
    }
  }

  EngineFlags& flags() { return parts_->flags; }
  ScriptState& banks() { return parts_->banks; }
  Choices& choices() { return parts_->choices; }
  const Bitmap24& Screen() { return parts_->pb.Picture(); }

  // The interpreter's parts with glyphs and choices; the choice commands come back to them.
  struct Parts : StandaloneInterpreter {
    explicit Parts(const std::filesystem::path& folder)
        : StandaloneInterpreter(folder, choiceHost) {
      archives.LoadScriptIndexes();
      archives.LoadMediaIndexes();
      glyphs.InitGlyphRenderer(archives);
    }
    ChoiceHost choiceHost;
    const Settings settings = testing::FontSettings(kMincho);
    Glyphs glyphs{settings};
    Choices choices{interpreter, variables, stage, glyphs,   output,      pb,   clock,
                    windowHost,  banks,     flags, archives, definitions, trace};
  };

  testing::TempDir dir_;
  std::unique_ptr<Parts> parts_;
  std::vector<std::string> sounds_;
};

int Grey(const Bitmap24& picture, int x, int y) {
  return picture.Row(y)[3 * x];
}

TEST_F(ChoicesTest, TheAnswerWindowIsCentredWithRowsFiftyApart) {
  const struct {
    std::vector<std::string> answers;
    int top, width;
  } cases[] = {
      {{"{a", "{b", "{c", "{d"}, 90, 400},
      {{"{a", "{b"}, 140, 400},
      {{"{" + std::string(27, 'x'), "{b"}, 140, 400},
      {{"{" + std::string(28, 'x'), "{b"}, 140, 780},  // one long answer widens them all
  };
  for (const auto& c : cases) {
    std::vector<std::string> script = {"*select"};
    script.insert(script.end(), c.answers.begin(), c.answers.end());
    script.push_back("}");
    Start(script);
    Run();
    ASSERT_EQ(flags().ChoiceMode, ChoiceKind::Select);
    EXPECT_EQ(choices().WindowTop(), c.top);
    EXPECT_EQ(choices().WindowWidth(), c.width);
    const int left = (800 - c.width) / 2;
    const int rows = static_cast<int>(c.answers.size());
    for (int i = 0; i < rows; ++i) {
      const int y = c.top + 50 * i;
      EXPECT_EQ(Grey(Screen(), left + 2, y), 60) << "button " << i << " starts at its row";
      EXPECT_EQ(Grey(Screen(), left + 2, y + 47), 60);
      EXPECT_EQ(Grey(Screen(), left + 2, y + 48), 0) << "and leaves two rows free";
    }
    EXPECT_EQ(Grey(Screen(), left - 1, c.top + 2), 0);
    EXPECT_EQ(sounds_, std::vector<std::string>{"SSE02"});
    sounds_.clear();
  }
}

TEST_F(ChoicesTest, BranchLinesGiveAnswersConditionsAndStringRows) {
  Start({"!V001=1", "*select", "{(V001=2)hidden", "{shown(V001=1) too", "{$3", "{(V001=1)$", "}"});
  banks().strings[3 * kStringRowBytes] = 'R';
  banks().strings[3 * kStringRowBytes + 1] = '3';
  Run();
  const auto& entries = choices().Entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].text, "shown too");
  EXPECT_EQ(entries[1].text, "R3");
  EXPECT_EQ(entries[2].text, "") << "a $ without a digit is row 0";
  // Full-screen rectangles follow the rows of the text page, row-taken answers included.
  EXPECT_EQ(entries[1].x2, 48 + 14 * 2);
  EXPECT_EQ(entries[1].y1 - entries[0].y1, 38);
}

TEST_F(ChoicesTest, HighlightFollowsThePointerAndAPickRunsOneBranch) {
  Start({"*select", "{first", "!V001=1", "{second", "!V002=1", "}", "!V003=1"});
  Run();
  ASSERT_EQ(flags().ChoiceMode, ChoiceKind::Select);
  const int x = 400;
  const int second = choices().WindowTop() + 50 + 20;
  choices().HoverChoice(x, second);
  EXPECT_EQ(choices().Highlight(), 2);
  const Bitmap24& stage = parts_->stage.Buffers().StageBuffer;
  const Bitmap24& highlighted = parts_->stage.Buffers().ChoiceBuffer;
  bool sameAsHighlight = true;
  for (int y = choices().WindowTop() + 50; y < choices().WindowTop() + 98; ++y) {
    for (int px = 200; px < 600; ++px) {
      sameAsHighlight &= Grey(Screen(), px, y) == Grey(highlighted, px, y);
    }
  }
  EXPECT_TRUE(sameAsHighlight);
  EXPECT_FALSE(stage == highlighted) << "the highlighted text is red";

  choices().HoverChoice(x, 10);
  EXPECT_EQ(choices().Highlight(), 0) << "off all answers";
  choices().PickChoice(MouseButton::Left);
  EXPECT_EQ(flags().ChoiceMode, ChoiceKind::Select) << "a click off the answers picks nothing";

  banks().S(sv::kResumePoint) = 77;
  choices().HoverChoice(x, second);
  choices().PickChoice(MouseButton::Left);
  EXPECT_EQ(flags().ChoiceMode, ChoiceKind::None);
  EXPECT_EQ(banks().S(sv::kResumePoint), 0);
  EXPECT_EQ(sounds_.back(), "SSE01");
  Run();
  EXPECT_EQ(banks().V(1), 0);
  EXPECT_EQ(banks().V(2), 1);
  EXPECT_EQ(banks().V(3), 1) << "the script goes on after the group";
}

TEST_F(ChoicesTest, KeysMoveThePointerOntoTheAnswerAboveOrBelow) {
  Start({"*select", "{a", "{b", "{c", "}"});
  Run();
  std::vector<std::pair<int, int>> warps;
  const int top = choices().WindowTop();
  const struct {
    int highlight, direction, row;
  } cases[] = {{0, 1, 2}, {1, 1, 1}, {3, 1, 2}, {3, -1, 1}, {1, -1, 0}, {0, -1, 0}};
  for (const auto& c : cases) {
    choices().HoverChoice(400, c.highlight == 0 ? 5 : top + 50 * (c.highlight - 1) + 10);
    ASSERT_EQ(choices().Highlight(), c.highlight);
    const int before = parts_->windowHost.warps;
    choices().MovePointerOverAnswers(c.direction);
    EXPECT_EQ(parts_->windowHost.warps, before + 1);
    EXPECT_EQ(parts_->windowHost.lastWarpY, top + 31 + 50 * c.row)
        << c.highlight << " " << c.direction;
    EXPECT_EQ(parts_->windowHost.lastWarpX, 200 + 400 - 7);
  }
}

TEST_F(ChoicesTest, SwitchesTakeTheFirstTrueBranchAndNamedOnesNest) {
  const struct {
    std::vector<std::string> script;
    int v1, v2, v3;
  } cases[] = {
      {{"!V009=2", "*switch", "{(V009=1)", "!V001=1", "{(V009=2)", "!V002=1", "{", "!V003=1", "}"},
       0,
       1,
       0},
      {{"*switch", "{(V009=1)", "!V001=1", "{", "!V003=1", "}"}, 0, 0, 1},
      // No branch taken: on after the closing line.
      {{"*switch", "{(V009=1)", "!V001=1", "}", "!V002=1"}, 0, 1, 0},
      {{"!V009=1", "*switch outer", "{:outer(V009=1)", "*switch inner", "{:inner(V009=2)",
        "!V001=1", "}:inner", "!V002=1", "{:outer", "!V003=1", "}:outer"},
       0,
       1,
       0},
      // A branch of another name is passed over.
      {{"*switch a", "{:ab", "!V001=1", "{:a", "!V002=1", "}:a"}, 0, 1, 0},
  };
  for (const auto& c : cases) {
    Start(c.script);
    Run();
    EXPECT_EQ(banks().V(1), c.v1) << c.script[1];
    EXPECT_EQ(banks().V(2), c.v2) << c.script[1];
    EXPECT_EQ(banks().V(3), c.v3) << c.script[1];
  }
}

TEST_F(ChoicesTest, MapPlacesShowLabelsAndTheirBranchesRun) {
  const std::string map = Lines(
      {":town", "3", "shop,100,100,300,200", "*park,400,100,500,200", "cafe,600,400,500,300"});
  Start({"*clickmap town", "{", "!V001=1", "{(V009=1)", "!V002=1", "{bakery", "!V003=1", "}"},
        {{"MAP", map}});
  Run();
  ASSERT_EQ(flags().ChoiceMode, ChoiceKind::Clickmap);
  const auto& entries = choices().Entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_FALSE(entries[1].enabled) << "its condition is false";
  EXPECT_EQ(entries[2].text, "bakery");
  EXPECT_EQ(entries[2].x1, 500) << "corners given the wrong way round are swapped";

  const Bitmap24 before = Screen();
  choices().HoverChoice(450, 150);
  EXPECT_EQ(choices().Highlight(), 0) << "a disabled place is not hovered";
  choices().HoverChoice(200, 150);
  EXPECT_EQ(choices().Highlight(), 1);
  const ChoiceEntry& shop = entries[0];
  int blue = 0;
  for (int x = shop.labelX1 + 16; x < shop.labelX2 - 16; ++x) {
    blue += Screen().Row(shop.labelTop + 1)[3 * x] == 128;
  }
  EXPECT_EQ(blue, shop.labelX2 - shop.labelX1 - 32) << "the bar's middle is blue over black";
  choices().HoverChoice(10, 10);
  EXPECT_TRUE(Screen() == before) << "leaving the place clears its label";

  choices().HoverChoice(550, 350);
  choices().PickChoice(MouseButton::Right);
  EXPECT_EQ(flags().ChoiceMode, ChoiceKind::None);
  Run();
  EXPECT_EQ(banks().V(3), 1);
  EXPECT_EQ(banks().V(1), 0);
}

TEST_F(ChoicesTest, AMapWithoutItsSectionOpensNothing) {
  Start({"*clickmap nowhere", "{", "!V001=1", "}", "!V002=1"}, {{"MAP", Lines({":town", "0"})}});
  Run();
  EXPECT_EQ(flags().ChoiceMode, ChoiceKind::None);
  EXPECT_EQ(banks().V(1), 0) << "the group is skipped";
  EXPECT_EQ(banks().V(2), 1);
}

TEST_F(ChoicesTest, TreeItemsWithTheirBitClearTakeNoRow) {
  const std::string tree = Lines({"first,1,SCRIPT_A", "hidden,2,SCRIPT_B", "branch,3,",
                                  " child,4,SCRIPT_C", "last,5,SCRIPT_D", "END", "ALLEND"});
  Start({"*seltree 0", "!V001=1"}, {{"SELTREE", tree}, {"SCRIPT_D", Lines({"!V004=4"})}});
  for (int bit : {1, 3, 4, 5}) {
    parts_->variables.ExecuteAssignments("T000" + std::to_string(bit) + "=1");
  }
  Run();
  ASSERT_EQ(flags().ChoiceMode, ChoiceKind::Seltree);
  ASSERT_EQ(choices().Trees()[0].size(), 5u);
  // Rows: first, branch, last.
  choices().HoverChoice(30, 20 + 30 * 2 + 5);
  choices().PickChoice(MouseButton::Left);
  EXPECT_EQ(flags().ChoiceMode, ChoiceKind::None);
  EXPECT_EQ(parts_->interpreter.State().CurrentScript, "SCRIPT_D")
      << "the hidden item takes no row, and the child shows only in the next column";
}

}  // namespace
}  // namespace tolven
