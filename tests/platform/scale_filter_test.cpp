// How the picture is placed and stretched for each filter and fit, down to the window's pixels.
#include "platform/scale_filter.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <string>

#include "platform/frame_renderer.h"
#include "platform/game_window.h"
#include "platform/probe_engine.h"
#include "platform/rect_printing.h"
#include "platform/scoped_environment.h"
#include "platform/sdl_library.h"
#include "platform/stripe_columns.h"
#include "test_support.h"

namespace tolven {
namespace {

using Fit = ViewportMapping::Fit;
using testing::ScopedEnvironment;

TEST(ScaleFilterTest, PlacesThePictureByFit) {
  struct Case {
    const char* what;
    int width, height;
    bool menuStrip;
    Fit fit;
    Rect expected;
    bool integer;
  };
  const Case cases[] = {
      {"1x, every fit the same", 800, 624, true, Fit::Filled, {0, 0, 800, 624}, true},
      {"1x whole", 800, 624, true, Fit::Whole, {0, 0, 800, 624}, true},
      {"2x filled", 1600, 1248, true, Fit::Filled, {0, 0, 1600, 1248}, true},
      {"2.5x filled", 2000, 1560, true, Fit::Filled, {0, 0, 2000, 1560}, false},
      {"2.5x snapped stays 2.5x (2x fills less than nine tenths)",
       2000,
       1560,
       true,
       Fit::Snapped,
       {0, 0, 2000, 1560},
       false},
      {"2.5x whole: 2x between bars", 2000, 1560, true, Fit::Whole, {200, 156, 1600, 1248}, true},
      {"near 2x: snapped takes 2x", 1700, 1300, true, Fit::Snapped, {50, 26, 1600, 1248}, true},
      {"near 2x: filled takes it all", 1700, 1300, true, Fit::Filled, {17, 0, 1666, 1300}, false},
      {"odd size whole", 1001, 777, true, Fit::Whole, {100, 76, 800, 624}, true},
      {"odd size filled", 1001, 777, true, Fit::Filled, {2, 0, 996, 777}, false},
      {"full screen whole: 1x with bars",
       1920,
       1080,
       false,
       Fit::Whole,
       {560, 240, 800, 600},
       true},
      {"full screen filled", 1920, 1080, false, Fit::Filled, {240, 0, 1440, 1080}, false},
      {"smaller than 1x: whole fills", 400, 312, true, Fit::Whole, {0, 0, 400, 312}, false},
      {"minimised", 0, 0, true, Fit::Whole, {0, 0, 0, 0}, false},
  };
  for (const Case& c : cases) {
    const ViewportMapping mapping(c.width, c.height, c.menuStrip, c.fit);
    EXPECT_EQ(mapping.Destination(), c.expected) << c.what;
    EXPECT_EQ(mapping.DrawnDestination(), c.expected) << c.what;
    EXPECT_EQ(mapping.IntegerScale(), c.integer) << c.what;
  }
}

TEST(ScaleFilterTest, MapsWindowPointsBackThroughTheBars) {
  struct Case {
    int windowWidth, windowHeight, drawableWidth, drawableHeight;
    Fit fit;
    Point window;
    std::optional<Point> pb;
  };
  const Case cases[] = {
      // 2x between bars at (200, 156); PB under the 48-row strip.
      {2000, 1560, 2000, 1560, Fit::Whole, {200, 204}, Point{0, 0}},
      {2000, 1560, 2000, 1560, Fit::Whole, {1799, 1403}, Point{799, 599}},
      {2000, 1560, 2000, 1560, Fit::Whole, {199, 700}, std::nullopt},
      {2000, 1560, 2000, 1560, Fit::Whole, {1800, 700}, std::nullopt},
      {2000, 1560, 2000, 1560, Fit::Whole, {1000, 155}, std::nullopt},
      // 2.5x filling the window: picture pixel 1 starts at window column 2.5.
      {2000, 1560, 2000, 1560, Fit::Filled, {2, 60}, Point{0, 0}},
      {2000, 1560, 2000, 1560, Fit::Filled, {3, 60}, Point{1, 0}},
      {2000, 1560, 2000, 1560, Fit::Filled, {1999, 1559}, Point{799, 599}},
      // A display with two pixels for each window coordinate: the picture drawn at 2x in
      // pixels, events in coordinates.
      {800, 624, 1600, 1248, Fit::Snapped, {0, 24}, Point{0, 0}},
      {800, 624, 1600, 1248, Fit::Snapped, {799, 623}, Point{799, 599}},
      {800, 624, 1600, 1248, Fit::Snapped, {0, 23}, std::nullopt},
      // The same display, whole scales only, in a window with room for 2x only in pixels.
      {1000, 700, 2000, 1400, Fit::Whole, {100, 62}, Point{0, 0}},
      {1000, 700, 2000, 1400, Fit::Whole, {99, 62}, std::nullopt},
      {1000, 700, 2000, 1400, Fit::Whole, {899, 661}, Point{799, 599}},
  };
  for (const Case& c : cases) {
    const ViewportMapping mapping(c.windowWidth, c.windowHeight, c.drawableWidth, c.drawableHeight,
                                  true, c.fit);
    EXPECT_EQ(mapping.ToPb(c.window.x, c.window.y), c.pb)
        << c.windowWidth << "x" << c.windowHeight << " drawn on " << c.drawableWidth << "x"
        << c.drawableHeight << " at " << c.window.x << "," << c.window.y;
  }
  // Where the picture is at least a coordinate per pixel, every PB pixel is reached where it is
  // drawn, in window coordinates.
  for (const Case& c : {cases[0], cases[5], cases[8], cases[11]}) {
    const ViewportMapping mapping(c.windowWidth, c.windowHeight, c.drawableWidth, c.drawableHeight,
                                  true, c.fit);
    int misses = 0;
    for (int y = 0; y < 600; y += 3) {
      for (int x = 0; x < 800; ++x) {
        const Point window = mapping.PbToWindow(x, y);
        if (mapping.ToPb(window.x, window.y) != Point{x, y}) ++misses;
      }
    }
    EXPECT_EQ(misses, 0) << c.windowWidth << "x" << c.windowHeight << " drawn on "
                         << c.drawableWidth << "x" << c.drawableHeight;
  }
  const ViewportMapping hiDpi(800, 624, 1600, 1248, true, Fit::Snapped);
  EXPECT_EQ(hiDpi.Destination(), (Rect{0, 0, 800, 624}));
  EXPECT_EQ(hiDpi.DrawnDestination(), (Rect{0, 0, 1600, 1248}));
  EXPECT_TRUE(hiDpi.IntegerScale());
}

TEST(ScaleFilterTest, PlansEachFilterAtEachScale) {
  struct Case {
    ScaleFilter filter;
    Rect destination;
    Stretch expected;
  };
  const Rect one{0, 0, 800, 624};
  const Rect two{0, 0, 1600, 1248};
  const Rect twoAndAHalf{0, 0, 2000, 1560};
  const Rect nearlyFour{0, 0, 3100, 2418};
  const Rect half{0, 0, 400, 312};
  const Case cases[] = {
      {ScaleFilter::Automatic, one, {1, false}},
      {ScaleFilter::Automatic, two, {1, false}},
      {ScaleFilter::Automatic, twoAndAHalf, {1, true}},
      {ScaleFilter::Nearest, twoAndAHalf, {1, false}},
      {ScaleFilter::Nearest, half, {1, false}},
      {ScaleFilter::Linear, one, {1, true}},
      {ScaleFilter::Linear, twoAndAHalf, {1, true}},
      {ScaleFilter::SharpBilinear, one, {1, false}},
      {ScaleFilter::SharpBilinear, two, {1, false}},
      {ScaleFilter::SharpBilinear, twoAndAHalf, {2, true}},
      {ScaleFilter::SharpBilinear, nearlyFour, {3, true}},
      {ScaleFilter::SharpBilinear, half, {1, true}},
  };
  for (const Case& c : cases) {
    const Stretch plan = PlanStretch(c.filter, c.destination, 800, 624);
    EXPECT_EQ(plan, c.expected) << ScaleFilterName(c.filter) << " to " << c.destination.width << "x"
                                << c.destination.height << ": " << plan.preScale << ", "
                                << plan.linear;
  }
}

TEST(ScaleFilterTest, ReadsNamesSizesAndSettings) {
  EXPECT_EQ(ParseScaleFilter("sharp-bilinear"), ScaleFilter::SharpBilinear);
  EXPECT_EQ(ParseScaleFilter(" Nearest "), ScaleFilter::Nearest);
  EXPECT_EQ(ParseScaleFilter("bilinear"), std::nullopt);
  for (ScaleFilter filter : {ScaleFilter::Automatic, ScaleFilter::Nearest, ScaleFilter::Linear,
                             ScaleFilter::SharpBilinear}) {
    EXPECT_EQ(ParseScaleFilter(ScaleFilterName(filter)), filter);
  }
  EXPECT_EQ(ParseWindowSize("2000x1560"), (std::pair{2000, 1560}));
  for (const char* bad : {"", "2000", "x1560", "2000x", "0x600", "2000x1560x2", "-5x600",
                          "20000x600", "99999999999x1"}) {
    EXPECT_EQ(ParseWindowSize(bad), std::nullopt) << bad;
  }

  struct Case {
    const char* own;  // the [Tolven] section's lines
    Scaling expected;
    bool complains;
  };
  const Case cases[] = {
      {"", {}, false},
      {"Filter=sharp-bilinear\nIntegerScale=1\n", {ScaleFilter::SharpBilinear, true}, false},
      {"filter=LINEAR\nintegerscale=0\n", {ScaleFilter::Linear, false}, false},
      {"Filter=smooth\n", {}, true},
      {"Filter=nearest\nIntegerScale=yes\n", {ScaleFilter::Nearest, false}, true},
  };
  for (const Case& c : cases) {
    testing::TempDir dir;
    testing::WriteFileText(dir / "peluna2.ini",
                           std::string("[PELUNA2]\nFontName=x\n[Tolven]\n") + c.own);
    std::string complaint;
    const Scaling read = ReadScaling(SettingsStore(dir.Path()).Read(), complaint);
    EXPECT_EQ(read, c.expected) << c.own;
    EXPECT_EQ(!complaint.empty(), c.complains) << c.own << complaint;
  }
}

// The real presents, in both ways a frame reaches the window, of a PB of one-pixel stripes in a
// window 2.5 times the picture's size.
class FilteredPresentTest : public ::testing::Test {
 protected:
  FilteredPresentTest() : video_("SDL_VIDEODRIVER", "dummy") {}

