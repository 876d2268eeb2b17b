// The engine assembled whole: every subsystem's calls into the engine around it are connected,
// and what crosses between them through those calls reaches the other side.
#include <gtest/gtest.h>

#include <string>

#include "engine/engine_rig.h"

namespace tolven {
namespace {

using HubWiringTest = testing::EngineTest;

TEST_F(HubWiringTest, EveryHookOfEverySubsystemIsConnected) {
  Start("text\n\\\n");
  EXPECT_EQ(form_->UnsetHooks(), std::vector<std::string>{});
}

// A closed window's page starts over: the next line prints at the start of the page in the
// normal colour, and nothing of the old line is left to come back with a redraw.
TEST_F(HubWiringTest, WinCloseStartsThePageOverForTheNextLine) {
  Start("[col 3]abcdefgh\n*win_close\n*win_open\nxy\n\\\n", "Delay=1\n");
  IdleUntilWaiting();
  const MessageOutput& output = form_->Output();
  EXPECT_EQ(output.TextColour(), 0);
  const auto row = output.PageBytes().begin() + kPageBufferColumns;
  EXPECT_EQ(std::string(row, row + 6), std::string("\0\0xy\0\0", 6));
  EXPECT_EQ(output.PageColours()[kPageBufferColumns + 2], 0);
}

// `until input` and the dump ask the screen of the engine state, not the story's waits under it.
TEST_F(HubWiringTest, TheScreenOfTheStateSaysWhetherTheEngineWaitsForThePlayer) {
  Start("text\n\\\n");
  IdleUntilWaiting();
  ASSERT_EQ(Flags().PageWait, PageWaitKind::PageEnd);
  const struct {
    EngineScreen state;
    bool waits;
  } cases[] = {
      {EngineScreen::Story, true},          {EngineScreen::WindowHidden, true},
      {EngineScreen::Roll, false},          {EngineScreen::Shop, true},
      {EngineScreen::ScrollingText, false}, {EngineScreen::Viewer, true},
      {EngineScreen::Scroll, false},        {EngineScreen::Recollection, true},
      {EngineScreen::PageLookBack, true},   {EngineScreen::ItemScreen, true},
  };
  for (const auto& c : cases) {
    Flags().EngineState = c.state;
    EXPECT_EQ(form_->WaitingForInput(), c.waits) << static_cast<int>(c.state);
    const bool story = c.state == EngineScreen::Story;
    EXPECT_EQ(form_->CurrentScreen() == nullptr, story) << static_cast<int>(c.state);
  }
}

}  // namespace
}  // namespace tolven
