// Runs of the real tolven in a window 2.5 times the picture's size on an X server of the test's
// own, one for each way of choosing the filter, shot with shot-window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/scoped_environment.h"
#include "platform/stripe_columns.h"
#include "platform/xvfb_display.h"
#include "resources/png_io.h"
#include "test_support.h"

namespace tolven {
namespace {

using testing::ScopedEnvironment;

class FilterRunTest : public ::testing::Test {
 protected:
  FilterRunTest()
      : display_(2400, 1800),
        video_("SDL_VIDEODRIVER", "x11"),
        x_("DISPLAY", display_.Name()),
        audio_("SDL_AUDIODRIVER", "dummy"),
        runtime_("XDG_RUNTIME_DIR", dir_.Path().string()) {}

  void SetUp() override {
    ASSERT_NE(display_.Name(), "") << "Xvfb could not be started";
    Bitmap24 stripes(800, 600);
    testing::DrawStripes(stripes);
    testing::WriteFileBytes(dir_ / "src" / "pictures" / "A_STRIPE.png", EncodePng(stripes));
    testing::WriteFileText(dir_ / "src" / "scripts" / "main.txt", "*gra A_STRIPE,0\n*sleep 10\n");
    auto built =
        testing::RunTool({"build-game", (dir_ / "src").string(), (dir_ / "game").string()});
    ASSERT_EQ(built.exitStatus, 0) << built.output;
  }

  // The window as shot once the stripes are up, with these settings of our own and options.
  Bitmap24 Shot(const std::string& name, const std::string& own,
                const std::vector<std::string>& options) {
    const std::string config = (dir_ / name).string();
    testing::WriteFileText(dir_ / name / "peluna2.ini", "[Tolven]\n" + own);
    const std::string shot = (dir_ / (name + ".png")).string();
    testing::WriteFileText(dir_ / "events.txt",
                           "until input\nshot-window " + shot + "\nanswer ok\nquit\n");
    std::vector<std::string> arguments{"--events",      (dir_ / "events.txt").string(),
                                       "--config-dir",  config,
                                       "--window-size", "2000x1560"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back((dir_ / "game").string());
    const testing::CommandResult run = testing::RunTolven(arguments);
    output_ = run.output;
    EXPECT_EQ(run.exitStatus, 0) << name << ": " << run.output;
    Bitmap24 picture;
    std::string why;
    EXPECT_TRUE(DecodePng(testing::ReadFileBytes(shot), picture, why)) << name << ": " << why;
    EXPECT_EQ(picture.Width(), 2000) << name;
    EXPECT_EQ(picture.Height(), 1560) << name;
    return picture;
  }

  testing::TempDir dir_;
  testing::XvfbDisplay display_;
  ScopedEnvironment video_;
  ScopedEnvironment x_;
  ScopedEnvironment audio_;
  ScopedEnvironment runtime_;
  std::string output_;
};

// Window row 1000 shows PB row 376 at 2.5x.
constexpr int kRow = 1000;

TEST_F(FilterRunTest, TheOptionOrTheSettingChoosesTheFilter) {
  const testing::StripeColumns nearest =
      testing::ReadStripes(Shot("nearest", "", {"--filter", "nearest"}), kRow, 0, 2000, 2.5);
  EXPECT_EQ(nearest.blended, 0);
  EXPECT_EQ(nearest.exactWidths, (std::set<int>{2, 3}));

  const testing::StripeColumns sharp =
      testing::ReadStripes(Shot("sharp", "Filter=sharp-bilinear\n", {}), kRow, 0, 2000, 2.5);
  EXPECT_EQ(sharp.farBlended, 0);
  ASSERT_GT(sharp.coverage.size(), 700u);
  int uneven = 0;
  for (double covered : sharp.coverage) uneven += covered < 2.4 || covered > 2.6;
  EXPECT_EQ(uneven, 0);

  const Bitmap24 linearShot = Shot("linear", "Filter=nearest\n", {"--filter", "linear"});
  const testing::StripeColumns linear = testing::ReadStripes(linearShot, kRow, 0, 2000, 2.5);
  EXPECT_GT(linear.blended, linear.columns * 4 / 5) << "the option goes before the setting";

  // A setting that names no filter is reported and the window scales as it always did:
  // smoothing at a scale between whole numbers.
  const Bitmap24 automatic = Shot("automatic", "Filter=smooth\n", {});
  EXPECT_NE(output_.find("Filter=smooth"), std::string::npos) << output_;
  EXPECT_TRUE(automatic == linearShot);

  const Bitmap24 whole = Shot("whole", "IntegerScale=1\n", {"--filter", "sharp-bilinear"});
  const testing::StripeColumns doubled = testing::ReadStripes(whole, kRow, 200, 1800, 2.0);
  EXPECT_EQ(doubled.blended, 0);
  EXPECT_EQ(doubled.exactWidths, (std::set<int>{2}));
  EXPECT_EQ(whole.Row(kRow)[3 * 199 + 1], 0) << "the bar left of the picture";
  EXPECT_EQ(whole.Row(155)[3 * 1000 + 1], 0) << "the bar above the menu strip";
}

}  // namespace
}  // namespace tolven
