// `scroll` and `sroll` on a virtual clock: the views a picture scroll shows in each direction,
// when, and where it ends; late frames, clicks and close requests; the scrolling text's column
// row by row, the E999 rule for clicks, and the music it stops.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "audio/music_stream.h"
#include "audio/sound.h"
#include "base/engine_flags.h"
#include "base/engine_values.h"
#include "base/random_generator.h"
#include "base/script_state.h"
#include "base/settings.h"
#include "base/text_encoding.h"
#include "graphics/frame_clock.h"
#include "graphics/stage.h"
#include "graphics/transition_rig.h"
#include "resources/archives.h"
#include "resources/definition_text.h"
#include "screens/picture_scroll.h"
#include "screens/screen_rig.h"
#include "screens/screen_text.h"
#include "screens/scrolling_text.h"
#include "script/standalone_interpreter.h"
#include "script/variables.h"
#include "test_support.h"
#include "tools/archive_writer.h"
#include "tools/picture_encoder.h"

namespace tolven {
namespace {

// A point of a picture, or of the screen.
struct Point {
  int x;
  int y;
  bool operator==(const Point&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Point& point) {
  return out << "(" << point.x << ", " << point.y << ")";
}

using testing::PlacePicture;

// Where in the picture the screen's top-left pixel comes from.
Point ViewOffset(const Bitmap24& screen) {
  const uint8_t* p = screen.Row(0);
  return {p[0] | ((p[2] >> 4) << 8), p[1] | ((p[2] & 15) << 8)};
}

// The screen showing the picture with its point (x, y) at the top-left corner; black where the
// picture does not reach.
Bitmap24 ExpectedView(const Bitmap24& picture, int x, int y) {
  Bitmap24 view(kScreenWidth, kScreenHeight);
  const int columns = std::clamp(picture.Width() - x, 0, kScreenWidth);
  for (int row = 0; row < kScreenHeight && y + row < picture.Height(); ++row) {
    std::copy_n(picture.Row(y + row) + 3 * x, 3 * columns, view.Row(row));
  }
  return view;
}

// The recording host, plus what arrives with the window's messages at a chosen time: a stall
// (a slow frame), and input as the hub hands it on.
class ScrollHost final : public testing::RecordingHost {
 public:
  ScrollHost(EngineFlags& flags, PaintBox& pb) : RecordingHost(flags, pb) {}
  void ProcessMessages() override {
    if (stallAt && Elapsed() >= *stallAt) {
      now += stall;
      stallAt.reset();
    }
    RecordingHost::ProcessMessages();
    if (inputAt && Elapsed() >= *inputAt) {
      inputAt.reset();
      input();
    }
  }
  std::optional<uint32_t> stallAt;
  uint32_t stall = 0;
  std::optional<uint32_t> inputAt;
  std::function<void()> input;
};

// The engine around the screens: the menu bar and the question after a close request, with
// the flags as they stood when each came.
class EngineRecorder final : public QuietInterpreterHost {
 public:
  explicit EngineRecorder(EngineFlags& flags) : QuietInterpreterHost(false, false), flags_(flags) {}
  void UpdateMenuBar() override { menuLocks.push_back(flags_.MenuLocked); }
  void ConfirmQuitAfterEffect() override {
    quitQuestions.push_back(flags_.EngineState == EngineScreen::Story && !flags_.EffectRunning &&
                            !flags_.MenuLocked);
  }
  std::vector<bool> menuLocks;      // MenuLocked at every refresh of the menu bar
  std::vector<bool> quitQuestions;  // each asked with the engine given back

 private:
  EngineFlags& flags_;
};

std::vector<uint8_t> TextBytes(const std::string& text) {
  std::vector<uint8_t> bytes;
  for (char c : text) bytes.push_back(c == '\n' ? 0 : static_cast<uint8_t>(c));
  return bytes;
}

class ScrollTest : public ::testing::Test, protected testing::ScreenRig<ScrollHost> {
 protected:
  ScrollTest() {
    trace.Attach(&traceText);
    host.onPresent = [this](const Bitmap24& screen) {
      shown.push_back({host.Elapsed(), ViewOffset(screen), flags.EngineState, flags.MenuLocked});
      for (uint32_t time : watched) {
        if (host.Elapsed() <= time) seen[time] = screen;
      }
    };
  }

