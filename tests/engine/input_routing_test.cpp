// The routing of mouse, wheel and keys by the engine's state, driven through a test host on a
// virtual clock.
#include <gtest/gtest.h>

#include <sstream>

#include "engine/form1.h"
#include "test_support.h"
#include "tools/archive_writer.h"

namespace tolven {
namespace {

class TestHost : public Host {
 public:
  uint32_t Ticks() override { return now; }
  void Sleep(uint32_t milliseconds) override { now += milliseconds; }
  void ProcessMessages() override {}
  MessageResult ShowMessage(std::string_view text, std::string_view, MessageButtons,
                            MessageIcon) override {
    messages.emplace_back(text);
    return answer;
  }
  int ScreenWidth() const override { return 1920; }

  uint32_t now = 0;
  MessageResult answer = MessageResult::Ok;
  std::vector<std::string> messages;
};

std::vector<uint8_t> ScriptBytes(const std::string& text) {
  std::vector<uint8_t> bytes;
  for (char c : text) bytes.push_back(c == '\n' ? 0 : static_cast<uint8_t>(c));
  return bytes;
}

class InputRoutingTest : public ::testing::Test {
 protected:
  // Starts an engine on a game whose main script is the given lines, with optional settings.
  void Start(const std::string& script, const std::string& settings = "") {
    testing::WriteFileBytes(dir_ / "game" / "qe_data.tvk",
                            tools::BuildArchive(ArchiveLayout::A, {{"main", ScriptBytes(script)}}));
    testing::WriteFileText(dir_ / "config" / "peluna2.ini", "[PELUNA2]\n" + settings);
    trace_.Attach(&traceText_);
    EngineOptions options;
    options.gameDirectory = dir_ / "game";
    options.configDirectory = dir_ / "config";
    options.seed = 7;
    form_ = std::make_unique<TForm1>(host_, trace_, options);
    form_->FormCreate();
  }

  void Idle(int steps) {
    for (int i = 0; i < steps; ++i) form_->AppIdle();
  }
  // Runs idle steps until the script waits for the player.
  void IdleUntilWaiting() {
    for (int i = 0; i < 1000 && !form_->WaitingForInput(); ++i) form_->AppIdle();
    ASSERT_TRUE(form_->WaitingForInput());
  }
  int Mentions(const std::string& text) const {
    const std::string all = traceText_.str();
    int count = 0;
    for (size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + 1)) {
      ++count;
    }
    return count;
  }
  int S(int i) const { return form_->State().S(i); }

