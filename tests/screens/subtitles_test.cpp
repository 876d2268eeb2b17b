// The title cards of `subtitle`: how the text splits into two lines, how large each line is
// drawn, the fade of each line on the virtual clock, what the card holds and leaves behind.
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/engine_values.h"
#include "base/text_encoding.h"
#include "engine/game_run.h"
#include "graphics/transition_rig.h"
#include "resources/png_io.h"
#include "screens/subtitles.h"
#include "script/standalone_interpreter.h"

namespace tolven {
namespace {

using Colour = std::array<uint8_t, 3>;  // blue, green, red

// What PB shows before the card: a colour no grey level of the fade can take.
constexpr Colour kPaper = {30, 60, 90};
constexpr Colour kBlack = {0, 0, 0};
constexpr Colour kWhite = {255, 255, 255};

// The rule's numbers: 300 ms before the first line, a fade of 256 / 4 steps of 20 ms for each
// line, 1500 ms of the finished card.
constexpr uint32_t kFade = 256 / 4 * 20;
constexpr uint32_t kFirstLineStart = 300;
constexpr uint32_t kSecondLineStart = kFirstLineStart + kFade;
constexpr uint32_t kCardTime = 300 + kFade + kFade + 1500;

// Records whether the engine was held at every point where the card gives way to the host.
class WatchingHost final : public testing::RecordingHost {
 public:
  WatchingHost(EngineFlags& flags, PaintBox& pb) : RecordingHost(flags, pb), flags_(flags) {}
  void ProcessMessages() override {
    busySeen.insert(flags_.Busy);
    RecordingHost::ProcessMessages();
  }
  std::set<bool> busySeen;

 private:
  EngineFlags& flags_;
};

class SkipRecorder final : public QuietInterpreterHost {
 public:
  explicit SkipRecorder(EngineFlags& flags) : QuietInterpreterHost(false, false), flags_(flags) {}
  struct Call {
    bool force;
    bool busy;
  };
  void StopSkipAndAuto(bool force) override { calls.push_back({force, flags_.Busy}); }
  std::vector<Call> calls;

 private:
  EngineFlags& flags_;
};

struct CardRig {
  EngineFlags flags;
  PaintBox pb{kScreenWidth, kScreenHeight};
  WatchingHost host{flags, pb};
  FrameClock clock{host};
  SkipRecorder engine{flags};
  Subtitles subtitles{host, clock, pb, flags, engine};

