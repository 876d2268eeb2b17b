// The text log, the page look-back and the picture view, over real pictures from a temporary
// archive and the real glyph renderer.
#include "text/backlog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "graphics/blending.h"
#include "test_support.h"
#include "tools/archive_writer.h"
#include "tools/picture_encoder.h"
#include "window_rig.h"

namespace tolven {
namespace {

using Pixel = std::array<uint8_t, 3>;  // blue, green, red

const std::string kMincho = "\x82\x6c\x82\x72 \x96\xbe\x92\xa9";  // ＭＳ 明朝

constexpr Pixel kWhite{255, 255, 255};
constexpr Pixel kYellow{0, 255, 255};
constexpr Pixel kThumbColour{255, 0, 0};
constexpr Pixel kIconColour{0, 200, 0};
constexpr Pixel kBarColour{0, 0, 160};
constexpr Pixel kBackground1{70, 60, 50};
constexpr Pixel kBackground2{10, 10, 90};
constexpr Pixel kGirl{0, 0, 220};
constexpr int kThumbWidth = 8;
constexpr int kThumbHeight = 6;

Pixel At(const Bitmap24& picture, int x, int y) {
  const uint8_t* p = picture.Row(y) + 3 * x;
  return {p[0], p[1], p[2]};
}

void FillRect(Bitmap24& picture, int left, int top, int width, int height, Pixel colour) {
  for (int y = top; y < top + height; ++y) {
    for (int x = left; x < left + width; ++x)
      std::copy(colour.begin(), colour.end(), picture.Row(y) + 3 * x);
  }
}

Bitmap24 Filled(int width, int height, Pixel colour) {
  Bitmap24 picture(width, height);
  FillRect(picture, 0, 0, width, height, colour);
  return picture;
}

Pixel Scaled(Pixel colour, int factor) {
  Pixel out{};
  for (size_t i = 0; i < 3; ++i) out[i] = static_cast<uint8_t>(colour[i] * factor >> 8);
  return out;
}

// The bar: colour in columns 0-31, mask in 96-127; row 0 opaque, row 1 half, row 2 clear.
Bitmap24 BarPicture() {
  Bitmap24 bar = Filled(128, 3, kBarColour);
  FillRect(bar, 96, 0, 32, 1, kWhite);
  FillRect(bar, 96, 1, 32, 1, {128, 128, 128});
  FillRect(bar, 96, 2, 32, 1, {0, 0, 0});
  return bar;
}

// The thumb, face above its opaque mask.
Bitmap24 ThumbPicture() {
  Bitmap24 thumb = Filled(kThumbWidth, 2 * kThumbHeight, kThumbColour);
  FillRect(thumb, 0, kThumbHeight, kThumbWidth, kThumbHeight, kWhite);
  return thumb;
}

// The voice icon, face beside its opaque mask.
Bitmap24 VoiceIconPicture() {
  Bitmap24 icon = Filled(32, 12, kIconColour);
  FillRect(icon, 16, 0, 16, 12, kWhite);
  return icon;
}

std::vector<tools::ArchiveInput> Pictures() {
  return {{"SYS_BL_BAR", tools::EncodePackedPicture(BarPicture())},
          {"SYS_BL_CUR", tools::EncodePackedPicture(ThumbPicture())},
          {"SYS_BLVR.BMP", tools::EncodePackedPicture(VoiceIconPicture())},
          {"ABACK1", tools::EncodePackedPicture(Filled(kScreenWidth, kScreenHeight, kBackground1))},
          {"ABACK2", tools::EncodePackedPicture(Filled(kScreenWidth, kScreenHeight, kBackground2))},
          {"BGIRL", tools::EncodePackedPicture(Filled(200, kScreenHeight, kGirl))},
          {"MGIRL", tools::EncodePackedPicture(Filled(200, kScreenHeight, kWhite))}};
}

std::string VoiceName(int n) {
  return "v" + std::to_string(n);
}

// The first row of column x showing the colour, -1 when none does.
int FirstRowWith(const Bitmap24& picture, int x, Pixel colour) {
  for (int y = 0; y < picture.Height(); ++y) {
    if (At(picture, x, y) == colour) return y;
  }
  return -1;
}

int CountPixels(const Bitmap24& picture, int left, int top, int width, int height, Pixel colour) {
  int count = 0;
  for (int y = top; y < top + height; ++y) {
    for (int x = left; x < left + width; ++x) count += At(picture, x, y) == colour;
  }
  return count;
}

class BacklogTest : public ::testing::Test, protected testing::WindowRig {
 protected:
  BacklogTest() {
    testing::WriteFileBytes(dir_ / "qe_gra.tvk", tools::BuildArchive(ArchiveLayout::B, Pictures()));
    archives_.LoadMediaIndexes();
    glyphs_.InitGlyphRenderer(archives_);
    flags_.CharDelay = 0;
    window_.BuildTint(WindowTint{});
    state_.S(sv::kStandingCentres) = 400;  // one character stands in the middle
    backlog_.playSound = [this](std::string_view name) { sounds_.emplace_back(name); };
    backlog_.playVoice = [this](std::string_view name) { voices_.emplace_back(name); };
    backlog_.updateMenuBar = [this] { ++menuUpdates_; };
    backlog_.drawQuickButtons = [this] { ++quickButtonDraws_; };
    stage_.Gra("ABACK1 0", true);
  }

