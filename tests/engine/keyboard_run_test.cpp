// The sample game played with the keyboard alone and with a controller alone, and the keys and
// buttons remapped from the settings file's own section.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "base/trace.h"
#include "engine/event_file.h"
#include "engine/input_map.h"
#include "sample_run.h"
#include "test_support.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class KeyboardRunTest : public testing::SampleRunTest {};

const json kTitleAnswersAfterTheClear = {"はじめから", "つづきから", "おまけ", "おわる"};
// The platform's first page as the save caught it, half printed.
const char* const kPlatformFirstPage = "  駅のホームに駆け込むと、時計の針は";

// Through the name entry, the title's select, the clickmap, the shop, the save list both ways,
// the settings and the text log to the title after the clear, with no pointer at all.
TEST_F(KeyboardRunTest, KeysAloneAndButtonsAlonePlayTheSampleToItsEnd) {
  const std::vector<std::string> marks = {"# The bookmark bought.", "# Saved.",
                                          "# The settings changed.", "# Loaded.",
                                          "# The text log open."};
  for (const char* file : {"keys-only.events", "controller-only.events"}) {
    SCOPED_TRACE(file);
    const std::string events = Events(file);
    // Nothing but keys or buttons acts on the game.
    std::istringstream lines(events);
    for (std::string line; std::getline(lines, line);) {
      for (const char* pointer : {"click", "move", "wheel", "choose", "set", "press"}) {
        EXPECT_FALSE(line.starts_with(std::string(pointer) + " ")) << line;
      }
    }
    const std::vector<json> dumps = PlayWithDumps(events, marks);
    ASSERT_EQ(dumps.size(), marks.size() + 1);
    const json& shop = dumps[0];
    EXPECT_EQ(shop["V"]["802"], 1) << "the cherry bookmark owned";
    EXPECT_EQ(shop["V"]["800"], 100) << "two hundred paid of three";
    EXPECT_EQ(shop["V"]["11"], 1) << "the bookshop picked on the map";

    const json& saved = dumps[1];
    ASSERT_FALSE(saved["slots"].empty());
    EXPECT_EQ(saved["slots"][0]["slot"], 1);
    EXPECT_EQ(saved["dialog"], nullptr);

    const json& settings = dumps[2];
    ASSERT_NE(settings["dialog"], nullptr);
    EXPECT_EQ(settings["dialog"]["name"], "TForm3");
    EXPECT_EQ(settings["dialog"]["controls"]["RadioGroup5"]["value"], "1") << "高速";

    const json& loaded = dumps[3];
    EXPECT_EQ(loaded["dialog"], nullptr);
    EXPECT_EQ(loaded["settings"]["Delay"], "1") << "the dialog's change kept";
    EXPECT_TRUE(loaded["page"][1].get<std::string>().starts_with(kPlatformFirstPage))
        << loaded["page"][1];

    // The log only scrolls while it is open: up twice and down once leave it one step up.
    EXPECT_EQ(dumps[4]["log_offset"], 4);
    EXPECT_EQ(loaded["log_offset"], 0);

    const json& end = dumps.back();
    EXPECT_EQ(end["script"], "main2");
    EXPECT_NE(std::find(end["E"].begin(), end["E"].end(), 999), end["E"].end()) << "cleared";
    EXPECT_EQ(end["choice"]["entries"], kTitleAnswersAfterTheClear);
  }
}

// Remapped keys and buttons take their actions and the replaced ones no longer do; what the
// section gets wrong is named once in the trace and left out.
TEST_F(KeyboardRunTest, TheSettingsSectionRemapsKeysAndButtons) {
  testing::WriteFileText(dir_.Path() / "config/peluna2.ini",
                         "[Tolven]\nKey.Advance=Z\nButton.Advance=x, nonsense\nKey.Bogus=Q\n"
                         "Key.Bogus=Q\n");
  const std::string start =
      "until dialog TForm2\nkey enter\nuntil choice\nwait 600\nkey up\nwait 100\nkey z\n"
      "until page\n";
  const struct {
    const char* input;
    bool advances;
  } cases[] = {{"key enter", false}, {"key z", true}, {"button a", false}, {"button x", true}};
  for (const auto& c : cases) {
    const std::vector<json> dumps =
        PlayWithDumps(start + "# Before.\n" + c.input + "\nwait 300\n", {"# Before."});
    ASSERT_EQ(dumps.size(), 2u);
    ASSERT_NE(dumps[0], nullptr);
    EXPECT_EQ(dumps[0]["script"], "classroom") << "the title's answer picked by Z";
    EXPECT_EQ(dumps[0]["page"] != dumps[1]["page"], c.advances) << c.input;
  }
  EXPECT_EQ(TraceLinesHolding("unknown action \"Bogus\"").size(), 1u);
  EXPECT_EQ(TraceLinesHolding("unknown button \"nonsense\"").size(), 1u);
}

TEST(InputMapTest, EventFilesNameButtonsAsTheControllerDoes) {
  const struct {
    const char* line;
    bool valid;
  } cases[] = {{"button a", true},         {"button rightshoulder down", true},
               {"button dpleft up", true}, {"button start sideways", false},
               {"button trigger", false},  {"button", false},
               {"key tab", true},          {"key f10", true}};
  for (const auto& c : cases) {
    std::string error;
    EXPECT_EQ(ParseEvents(c.line, "t.events", error).has_value(), c.valid) << c.line << error;
  }
}

TEST(InputMapTest, LinesReplaceAnActionsKeysAndLeaveTheRest) {
  Trace trace;
  InputMap map;
  map.Configure({{"key.log", "l, F5"}, {"Button.Skip", "X"}, {"Key.Menu", "F99"}}, trace);
  EXPECT_EQ(map.ForKey('L'), InputAction::Log);
  EXPECT_EQ(map.ForKey(116), InputAction::Log);
  EXPECT_EQ(map.ForKey(8), std::nullopt) << "Backspace no longer opens the log";
  EXPECT_EQ(map.ForButton(PadButton::X), InputAction::Skip);
  EXPECT_EQ(map.ForButton(PadButton::RightShoulder), std::nullopt);
  EXPECT_EQ(map.ForKey(121), InputAction::Menu) << "a line with nothing readable keeps F10";
  EXPECT_EQ(map.ForKey(13), InputAction::Advance);
  EXPECT_EQ(map.ForButton(PadButton::A), InputAction::Advance);
}

}  // namespace
}  // namespace tolven