  Bitmap24 Shown(FrameRenderer::Output output, const Scaling& scaling) {
    GameWindow window(1);
    window.SetScaling(scaling);
    FrameRenderer frames(window.Handle(), output);
    EXPECT_EQ(frames.Way(), output);
    frames.SetScaling(scaling);
    testing::DrawStripes(engine_.pb.Draw());
    return frames.CaptureShown(engine_, true);
  }

  ScopedEnvironment video_;
  SdlLibrary sdl_;
  testing::ProbeEngine engine_;
};

TEST_F(FilteredPresentTest, EachFilterShapesThePixelsAsPromised) {
  // Window row 1000 shows PB row 376, clear of the menu strip.
  constexpr int kRow = 1000;
  for (FrameRenderer::Output output :
       {FrameRenderer::Output::WindowSurface, FrameRenderer::Output::Renderer}) {
    const std::string way =
        output == FrameRenderer::Output::Renderer ? "renderer: " : "window surface: ";
    const auto read = [&](ScaleFilter filter) {
      const Bitmap24 shot = Shown(output, {filter, false, 2000, 1560});
      EXPECT_EQ(shot.Width(), 2000) << way << ScaleFilterName(filter);
      EXPECT_EQ(shot.Height(), 1560) << way << ScaleFilterName(filter);
      return testing::ReadStripes(shot, kRow, 0, shot.Width(), 2.5);
    };
    const testing::StripeColumns nearest = read(ScaleFilter::Nearest);
    EXPECT_EQ(nearest.blended, 0) << way;
    EXPECT_EQ(nearest.exactWidths, (std::set<int>{2, 3})) << way << "uneven, as nearest is";

    const testing::StripeColumns sharp = read(ScaleFilter::SharpBilinear);
    EXPECT_EQ(sharp.farBlended, 0) << way << "blur only where stripes meet";
    EXPECT_GE(sharp.columns - sharp.blended, sharp.columns * 2 / 5) << way;
    ASSERT_GT(sharp.coverage.size(), 700u) << way;
    for (size_t i = 0; i < sharp.coverage.size(); ++i) {
      ASSERT_NEAR(sharp.coverage[i], 2.5, 0.1) << way << "stripe " << i + 1 << " is uneven";
    }

    const testing::StripeColumns linear = read(ScaleFilter::Linear);
    EXPECT_GT(linear.blended, linear.columns * 4 / 5) << way << "linear blurs nearly all";

    // Whole scales only: 2x with bars, every stripe two columns of its own.
    const Bitmap24 whole = Shown(output, {ScaleFilter::SharpBilinear, true, 2000, 1560});
    const testing::StripeColumns doubled = testing::ReadStripes(whole, kRow, 200, 1800, 2.0);
    EXPECT_EQ(doubled.blended, 0) << way;
    EXPECT_EQ(doubled.exactWidths, (std::set<int>{2})) << way;
    for (const Point bar : {Point{199, kRow}, Point{1800, kRow}, Point{1000, 155}}) {
      EXPECT_EQ(whole.Row(bar.y)[3 * bar.x + 1], 0) << way << bar.x << "," << bar.y;
    }
    EXPECT_EQ(whole.Row(200)[3 * 200 + 1], 240) << way << "the menu strip starts the picture";
  }
}

}  // namespace
}  // namespace tolven