  // Prints a whole text line; its end closes the backlog line.
  void Print(std::string_view line) {
    size_t position = 0;
    bool needLine = false;
    bool nameLine = false;
    for (int steps = 0; !needLine && steps < 1000; ++steps)
      output_.PrintLine(line, position, needLine, nameLine);
  }

  void AddVoiceLines(int count) {
    for (int i = 0; i < count; ++i) output_.RecordVoice(VoiceName(i));
  }

  // A page with its own voice and a picture: ABACK1 with the girl, or ABACK2 alone.
  void RecordNumberedPage(int page) {
    if (page % 2 == 0) {
      stage_.Gra("ABACK1 0", true);
      stage_.Tati("BGIRL,0");
    } else {
      stage_.Gra("ABACK2 0", true);
    }
    output_.NewPage();
    output_.RecordVoice(VoiceName(page));
    Print("page " + std::to_string(page));
    backlog_.RecordPage();
  }

  int ThumbTop() const { return FirstRowWith(pb_.Picture(), 697, kThumbColour); }

  const Settings settings_ = testing::FontSettings(kMincho);
  Glyphs glyphs_{settings_};
  NullMessageOutputHost outputHost_;
  MessageOutput output_{flags_, state_, outputHost_};
  Backlog backlog_{stage_, window_, output_, glyphs_, pb_, state_, flags_, archives_, trace_};

