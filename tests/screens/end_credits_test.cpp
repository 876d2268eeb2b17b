// The end credits of `special 5` on a virtual clock: how "endroll" is read, good and damaged;
// the frames against the strip worked out by hand; the pictures coming in on the left; the
// length of the run on a fast and on a slow machine; what ends it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "graphics/picture_copy.h"
#include "graphics/transition_rig.h"
#include "screens/end_credits.h"
#include "screens/screen_rig.h"
#include "screens/screen_text.h"
#include "screens/specials.h"
#include "script/standalone_interpreter.h"
#include "test_support.h"
#include "tools/archive_writer.h"
#include "tools/picture_encoder.h"

namespace tolven {
namespace {

using Colour = std::array<uint8_t, 3>;  // blue, green, red
constexpr Colour kGreen = {0, 160, 0};
constexpr Colour kRed = {0, 0, 200};
constexpr Colour kBlue = {200, 0, 0};
constexpr Colour kMarker = {1, 2, 3};

const std::string kBlock = "\x81\xa1";  // ■ in Shift-JIS

Bitmap24 Solid(const Colour& colour, int width = kScreenWidth, int height = kScreenHeight) {
  Bitmap24 picture(width, height);
  FillPicture(picture, colour);
  return picture;
}

// A definition text as the archive holds it: every line ended by a zero byte.
std::vector<uint8_t> DefinitionBytes(const std::string& text) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  for (uint8_t& b : bytes) b = b == '\n' ? 0 : b;
  return bytes;
}

class QuitAsker final : public QuietInterpreterHost {
 public:
  QuitAsker() : QuietInterpreterHost(false, false) {}
  void ConfirmQuitAfterEffect() override { ++questions; }
  int questions = 0;
};

// A game folder holding "endroll" (unless none is given) and two pictures, ACRED1 red and
// ACRED2 blue; the background starts green.
struct CreditsRig : testing::ScreenRig<testing::RecordingHost> {
  explicit CreditsRig(const std::optional<std::string>& endroll) {
    if (endroll) {
      testing::WriteFileBytes(
          dir.Path() / kDataArchive,
          tools::BuildArchive(ArchiveLayout::A, {{"ENDROLL", DefinitionBytes(*endroll)}}));
    }
    testing::WriteFileBytes(
        dir.Path() / "qe_gra.tvk",
        tools::BuildArchive(ArchiveLayout::B,
                            {{"ACRED1", tools::EncodePackedPicture(Solid(kRed))},
                             {"ACRED2", tools::EncodePackedPicture(Solid(kBlue))}}));
    archives.LoadScriptIndexes();
    archives.LoadMediaIndexes();
    stage.Buffers().BackgroundBuffer = Solid(kGreen);
    host.start = host.now;
  }
  void Run() { specials.Special("5"); }