  // Every test game holds the same place pictures, named by their size ("P800X700"); they are
  // packed once for all the tests.
  static constexpr std::pair<int, int> kSizes[] = {{800, 700}, {1000, 600}, {900, 700}, {1000, 650},
                                                   {800, 600}, {500, 400},  {900, 500}};
  static std::string Name(int width, int height) {
    return "P" + std::to_string(width) + "X" + std::to_string(height);
  }
  static const std::vector<uint8_t>& PictureArchive() {
    static const std::vector<uint8_t> archive = [] {
      std::vector<tools::ArchiveInput> entries;
      for (const auto& [width, height] : kSizes) {
        entries.push_back({Name(width, height), tools::EncodePackedPicture(
                                                    PlacePicture(width, height), {false, false})});
      }
      return tools::BuildArchive(ArchiveLayout::B, entries);
    }();
    return archive;
  }
  void SetUp() override {
    testing::WriteFileBytes(dir.Path() / "qe_gra.tvk", PictureArchive());
    archives.LoadMediaIndexes();
  }
  void SrollText(const std::string& text) {
    testing::WriteFileBytes(dir.Path() / "qe_data.tvk",
                            tools::BuildArchive(ArchiveLayout::A, {{"sroll", TextBytes(text)}}));
    archives.LoadScriptIndexes();
  }
  // Starts a run whose screens at these times are kept.
  void Begin(std::vector<uint32_t> times = {}) {
    host.start = host.now;
    host.frames.clear();
    shown.clear();
    watched = std::move(times);
    seen.clear();
    engine.menuLocks.clear();
  }
  // The screen last shown at or before a watched time.
  const Bitmap24* ShownAt(uint32_t time) const {
    auto found = seen.find(time);
    return found == seen.end() ? nullptr : &found->second;
  }
  void ExpectGivenBack() {
    EXPECT_EQ(flags.EngineState, EngineScreen::Story);
    EXPECT_FALSE(flags.EffectRunning);
    EXPECT_FALSE(flags.MenuLocked);
    EXPECT_EQ(flags.InterruptRequest, Interrupt::None);
    ASSERT_FALSE(engine.menuLocks.empty());
    EXPECT_TRUE(engine.menuLocks.front()) << "locked first";
    EXPECT_FALSE(engine.menuLocks.back()) << "and unlocked at the end";
  }

  struct Shown {
    uint32_t time;
    Point offset;
    EngineScreen state;
    bool menuLocked;
  };