  std::vector<std::string> sounds_;
  std::vector<std::string> voices_;
  int menuUpdates_ = 0;
  int quickButtonDraws_ = 0;
};

// ---- The text log -----------------------------------------------------------------------------

TEST_F(BacklogTest, OpeningDarkensTheSceneUnderTheBarAndClosingGivesTheScreenBack) {
  for (bool lockedBefore : {false, true}) {
    const Bitmap24 stageBefore = stage_.Buffers().StageBuffer;
    flags_.MenuLocked = lockedBefore;
    state_.S(sv::kLogButton) = 1;
    sounds_.clear();
    menuUpdates_ = 0;
    quickButtonDraws_ = 0;

    backlog_.OpenLog();
    backlog_.OpenLog();  // already open: nothing more
    EXPECT_EQ(sounds_, std::vector<std::string>{"SSE09"});
    EXPECT_TRUE(flags_.BacklogOpen);
    EXPECT_TRUE(flags_.MenuLocked);
    EXPECT_EQ(menuUpdates_, 1);
    EXPECT_EQ(backlog_.OpenView(), BacklogView::Log);
    const Bitmap24& pb = pb_.Picture();
    const Pixel backdrop = Scaled(kBackground1, 40);
    EXPECT_EQ(At(pb, 400, 300), backdrop);
    EXPECT_EQ(At(pb, 691, 10), kBarColour) << "opaque bar row";
    EXPECT_EQ(At(pb, 721, 11), (Pixel{static_cast<uint8_t>((backdrop[0] * 127 >> 8) + 0),
                                      static_cast<uint8_t>((backdrop[1] * 127 >> 8) + 0),
                                      static_cast<uint8_t>((backdrop[2] * 127 >> 8) + 80)}))
        << "half-masked bar row";
    EXPECT_EQ(At(pb, 700, 12), backdrop) << "clear bar row";
    EXPECT_EQ(At(pb, 689, 10), backdrop) << "left of the bar";
    EXPECT_EQ(At(pb, 722, 10), backdrop) << "right of the bar";
    EXPECT_TRUE(stage_.Buffers().StageBuffer == pb);

    backlog_.CloseLog();
    EXPECT_TRUE(pb_.Picture() == stageBefore);
    EXPECT_TRUE(stage_.Buffers().StageBuffer == stageBefore);
    EXPECT_FALSE(flags_.BacklogOpen);
    EXPECT_EQ(flags_.MenuLocked, lockedBefore) << "a lock the log did not set stays";
    EXPECT_EQ(menuUpdates_, 2);
    EXPECT_EQ(state_.S(sv::kLogButton), 0);
    EXPECT_EQ(quickButtonDraws_, 1);
    EXPECT_EQ(backlog_.OpenView(), BacklogView::None);
    backlog_.CloseLog();
    EXPECT_EQ(quickButtonDraws_, 1) << "closing a closed log does nothing";
  }
  backlog_.OpenLog();
  backlog_.LogMouseDown(MouseButton::Right, 400, 300);
  EXPECT_FALSE(flags_.BacklogOpen) << "the right button closes";
}

TEST_F(BacklogTest, TheListShowsTheNewestTwentyNineLinesAndAThumbFromThirty) {
  const struct {
    int lines;  // voice lines v0, v1, ... recorded
    int first;  // number of the voice at row 0
    int thumbTop;
  } cases[] = {
      {0, 0, -1},   {1, 0, -1},   {2, 0, -1},     {28, 0, -1},      {29, 0, -1},
      {30, 1, 530}, {31, 2, 530}, {100, 71, 530}, {1005, 976, 530},  // 1000 lines are kept: v5 to
                                                                     // v1004
  };
  for (const auto& c : cases) {
    MessageOutput fresh(flags_, state_, outputHost_);
    Backlog log(stage_, window_, fresh, glyphs_, pb_, state_, flags_, archives_, trace_);
    for (int i = 0; i < c.lines; ++i) fresh.RecordVoice(VoiceName(i));
    log.OpenLog();
    EXPECT_EQ(log.LogOffset(), 0);
    EXPECT_EQ(log.LogRowVoice(0), "") << c.lines << ": a voice line at the top shows nothing";
    EXPECT_NE(At(pb_.Picture(), 152, 12), kIconColour) << c.lines;
    const int shown = std::min(c.lines, kLogRows);
    for (int row = 1; row < kLogRows; ++row) {
      const std::string expected = row < shown ? VoiceName(c.first + row) : "";
      EXPECT_EQ(log.LogRowVoice(row), expected) << c.lines << " lines, row " << row;
      EXPECT_EQ(At(pb_.Picture(), 152, 10 + 19 * row + 2) == kIconColour, row < shown)
          << c.lines << " lines, icon of row " << row;
    }
    EXPECT_EQ(ThumbTop(), c.thumbTop) << c.lines;
    log.CloseLog();
  }
}

TEST_F(BacklogTest, AClickOnAVoiceRowReplaysItAndTextRowsDoNothing) {
  output_.RecordVoice("v0");  // row 0: a voice line there shows nothing
  Print("hello");
  output_.RecordVoice("v2");
  Print("world");
  output_.RecordVoice("v4");
  backlog_.OpenLog();
  const struct {
    int x, y;
    std::string voice;  // empty: nothing is played
  } clicks[] = {
      {150, 48, "v2"}, {245, 66, "v2"}, {200, 86, "v4"},  // rows 2 and 4, at their edges
      {149, 48, ""},   {246, 48, ""},                     // beside the icons
      {200, 30, ""},   {200, 70, ""},                     // text rows
      {200, 10, ""},                                      // the voice line in row 0
      {200, 105, ""},  {200, 560, ""},  {200, 561, ""},   // no line there, below the list
      {200, 9, ""},
  };
  for (const auto& click : clicks) {
    voices_.clear();
    backlog_.LogMouseDown(MouseButton::Left, click.x, click.y);
    const std::vector<std::string> expected =
        click.voice.empty() ? std::vector<std::string>{} : std::vector<std::string>{click.voice};
    EXPECT_EQ(voices_, expected) << click.x << "," << click.y;
  }
  voices_.clear();
  backlog_.LogMouseDown(MouseButton::Middle, 200, 48);
  EXPECT_TRUE(voices_.empty()) << "only the left button replays";
  const Bitmap24& pb = pb_.Picture();
  EXPECT_GT(CountPixels(pb, 150, 29, 150, 19, kWhite), 0) << "text in white";
  EXPECT_EQ(CountPixels(pb, 150, 48, 150, 19, kWhite), 0) << "a voice row shows no text";
  EXPECT_EQ(At(pb, 152, 50), kIconColour);
  EXPECT_EQ(
      CountPixels(pb, 150, 10, 150, 19, kWhite) + CountPixels(pb, 150, 10, 150, 19, kIconColour), 0)
      << "row 0 shows nothing";
}

TEST_F(BacklogTest, ScrollsByArrowsTrackThumbAndWheelWithinTheLines) {
  enum class Act { Wheel, Press, Move, Release };
  const struct {
    int lines;
    Act act;
    int x, y;  // a wheel step takes its delta from x
    int offset;
    int hover;
  } steps[] = {
      {100, Act::Wheel, 120, 0, 4, 0},
      {100, Act::Wheel, -120, 0, 0, 0},
      {100, Act::Wheel, -120, 0, 0, 0},  // the newest lines are already at the bottom
      {100, Act::Press, 700, 10, 2, 0},  // up arrow
      {100, Act::Release, 0, 0, 2, 0},
      {100, Act::Press, 721, 29, 4, 0},
      {100, Act::Release, 0, 0, 4, 0},
      {100, Act::Press, 700, 560, 2, 0},  // down arrow
      {100, Act::Release, 0, 0, 2, 0},
      {100, Act::Press, 700, 579, 0, 0},
      {100, Act::Release, 0, 0, 0, 0},
      {100, Act::Press, 700, 579, 0, 0},
      {100, Act::Release, 0, 0, 0, 0},
      {100, Act::Press, 690, 15, 0, 0},   // left of the bar
      {100, Act::Press, 700, 580, 0, 0},  // below it
      {100, Act::Press, 700, 40, 71, 0},  // the track's top: the oldest lines
      {100, Act::Release, 0, 0, 71, 0},
      {100, Act::Press, 700, 30, 71, 0},
      {100, Act::Release, 0, 0, 71, 0},
      {100, Act::Press, 700, 559, 0, 0},
      {100, Act::Release, 0, 0, 0, 0},
      {100, Act::Press, 700, 290, 35, 0},  // 71 * 250 / 500
      {100, Act::Move, 700, 165, 53, 0},   // the thumb follows: 71 * 375 / 500
      {100, Act::Move, 300, 0, 71, 0},     // wherever the pointer goes
      {100, Act::Move, 200, 67, 67, 0},    // over the list while dragging: no hover
      {100, Act::Release, 0, 0, 67, 0},
      {100, Act::Move, 700, 540, 67, 0},  // released: moving no longer scrolls
      {100, Act::Wheel, 120, 0, 71, 0},
      {100, Act::Wheel, 120, 0, 71, 0},  // the oldest lines are already at the top
      {100, Act::Press, 700, 20, 71, 0},
      {100, Act::Release, 0, 0, 71, 0},
      {100, Act::Move, 200, 67, 71, 3},  // hovering over row 3
      {100, Act::Move, 245, 560, 71, 28},
      {100, Act::Move, 246, 560, 71, 0},  // off the list
      {100, Act::Wheel, -120, 0, 67, 0},
      // Fewer lines than rows: there is nothing to scroll.
      {20, Act::Wheel, 120, 0, 0, 0},
      {20, Act::Press, 700, 15, 0, 0},
      {20, Act::Release, 0, 0, 0, 0},
      {20, Act::Press, 700, 40, 0, 0},
      {20, Act::Move, 700, 500, 0, 0},
      {20, Act::Release, 0, 0, 0, 0},
  };
  int lines = -1;
  std::unique_ptr<MessageOutput> output;
  std::unique_ptr<Backlog> log;
  for (size_t i = 0; i < std::size(steps); ++i) {
    const auto& step = steps[i];
    if (step.lines != lines) {
      lines = step.lines;
      output = std::make_unique<MessageOutput>(flags_, state_, outputHost_);
      flags_.BacklogOpen = false;
      log = std::make_unique<Backlog>(stage_, window_, *output, glyphs_, pb_, state_, flags_,
                                      archives_, trace_);
      for (int n = 0; n < lines; ++n) output->RecordVoice(VoiceName(n));
      log->OpenLog();
    }
    switch (step.act) {
      case Act::Wheel:
        log->LogWheel(step.x);
        break;
      case Act::Press:
        log->LogMouseDown(MouseButton::Left, step.x, step.y);
        break;
      case Act::Move:
        log->LogMouseMove(step.x, step.y);
        break;
      case Act::Release:
        log->LogMouseUp();
        break;
    }
    EXPECT_EQ(log->LogOffset(), step.offset) << "step " << i;
    EXPECT_EQ(log->LogHoverRow(), step.hover) << "step " << i;
    const int first = std::max(0, lines - (step.offset + kLogRows));
    EXPECT_EQ(log->LogRowVoice(1), VoiceName(first + 1)) << "step " << i;
    const int thumbTop = lines >= 30 ? 530 - step.offset * 500 / (lines - 29) : -1;
    EXPECT_EQ(ThumbTop(), thumbTop) << "step " << i;
  }
}

// ---- The page look-back -----------------------------------------------------------------------

TEST_F(BacklogTest, RecordingKeepsTextScreenModeVoicesAndS023InATwentyPageRing) {
  stage_.Tati("BGIRL,0");
  state_.S(sv::kFixed) = 7;
  output_.NewPage();
  Print("[voice v01]ab[col 2]cd[voice v02]");
  const auto text = output_.PageBytes();
  backlog_.RecordPage();
  EXPECT_EQ(backlog_.HistoryCount(), 1);
  EXPECT_EQ(backlog_.Entry(0).text, text);
  EXPECT_EQ(backlog_.Entry(0).screen, "ABACK1,BGIRL,0");
  EXPECT_EQ(backlog_.Entry(0).mode, 0);
  EXPECT_EQ(backlog_.Entry(0).voices, "v01 v02 ");
  EXPECT_EQ(backlog_.Entry(0).fixed, 7);
  EXPECT_EQ(output_.PageVoices(), "") << "the page's voice list is taken";

  stage_.Gra("S2a0 0", true);
  state_.S(sv::kTextMode) = 1;
  state_.S(sv::kFixed) = 0;
  output_.NewPage();
  Print("ef");
  backlog_.RecordPage();
  EXPECT_EQ(backlog_.Entry(1).screen, "S2a0,");
  EXPECT_EQ(backlog_.Entry(1).mode, 1);
  EXPECT_EQ(backlog_.Entry(1).voices, "");
  EXPECT_EQ(backlog_.Entry(1).fixed, 0);
  EXPECT_NE(backlog_.Entry(1).text, text);

  state_.S(sv::kTextMode) = 0;
  for (int page = 2; page < 22; ++page) RecordNumberedPage(page);
  EXPECT_EQ(backlog_.HistoryCount(), 22);
  EXPECT_EQ(backlog_.Entry(0).voices, "v20 ") << "page 20 took the place of page 0";
  EXPECT_EQ(backlog_.Entry(1).voices, "v21 ");
  EXPECT_EQ(backlog_.Entry(2).voices, "v2 ");
  EXPECT_EQ(backlog_.Entry(1).screen, "ABACK2,");
}

TEST_F(BacklogTest, LooksBackAtMostNineteenRecordedPagesAndLeavesAfterTheNewest) {
  const struct {
    int pages;
    std::string steps;  // '+' older, '-' newer
    std::vector<std::string> voices;
    int position;  // 0: left again
  } cases[] = {
      {5, "", {"v3"}, 2},
      {5, "++++", {"v3", "v2", "v1", "v0"}, 5},  // nothing older than the first page
      {5, "++-", {"v3", "v2", "v1", "v2"}, 3},
      {5, "-", {"v3", "v4"}, 0},  // leaving shows the current page again
      {5, "+--", {"v3", "v2", "v3", "v4"}, 0},
      {25,
       "++++++++++++++++++++",
       {"v23", "v22", "v21", "v20", "v19", "v18", "v17", "v16", "v15", "v14", "v13", "v12", "v11",
        "v10", "v9", "v8", "v7", "v6", "v5"},
       20},  // pages 0-4 are no longer kept
      {2, "++", {"v0"}, 2},
      {1, "+", {}, 2},  // no older page: the screen stays as it is
      {1, "+-", {"v0"}, 0},
      {0, "+-", {}, 0},
  };
  for (const auto& c : cases) {
    Backlog history(stage_, window_, output_, glyphs_, pb_, state_, flags_, archives_, trace_);
    history.playVoice = [this](std::string_view name) { voices_.emplace_back(name); };
    // The pages go into this look-back's ring.
    for (int page = 0; page < c.pages; ++page) {
      stage_.Gra(page % 2 == 0 ? "ABACK1 0" : "ABACK2 0", true);
      output_.NewPage();
      output_.RecordVoice(VoiceName(page));
      Print("page " + std::to_string(page));
      history.RecordPage();
    }
    voices_.clear();
    flags_.MenuLocked = false;
    history.OpenHistory();
    EXPECT_EQ(flags_.EngineState, EngineScreen::PageLookBack);
    EXPECT_TRUE(flags_.MenuLocked);
    for (char step : c.steps) history.StepHistory(step == '+' ? 1 : -1);
    EXPECT_EQ(voices_, c.voices) << c.pages << " pages, steps " << c.steps;
    EXPECT_EQ(history.HistoryPosition(), c.position) << c.pages << " pages, steps " << c.steps;
    EXPECT_EQ(flags_.EngineState,
              c.position == 0 ? EngineScreen::Story : EngineScreen::PageLookBack);
    EXPECT_EQ(flags_.MenuLocked, c.position != 0);
    history.CloseHistory();
    EXPECT_EQ(flags_.EngineState, EngineScreen::Story);
  }
}

TEST_F(BacklogTest, WithoutAnOlderPageTheScreenStaysAsItIs) {
  RecordNumberedPage(0);
  const Bitmap24 before = pb_.Picture();
  backlog_.OpenHistory();
  backlog_.StepHistory(1);
  EXPECT_TRUE(pb_.Picture() == before);
  EXPECT_EQ(backlog_.HistoryPosition(), 2);
}

TEST_F(BacklogTest, LookBackTextIsYellowOverThePageScreenWhateverItsColours) {
  // A full-screen page over ABACK2, printed in colour 2, then a window page over ABACK1.
  state_.S(sv::kWindowDarkness) = 8;
  state_.S(sv::kTextMode) = 1;
  stage_.Gra("ABACK2 0", true);
  output_.NewPage();
  Print("[col 2]ab[voice v0]");
  backlog_.RecordPage();
  state_.S(sv::kTextMode) = 0;
  RecordNumberedPage(1);  // odd: ABACK2 again, in window mode
  RecordNumberedPage(2);

  backlog_.OpenHistory();  // page 1: the window page
  const Bitmap24& pb = pb_.Picture();
  EXPECT_EQ(state_.S(sv::kTextMode), 0);
  EXPECT_EQ(At(pb, 400, 100), kBackground2);
  EXPECT_EQ(At(pb, 5, 590), Scaled(kBackground2, 165)) << "the panel, black at 90";
  EXPECT_GT(CountPixels(pb, 36, 478, 140, 35, kYellow), 0) << "row 1 after the indent";
  EXPECT_TRUE(stage_.Buffers().StageBuffer == pb);

  backlog_.StepHistory(1);  // page 0, in full-screen text
  EXPECT_EQ(state_.S(sv::kTextMode), 1);
  EXPECT_EQ(glyphs_.CurrentColour(), TextColourOf(0)) << "the colour is set back";
  Bitmap24 expected;
  Darken(Filled(kScreenWidth, kScreenHeight, kBackground2), expected, 8 * 16);
  glyphs_.SetTextColour(4);
  for (const auto& [character, x] : {std::pair{"a", 20}, std::pair{"b", 34}}) {
    glyphs_.PrepareCharacter(character);
    glyphs_.DrawGlyph(expected, x, 32);
  }
  glyphs_.SetTextColour(0);
  EXPECT_TRUE(pb == expected) << "yellow, never the page's colour 2";
  EXPECT_EQ(CountPixels(pb, 0, 0, 200, 100,
                        Pixel{TextColourOf(2).blue, TextColourOf(2).green, TextColourOf(2).red}),
            0);

  backlog_.StepHistory(1);  // nothing older was recorded
  EXPECT_TRUE(pb == expected);
  EXPECT_EQ(voices_.back(), "v0");
}

TEST_F(BacklogTest, LeavingRebuildsTheCurrentScreenInTheModeItHad) {
  RecordNumberedPage(0);  // ABACK1 with the girl
  RecordNumberedPage(1);  // ABACK2 alone
  stage_.Gra("ABACK1 0", true);
  stage_.Tati("BGIRL,0");  // the story has moved on to a screen not recorded yet
  state_.S(sv::kTextMode) = 0;
  flags_.MenuLocked = true;  // a choice is showing
  backlog_.OpenHistory();    // page 0: the girl
  EXPECT_EQ(At(pb_.Picture(), 400, 100), kGirl);
  EXPECT_EQ(At(pb_.Picture(), 100, 100), kBackground1);
  backlog_.StepHistory(-1);  // leaves, after showing page 1 once more
  EXPECT_EQ(voices_.back(), "v1");
  EXPECT_EQ(flags_.EngineState, EngineScreen::Story);
  EXPECT_EQ(At(pb_.Picture(), 400, 100), kGirl) << "the current screen, not page 1";
  EXPECT_EQ(At(stage_.Buffers().BackgroundBuffer, 400, 100), kBackground1);
  EXPECT_TRUE(flags_.MenuLocked) << "the choice still holds the menu";
  EXPECT_EQ(backlog_.OpenView(), BacklogView::None);
}

// ---- The picture view -------------------------------------------------------------------------

TEST_F(BacklogTest, HidingShowsTheSceneAndAClickBringsTheStageBack) {
  Bitmap24& stageBuffer = stage_.Buffers().StageBuffer;
  FillRect(stageBuffer, 0, 420, kScreenWidth, 180, {1, 2, 3});  // where the window would be
  const Bitmap24 stageBefore = stageBuffer;
  backlog_.HidePicture();
  EXPECT_TRUE(pb_.Picture() == stage_.Buffers().SceneBuffer);
  EXPECT_EQ(flags_.EngineState, EngineScreen::WindowHidden);
  EXPECT_TRUE(flags_.MenuLocked);
  EXPECT_EQ(backlog_.OpenView(), BacklogView::Picture);
  backlog_.HidePicture();  // already hidden: the kept stage is not replaced by the scene
  backlog_.RestorePicture();
  EXPECT_TRUE(pb_.Picture() == stageBefore);
  EXPECT_EQ(flags_.EngineState, EngineScreen::Story);
  EXPECT_FALSE(flags_.MenuLocked);
  EXPECT_EQ(backlog_.OpenView(), BacklogView::None);
  EXPECT_EQ(menuUpdates_, 2);
}

}  // namespace
}  // namespace tolven