  QuitAsker engine;
  Specials specials{
      {host, clock, pb, stage, archives, definitions, variables, flags, engine, trace}};
};

// The strip as the credits describe it plainly: drawn whole at once, 32 x lines + 600 rows.
Bitmap24 StripByHand(const std::vector<std::string>& lines) {
  ScreenText text("ＭＳ 明朝", 30);
  Bitmap24 strip(320, 32 * static_cast<int>(lines.size()) + 600);
  for (size_t i = 0; i < lines.size(); ++i) {
    text.Draw(lines[i], strip, 0, 600 + 32 * static_cast<int>(i), {255, 255, 255});
  }
  return strip;
}

// Rows y..y+599 of its columns 64-319 (black past its end), then the two fades.
Bitmap24 WindowByHand(const Bitmap24& strip, int y) {
  Bitmap24 window(256, 600);
  CopyRect(strip, 64, y, 256, std::max(0, std::min(600, strip.Height() - y)), window, 0, 0);
  for (int r = 0; r < 600; ++r) {
    const int distance = r < 128 ? r : r >= 472 ? 599 - r : -1;
    if (distance < 0) continue;
    for (int x = 0; x < 256; ++x) {
      uint8_t* p = window.Row(r) + 3 * x;
      if (p[0] || p[1] || p[2]) p[0] = p[1] = p[2] = static_cast<uint8_t>(2 * distance);
    }
  }
  return window;
}

Bitmap24 ShownWindow(const Bitmap24& screen) {
  Bitmap24 window(256, 600);
  CopyRect(screen, 544, 0, 256, 600, window, 0, 0);
  return window;
}

struct ExpectedRun {
  uint32_t period;
  std::vector<CreditsPicture> pictures;
  size_t lines;
};

// Whatever the text holds, the credits read it the same way and run (32 x lines + 600) / 2
// periods, one frame each, on their period.
TEST(EndCreditsTest, EveryTextIsReadAndRunsItsWholeLengthOnItsPeriod) {
  const std::string longLine(3000, 'W');
  struct Case {
    const char* what;
    std::string text;
    ExpectedRun expected;
  };
  const Case cases[] = {
      {"well formed",
       "40\nACRED1,0\nacred2,12\n*\nDirector\n\nMusic\n*\nnot a credit\n",
       {40, {{"ACRED1", 0}, {"acred2", 12}}, 3}},
      {"empty text", "", {30, {}, 0}},
      {"period 0", "0\n*\nA\n", {30, {}, 1}},
      {"period garbage", "soon\n*\nA\n*\n", {30, {}, 1}},
      {"negative period", "-40\n*\nA\n*\n", {30, {}, 1}},
      {"endless period", "99999999999\n*\nA\n*\n", {1000, {}, 1}},
      {"no star: all picture lines",
       "20\nACRED1,1\nACRED2,2\n",
       {20, {{"ACRED1", 1}, {"ACRED2", 2}}, 0}},
      {"odd picture lines",
       "20\nNOPIC,1\n,\n\nACRED1\nACRED1,99999999999\nACRED2,-5\nACRED1,3junk\n*\n",
       {20,
        {{"NOPIC", 1},
         {"", 0},
         {"ACRED1", 0},
         {"ACRED1", 2147483647},
         {"ACRED2", -5},
         {"ACRED1", 3}},
        0}},
      {"broken characters and a line wider than the strip",
       "20\n*\n\x81\n" + kBlock + "\x81\n\xff\xfe\xfd\n" + longLine + "\n*\n",
       {20, {}, 4}},
      {"star lines with text after them", "25\n*pictures end\nA\n*credits end\nB\n", {25, {}, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CreditsRig rig(c.text);
    ASSERT_TRUE(rig.definitions.Load(rig.archives, "endroll"));
    const CreditsText read = ReadCreditsText(rig.definitions);
    EXPECT_EQ(read.period, c.expected.period);
    ASSERT_EQ(read.pictures.size(), c.expected.pictures.size());
    for (size_t i = 0; i < read.pictures.size(); ++i) {
      EXPECT_EQ(read.pictures[i].name, c.expected.pictures[i].name) << i;
      EXPECT_EQ(read.pictures[i].line, c.expected.pictures[i].line) << i;
    }
    EXPECT_EQ(read.lines.size(), c.expected.lines);

    rig.Run();
    const uint32_t frames = (32 * static_cast<uint32_t>(c.expected.lines) + 600) / 2;
    EXPECT_EQ(rig.host.frames.size(), frames);
    EXPECT_EQ(rig.host.Elapsed(), frames * c.expected.period);
    EXPECT_EQ(rig.host.frames.back().time, (frames - 1) * c.expected.period);
    EXPECT_FALSE(rig.flags.EffectRunning);
    EXPECT_EQ(rig.engine.questions, 0);
  }
}

TEST(EndCreditsTest, WithoutAnEndrollTextNothingHappens) {
  CreditsRig rig(std::nullopt);
  const Bitmap24 before = rig.pb.Picture();
  rig.Run();
  EXPECT_TRUE(rig.host.frames.empty());
  EXPECT_EQ(rig.host.Elapsed(), 0u);
  EXPECT_EQ(rig.pb.Picture(), before);
}

// Every frame against the strip worked out by hand, and the grey of a block's row at chosen
// rows of the top fade, the middle and the bottom fade. The text starts at the strip's left
// edge, so the window shows a line from its 65th column on.
TEST(EndCreditsTest, EachFrameShowsTheStripAtItsRowWithTheFades) {
  const std::string blocks = kBlock + kBlock + kBlock + kBlock + kBlock;
  const std::vector<std::string> lines = {std::string(), blocks, "Credits 2024", kBlock, blocks};
  std::string text = "20\n*\n";
  for (const std::string& line : lines) text += line + "\n";
  CreditsRig rig(text + "*\n");

  // Where the block's ink lies within its 30-pixel cell.
  ScreenText face("ＭＳ 明朝", 30);
  Bitmap24 cell(40, 40);
  face.Draw(kBlock, cell, 0, 0, {255, 255, 255});
  int inkTop = -1;
  int inkBottom = -1;
  int inkLeft = 40;
  int inkRight = -1;
  for (int r = 0; r < 40; ++r) {
    for (int x = 0; x < 40; ++x) {
      if (cell.Row(r)[3 * x] == 0) continue;
      if (inkTop < 0) inkTop = r;
      inkBottom = r;
      inkLeft = std::min(inkLeft, x);
      inkRight = std::max(inkRight, x);
    }
  }
  ASSERT_GE(inkBottom - inkTop, 6) << "the block has rows of ink";
  // The middle of the fourth block of line 1, well right of strip column 64.
  const int screenX = 544 + 3 * face.Width(kBlock) + (inkLeft + inkRight) / 2 - 64;

  // For a block row to land on window row w, y = its strip row - w; line 1 starts at row 632.
  struct Probe {
    int windowRow;
    int grey;
  };
  const Probe probes[] = {{10, 20},   {127, 254}, {128, 255}, {300, 255},
                          {471, 255}, {472, 254}, {590, 18}};
  std::map<uint32_t, std::vector<Probe>> probeAt;  // by frame time: y = 2 per 20 ms
  for (const Probe& probe : probes) {
    int row = 632 + inkTop + 2;
    if ((row - probe.windowRow) % 2 != 0) ++row;
    probeAt[static_cast<uint32_t>(10 * (row - probe.windowRow))].push_back(probe);
  }

  const Bitmap24 strip = StripByHand(lines);
  std::vector<int> wrongFrames;
  int probed = 0;
  rig.host.onPresent = [&](const Bitmap24& shown) {
    const uint32_t time = rig.host.Elapsed();
    const int y = static_cast<int>(time / 10);
    if (ShownWindow(shown) != WindowByHand(strip, y)) wrongFrames.push_back(y);
    if (auto found = probeAt.find(time); found != probeAt.end()) {
      for (const Probe& probe : found->second) {
        ++probed;
        EXPECT_EQ(testing::PixelAt(shown, screenX, probe.windowRow),
                  testing::Grey(static_cast<uint8_t>(probe.grey)))
            << "y " << y << ", window row " << probe.windowRow;
      }
    }
  };
  rig.Run();
  EXPECT_EQ(rig.host.frames.size(), (32u * 5 + 600) / 2);
  EXPECT_EQ(probed, 7);
  EXPECT_TRUE(wrongFrames.empty())
      << wrongFrames.size() << " frames, the first at y " << wrongFrames.front();
  EXPECT_EQ(ShownWindow(rig.pb.Picture()), WindowByHand(strip, 2 * 379)) << "the last frame stays";
}

// ACRED1 comes in at line 0, ACRED2 at line 5 (y = 160, frame 80). The left columns are drawn
// from the background in frames 0-64 and 80-144 only: a mark put on the screen between frames
// is painted over in those spans and stays outside them.
TEST(EndCreditsTest, PicturesComeInAtTheirLinesAndTheLeftIsDrawnForSixtyFiveFrames) {
  CreditsRig rig("20\nACRED1,0\nACRED2,5\n*\nA\nB\n*\n");
  std::string left;  // per frame: R red, B blue, G green, M the mark
  rig.host.onPresent = [&](const Bitmap24& shown) {
    const Colour colour = testing::PixelAt(shown, 100, 300);
    left += colour == kRed ? 'R' : colour == kBlue ? 'B' : colour == kGreen ? 'G' : 'M';
    // The mark goes on after every frame; whether the next frame covers it shows whether the
    // background was drawn.
    Bitmap24& screen = rig.pb.Draw();
    std::copy(kMarker.begin(), kMarker.end(), screen.Row(300) + 3 * 100);
  };
  rig.Run();
  ASSERT_EQ(left.size(), 332u);
  const std::string expected = std::string(65, 'R') + std::string(15, 'M') + std::string(65, 'B') +
                               std::string(332 - 145, 'M');
  EXPECT_EQ(left, expected);
  EXPECT_EQ(testing::PixelAt(rig.stage.Buffers().BackgroundBuffer, 0, 0), kBlue)
      << "the last picture stays the background";
}

// Every message round costs 50 ms of a 20 ms period: three periods pass per frame, the strip
// moves 6 rows a frame, the run keeps its length to within one frame, and the picture whose
// line is passed between two frames still comes in.
TEST(EndCreditsTest, ASlowMachineSkipsRowsButKeepsTheLengthAndThePictures) {
  CreditsRig rig("20\nACRED2,5\n*\nA\nB\n*\n");
  rig.host.cost = 50;
  std::string left;
  rig.host.onPresent = [&](const Bitmap24& shown) {
    left += testing::PixelAt(shown, 100, 300) == kBlue ? 'B' : '.';
  };
  rig.Run();
  // y = 0, 6, 12, ... until y >= 664: 111 frames, each 60 ms.
  EXPECT_EQ(rig.host.frames.size(), 111u);
  EXPECT_EQ(rig.host.frames[1].time, 60u);
  EXPECT_EQ(rig.host.Elapsed(), 111u * 60);
  EXPECT_EQ(left.find('B'), 27u) << "y = 162 is the first frame past row 160";
}

// A close request ends the credits after the frame it came during, then the quit question is
// asked once; a click changes nothing.
TEST(EndCreditsTest, OnlyACloseRequestEndsTheCredits) {
  for (const bool close : {true, false}) {
    SCOPED_TRACE(close ? "close" : "click");
    CreditsRig rig("20\n*\nA\nB\n*\n");
    if (close) {
      rig.host.closeAt = 1000;
    } else {
      rig.host.clickAt = 1000;
    }
    rig.Run();
    const uint32_t frames = close ? 51 : (32 * 2 + 600) / 2;
    EXPECT_EQ(rig.host.frames.size(), frames);
    EXPECT_EQ(rig.host.Elapsed(), 20 * frames);
    EXPECT_EQ(rig.engine.questions, close ? 1 : 0);
    EXPECT_EQ(rig.flags.InterruptRequest, Interrupt::None);
    EXPECT_FALSE(rig.flags.EffectRunning);
  }
}

}  // namespace
}  // namespace tolven
