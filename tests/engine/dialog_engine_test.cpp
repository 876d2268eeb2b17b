// The engine around its dialogs, in-process: what it applies when the configuration dialog
// closes, and that a dialog is never opened over another.
#include <gtest/gtest.h>

#include "engine/engine_rig.h"

namespace tolven {
namespace {

using DialogEngineTest = testing::EngineTest;

// The screen mode is only written while the dialog is open; the switch comes when it closes.
TEST_F(DialogEngineTest, TheScreenModeChangesWhenTheDialogCloses) {
  Start("!S000=0\ntext\n\\\n", "SMode=0\n");
  IdleUntilWaiting();
  host_.grantFullScreen = true;
  bool fullScreenWhileOpen = true;
  host_.modal = [&](DialogModel& dialog) {
    EXPECT_EQ(dialog.Set("RadioGroup6", "1"), ControlAction::Done);
    fullScreenWhileOpen = form_->FullScreenActive();
    dialog.Press("Button2");
  };
  form_->SpeedButton2Click();
  EXPECT_FALSE(fullScreenWhileOpen);
  EXPECT_TRUE(form_->FullScreenActive());
  EXPECT_EQ(form_->CurrentSettings().SMode, 1);
  EXPECT_FALSE(Flags().Busy);
}

// "Default" and OK: the window is built again in red 66, green 62, blue 249 at strength 170.
TEST_F(DialogEngineTest, DefaultAndClosingRebuildsTheWindowInTheDefaultColours) {
  Start("!S000=0\ntext\n\\\n", "TXBG_R=0\nTXBG_G=0\nTXBG_B=0\nTXBG_A=20\n");
  IdleUntilWaiting();
  host_.modal = [](DialogModel& dialog) {
    dialog.Press("Button3");
    dialog.Press("Button2");
  };
  form_->SpeedButton2Click();
  const Bitmap24& tint = form_->Window().TintBuffer();
  const uint8_t* colour = tint.Row(0);
  EXPECT_EQ(colour[0], 249);
  EXPECT_EQ(colour[1], 62);
  EXPECT_EQ(colour[2], 66);
  EXPECT_EQ(tint.Row(tint.Height() - 1)[0], 170);
}

// The click-wait icon is blended over the stage under it: after the window took a new colour,
// its frames hold the new window, not the old one. A game without the icon picture blends
// nothing in, so each frame is the stage itself.
TEST_F(DialogEngineTest, TheClickWaitIconTakesTheWindowsNewColour) {
  Start("!S000=0\n*gra S48c,0\ntext\n\\\n");
  IdleUntilWaiting();
  host_.modal = [](DialogModel& dialog) {
    dialog.Set("TrackBar5", "-200");
    dialog.Set("TrackBar8", "-200");
    dialog.Press("Button2");
  };
  form_->SpeedButton2Click();
  const Bitmap24& stage = form_->GameStage().Buffers().StageBuffer;
  const Bitmap24& frames = form_->Window().IconFrames();
  ASSERT_EQ(stage.Row(kWindowIconPosition.y)[3 * kWindowIconPosition.x + 2],
            (192 * 55 >> 8) + (200 * 200 >> 8))
      << "the stage has the new red window";
  for (int frame = 0; frame < kClickWaitFrames; ++frame) {
    for (int r = 0; r < kClickWaitIconHeight; ++r) {
      const uint8_t* under = stage.Row(kWindowIconPosition.y + r) + 3 * kWindowIconPosition.x;
      ASSERT_TRUE(std::equal(under, under + 3 * kClickWaitIconWidth,
                             frames.Row(r) + 3 * kClickWaitIconWidth * frame))
          << "frame " << frame << " row " << r;
    }
  }
}

// While one dialog is open, the menu bar and the commands cannot open another.
TEST_F(DialogEngineTest, NoDialogOpensOverAnother) {
  Start("!S000=0\ntext\n\\\n");
  IdleUntilWaiting();
  std::vector<std::string> shown;
  host_.modal = [&](DialogModel& dialog) {
    shown.emplace_back(dialog.Name());
    form_->SpeedButton2Click();
    form_->SpeedButton4Click();
    form_->SetName();
    dialog.Press("Button4");
  };
  form_->SpeedButton3Click();
  EXPECT_EQ(shown, (std::vector<std::string>{"TForm9"}));
  EXPECT_EQ(form_->OpenDialog(), nullptr);
  EXPECT_FALSE(Flags().Busy);
}

}  // namespace
}  // namespace tolven