  testing::TempDir dir_;
  TestHost host_;
  Trace trace_;
  std::ostringstream traceText_;
  std::unique_ptr<TForm1> form_;
};

TEST_F(InputRoutingTest, ClickGuardKeepsARepeatedClickOffTheChoice) {
  Start("*sleep 10\n");
  IdleUntilWaiting();
  form_->Flags().ChoiceMode = 1;
  form_->Flags().SleepCounter = 0;
  form_->PBMouseDown(MouseButton::Left, 100, 100);
  form_->PBMouseDown(MouseButton::Left, 100, 100);
  EXPECT_EQ(Mentions("PickChoice"), 1) << "the second click came within the guard";
  Idle(9);
  form_->PBMouseDown(MouseButton::Left, 100, 100);
  EXPECT_EQ(Mentions("PickChoice"), 1) << "nine idle steps are not enough";
  Idle(10);
  form_->PBMouseDown(MouseButton::Left, 100, 100);
  EXPECT_EQ(Mentions("PickChoice"), 2);
}

TEST_F(InputRoutingTest, ShiftSkipsWhileHeldAndTheSkipModeSetsTheKind) {
  struct Case {
    const char* settings;
    int expected;
  } cases[] = {{"", 1}, {"SkipMode=1\n", 2}, {"SkipMode=2\n", 1}};
  for (const Case& c : cases) {
    Start("*sleep 10\n", c.settings);
    IdleUntilWaiting();
    form_->FormKeyDown(kKeyShift);
    EXPECT_EQ(form_->Flags().SkipState, c.expected) << c.settings;
    EXPECT_EQ(S(60), 1);
    form_->FormKeyUp(kKeyShift);
    EXPECT_EQ(form_->Flags().SkipState, 0);
    EXPECT_EQ(S(60), 0);
  }
}

TEST_F(InputRoutingTest, CtrlTogglesAutoAdvanceAndItsCaptionColour) {
  Start("*sleep 10\n");
  IdleUntilWaiting();
  form_->FormKeyDown(kKeyCtrl);
  EXPECT_EQ(S(26), 5) << "the last speed, 5 at start-up";
  EXPECT_EQ(S(61), 1);
  EXPECT_EQ(form_->Menu().SpeedButton7.captionColour, kAutoCaptionColour);
  form_->FormKeyDown(kKeyCtrl);
  EXPECT_EQ(S(26), 0);
  EXPECT_EQ(S(27), 5);
  EXPECT_EQ(form_->Menu().SpeedButton7.captionColour, kPlainCaptionColour);
  // Auto-advance paces the steps that run the script at 5 x speed + 15 ms; a step that only
  // waits keeps the plain 30 ms.
  form_->FormKeyDown(kKeyCtrl);
  uint32_t before = host_.now;
  form_->AppIdle();
  EXPECT_EQ(host_.now - before, 30u);
  form_->PBMouseDown(MouseButton::Left, 10, 10);
  ASSERT_EQ(form_->Flags().SleepCounter, 0);
  before = host_.now;
  form_->AppIdle();
  EXPECT_EQ(host_.now - before, 40u);
}

TEST_F(InputRoutingTest, EnterAndEscapeClickAtTheLastPointerPosition) {
  Start("first\n\\\n*sleep 10\n*tw_set 1\n*sleep 10\n");
  IdleUntilWaiting();
  ASSERT_EQ(form_->Flags().PageWait, 1);
  form_->PBMouseMove(300, 200);
  form_->FormKeyPress(kKeyEnter);
  EXPECT_EQ(form_->Flags().PageWait, 0) << "Enter is a left click";
  IdleUntilWaiting();
  ASSERT_EQ(form_->Flags().SleepCounter, -1);
  form_->FormKeyPress(kKeyEscape);
  EXPECT_EQ(form_->Flags().SleepCounter, 0) << "any click ends a sleep";
  form_->FormKeyPress(kKeyEscape);
  EXPECT_EQ(Mentions("HidePicture"), 1) << "Escape is a right click";
}

TEST_F(InputRoutingTest, AutoGaugeSetsTheSpeedFromTheClickHeight) {
  Start("*tw_set 1\ntext\n\\\n");
  IdleUntilWaiting();
  form_->FormKeyDown(kKeyCtrl);
  struct Case {
    int y;
    int speed;
  } cases[] = {{468, 1}, {478, 1}, {479, 2}, {577, 10}};
  for (const Case& c : cases) {
    form_->PBMouseDown(MouseButton::Left, 775, c.y);
    EXPECT_EQ(S(26), c.speed) << "y " << c.y;
    EXPECT_EQ(S(27), c.speed) << "y " << c.y;
  }
  EXPECT_EQ(form_->Flags().PageWait, 1) << "gauge clicks never reach the page";
  // Outside the gauge a click with auto-advance on stops it, and only that.
  form_->PBMouseDown(MouseButton::Left, 700, 500);
  EXPECT_EQ(S(26), 0);
  EXPECT_EQ(form_->Flags().PageWait, 1);
}

TEST_F(InputRoutingTest, SleepEndsAtAClickAndTimedSleepCountsIdleSteps) {
  Start("*sleep 90\n!V001=1\n*sleep 10\n!V002=1\n");
  Idle(2);  // the title start, then the sleep command
  EXPECT_EQ(form_->Flags().SleepCounter, 3);
  Idle(3);
  EXPECT_EQ(form_->Flags().SleepCounter, 0);
  Idle(1);
  EXPECT_EQ(form_->State().V(1), 1);
  EXPECT_EQ(form_->Flags().SleepCounter, -1);
  Idle(50);
  EXPECT_EQ(form_->State().V(2), 0);
  form_->PBMouseDown(MouseButton::Right, 1, 1);
  Idle(1);
  EXPECT_EQ(form_->State().V(2), 1);
}

TEST_F(InputRoutingTest, MenuBarFollowsTheSaveAvailabilityAndTheLock) {
  Start("!S000=0\n*sleep 10\n!S000=1\n*sleep 10\n");
  const MenuBar& menu = form_->Menu();
  EXPECT_FALSE(menu.SpeedButton3.enabled) << "start-up sets S000 = 3";
  IdleUntilWaiting();
  EXPECT_TRUE(menu.SpeedButton3.enabled);
  EXPECT_TRUE(menu.SpeedButton4.enabled);
  form_->PBMouseDown(MouseButton::Left, 1, 1);
  IdleUntilWaiting();
  EXPECT_FALSE(menu.SpeedButton3.enabled) << "S000 = 1 refuses saving";
  EXPECT_TRUE(menu.SpeedButton4.enabled);
  form_->Flags().MenuLocked = true;
  form_->UpdateMenuBar();
  EXPECT_FALSE(menu.Panel1Enabled);
  EXPECT_FALSE(menu.SpeedButton1.enabled);
  EXPECT_FALSE(menu.SpeedButton4.enabled);
}

TEST_F(InputRoutingTest, CloseQueryAsksAndCancelKeepsRunning) {
  Start("*sleep 10\n");
  IdleUntilWaiting();
  host_.answer = MessageResult::Cancel;
  form_->Close();
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0], "ゲームを終了しますか？");
  EXPECT_FALSE(form_->Closed());
  EXPECT_TRUE(form_->Script().State().ScriptRunning) << "the script resumes";
  host_.answer = MessageResult::Ok;
  form_->N7Click();
  EXPECT_TRUE(form_->Closed());
}

TEST_F(InputRoutingTest, FullScreenShowsTheMenuBarNearTheTopLeftOnly) {
  Start("*sleep 10\n", "SMode=1\n");
  IdleUntilWaiting();
  // The test host has no display: full screen is refused and the window stays.
  EXPECT_FALSE(form_->FullScreenActive());
  EXPECT_TRUE(form_->Menu().Panel1Visible);
}

}  // namespace
}  // namespace tolven