  Sound sound{trace, settings};
  MusicStream music{sound, archives, settings};
  EngineRecorder engine{flags};
  PictureScroll scroll{host, pb, stage, flags, engine};
  ScrollingText text{{host, pb, stage, archives, definitions, variables, state, settings, music,
                      flags, engine, trace}};
  std::vector<Shown> shown;
  std::vector<uint32_t> watched;
  std::map<uint32_t, Bitmap24> seen;
};

TEST_F(ScrollTest, EachDirectionTravelsItsDistanceOnePixelPerStep) {
  struct Case {
    int width;
    int height;
    int direction;
    int step;
    Point start;
    uint32_t at;  // a time during the travel...
    Point there;  // ...and the view then
    Point end;
  };
  const Case cases[] = {
      // Up from the bottom: 100 pixels, 10 ms each.
      {800, 700, 0, 10, {0, 100}, 55, {0, 95}, {0, 0}},
      // A step longer than the window may wait for its messages.
      {1000, 600, 1, 45, {0, 0}, 230, {5, 0}, {200, 0}},
      // Wider than the screen too: the view keeps to the picture's left edge.
      {900, 700, 2, 10, {0, 0}, 259, {0, 25}, {0, 100}},
      {1000, 650, 3, 5, {200, 0}, 100, {180, 0}, {0, 0}},
      // A step of 0 or less moves a pixel a millisecond.
      {800, 700, 2, 0, {0, 0}, 60, {0, 60}, {0, 100}},
      {1000, 600, 3, -40, {200, 0}, 50, {150, 0}, {0, 0}},
  };
  for (const Case& c : cases) {
    const std::string argument = Name(c.width, c.height) + "," + std::to_string(c.direction) + "," +
                                 std::to_string(c.step) + ",0";
    SCOPED_TRACE(argument);
    const Bitmap24 picture = PlacePicture(c.width, c.height);
    const int distance = c.direction % 2 == 0 ? c.height - 600 : c.width - 800;
    const uint32_t unit = c.step > 0 ? static_cast<uint32_t>(c.step) : 1;
    Begin({0, c.at});
    scroll.Scroll(argument);

    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front().time, 0u);
    EXPECT_EQ(shown.front().offset, c.start);
    ASSERT_NE(ShownAt(0), nullptr);
    EXPECT_TRUE(*ShownAt(0) == ExpectedView(picture, c.start.x, c.start.y));
    const Bitmap24* there = ShownAt(c.at);
    ASSERT_NE(there, nullptr);
    EXPECT_EQ(ViewOffset(*there), c.there) << "at " << c.at << " ms";
    EXPECT_TRUE(*there == ExpectedView(picture, c.there.x, c.there.y));
    // One view per step, each a pixel on from the one before.
    for (size_t i = 1; i + 1 < shown.size(); ++i) {
      const Shown& s = shown[i];
      const int moved = std::abs(s.offset.x - c.start.x) + std::abs(s.offset.y - c.start.y);
      EXPECT_EQ(s.time, static_cast<uint32_t>(moved) * unit) << "view " << i;
      EXPECT_EQ(s.state, EngineScreen::Scroll);
      EXPECT_TRUE(s.menuLocked);
    }
    EXPECT_EQ(shown.size(), static_cast<size_t>(distance) + 2)
        << "the start view, each step, the end";
    EXPECT_EQ(shown.back().time, distance * unit);
    EXPECT_TRUE(stage.Buffers().StageBuffer == ExpectedView(picture, c.end.x, c.end.y));
    EXPECT_TRUE(pb.Picture() == stage.Buffers().StageBuffer);
    ExpectGivenBack();
    EXPECT_TRUE(engine.quitQuestions.empty());
  }
}

TEST_F(ScrollTest, NothingToTravelShowsTheStartViewAndEndsAtOnce) {
  struct Case {
    int width;
    int height;
    int direction;
  };
  const Case cases[] = {
      {800, 600, 1}, {800, 700, 3},  // taller, but it travels across
      {500, 400, 0},                 // the rest of the screen black
      {900, 500, 2}, {900, 700, 4},  // no such direction
  };
  for (const Case& c : cases) {
    const std::string argument =
        Name(c.width, c.height) + "," + std::to_string(c.direction) + ",10,0";
    SCOPED_TRACE(argument);
    Begin();
    scroll.Scroll(argument);
    const Bitmap24 expected = ExpectedView(PlacePicture(c.width, c.height), 0, 0);
    EXPECT_TRUE(stage.Buffers().StageBuffer == expected);
    EXPECT_TRUE(pb.Picture() == expected);
    EXPECT_EQ(host.Elapsed(), 0u);
    for (const Shown& s : shown) EXPECT_EQ(s.offset, (Point{0, 0}));
    ExpectGivenBack();
  }
}

TEST_F(ScrollTest, ALateFrameSkipsThePositionsItMissedAndTheTravelKeepsItsLength) {
  Begin();
  host.stallAt = 50;  // the message round after the view at 50 ms takes 45 ms
  host.stall = 45;
  scroll.Scroll("P800X700,2,10,0");
  std::vector<std::pair<uint32_t, int>> around;
  for (const Shown& s : shown) {
    if (s.time >= 40 && s.time <= 110) around.emplace_back(s.time, s.offset.y);
  }
  EXPECT_EQ(around, (std::vector<std::pair<uint32_t, int>>{
                        {40, 4}, {50, 5}, {95, 9}, {100, 10}, {110, 11}}))
      << "6, 7 and 8 are never shown";
  EXPECT_EQ(shown.back().time, 1000u);
  EXPECT_EQ(ViewOffset(pb.Picture()), (Point{0, 100}));
}

TEST_F(ScrollTest, AClickOrACloseRequestEndsTheTravelOnItsLastView) {
  struct Case {
    const char* name;
    Interrupt input;
    uint32_t at;
    int step;
    int transition;
    uint32_t ends;  // when the last view is shown
    bool asks;      // whether the player is asked to quit afterwards
  };
  const Case cases[] = {
      {"click", Interrupt::Click, 105, 10, 0, 110, false},
      {"close", Interrupt::Close, 105, 10, 0, 110, true},
      // A slow scroll still hears the window every 30 ms.
      {"click, slow", Interrupt::Click, 45, 1000, 0, 60, false},
      // During the first view's cross-fade, which runs its 130 ms and looks at a request only
      // then: a click was the fade's, and the whole travel follows...
      {"click in fade", Interrupt::Click, 40, 10, 6, 130 + 1000, false},
      // ...a close request ends the scroll too, rather than being lost.
      {"close in fade", Interrupt::Close, 40, 10, 6, 130, true},
  };
  const Bitmap24 picture = PlacePicture(800, 700);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Begin();
    engine.quitQuestions.clear();
    pb.Draw() = testing::Uniform(90);
    stage.Buffers().StageBuffer = testing::Uniform(90);
    host.inputAt = c.at;
    host.input = [this, request = c.input] {
      if (flags.EffectRunning) flags.InterruptRequest = request;
    };
    scroll.Scroll("P800X700,2," + std::to_string(c.step) + "," + std::to_string(c.transition));
    EXPECT_FALSE(host.inputAt.has_value()) << "the input came";
    EXPECT_EQ(shown.back().time, c.ends);
    EXPECT_TRUE(stage.Buffers().StageBuffer == ExpectedView(picture, 0, 100));
    EXPECT_TRUE(pb.Picture() == stage.Buffers().StageBuffer);
    ExpectGivenBack();
    EXPECT_EQ(engine.quitQuestions, c.asks ? std::vector<bool>{true} : std::vector<bool>{});
  }
}

TEST_F(ScrollTest, AMissingPictureEndsAtOnceWithTheMenuUnlocked) {
  const Bitmap24 before = testing::Noise(3);
  pb.Draw() = before;
  stage.Buffers().StageBuffer = before;
  Begin();
  scroll.Scroll("nothing,0,10,6");
  scroll.Scroll("");
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(host.Elapsed(), 0u);
  EXPECT_TRUE(pb.Picture() == before);
  EXPECT_TRUE(stage.Buffers().StageBuffer == before);
  EXPECT_EQ(engine.menuLocks, (std::vector<bool>{true, false, true, false}));
  ExpectGivenBack();
}

// ---- sroll ----------------------------------------------------------------------------------

constexpr int kColumnLeft = 270;
constexpr int kColumnTop = 20;
constexpr int kColumnWidth = 420;
constexpr int kColumnRows = 560;

std::string Sjis(const std::string& utf8) {
  return Utf8ToShiftJis(utf8).value();
}

// The text's lines drawn on one strip, as the rule describes it: black, 420 wide, white text
// in the gothic face at height 20, line i at row 24 i.
Bitmap24 Strip(const std::vector<std::string>& lines, bool bold) {
  Bitmap24 strip(kColumnWidth, 24 * static_cast<int>(lines.size()));
  ScreenText text("ＭＳ ゴシック", 20, bold);
  for (size_t i = 0; i < lines.size(); ++i) {
    text.Draw(lines[i], strip, 0, 24 * static_cast<int>(i), {255, 255, 255});
  }
  return strip;
}

bool HasWhite(const Bitmap24& picture) {
  for (size_t i = 0; i + 2 < picture.SizeBytes(); i += 3) {
    if (picture.Data()[i] == 255 && picture.Data()[i + 1] == 255 && picture.Data()[i + 2] == 255)
      return true;
  }
  return false;
}

// The screen with strip row `top` at the column's top: black everywhere else.
Bitmap24 ExpectedColumn(const Bitmap24& strip, int top) {
  Bitmap24 screen(kScreenWidth, kScreenHeight);
  for (int r = 0; r < kColumnRows; ++r) {
    const int row = top + r;
    if (row < 0 || row >= strip.Height()) continue;
    std::copy_n(strip.Row(row), 3 * kColumnWidth, screen.Row(kColumnTop + r) + 3 * kColumnLeft);
  }
  return screen;
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

std::vector<std::string> Credits(int count) {
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i) {
    lines.push_back(i % 3 == 2 ? ""
                               : Sjis("第" + std::to_string(i) + "行 line " + std::to_string(i)));
  }
  return lines;
}

TEST_F(ScrollTest, SrollTakesTheLinesUpToTheFirstClosingBraceLine) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"a\n\nb\n}\nafter\n", {"a", "", "b"}},
      {"a\n }\n}x\n}\n", {"a", " }", "}x"}},
      {"no end\nat all", {"no end", "at all"}},
      {"}\nafter\n", {}},
      {"", {}},
  };
  for (const Case& c : cases) {
    definitions.Assign(TextBytes(c.text));
    EXPECT_EQ(ScrollingText::ReadLines(definitions), c.lines) << c.text;
  }
}

