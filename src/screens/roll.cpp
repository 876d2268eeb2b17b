#include "screens/roll.h"

#include <algorithm>

#include "base/engine_values.h"
#include "graphics/blending.h"
#include "graphics/picture_copy.h"
#include "resources/archive_index.h"

namespace tolven {
namespace {

constexpr const char* kFace = "ＭＳ 明朝";
constexpr int kLineHeight = 32;  // also the height of the face
constexpr size_t kKeywordMax = 10;
constexpr uint32_t kFadeInterval = 30;
constexpr int kFadeEnd = 255;
constexpr int kGraFastStep = 16;
constexpr int kGraSlowStep = 8;
constexpr int kBoxFadeStep = 8;
constexpr uint32_t kWaitUnit = 100;
constexpr int kShadowOffset = 2;
constexpr TextRgb kBlack{0, 0, 0};
constexpr TextRgb kWhite{255, 255, 255};

bool EndsKeyword(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

// Where line i of n starts inside the box, for text `width` pixels wide.
struct LinePlace {
  int64_t x;
  int64_t y;
};

LinePlace PlaceLine(const RollBox& box, RollAlign align, bool centreVertically, int64_t width,
                    size_t i, size_t n) {
  int64_t y = static_cast<int64_t>(i) * kLineHeight;
  if (centreVertically) y += (box.Height() - static_cast<int64_t>(n) * kLineHeight) / 2;
  int64_t x = 0;
  if (align == RollAlign::Centre) x = (box.Width() - width) / 2;
  if (align == RollAlign::Right) x = box.Width() - width;
  return {x, y};
}

}  // namespace

ScreenText& RollScreen::Font() {
  if (!font_) font_.emplace(kFace, kLineHeight);
  return *font_;
}

// Only the close query leaves a request while a roll runs: a roll is no blocking effect, so
// clicks come to Press instead, and the close query answers the player's yes to quitting with
// a request. That request is the roll's stop flag. The question itself is modal inside the
// message processing of the roll's waits and fades, so the roll holds while it is on screen.
bool RollScreen::StopRequested() const {
  return parts_.flags.InterruptRequest != Interrupt::None;
}

void RollScreen::Roll(std::string_view name) {
  parts_.engine.StopSkipAndAuto(true);
  if (!parts_.definitions.Load(parts_.archives, name)) {
    if (parts_.trace.Enabled()) {
      parts_.trace.WriteGameText("roll: no such text: " + std::string(name));
    }
    return;
  }
  // The text buffer is shared with every screen laid out by text; the roll keeps its own lines.
  std::vector<std::string> lines;
  for (uint32_t position = 0; position < parts_.definitions.DefinitionSize();) {
    lines.push_back(parts_.definitions.ReadDefLine(position));
  }
  parts_.flags.EngineState = EngineScreen::Roll;
  parts_.flags.InterruptRequest = Interrupt::None;
  rolling_ = true;
  box_ = RollBox();
  align_ = RollAlign::Centre;
  centreVertically_ = true;
  // A WAIT before any RESET or HOOK counts from the start of the roll.
  timeBase_ = parts_.clock.Now();
  hook_ = false;
  text_.clear();
  textEnded_ = false;
  for (const std::string& line : lines) {
    RunLine(line);
    if (StopRequested()) break;
  }
  parts_.flags.InterruptRequest = Interrupt::None;
  text_.clear();
  textPicture_ = Bitmap24();
  workPicture_ = Bitmap24();
  rolling_ = false;
  parts_.flags.EngineState = EngineScreen::Story;
}

void RollScreen::RunLine(const std::string& raw) {
  if (parts_.trace.Enabled()) parts_.trace.WriteGameText(raw);
  std::string_view line = raw;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.empty() || (line.front() != '*' && line.front() != '@')) {
    if (textEnded_) text_.clear();
    textEnded_ = false;
    text_.emplace_back(line);
    return;
  }
  textEnded_ = true;
  const std::string_view body = line.substr(1);
  size_t length = 0;
  while (length < body.size() && length < kKeywordMax && !EndsKeyword(body[length])) ++length;
  // The argument follows the blank that ends the word, however long the word is.
  size_t blank = length;
  while (blank < body.size() && !EndsKeyword(body[blank])) ++blank;
  const std::string_view argument =
      blank < body.size() ? body.substr(blank + 1) : std::string_view();
  SubCommand(UpperCaseName(body.substr(0, length)), argument);
}

void RollScreen::SubCommand(std::string_view keyword, std::string_view argument) {
  if (keyword == "MUSIC") {
    parts_.music.SetMusic(FieldNumber(argument, 0), parts_.state);
  } else if (keyword == "GRA") {
    Gra(argument);
  } else if (keyword == "WIN") {
    box_ = {FieldNumber(argument, 0), FieldNumber(argument, 1), FieldNumber(argument, 2),
            FieldNumber(argument, 3)};
  } else if (keyword == "PUT") {
    Put(FieldNumber(argument, 0));
  } else if (keyword == "ERA") {
    Era(FieldNumber(argument, 0));
  } else if (keyword == "RESET") {
    timeBase_ = parts_.clock.Now();
  } else if (keyword == "WAIT") {
    Wait(FieldNumber(argument, 0));
  } else if (keyword == "CENTER") {
    Center(argument);
  } else if (keyword == "HOOK") {
    timeBase_ = parts_.clock.Now();
    hook_ = true;
  }
}

void RollScreen::Gra(std::string_view argument) {
  const size_t end = argument.find_first_of(", \t");
  const std::string name(argument.substr(0, end));
  const size_t comma = argument.find(',');
  const int mode = comma == std::string_view::npos ? 1 : FieldNumber(argument.substr(comma), 1);
  ScreenBuffers& buffers = parts_.stage.Buffers();
  // The scene stays the screen's size whatever the picture's; a missing one leaves it as it was.
  Bitmap24 picture;
  if (parts_.stage.LoadPicture(name, picture)) CopyTopLeftArea(picture, buffers.SceneBuffer);
  if (mode == 1 || mode == 2) {
    Fade(buffers.SceneBuffer, 0, 0, mode == 1 ? kGraFastStep : kGraSlowStep);
  }
  CopyPicture(buffers.SceneBuffer, buffers.StageBuffer);
  ShowStage();
}

PbArea RollScreen::VisibleBox() const {
  const Bitmap24& stage = parts_.stage.Buffers().StageBuffer;
  const int left = std::clamp(box_.left, 0, stage.Width());
  const int top = std::clamp(box_.top, 0, stage.Height());
  const int right = std::clamp(box_.right, left, stage.Width());
  const int bottom = std::clamp(box_.bottom, top, stage.Height());
  return {left, top, right - left, bottom - top};
}

// The box's part of the scene with the text written over it, each line with a shadow.
void RollScreen::BuildTextPicture(const PbArea& visible) {
  textPicture_.Resize(visible.width, visible.height);
  CopyRect(parts_.stage.Buffers().SceneBuffer, visible.x, visible.y, visible.width, visible.height,
           textPicture_, 0, 0);
  ScreenText& font = Font();
  for (size_t i = 0; i < text_.size(); ++i) {
    const std::string& line = text_[i];
    const int64_t width = font.Width(line);
    const LinePlace place = PlaceLine(box_, align_, centreVertically_, width, i, text_.size());
    // In the picture's own pixels; lines wholly outside it are not drawn at all.
    const int64_t x = box_.left + place.x - visible.x;
    const int64_t y = box_.top + place.y - visible.y;
    if (y + kLineHeight + kShadowOffset <= 0 || y >= visible.height) continue;
    if (x + width + kShadowOffset <= 0 || x >= visible.width) continue;
    const auto px = static_cast<int>(x);
    const auto py = static_cast<int>(y);
    font.Draw(line, textPicture_, px + kShadowOffset, py + kShadowOffset, kBlack);
    font.Draw(line, textPicture_, px, py, kWhite);
  }
}

void RollScreen::Put(int n) {
  if (n != 0 && n != 1) return;
  const PbArea visible = VisibleBox();
  ScreenBuffers& buffers = parts_.stage.Buffers();
  if (visible.width > 0 && visible.height > 0) {
    BuildTextPicture(visible);
    if (n == 1) Fade(textPicture_, visible.x, visible.y, kBoxFadeStep);
    CopyRect(textPicture_, 0, 0, visible.width, visible.height, buffers.StageBuffer, visible.x,
             visible.y);
  }
  ShowStage();
}

void RollScreen::Era(int n) {
  ScreenBuffers& buffers = parts_.stage.Buffers();
  if (n == 0) {
    CopyPicture(buffers.SceneBuffer, buffers.StageBuffer);
  } else if (n == 1) {
    const PbArea visible = VisibleBox();
    if (visible.width > 0 && visible.height > 0) {
      textPicture_.Resize(visible.width, visible.height);
      CopyRect(buffers.SceneBuffer, visible.x, visible.y, visible.width, visible.height,
               textPicture_, 0, 0);
      Fade(textPicture_, visible.x, visible.y, kBoxFadeStep);
      CopyRect(buffers.SceneBuffer, visible.x, visible.y, visible.width, visible.height,
               buffers.StageBuffer);
    }
  } else {
    return;
  }
  ShowStage();
}

// Messages are processed at least every 100 ms, so the close query can stop a long wait.
void RollScreen::Wait(int n) {
  const int64_t end = int64_t{timeBase_} + int64_t{n} * kWaitUnit;
  for (;;) {
    const int64_t left = end - int64_t{parts_.clock.Now()};
    if (left <= 0 || StopRequested()) break;
    parts_.clock.WaitUntil(parts_.clock.Now() +
                           static_cast<uint32_t>(std::min<int64_t>(left, kWaitUnit)));
  }
  timeBase_ = parts_.clock.Now();
}

void RollScreen::Center(std::string_view letters) {
  align_ = RollAlign::Left;
  centreVertically_ = false;
  for (char c : letters) {
    if (c == 'X') align_ = RollAlign::Centre;
    if (c == 'Y') centreVertically_ = true;
    if (c == 'R') align_ = RollAlign::Right;
  }
}

// A slow frame moves the fade on by every interval that passed, so it never lasts longer.
void RollScreen::Fade(const Bitmap24& target, int x, int y, int step) {
  const Bitmap24& stage = parts_.stage.Buffers().StageBuffer;
  const int width = target.Width();
  const int height = target.Height();
  if (target.Empty() || x < 0 || y < 0 || x + width > stage.Width() ||
      y + height > stage.Height()) {
    return;
  }
  workPicture_.Resize(width, height);
  const size_t offset = 3 * static_cast<size_t>(x);
  parts_.clock.StartFrameClock();
  for (int level = 0; level < kFadeEnd;) {
    for (int row = 0; row < height; ++row) {
      WeightedMix(target.Row(row), stage.Row(y + row) + offset, level, workPicture_.Row(row),
                  target.RowBytes());
    }
    CopyRect(workPicture_, 0, 0, width, height, parts_.pb.Draw(x, y, width, height), x, y);
    parts_.host.Present();
    // Capped so that a stall of any length cannot overflow the level.
    const uint32_t passed = std::min<uint32_t>(parts_.clock.WaitFrames(kFadeInterval), 256);
    level += step * static_cast<int>(passed);
  }
}

void RollScreen::ShowStage() {
  CopyPicture(parts_.stage.Buffers().StageBuffer, parts_.pb.Draw());
  parts_.host.Present();
}

void RollScreen::FrameStep() {
  if (!rolling_) language_.Step();
}

void RollScreen::Press(MouseButton, int, int) {
  if (!rolling_) language_.Click();
}

bool RollScreen::WaitsForInput() const {
  return !rolling_ && language_.WaitsForClick();
}

}  // namespace tolven
