// Noticing changes of the game screen between presents, cheaply while it is still.
#include "platform/picture_watch.h"

#include <gtest/gtest.h>

namespace tolven {
namespace {

class PictureWatchTest : public ::testing::Test {
 protected:
  PictureWatchTest() : picture_(800, 600) { watch_.Shown(picture_); }

  // Looks until the screen has been still long enough for glances.
  void SettleDown() {
    for (int i = 0; i < PictureWatch::kBusyLooks; ++i) ASSERT_FALSE(watch_.Changed(picture_));
  }

  void Paint(int top, int rows) {
    for (int y = top; y < top + rows; ++y) picture_.Row(y)[100] ^= 0xFF;
  }

  // How many looks it takes to notice; 0 when it never does within the limit.
  int LooksToNotice(int limit) {
    for (int look = 1; look <= limit; ++look) {
      if (watch_.Changed(picture_)) return look;
    }
    return 0;
  }

  Bitmap24 picture_;
  PictureWatch watch_;
};

TEST_F(PictureWatchTest, AStillScreenNeverCountsAsChanged) {
  EXPECT_EQ(LooksToNotice(3 * PictureWatch::kStride + PictureWatch::kBusyLooks), 0);
}

TEST_F(PictureWatchTest, NoticesAOneRowChangeAtOnceWhileBusy) {
  Paint(301, 1);
  EXPECT_EQ(LooksToNotice(1), 1);
}

TEST_F(PictureWatchTest, AfterAStillWhileNoticesEveryRowWithinOneRound) {
  SettleDown();
  for (int row = 590; row < 600; ++row) {
    Paint(row, 1);
    EXPECT_NE(LooksToNotice(PictureWatch::kStride), 0) << "row " << row;
    watch_.Shown(picture_);
    SettleDown();
  }
}

TEST_F(PictureWatchTest, AfterAStillWhileNoticesAStrideTallChangeAtOnce) {
  SettleDown();
  Paint(77, PictureWatch::kStride);
  EXPECT_EQ(LooksToNotice(1), 1);
}

TEST_F(PictureWatchTest, InputMakesEveryLookThoroughAgain) {
  SettleDown();
  watch_.Stir();
  Paint(598, 1);
  EXPECT_EQ(LooksToNotice(1), 1);
}

TEST_F(PictureWatchTest, ComparesExactlyForScreenshots) {
  SettleDown();
  EXPECT_FALSE(watch_.Differs(picture_));
  Paint(3, 1);
  EXPECT_TRUE(watch_.Differs(picture_));
}

}  // namespace
}  // namespace tolven
