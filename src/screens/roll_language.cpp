#include "screens/roll_language.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "base/engine_values.h"
#include "graphics/blending.h"
#include "graphics/picture_copy.h"
#include "script/command_table.h"
#include "text/cp932_table.h"

namespace tolven {
namespace {

constexpr const char* kFace = "ＭＳ 明朝";
constexpr int kCell = 24;
constexpr int kCellsPerColumn = 12;
constexpr int kColumnHeight = kCell * kCellsPerColumn;  // 288
constexpr int kColumns = 8;
constexpr int kVerticalWidth = kCell;
constexpr int kVerticalHeight = kColumnHeight * kColumns;  // 2304: 96 characters
constexpr int kHorizontalWidth = kColumnHeight;            // 288: 12 characters
constexpr int kHorizontalHeight = kCell * kColumns;        // 192: 8 lines
constexpr uint32_t kFullWidthBlank = 0x8140;               // "　"
constexpr uint32_t kPauseSleep = 100;
constexpr uint32_t kPauseUnit = 100;
// Text and comments read on in the same frame; a script of nothing but text still gives the
// window back now and then.
constexpr int kLinesPerStep = 64;
// Lines past the strip's end are counted no further than this.
constexpr int kLastIndex = 1 << 16;
// A strip placed further off the screen than this shows nothing either way; held here, its
// rows' places stay far from the ends of an int.
constexpr int kFarAway = 1 << 20;
constexpr uint8_t kSeeThrough[3] = {0, 0, 0};
constexpr TextRgb kWhite{255, 255, 255};
constexpr int kNoFilter = 0;
constexpr int kDarkFilter = 1;
constexpr int kSepiaFilter = 2;
constexpr int kFullBrightness = 16;

struct Animation {
  uint32_t steps;
  uint32_t period;
  bool fade;
};

// By the number of `put` and `era`; 0 and numbers past 5 have none.
constexpr std::array<Animation, 5> kAnimations = {{
    {108, 60, false},
    {80, 60, false},
    {24, 60, false},
    {32, 40, true},
    {60, 60, false},
}};

}  // namespace

RollLanguage::ScreenRow RollLanguage::RowOnScreen(bool vertical, int posX, int posY, int row) {
  if (!vertical) return {posX, posY + row, kHorizontalWidth};
  const int column = row / kColumnHeight;
  return {posX + (kColumns - 1 - column) * kCell, posY + row % kColumnHeight, kVerticalWidth};
}

ScreenText& RollLanguage::Font() {
  if (!font_) font_.emplace(kFace, kCell);
  return *font_;
}

void RollLanguage::Begin() {
  active_ = true;
  clickWait_ = false;
  pauseStart_.reset();
  posX_ = 0;
  posY_ = 0;
  SetLayout(2);
  expectedPos_ = parts_.interpreter.State().ReadPos;
}

// 1 and 5 are vertical; every other number lays the text out in lines.
void RollLanguage::SetLayout(int type) {
  vertical_ = type == 1 || type == 5;
  strip_ = Bitmap24();
  if (vertical_) {
    strip_.Resize(kVerticalWidth, kVerticalHeight);
  } else {
    strip_.Resize(kHorizontalWidth, kHorizontalHeight);
  }
  next_ = 0;
}

void RollLanguage::Step() {
  const InterpreterState& script = parts_.interpreter.State();
  if (!active_ || script.ReadPos != expectedPos_) Begin();
  if (clickWait_) return;
  if (pauseStart_) {
    if (parts_.clock.Now() - *pauseStart_ < pauseLength_) {
      parts_.host.Sleep(kPauseSleep);
      return;
    }
    pauseStart_.reset();
  }
  for (int lines = 0; lines < kLinesPerStep; ++lines) {
    if (script.ReadPos >= parts_.interpreter.ScriptSize()) {
      clickWait_ = true;
      return;
    }
    const std::string line = ReadLine();
    if (parts_.trace.Enabled()) parts_.trace.WriteGameText(line);
    if (!line.empty() && line.front() == '*') {
      Command(line);
      return;
    }
    if (!line.empty() && line.front() == ';') continue;
    WriteText(line);
  }
}

std::string RollLanguage::ReadLine() {
  InterpreterState& script = parts_.interpreter.State();
  const std::string_view image = parts_.interpreter.Image();
  const size_t start = script.ReadPos;
  const size_t zero = image.find('\0', start);
  const size_t end = zero == std::string_view::npos ? image.size() : zero;
  script.ReadPos = static_cast<uint32_t>(zero == std::string_view::npos ? end : end + 1);
  expectedPos_ = script.ReadPos;
  std::string line(image.substr(start, end - start));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// Every command ends the frame's step.
void RollLanguage::Command(std::string_view line) {
  const std::string_view name = line.substr(1);
  ScriptState& state = parts_.state;
  if (StartsWithIgnoringCase(name, "gra ")) {
    parts_.stage.SetGrbMark(false);
    parts_.stage.Gra(TextAt(line, 5), true);
    // As after the story's own `gra`: a cut-short transition is over, a close request asks.
    const Interrupt request = parts_.flags.InterruptRequest;
    parts_.flags.InterruptRequest = Interrupt::None;
    if (request == Interrupt::Close) parts_.engine.ConfirmQuitAfterEffect();
  } else if (StartsWithIgnoringCase(name, "music ")) {
    parts_.music.SetMusic(NumberAt(line, 7), state);
  } else if (StartsWithIgnoringCase(name, "pos ")) {
    posX_ = std::clamp(FieldNumber(TextAt(line, 5), 0), -kFarAway, kFarAway);
    posY_ = std::clamp(FieldNumber(TextAt(line, 5), 1), -kFarAway, kFarAway);
  } else if (StartsWithIgnoringCase(name, "wait ")) {
    const int32_t units = NumberAt(line, 6);
    if (units > 0) {
      pauseStart_ = parts_.clock.Now();
      pauseLength_ = static_cast<uint32_t>(
          std::min<int64_t>(int64_t{units} * kPauseUnit, std::numeric_limits<int32_t>::max()));
    }
  } else if (StartsWithIgnoringCase(name, "put")) {
    Animate(NumberAt(line, 4), true);
  } else if (StartsWithIgnoringCase(name, "era")) {
    Animate(NumberAt(line, 4), false);
  } else if (StartsWithIgnoringCase(name, "end")) {
    Finish();
    parts_.flags.EngineState = EngineScreen::Story;
  } else if (StartsWithIgnoringCase(name, "type ")) {
    SetLayout(NumberAt(line, 6));
  } else if (StartsWithIgnoringCase(name, "dark ")) {
    const int32_t brightness = NumberAt(line, 6);
    if (brightness == kFullBrightness) {
      state.S(sv::kSceneFilter) = kNoFilter;
    } else {
      state.S(sv::kSceneFilter) = kDarkFilter;
      state.S(sv::kSceneBrightness) = brightness;
    }
  } else if (StartsWithIgnoringCase(name, "click")) {
    clickWait_ = true;
  } else if (StartsWithIgnoringCase(name, "sepia")) {
    state.S(sv::kSceneFilter) = kSepiaFilter;
  } else if (parts_.trace.Enabled()) {
    parts_.trace.Write("roll language: unknown command");
  }
}

// A vertical line is a column of cells, one character a cell, the full-width blank leaving
// its cell empty; a horizontal one is a line of text. An empty line moves on all the same.
void RollLanguage::WriteText(std::string_view line) {
  const int index = next_;
  next_ = std::min(next_ + 1, kLastIndex);
  if (index >= kColumns) return;
  ScreenText& font = Font();
  if (!vertical_) {
    font.Draw(line, strip_, 0, kCell * index, kWhite);
    return;
  }
  int cell = 0;
  for (size_t i = 0; i < line.size();) {
    const auto lead = static_cast<uint8_t>(line[i]);
    const size_t length = IsLeadByte(lead) && i + 1 < line.size() ? 2 : 1;
    const std::string_view character = line.substr(i, length);
    i += length;
    // Cells past a column's twelfth run on into the next column's place, as the strip lays
    // them out; past the strip they are dropped.
    const int y = kColumnHeight * index + kCell * cell;
    if (y >= kVerticalHeight) break;
    ++cell;
    const uint32_t code =
        length == 2 ? (uint32_t{lead} << 8 | static_cast<uint8_t>(character[1])) : lead;
    if (code != kFullWidthBlank) font.Draw(character, strip_, 0, y, kWhite);
  }
}

PbArea RollLanguage::Area() const {
  if (vertical_) return {posX_, posY_, kColumns * kCell, kColumnHeight};
  return {posX_, posY_, kHorizontalWidth, kHorizontalHeight};
}

void RollLanguage::DrawRows(int begin, int end) {
  const PbArea area = Area();
  const Bitmap24& stage = parts_.stage.Buffers().StageBuffer;
  Bitmap24& pb = parts_.pb.Draw(area.x, area.y, area.width, area.height);
  CopyRect(stage, area.x, area.y, area.width, area.height, pb);
  for (int row = begin; row < end; ++row) {
    const ScreenRow at = RowOnScreen(vertical_, posX_, posY_, row);
    CopyRectKeyed(strip_, 0, row, at.width, 1, pb, at.x, at.y, kSeeThrough);
  }
}

// The strip over StageBuffer with `weight` of 256, the rest StageBuffer.
void RollLanguage::DrawFade(int weight) {
  const Bitmap24& stage = parts_.stage.Buffers().StageBuffer;
  CopyPicture(stage, over_);
  for (int row = 0; row < strip_.Height(); ++row) {
    const ScreenRow at = RowOnScreen(vertical_, posX_, posY_, row);
    CopyRectKeyed(strip_, 0, row, at.width, 1, over_, at.x, at.y, kSeeThrough);
  }
  const PbArea area = Area();
  Bitmap24& pb = parts_.pb.Draw(area.x, area.y, area.width, area.height);
  const int left = std::clamp(area.x, 0, stage.Width());
  const int right = std::clamp(area.x + area.width, left, stage.Width());
  if (pb.Width() != stage.Width() || pb.Height() != stage.Height()) return;
  for (int y = std::max(area.y, 0); y < std::min(area.y + area.height, stage.Height()); ++y) {
    const size_t offset = 3 * static_cast<size_t>(left);
    WeightedMix(over_.Row(y) + offset, stage.Row(y) + offset, weight, pb.Row(y) + offset,
                3 * static_cast<size_t>(right - left));
  }
}

void RollLanguage::Animate(int number, bool showing) {
  const int total = strip_.Height();
  auto draw = [&](uint32_t step, const Animation& animation) {
    if (animation.fade) {
      const auto weight = static_cast<int>(256 * step / animation.steps);
      DrawFade(showing ? weight : 256 - weight);
    } else {
      const auto reached = static_cast<int>(static_cast<int64_t>(total) * step / animation.steps);
      if (showing) {
        DrawRows(0, reached);
      } else {
        DrawRows(reached, total);
      }
    }
    parts_.host.Present();
  };
  if (number >= 1 && number <= static_cast<int>(kAnimations.size())) {
    const Animation& animation = kAnimations[static_cast<size_t>(number - 1)];
    parts_.flags.InterruptRequest = Interrupt::None;
    parts_.clock.StartFrameClock();
    for (uint32_t step = 0; step < animation.steps;) {
      draw(step, animation);
      step += std::min(parts_.clock.WaitFrames(animation.period), animation.steps);
      // A click meanwhile has ended the language, a load has put another game on the screen:
      // nothing more is drawn. The player agreeing to quit only cuts the animation short.
      if (!active_ || parts_.flags.EngineState != EngineScreen::Roll) return;
      if (parts_.flags.InterruptRequest != Interrupt::None) break;
    }
  }
  if (showing) {
    DrawRows(0, total);
  } else {
    DrawRows(0, 0);
  }
  parts_.host.Present();
}

void RollLanguage::Finish() {
  active_ = false;
  clickWait_ = false;
  pauseStart_.reset();
  strip_ = Bitmap24();
  over_ = Bitmap24();
  parts_.state.S(sv::kSceneFilter) = kNoFilter;
}

void RollLanguage::Click() {
  Finish();
  parts_.flags.EngineState = EngineScreen::Story;
  Interpreter& interpreter = parts_.interpreter;
  if (!interpreter.ReturnFromCall()) interpreter.ReturnFromReplay();
  interpreter.State().NeedLine = true;
}

}  // namespace tolven