  CardRig() {
    Bitmap24& picture = pb.Draw();
    for (int y = 0; y < picture.Height(); ++y) {
      for (int x = 0; x < picture.Width(); ++x)
        std::copy_n(kPaper.data(), 3, picture.Row(y) + 3 * x);
    }
  }
};

// The card's mark on rows [top, bottom): the box its black background covers, and every colour
// that differs from the paper.
struct Ink {
  int left = kScreenWidth;
  int right = 0;  // exclusive
  int top = kScreenHeight;
  int bottom = 0;  // exclusive
  std::set<Colour> colours;
  bool Empty() const { return colours.empty(); }
};

Ink InkIn(const Bitmap24& picture, int top, int bottom) {
  Ink ink;
  for (int y = top; y < bottom; ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      const Colour colour = testing::PixelAt(picture, x, y);
      if (colour == kPaper) continue;
      ink.colours.insert(colour);
      if (colour != kBlack) continue;
      ink.left = std::min(ink.left, x);
      ink.right = std::max(ink.right, x + 1);
      ink.top = std::min(ink.top, y);
      ink.bottom = std::max(ink.bottom, y + 1);
    }
  }
  return ink;
}

// Every pixel of the box is the black background or the text's colour: nothing behind the text
// shows through.
void ExpectOpaqueBox(const Bitmap24& picture, const Ink& ink, const Colour& text) {
  int other = 0;
  for (int y = ink.top; y < ink.bottom; ++y) {
    for (int x = ink.left; x < ink.right; ++x) {
      const Colour colour = testing::PixelAt(picture, x, y);
      other += colour != kBlack && colour != text;
    }
  }
  EXPECT_EQ(other, 0);
}

std::string Sjis(const std::string& utf8) {
  return Utf8ToShiftJis(utf8).value();
}

// n full-width characters, two bytes each.
std::string Kana(int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += Sjis("あ");
  return text;
}

constexpr int kFirstBand = 120;
constexpr int kSecondBand = 260;
constexpr int kBandRows = 100;

TEST(SubtitleSplitTest, TheFirstCommaWithinTheLinesFirst50BytesSplitsTheCard) {
  // The text handed over starts at byte 10 of the command line ("*subtitle "), so the comma is
  // looked for in its first 40 bytes.
  const std::string before39(39, 'a');
  const std::string before40(40, 'a');
  const std::string kana19 = Kana(19);
  struct Case {
    std::string text;
    std::string first;
    std::string second;
  };
  const Case cases[] = {
      {Sjis("第一章,始まり"), Sjis("第一章"), Sjis("始まり")},
      {"one,two,three", "one", "two,three"},
      {",second", "", "second"},
      {"first,", "first", ""},
      {"", "", ""},
      {"no comma", "no comma", ""},
      {before39 + ",after", before39, "after"},        // comma at byte 49 of the line
      {before40 + ",after", before40 + ",after", ""},  // comma at byte 50: not looked at
      {kana19 + ",after", kana19, "after"},            // bytes count, not characters
      {kana19 + "xx,after", kana19 + "xx,after", ""},
  };
  for (const Case& c : cases) {
    const SubtitleLines lines = Subtitles::SplitLines(c.text);
    EXPECT_EQ(lines.first, c.first) << c.text;
    EXPECT_EQ(lines.second, c.second) << c.text;
  }
}

// Each line takes its size from its own byte length, is centred on the screen over an opaque
// black box of its height, and an empty line draws nothing but keeps the card's time.
TEST(SubtitleCardTest, EachLineIsSizedByItsByteLengthAndCentred) {
  struct Case {
    std::string text;
    int band;  // where the measured line is
    int height;
  };
  const Case cases[] = {
      {std::string(15, 'A'), kFirstBand, 72},
      {Kana(8), kFirstBand, 48},
      {std::string(23, 'A'), kFirstBand, 48},
      {Kana(12), kFirstBand, 32},
      {Sjis("第一章,") + std::string(24, 'A'), kSecondBand, 32},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    CardRig rig;
    rig.subtitles.Subtitle(c.text);
    EXPECT_EQ(rig.host.Elapsed(), kCardTime);
    const Bitmap24& shown = rig.pb.Picture();
    const Ink ink = InkIn(shown, c.band, c.band + kBandRows);
    ASSERT_FALSE(ink.Empty());
    EXPECT_EQ(ink.top, c.band);
    EXPECT_EQ(ink.bottom - ink.top, c.height);
    EXPECT_NEAR(ink.left + ink.right, kScreenWidth, 1) << ink.left << ".." << ink.right;
    EXPECT_EQ(ink.colours, (std::set<Colour>{kBlack, kWhite}));
    ExpectOpaqueBox(shown, ink, kWhite);
    if (c.band == kFirstBand) {
      EXPECT_TRUE(InkIn(shown, kFirstBand + kBandRows, kScreenHeight).Empty())
          << "an empty second line draws nothing";
    }
  }
}

// The fade on the virtual clock: the grey level follows the time that passed, not the number of
// frames, so a machine whose message rounds take 30 ms shows the same levels at the same times
// and takes as long.
TEST(SubtitleCardTest, LinesFadeInOneAfterTheOtherOnTheClock) {
  const std::string text = Sjis("第一章,始まり");
  auto grey = [](uint8_t level) { return Colour{level, level, level}; };
  for (const uint32_t cost : {0u, 30u}) {
    SCOPED_TRACE("message rounds of " + std::to_string(cost) + " ms");
    CardRig rig;
    rig.host.cost = cost;
    const Bitmap24 before = rig.pb.Picture();
    rig.host.keepAt = {kFirstLineStart,  kFirstLineStart + 200,  kSecondLineStart - 40,
                       kSecondLineStart, kSecondLineStart + 200, kCardTime - 20};
    rig.subtitles.Subtitle(text);
    EXPECT_EQ(rig.host.Elapsed(), kCardTime);
    ASSERT_EQ(rig.host.kept.size(), 5u) << "the last 1500 ms draw nothing";
    EXPECT_EQ(rig.host.frames.front().time, kFirstLineStart) << "nothing is drawn for 300 ms";
    EXPECT_EQ(rig.host.frames.back().time, kCardTime - 1500);

    struct Expected {
      uint32_t time;
      std::set<Colour> first;
      std::set<Colour> second;
    };
    const Expected expected[] = {
        {kFirstLineStart, {kBlack}, {}},
        {kFirstLineStart + 200, {kBlack, grey(40)}, {}},
        {kSecondLineStart - 40, {kBlack, grey(248)}, {}},
        {kSecondLineStart, {kBlack, kWhite}, {}},
        {kSecondLineStart + 200, {kBlack, kWhite}, {kBlack, grey(40)}},
    };
    for (const Expected& e : expected) {
      const Bitmap24& frame = rig.host.kept.at(e.time);
      const Ink first = InkIn(frame, kFirstBand, kFirstBand + kBandRows);
      EXPECT_EQ(first.colours, e.first) << "line 1 at " << e.time << " ms";
      EXPECT_EQ(InkIn(frame, kSecondBand, kSecondBand + kBandRows).colours, e.second)
          << "line 2 at " << e.time << " ms";
      EXPECT_EQ(first.top, kFirstBand);
    }
    // Outside the two lines' boxes the screen is as it was.
    const Bitmap24& shown = rig.pb.Picture();
    EXPECT_EQ(InkIn(shown, 0, kFirstBand).colours.size(), 0u);
    EXPECT_EQ(InkIn(shown, kFirstBand + 72, kSecondBand).colours.size(), 0u);
    EXPECT_EQ(InkIn(shown, kSecondBand + 72, kScreenHeight).colours.size(), 0u);
    EXPECT_NE(shown, before);
  }
}

TEST(SubtitleCardTest, HoldsTheEngineForTheWholeCardAndLeavesTheWindowClosed) {
  CardRig rig;
  rig.flags.WindowShown = true;
  std::set<bool> busyAtPresent;
  rig.host.onPresent = [&](const Bitmap24&) { busyAtPresent.insert(rig.flags.Busy); };
  rig.subtitles.Subtitle("a,b");
  EXPECT_EQ(rig.host.busySeen, std::set<bool>{true}) << "while waiting on the clock";
  EXPECT_EQ(busyAtPresent, std::set<bool>{true}) << "while drawing";
  EXPECT_FALSE(rig.flags.Busy);
  EXPECT_FALSE(rig.flags.WindowShown);
  ASSERT_EQ(rig.engine.calls.size(), 1u);
  EXPECT_FALSE(rig.engine.calls[0].force) << "stops only when BreakonSelect is on";
  EXPECT_FALSE(rig.engine.calls[0].busy) << "before the card starts";

  // A way out in the middle of the card gives the engine back all the same.
  CardRig broken;
  broken.host.onPresent = [](const Bitmap24&) { throw std::runtime_error("window gone"); };
  EXPECT_THROW(broken.subtitles.Subtitle("a,b"), std::runtime_error);
  EXPECT_FALSE(broken.flags.Busy);
}

// A line far wider than the screen is cut at its edges; a lone lead byte at the end of a line
// is not read past.
TEST(SubtitleCardTest, OverlongAndBrokenLinesAreDrawnCutWithinTheScreen) {
  for (const std::string& text : {std::string(300, 'W'), "AB\x82," + Kana(3) + "\x82"}) {
    CardRig rig;
    rig.subtitles.Subtitle(text);
    EXPECT_EQ(rig.host.Elapsed(), kCardTime);
    EXPECT_FALSE(InkIn(rig.pb.Picture(), kFirstBand, kFirstBand + kBandRows).Empty());
  }
}

// The whole way from a script line to the screen, in the real binary.
class SubtitleRunTest : public testing::GameRunTest {};

TEST_F(SubtitleRunTest, ACardInAGameShowsWhiteTextOnBlackAndClosesTheWindow) {
  Script("main", "*gra S00g,0\n*win_open\n*subtitle 第一章,始まり\n");
  BuildGame();
  const auto run = RunGame("wait 1000\ndump " + Path("during.json") + "\nwait 5000\nshot " +
                               Path("card.png") + "\ndump " + Path("after.json") + "\n",
                           {});
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  const nlohmann::json during = Dump("during.json");
  EXPECT_EQ(during["waits"]["busy"], true);
  EXPECT_EQ(during["stage"]["window"], true);
  const nlohmann::json after = Dump("after.json");
  EXPECT_EQ(after["waits"]["busy"], false);
  EXPECT_EQ(after["stage"]["window"], false);

  Bitmap24 shot;
  std::string why;
  ASSERT_TRUE(DecodePng(testing::ReadFileBytes(dir_ / "card.png"), shot, why)) << why;
  const Colour red = {0, 0, 255};
  for (const int band : {kFirstBand, kSecondBand}) {
    SCOPED_TRACE(band);
    std::set<Colour> colours;
    int left = kScreenWidth;
    int right = 0;
    for (int y = band; y < band + 72; ++y) {
      for (int x = 0; x < kScreenWidth; ++x) {
        const Colour colour = testing::PixelAt(shot, x, y);
        colours.insert(colour);
        if (colour != red) {
          left = std::min(left, x);
          right = std::max(right, x + 1);
        }
      }
    }
    EXPECT_EQ(colours, (std::set<Colour>{red, kBlack, kWhite}));
    EXPECT_EQ(right - left, 3 * 72) << "three full-width characters at height 72";
    EXPECT_NEAR(left + right, kScreenWidth, 1);
    EXPECT_EQ(testing::PixelAt(shot, left, band - 1), red);
    EXPECT_EQ(testing::PixelAt(shot, left, band + 72), red);
  }
}

}  // namespace
}  // namespace tolven