TEST_F(ScrollTest, SrollRaisesItsColumnARowEvery30MsAndHoldsTheLastView) {
  struct Case {
    const char* name;
    int lines;
    bool bold;
    std::vector<uint32_t> times;  // each shows row time / 30 at the column's top
  };
  const Case cases[] = {
      // 30 lines stop 240 rows short of their 720: at row 480, after 14.4 s.
      {"long", 30, false, {0, 30, 3000, 14399}},
      {"bold", 30, true, {5010}},
      // Fewer lines than that never move: they are shown once, lower down, with the last line
      // where a long text's last line stops.
      {"short", 3, false, {}},
      {"empty", 0, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::string> lines = Credits(c.lines);
    const Bitmap24 strip = Strip(lines, c.bold);
    if (c.lines > 0) {
      ASSERT_TRUE(HasWhite(strip)) << "the gothic face draws";
    }
    SrollText(Lines(lines) + "}\nnot shown\n");
    settings.FONTBOLD = c.bold ? 1 : 0;
    pb.Draw() = testing::Uniform(90);
    stage.Buffers().StageBuffer = testing::Uniform(90);
    const int end = 24 * c.lines - 240;
    const uint32_t length = end > 0 ? static_cast<uint32_t>(end) * 30 : 0;
    Begin(c.times);
    text.Sroll();

    for (uint32_t time : c.times) {
      const Bitmap24* seen = ShownAt(time);
      ASSERT_NE(seen, nullptr) << time;
      EXPECT_TRUE(*seen == ExpectedColumn(strip, static_cast<int>(time / 30))) << "at " << time;
    }
    EXPECT_EQ(host.frames.back().time, length);
    EXPECT_TRUE(pb.Picture() == ExpectedColumn(strip, end));
    EXPECT_TRUE(stage.Buffers().StageBuffer == testing::Uniform(0)) << "the stage is black";
    for (const Shown& s : shown) EXPECT_EQ(s.state, EngineScreen::ScrollingText);
    ExpectGivenBack();
  }
}

TEST_F(ScrollTest, ASrollClickEndsItOnlyAfterTheGameWasCompleted) {
  const std::vector<std::string> lines = Credits(40);  // 720 rows of travel, 21.6 s
  const Bitmap24 strip = Strip(lines, false);
  SrollText(Lines(lines) + "}\n");
  struct Case {
    bool completed;  // E999
    MouseButton button;
    uint32_t ends;
  };
  const Case cases[] = {
      {false, MouseButton::Left, 21600},
      {true, MouseButton::Left, 1020},
      {true, MouseButton::Right, 1020},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.completed ? "completed" : "first time");
    if (c.completed) {
      variables.SetBit('E', 999);
    } else {
      variables.ClearBit('E', 999);
    }
    Begin();
    // The hub hands a press in state 5 to the screen that owns it.
    host.inputAt = 1005;
    host.input = [this, button = c.button] {
      if (flags.EngineState == EngineScreen::ScrollingText) text.Press(button, 400, 300);
    };
    text.Sroll();
    EXPECT_FALSE(host.inputAt.has_value());
    EXPECT_EQ(host.frames.back().time, c.ends);
    EXPECT_TRUE(pb.Picture() == ExpectedColumn(strip, 720)) << "the last view either way";
    ExpectGivenBack();
  }
  // A press that finds no text running leaves no request behind.
  text.Press(MouseButton::Left, 400, 300);
  EXPECT_EQ(flags.InterruptRequest, Interrupt::None);
}

