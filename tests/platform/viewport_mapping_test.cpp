// Where the picture lands in windows of every shape, and how window pixels map back to PB.
#include "platform/viewport_mapping.h"

#include <gtest/gtest.h>

namespace tolven {
namespace {

struct WindowCase {
  const char* name;
  int width;
  int height;
  bool menuStrip;
  Rect destination;
  bool integerScale;
};

const WindowCase kWindows[] = {
    {"designed size", 800, 624, true, {0, 0, 800, 624}, true},
    {"doubled", 1600, 1248, true, {0, 0, 1600, 1248}, true},
    {"wider: bars left and right", 1000, 624, true, {100, 0, 800, 624}, true},
    {"taller: bars top and bottom", 800, 900, true, {0, 138, 800, 624}, true},
    {"near a whole multiple snaps to it", 2000, 1300, true, {200, 26, 1600, 1248}, true},
    {"full screen fills the height", 1920, 1080, false, {240, 0, 1440, 1080}, false},
    {"smaller than the picture", 400, 312, true, {0, 0, 400, 312}, false},
    {"minimised", 0, 0, true, {0, 0, 0, 0}, false},
};

TEST(ViewportMappingTest, PlacesThePictureByTheScalingRule) {
  for (const WindowCase& c : kWindows) {
    const ViewportMapping mapping(c.width, c.height, c.menuStrip);
    EXPECT_EQ(mapping.Destination(), c.destination) << c.name;
    EXPECT_EQ(mapping.IntegerScale(), c.integerScale) << c.name;
    EXPECT_EQ(mapping.PictureHeight(), c.menuStrip ? 624 : 600) << c.name;
  }
}

struct PointCase {
  int windowWidth;
  int windowHeight;
  bool menuStrip;
  Point window;
  std::optional<Point> pb;  // nothing: on a bar or the menu strip
};

const PointCase kPoints[] = {
    // 1:1: PB starts under the 24-pixel strip.
    {800, 624, true, {0, 24}, Point{0, 0}},
    {800, 624, true, {799, 623}, Point{799, 599}},
    {800, 624, true, {400, 324}, Point{400, 300}},
    {800, 624, true, {0, 23}, std::nullopt},
    {800, 624, true, {800, 300}, std::nullopt},
    // 2:1: each PB pixel is a 2x2 block.
    {1600, 1248, true, {0, 48}, Point{0, 0}},
    {1600, 1248, true, {1, 49}, Point{0, 0}},
    {1600, 1248, true, {2, 50}, Point{1, 1}},
    {1600, 1248, true, {1599, 1247}, Point{799, 599}},
    {1600, 1248, true, {800, 648}, Point{400, 300}},
    {1600, 1248, true, {799, 47}, std::nullopt},
    // Bars left and right.
    {1000, 624, true, {100, 24}, Point{0, 0}},
    {1000, 624, true, {899, 623}, Point{799, 599}},
    {1000, 624, true, {500, 324}, Point{400, 300}},
    {1000, 624, true, {99, 300}, std::nullopt},
    {1000, 624, true, {900, 300}, std::nullopt},
    // Bars top and bottom; the strip sits on the top bar.
    {800, 900, true, {0, 162}, Point{0, 0}},
    {800, 900, true, {799, 761}, Point{799, 599}},
    {800, 900, true, {400, 462}, Point{400, 300}},
    {800, 900, true, {400, 137}, std::nullopt},
    {800, 900, true, {400, 150}, std::nullopt},
    {800, 900, true, {400, 762}, std::nullopt},
    // Full screen, PB alone at 1.8:1.
    {1920, 1080, false, {240, 0}, Point{0, 0}},
    {1920, 1080, false, {1679, 1079}, Point{799, 599}},
    {1920, 1080, false, {960, 540}, Point{400, 300}},
    {1920, 1080, false, {239, 540}, std::nullopt},
    {1920, 1080, false, {1680, 540}, std::nullopt},
};

TEST(ViewportMappingTest, MapsCornersAndCentreBackToPb) {
  for (const PointCase& c : kPoints) {
    const ViewportMapping mapping(c.windowWidth, c.windowHeight, c.menuStrip);
    const std::optional<Point> pb = mapping.ToPb(c.window.x, c.window.y);
    EXPECT_EQ(pb, c.pb) << c.windowWidth << "x" << c.windowHeight << " at " << c.window.x << ","
                        << c.window.y;
  }
}

TEST(ViewportMappingTest, EveryPbPixelIsReachedWhereItIsDrawn) {
  for (const WindowCase& c : kWindows) {
    const ViewportMapping mapping(c.width, c.height, c.menuStrip);
    if (mapping.Destination().width < mapping.PictureWidth()) continue;  // pixels merge there
    int misses = 0;
    for (int y = 0; y < 600; ++y) {
      for (int x = 0; x < 800; ++x) {
        const Point window = mapping.PbToWindow(x, y);
        if (mapping.ToPb(window.x, window.y) != Point{x, y}) ++misses;
      }
    }
    EXPECT_EQ(misses, 0) << c.name;
  }
}

TEST(ViewportMappingTest, DragsOutsidePbAreHeldAtItsEdges) {
  const ViewportMapping mapping(1000, 624, true);
  EXPECT_EQ(mapping.ToPbClamped(-50, -50), (Point{0, 0}));
  EXPECT_EQ(mapping.ToPbClamped(5000, 5000), (Point{799, 599}));
  EXPECT_EQ(mapping.ToPbClamped(500, 10), (Point{400, 0}));
}

}  // namespace
}  // namespace tolven
