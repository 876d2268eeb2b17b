// The routing of mouse, wheel and keys by the engine's state, driven through a test host on a
// virtual clock.
#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <sstream>

#include "engine/engine_rig.h"

namespace tolven {
namespace {

using InputRoutingTest = testing::EngineTest;
using testing::FakeMovie;
using testing::ScriptBytes;

TEST_F(InputRoutingTest, ClickGuardKeepsARepeatedClickOffTheChoice) {
  // Full-screen answers need no button pictures: the first answer is the row at y 32-62.
  Start("!S150=1\nt\n\\\n*select\n{a\n!V001=1\n{b\n!V002=1\n}\n*sleep 10\n");
  IdleUntilWaiting();
  form_->PBMouseDown(MouseButton::Left, 30, 40);  // ends the page, starts the guard
  for (int i = 0; i < 5 && Flags().ChoiceMode == ChoiceKind::None; ++i) Idle(1);
  ASSERT_EQ(Flags().ChoiceMode, ChoiceKind::SelectFullScreen);
  form_->PBMouseMove(30, 40);
  form_->PBMouseDown(MouseButton::Left, 30, 40);
  EXPECT_EQ(Flags().ChoiceMode, ChoiceKind::SelectFullScreen) << "the click came within the guard";
  Idle(10);
  form_->PBMouseDown(MouseButton::Left, 30, 40);
  EXPECT_EQ(Flags().ChoiceMode, ChoiceKind::None);
  IdleUntilWaiting();
  EXPECT_EQ(form_->State().V(1), 1);
  EXPECT_EQ(form_->State().V(2), 0);
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
    EXPECT_EQ(Flags().SkipState, c.expected) << c.settings;
    EXPECT_EQ(S(sv::kSkipButton), 1);
    form_->FormKeyUp(kKeyShift);
    EXPECT_EQ(Flags().SkipState, 0);
    EXPECT_EQ(S(sv::kSkipButton), 0);
  }
}

TEST_F(InputRoutingTest, CtrlTogglesAutoAdvanceAndItsCaptionColour) {
  Start("*sleep 10\n");
  IdleUntilWaiting();
  form_->FormKeyDown(kKeyCtrl);
  EXPECT_EQ(S(sv::kAutoSpeed), 5) << "the last speed, 5 at start-up";
  EXPECT_EQ(S(sv::kAutoButton), 1);
  EXPECT_EQ(form_->Menu().SpeedButton7.captionColour, kAutoCaptionColour);
  form_->FormKeyDown(kKeyCtrl);
  EXPECT_EQ(S(sv::kAutoSpeed), 0);
  EXPECT_EQ(S(sv::kLastAutoSpeed), 5);
  EXPECT_EQ(form_->Menu().SpeedButton7.captionColour, kPlainCaptionColour);
  // Auto-advance paces the steps that run the script at 5 x speed + 15 ms; a step that only
  // waits keeps the plain 30 ms.
  form_->FormKeyDown(kKeyCtrl);
  uint32_t before = host_.now;
  form_->AppIdle();
  EXPECT_EQ(host_.now - before, 30u);
  form_->PBMouseDown(MouseButton::Left, 10, 10);
  ASSERT_EQ(Flags().SleepCounter, 0);
  before = host_.now;
  form_->AppIdle();
  EXPECT_EQ(host_.now - before, 40u);
}

// Whatever stops auto-advance turns the caption black again, as the toggle does.
TEST_F(InputRoutingTest, EveryWayOfStoppingAutoAdvanceTurnsTheCaptionBlack) {
  const struct {
    const char* name;
    void (*stop)(TForm1&);
  } cases[] = {
      {"break", [](TForm1& form) { form.AppIdle(); }},
      {"a click in the message window",
       [](TForm1& form) { form.PBMouseDown(MouseButton::Left, 100, 100); }},
      {"the quit button", [](TForm1& form) { form.SpeedButton1Click(); }},
  };
  for (const auto& c : cases) {
    // The text shows the window; the quick-button strip takes clicks only while it is shown.
    Start("t\n*sleep 10\n*break\n*sleep 10\n");
    IdleUntilWaiting();
    ASSERT_EQ(Flags().SleepCounter, -1);
    form_->FormKeyDown(kKeyCtrl);
    ASSERT_EQ(form_->Menu().SpeedButton7.captionColour, kAutoCaptionColour);
    Flags().SleepCounter = 0;
    c.stop(*form_);
    EXPECT_EQ(S(sv::kAutoSpeed), 0) << c.name;
    EXPECT_EQ(form_->Menu().SpeedButton7.captionColour, kPlainCaptionColour) << c.name;
  }
}

TEST_F(InputRoutingTest, AWildAutoSpeedStillPacesTheStepBriefly) {
  Start("!S026=400000000\n:loop\n!V001=V001+1\n*go loop\n");
  Idle(2);
  ASSERT_EQ(S(sv::kAutoSpeed), 400000000);
  const uint32_t before = host_.now;
  form_->AppIdle();
  EXPECT_LE(host_.now - before, 65u) << "the slowest speed the gauge gives";
}

TEST_F(InputRoutingTest, EnterAndEscapeClickAtTheLastPointerPosition) {
  Start("first\n\\\n*sleep 10\n*tw_set 1\n*sleep 10\n");
  IdleUntilWaiting();
  ASSERT_EQ(Flags().PageWait, PageWaitKind::PageEnd);
  form_->PBMouseMove(300, 200);
  form_->FormKeyPress(kKeyEnter);
  EXPECT_EQ(Flags().PageWait, PageWaitKind::None) << "Enter is a left click";
  IdleUntilWaiting();
  ASSERT_EQ(Flags().SleepCounter, -1);
  form_->FormKeyPress(kKeyEscape);
  EXPECT_EQ(Flags().SleepCounter, 0) << "any click ends a sleep";
  form_->FormKeyPress(kKeyEscape);
  EXPECT_EQ(Flags().EngineState, EngineScreen::WindowHidden) << "Escape is a right click";
}

TEST_F(InputRoutingTest, AutoGaugeSetsTheSpeedFromTheClickHeight) {
  Start("text\n\\\n");
  IdleUntilWaiting();
  form_->FormKeyDown(kKeyCtrl);
  struct Case {
    int y;
    int speed;
  } cases[] = {{468, 1}, {478, 1}, {479, 2}, {577, 10}};
  for (const Case& c : cases) {
    form_->PBMouseDown(MouseButton::Left, 775, c.y);
    EXPECT_EQ(S(sv::kAutoSpeed), c.speed) << "y " << c.y;
    EXPECT_EQ(S(sv::kLastAutoSpeed), c.speed) << "y " << c.y;
  }
  EXPECT_EQ(Flags().PageWait, PageWaitKind::PageEnd) << "gauge clicks never reach the page";
  // Outside the gauge a click with auto-advance on stops it, and only that.
  form_->PBMouseDown(MouseButton::Left, 700, 500);
  EXPECT_EQ(S(sv::kAutoSpeed), 0);
  EXPECT_EQ(Flags().PageWait, PageWaitKind::PageEnd);
}

TEST_F(InputRoutingTest, SleepEndsAtAClickAndTimedSleepCountsIdleSteps) {
  Start("*sleep 90\n!V001=1\n*sleep 10\n!V002=1\n*sleep -60\n!V003=1\n");
  Idle(2);  // the title start, then the sleep command
  EXPECT_EQ(Flags().SleepCounter, 3);
  Idle(3);
  EXPECT_EQ(Flags().SleepCounter, 0);
  Idle(1);
  EXPECT_EQ(form_->State().V(1), 1);
  EXPECT_EQ(Flags().SleepCounter, -1);
  EXPECT_TRUE(form_->WaitingForInput());
  Idle(50);
  EXPECT_EQ(form_->State().V(2), 0);
  form_->PBMouseDown(MouseButton::Right, 1, 1);
  Idle(1);
  EXPECT_EQ(form_->State().V(2), 1);
  // A negative sleep waits for a click too, whatever its count.
  EXPECT_EQ(Flags().SleepCounter, -2);
  EXPECT_TRUE(form_->WaitingForInput());
  Idle(50);
  EXPECT_EQ(form_->State().V(3), 0);
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
  Flags().MenuLocked = true;
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
  host_.grantFullScreen = true;
  Start("*sleep 10\n", "SMode=1\n");
  IdleUntilWaiting();
  ASSERT_TRUE(form_->FullScreenActive());
  EXPECT_FALSE(form_->Menu().Panel1Visible) << "hidden until the pointer comes near";
  const struct {
    int x, y;
    bool shown;
  } cases[] = {{0, 0, true},     {399, 0, true},   {400, 0, false},  {0, 29, true},
               {0, 30, false},   {399, 29, true},  {400, 29, false}, {399, 30, false},
               {400, 30, false}, {799, 599, false}};
  for (const auto& c : cases) {
    form_->PBMouseMove(c.x, c.y);
    EXPECT_EQ(form_->Menu().Panel1Visible, c.shown) << c.x << "," << c.y;
  }
}

TEST_F(InputRoutingTest, ARefusedFullScreenKeepsTheFramedWindowAndItsMenuBar) {
  Start("*sleep 10\n", "SMode=1\n");
  IdleUntilWaiting();
  EXPECT_FALSE(form_->FullScreenActive());
  form_->PBMouseMove(600, 400);
  EXPECT_TRUE(form_->Menu().Panel1Visible) << "outside full screen the bar always shows";
}

// A click during a blocking effect leaves the request for the effect, and does nothing else.
TEST_F(InputRoutingTest, AClickDuringAnEffectOnlyLeavesTheInterruptRequest) {
  Start("text\n\\\n");
  IdleUntilWaiting();
  ASSERT_EQ(Flags().PageWait, PageWaitKind::PageEnd);
  Flags().EffectRunning = true;
  Reached();
  const EngineFlags before = Flags();
  for (MouseButton button : {MouseButton::Left, MouseButton::Right}) {
    Flags().InterruptRequest = Interrupt::None;
    form_->PBMouseDown(button, 400, 300);
    EXPECT_EQ(Flags().InterruptRequest, Interrupt::Click);
    EXPECT_EQ(Flags().PageWait, before.PageWait) << "the page stays";
    EXPECT_EQ(Flags().ClickGuard, before.ClickGuard);
    EXPECT_EQ(Flags().ClickSkip, before.ClickSkip);
    EXPECT_EQ(Reached(), "") << "no screen saw the click";
  }
  // A close request during the effect is a request of its own, and the window stays.
  form_->Close();
  EXPECT_EQ(Flags().InterruptRequest, Interrupt::Close);
  EXPECT_FALSE(form_->Closed());
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(InputRoutingTest, ClicksGoToTheScreenThatOwnsInput) {
  Start("*sleep 10\n");
  IdleUntilWaiting();
  Flags().SleepCounter = 0;
  const struct {
    EngineScreen state;
    bool backlog;
    MouseButton button;
    EngineScreen after;  // the shop's right press leaves it, any press closes the item screen
  } cases[] = {
      // With the log open the viewer never sees the click.
      {EngineScreen::Viewer, true, MouseButton::Left, EngineScreen::Viewer},
      {EngineScreen::Shop, true, MouseButton::Right, EngineScreen::Shop},
      {EngineScreen::Shop, false, MouseButton::Right, EngineScreen::Story},
      {EngineScreen::ItemScreen, false, MouseButton::Left, EngineScreen::Story},
      // The others take the press: their own tests show what each click does.
      {EngineScreen::Viewer, false, MouseButton::Middle, EngineScreen::Viewer},
      {EngineScreen::Recollection, false, MouseButton::Left, EngineScreen::Recollection},
  };
  for (const auto& c : cases) {
    Flags().EngineState = c.state;
    Flags().BacklogOpen = c.backlog;
    form_->PBMouseDown(c.button, 50, 50);
    EXPECT_EQ(Reached(), "") << "every screen is built";
    EXPECT_EQ(Flags().EngineState, c.after)
        << static_cast<int>(c.state) << (c.backlog ? " backlog" : "");
  }
}

TEST_F(InputRoutingTest, PointerMovesGoToTheScreenThatOwnsInput) {
  Start("*sleep 10\n");
  IdleUntilWaiting();
  const struct {
    EngineScreen state;
    bool backlog;
    int prompt;
    ChoiceKind choice;
    const char* reached;
  } cases[] = {
      // A prompt or the log takes the move before the screen under it.
      {EngineScreen::Shop, false, 3, ChoiceKind::None, ""},
      {EngineScreen::Shop, true, 0, ChoiceKind::None, ""},
      {EngineScreen::Viewer, false, 0, ChoiceKind::None, ""},
      {EngineScreen::Recollection, false, 0, ChoiceKind::None, ""},
      {EngineScreen::Roll, false, 0, ChoiceKind::None, ""},
  };
  for (const auto& c : cases) {
    Flags().EngineState = c.state;
    Flags().BacklogOpen = c.backlog;
    Flags().SystemMenuOpen = c.prompt;
    Flags().ChoiceMode = c.choice;
    Reached();
    form_->PBMouseMove(60, 60);
    EXPECT_EQ(Reached(), c.reached)
        << static_cast<int>(c.state) << " choice " << static_cast<int>(c.choice);
  }
}

// The strip reacts to the pointer wherever it shows: over the window, and in full-screen text,
// which has no window; with the window closed it does not.
TEST_F(InputRoutingTest, TheQuickButtonsLightUpUnderThePointerInBothTextModes) {
  const struct {
    const char* script;
    int autoButton;  // S061 with the pointer over the auto button
  } cases[] = {
      {"!S000=0\ntext\n\\\n", kButtonUnderPointer},
      {"!S000=0\n*mode 1\ntext\n\\\n", kButtonUnderPointer},
      {"!S000=0\n*sleep -1\n", kButtonNormal},
  };
  for (const auto& c : cases) {
    Start(c.script);
    IdleUntilWaiting();
    form_->PBMouseMove(770, 510);
    EXPECT_EQ(S(sv::kAutoButton), c.autoButton) << c.script;
    form_->PBMouseMove(400, 300);
    EXPECT_EQ(S(sv::kAutoButton), kButtonNormal) << c.script;
  }
}

TEST_F(InputRoutingTest, TheWheelOpensTheLogDuringAPageWaitOnly) {
  Start("text\n\\\n");
  IdleUntilWaiting();
  const struct {
    int delta;
    bool effect;
    EngineScreen state;
    bool pageWait;
    bool opens;
  } cases[] = {
      {120, false, EngineScreen::Story, true, true},
      {-120, false, EngineScreen::Story, true, false},
      {120, true, EngineScreen::Story, true, false},
      {120, false, EngineScreen::Viewer, true, false},
      {120, false, EngineScreen::Story, false, false},
  };
  for (const auto& c : cases) {
    Flags().EffectRunning = c.effect;
    Flags().EngineState = c.state;
    Flags().PageWait = c.pageWait ? PageWaitKind::PageEnd : PageWaitKind::None;
    form_->FormMouseWheel(c.delta);
    EXPECT_EQ(Flags().BacklogOpen, c.opens) << c.delta << " state " << static_cast<int>(c.state);
    EXPECT_EQ(S(sv::kLogButton), 0) << "the log button is only pressed while the log opens";
    // Inside the log the wheel scrolls it and never closes it; the right button does.
    form_->FormMouseWheel(-120);
    EXPECT_EQ(Flags().BacklogOpen, c.opens);
    Flags().EffectRunning = false;
    form_->PBMouseDown(MouseButton::Right, 50, 50);
    EXPECT_FALSE(Flags().BacklogOpen);
  }
}

// The log, the look-back and the picture view, each opened as the player opens it.
TEST_F(InputRoutingTest, TheLookBackScreensTakeTheirClicks) {
  Start("one\n\\\ntwo\n\\\nthree\n\\\n");
  for (int page = 0; page < 3; ++page) {
    IdleUntilWaiting();
    if (page < 2) form_->PBMouseDown(MouseButton::Left, 50, 50);
  }
  const Backlog& backlog = form_->BacklogScreens();
  ASSERT_EQ(backlog.HistoryCount(), 3);
  form_->FormKeyDown(kKeyBackspace);
  form_->FormKeyPress('\b');
  ASSERT_TRUE(Flags().BacklogOpen);
  form_->PBMouseDown(MouseButton::Left, 50, 50);
  EXPECT_TRUE(Flags().BacklogOpen) << "a left click stays in the log";
  form_->PBMouseDown(MouseButton::Right, 50, 50);
  EXPECT_FALSE(Flags().BacklogOpen);

  form_->PBMouseDown(MouseButton::Right, 50, 50);
  EXPECT_EQ(Flags().EngineState, EngineScreen::WindowHidden) << "a right click hides the window";
  form_->PBMouseDown(MouseButton::Left, 50, 50);
  EXPECT_EQ(Flags().EngineState, EngineScreen::Story);

  form_->FormKeyDown(kKeyLeft);
  ASSERT_EQ(Flags().EngineState, EngineScreen::PageLookBack);
  EXPECT_EQ(backlog.HistoryPosition(), 2);
  form_->FormKeyDown(kKeyLeft);
  EXPECT_EQ(backlog.HistoryPosition(), 3);
  form_->PBMouseDown(MouseButton::Left, 50, 50);
  EXPECT_EQ(backlog.HistoryPosition(), 2) << "a left click goes to the newer page";
  form_->PBMouseDown(MouseButton::Left, 50, 50);
  EXPECT_EQ(Flags().EngineState, EngineScreen::Story) << "and from the newest it leaves";
  form_->FormKeyDown(kKeyLeft);
  form_->PBMouseDown(MouseButton::Right, 50, 50);
  EXPECT_EQ(Flags().EngineState, EngineScreen::Story) << "a right click leaves at once";
  EXPECT_EQ(Flags().PageWait, PageWaitKind::PageEnd) << "the page waits on";
}

TEST_F(InputRoutingTest, ReturningToTheTitleAsksOnTheStageAndLoadsMain2) {
  testing::WriteFileBytes(
      dir_ / "game" / "qe_data.tvk",
      tools::BuildArchive(ArchiveLayout::A, {{"main", ScriptBytes("text\n\\\n")},
                                             {"main2", ScriptBytes("!V005=5\n*sleep 10\n")}}));
  testing::WriteFileText(dir_ / "config" / "peluna2.ini", "[PELUNA2]\n");
  StartIn(dir_ / "game");
  IdleUntilWaiting();
  for (MouseButton button : {MouseButton::Right, MouseButton::Left}) {
    form_->N6Click();
    ASSERT_EQ(Flags().SystemMenuOpen, 3);
    EXPECT_TRUE(Flags().MenuLocked);
    form_->PBMouseMove(310, 200);  // on "はい"
    form_->PBMouseDown(button, 310, 200);
    EXPECT_EQ(Flags().SystemMenuOpen, 0);
    EXPECT_FALSE(Flags().MenuLocked);
  }
  EXPECT_EQ(form_->Script().State().CurrentScript, "main2") << "only the left click says yes";
  EXPECT_FALSE(Flags().WindowShown);
  IdleUntilWaiting();
  EXPECT_EQ(form_->State().V(5), 5);
}

TEST_F(InputRoutingTest, AMovieHoldsTheScriptUntilItEndsOrIsClicked) {
  testing::WriteFileText(dir_ / "game" / "movies" / "m.webm", "not looked at by the engine");
  Start(
      "*movie movies/nothing.webm\n!V001=1\n*movie movies/m.webm\n!V002=1\n"
      "*movie movies/m.webm\n!V003=1\n*sleep 10\n");
  for (int i = 0; i < 10 && !Flags().Busy; ++i) Idle(1);
  EXPECT_EQ(form_->State().V(1), 1) << "a missing file does nothing";
  ASSERT_TRUE(Flags().Busy);
  EXPECT_TRUE(Flags().MenuLocked);
  EXPECT_FALSE(form_->Menu().SpeedButton1.enabled);
  ASSERT_EQ(host_.movie.opened.size(), 1u);
  EXPECT_EQ(host_.movie.opened[0], (dir_ / "game" / "movies" / "m.webm").string());
  Idle(5);
  EXPECT_EQ(form_->State().V(2), 0) << "the script waits for the movie";
  host_.movie.playing = false;  // it came to its end
  for (int tick = 0; tick < 11; ++tick) form_->Timer1Timer();
  EXPECT_FALSE(Flags().Busy) << "the end is seen within eleven ticks";
  EXPECT_FALSE(Flags().MenuLocked);
  for (int i = 0; i < 10 && !Flags().Busy; ++i) Idle(1);
  EXPECT_EQ(form_->State().V(2), 1);
  ASSERT_TRUE(form_->MovieShowing());
  form_->PBMouseDown(MouseButton::Left, 400, 300);
  EXPECT_FALSE(form_->MovieShowing()) << "a click ends it";
  EXPECT_EQ(host_.movie.closes, 2);
  IdleUntilWaiting();
  EXPECT_EQ(form_->State().V(3), 1);

  host_.movie.playable = false;
  Start("*movie movies/m.webm\n!V004=1\n*sleep 10\n");
  IdleUntilWaiting();
  EXPECT_EQ(form_->State().V(4), 1) << "a file the player cannot open does nothing";
  EXPECT_FALSE(Flags().Busy);
}

TEST_F(InputRoutingTest, ReleasingTheButtonLiftsPressedQuickButtons) {
  Start("*sleep 10\n");
  IdleUntilWaiting();
  const struct {
    EngineScreen state;
    int pressed;  // 0 none, else the S value held down
    bool cleared;
  } cases[] = {
      {EngineScreen::Story, sv::kPressedQuickButtons[0], true},
      {EngineScreen::Story, sv::kPressedQuickButtons[1], true},
      {EngineScreen::Story, sv::kPressedQuickButtons[2], true},
      {EngineScreen::Story, 0, true},
      {EngineScreen::Viewer, sv::kPressedQuickButtons[1], false},
  };
  for (const auto& c : cases) {
    Flags().EngineState = c.state;
    if (c.pressed != 0) form_->State().S(c.pressed) = 1;
    form_->PBMouseUp(MouseButton::Left, 10, 10);
    if (c.pressed != 0) {
      EXPECT_EQ(S(c.pressed), c.cleared ? 0 : 1) << c.pressed;
    }
    form_->State().S(c.pressed) = 0;
  }
}

TEST_F(InputRoutingTest, TheTimerCountsWaitsDownOnlyWhenTheStoryOwnsIt) {
  Start("*sleep 10\n");
  IdleUntilWaiting();
  const struct {
    const char* name;
    void (*set)(EngineFlags&);
    bool countsDown;
  } cases[] = {
      {"story", [](EngineFlags&) {}, true},
      {"backlog", [](EngineFlags& f) { f.BacklogOpen = true; }, false},
      {"busy", [](EngineFlags& f) { f.Busy = true; }, false},
      {"viewer", [](EngineFlags& f) { f.EngineState = EngineScreen::Viewer; }, false},
      {"choice", [](EngineFlags& f) { f.ChoiceMode = ChoiceKind::Select; }, false},
      {"choice under a prompt",
       [](EngineFlags& f) {
         f.ChoiceMode = ChoiceKind::Select;
         f.SystemMenuOpen = 3;
       },
       true},
  };
  for (const auto& c : cases) {
    Flags() = EngineFlags{};
    Flags().WaitTicks = 2;
    Flags().VoiceWait = true;
    c.set(Flags());
    form_->Timer1Timer();
    EXPECT_EQ(Flags().TimerTicks, 1u) << c.name << ": every tick counts";
    EXPECT_EQ(Flags().WaitTicks, c.countsDown ? 1 : 2) << c.name;
    EXPECT_EQ(Flags().VoiceWait, !c.countsDown) << c.name << ": no voice plays without sound";
  }
}

TEST_F(InputRoutingTest, TheTrackBarSetsTheSpeedFromTheFastestEnd) {
  Start("*sleep 10\n");
  const struct { int position, speed; } cases[] = {{1, 10}, {3, 8}, {10, 1}};
  for (const auto& c : cases) {
    form_->TrackBar1Change(c.position);
    EXPECT_EQ(S(sv::kAutoSpeed), c.speed) << c.position;
    EXPECT_EQ(S(sv::kLastAutoSpeed), c.speed) << c.position;
    EXPECT_EQ(form_->Menu().TrackBar1Position, c.position);
  }
}

TEST_F(InputRoutingTest, TimerTicksFollowTheSharedScheduleOnTheHostClock) {
  Start("*sleep 10\n");
  const uint32_t start = Flags().TimerTicks;
  const struct {
    uint32_t advance;
    uint32_t ticks;  // since the start
    const char* why;
  } steps[] = {
      {54, 0, "the first tick falls due 55 ms after the start"},
      {1, 1, ""},
      {550, 5, "a stall of ten intervals makes up four ticks"},
      {54, 5, "then the schedule starts again from now"},
      {1, 6, ""},
  };
  for (const auto& step : steps) {
    host_.now += step.advance;
    form_->RunDueTimerTicks();
    EXPECT_EQ(Flags().TimerTicks - start, step.ticks) << step.why;
  }
}

TEST_F(InputRoutingTest, TheGeneratorIsSeededByTheHostWhenNoSeedIsGiven) {
  Start("*sleep 10\n", "", 3);
  EXPECT_EQ(host_.seedRequests, 0) << "a given seed is used as it is";
  Start("*sleep 10\n", "", std::nullopt);
  EXPECT_EQ(host_.seedRequests, 1);
}

TEST_F(InputRoutingTest, TheTitleStartDrawsTheScreenBlackAndCountsTheChange) {
  Start("*sleep 10\n");
  const uint64_t before = form_->Screen().Changes();
  Idle(1);
  EXPECT_GT(form_->Screen().Changes(), before);
  const Bitmap24& pb = form_->PB();
  EXPECT_EQ(pb.Width(), kScreenWidth);
  EXPECT_EQ(std::count(pb.Data(), pb.Data() + pb.SizeBytes(), 0),
            static_cast<long>(pb.SizeBytes()));
}

TEST_F(InputRoutingTest, GameClearCountStopsAtTheLargestNumber) {
  Start("*gameclr\n*sleep 10\n", "Clear=2147483647\n");
  IdleUntilWaiting();
  EXPECT_EQ(S(sv::kClearCount), INT_MAX);
  std::ifstream file(dir_ / "config" / "peluna2.ini");
  std::stringstream text;
  text << file.rdbuf();
  EXPECT_NE(text.str().find("Clear=2147483647"), std::string::npos) << text.str();
}

// A game folder that cannot be looked into is a folder without game data, not a crash.
TEST_F(InputRoutingTest, AGameFolderThatCannotBeExaminedHasNoGameData) {
  std::filesystem::create_directories(dir_ / "config");
  std::filesystem::create_symlink("loop", dir_ / "loop");
  // A folder named like the script archive is no archive either.
  std::filesystem::create_directories(dir_ / "folder" / "qe_data.tvk");
  const std::filesystem::path folders[] = {dir_ / "loop", dir_ / std::string(5000, 'x'),
                                           dir_ / "folder"};
  for (const auto& folder : folders) {
    host_.messages.clear();
    ASSERT_NO_THROW(StartIn(folder));
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0], "ゲームデータを読み込めません。");
    Idle(1);
    EXPECT_TRUE(form_->Closed());
  }
}

}  // namespace
}  // namespace tolven