TEST_F(ScrollTest, SrollStopsTheMusicAndAMissingTextDoesNothing) {
  state.S(sv::kRequestedTrack) = 4;
  state.S(sv::kPlayingTrack) = 4;
  SrollText("one\n}\n");
  Begin();
  text.Sroll();
  EXPECT_EQ(state.S(sv::kRequestedTrack), 0);
  EXPECT_EQ(state.S(sv::kPlayingTrack), 0);

  // Without the text the screen and the music stay as they were.
  testing::WriteFileBytes(dir.Path() / "qe_data.tvk",
                          tools::BuildArchive(ArchiveLayout::A, {{"other", TextBytes("x\n")}}));
  archives.LoadScriptIndexes();
  state.S(sv::kRequestedTrack) = 4;
  state.S(sv::kPlayingTrack) = 4;
  const Bitmap24 before = testing::Noise(5);
  pb.Draw() = before;
  Begin();
  text.Sroll();
  EXPECT_TRUE(shown.empty());
  EXPECT_TRUE(pb.Picture() == before);
  EXPECT_EQ(state.S(sv::kPlayingTrack), 4);
  EXPECT_EQ(flags.EngineState, EngineScreen::Story);
  EXPECT_FALSE(flags.MenuLocked);
  EXPECT_NE(traceText.str().find("sroll"), std::string::npos);
}

}  // namespace
}  // namespace tolven
