#include "script/choices.h"

#include <algorithm>

#include "base/engine_values.h"
#include "graphics/blending.h"
#include "graphics/picture_copy.h"
#include "resources/picture_loader.h"
#include "script/interpreter.h"
#include "script/variables.h"

namespace tolven {
namespace {

constexpr int kButtonFaceRows = 48;
constexpr int kAnswerPitch = 50;
constexpr int kWindowCentre = 190;
constexpr int kNarrowAnswerBytes = 27;  // longer answers take the wide button
constexpr int kTextPitch = 12;          // pixels a byte of answer text
constexpr size_t kAnswerCharacters = 64;
constexpr size_t kRowTextBytes = 63;
constexpr int kBlinkInterval = 100;
constexpr int kBlinks = 4;
constexpr int kReplayBlinks = 14;
constexpr const char* kPickSound = "SSE01";
constexpr const char* kOpenSound = "SSE02";
// Full-screen answers: rows of the text page.
constexpr int kFullLeft = 20;
constexpr int kFullTop = 32;
constexpr int kFullRowPitch = 38;
constexpr int kHighlightColour = 0;
constexpr int kPlainAnswerColour = 8;
constexpr int kHighlightedWindowColour = 2;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsLead(char c) {
  return static_cast<uint8_t>(c) >= 0x80;
}

}  // namespace

Choices::Choices(Interpreter& interpreter, Variables& variables, Stage& stage, Glyphs& glyphs,
                 MessageOutput& output, PaintBox& pb, FrameClock& clock, Host& host,
                 ScriptState& state, EngineFlags& flags, const Archives& archives,
                 DefinitionText& definitions, Trace& trace)
    : interpreter_(interpreter),
      variables_(variables),
      stage_(stage),
      glyphs_(glyphs),
      output_(output),
      pb_(pb),
      clock_(clock),
      host_(host),
      state_(state),
      flags_(flags),
      archives_(archives),
      definitions_(definitions),
      trace_(trace) {}

void Choices::LoadChoicePictures() {
  PictureLoader loader(archives_);
  // Without its button pictures a window select has answers nobody can click.
  for (const auto& [name, picture] :
       {std::pair{"sys_sw", &narrowButton_}, {"sys_sw2", &wideButton_}}) {
    if (!loader.LoadPicture(name, *picture) && trace_.Enabled()) {
      trace_.Write(std::string("picture not found: ") + name);
    }
  }
  Bitmap24 tiles;
  if (loader.LoadPicture("sys_st", tiles) && tiles.Width() >= 136 && tiles.Height() >= 120) {
    for (int t = 0; t < 4; ++t) {
      treeTiles_[t] = Bitmap24(136, 30);
      CopyRect(tiles, 0, 30 * t, 136, 30, treeTiles_[t], 0, 0);
    }
    treeTiles_[4] = treeTiles_[1];
    for (size_t i = 0; i < treeTiles_[4].SizeBytes(); ++i) treeTiles_[4].Data()[i] /= 2;
  }
  if (definitions_.Load(archives_, "seltree")) ReadSeltreeDefinition();
}

void Choices::PlayPickSound() {
  const std::string row = variables_.StringRow(sr::kPickSound);
  if (playSound) playSound(row.empty() ? std::string_view(kPickSound) : std::string_view(row));
}

// While the recollection records (S151 = 1), each answer goes into the choice record.
void Choices::RecordAnswer() {
  if (state_.S(sv::kAutoNavigation) != 1) return;
  const int index = state_.S(sv::kAutoNavigationSaved);
  if (index < 0) return;
  if (choiceRecord_.size() <= static_cast<size_t>(index)) {
    choiceRecord_.resize(static_cast<size_t>(index) + 1);
  }
  choiceRecord_[static_cast<size_t>(index)] = static_cast<uint8_t>(highlight_);
  ++state_.S(sv::kAutoNavigationSaved);
}

void Choices::ShowStage() {
  CopyPicture(stage_.Buffers().StageBuffer, pb_.Draw());
  host_.Present();
}

void Choices::JumpToChoice(int entry) {
  if (entry < 1 || entry > static_cast<int>(entries_.size())) return;
  InterpreterState& script = interpreter_.State();
  script.ReadPos = entries_[static_cast<size_t>(entry - 1)].position;
  state_.S(sv::kResumePoint) = 0;
  script.NeedLine = true;
}

// ---- select -----------------------------------------------------------------------------------

void Choices::OpenSelect() {
  if (playSound) playSound(kOpenSound);
  const bool fullScreen = state_.S(sv::kTextMode) != 0;
  flags_.ChoiceMode = fullScreen ? ChoiceKind::SelectFullScreen : ChoiceKind::Select;
  flags_.Busy = true;
  entries_.clear();
  const std::string_view image = interpreter_.Image();
  uint32_t position = interpreter_.State().ReadPos;
  int row = output_.TextRow();
  for (int i = 0; i < kMaxChoiceEntries; ++i) {
    const uint32_t open = interpreter_.SkipToLine(position, '{');
    const uint32_t close = interpreter_.SkipToLine(position, '}');
    if (open == kNoLine || open >= close) {
      closePosition_ = close;
      break;
    }
    ChoiceEntry entry;
    const bool shown = ReadAnswer(open, entry);
    const size_t lineEnd = image.find('\0', open);
    position = lineEnd == std::string_view::npos ? interpreter_.ScriptSize()
                                                 : static_cast<uint32_t>(lineEnd + 1);
    if (!shown) continue;
    // Every answer has the rectangle of its row, those taken from a string row included.
    const int length = static_cast<int>(entry.text.size());
    entry.x1 = kFullLeft;
    entry.x2 = 48 + 14 * length;
    entry.y1 = kFullTop + kFullRowPitch * row;
    entry.y2 = 62 + kFullRowPitch * row;
    ++row;
    entries_.push_back(std::move(entry));
  }
  ScreenBuffers& buffers = stage_.Buffers();
  CopyPicture(buffers.StageBuffer, buffers.PreviousBuffer);
  if (!fullScreen) DrawAnswerWindow();
  highlight_ = -1;
  HoverChoice(pointerX_, pointerY_);
  flags_.Busy = false;
  if (!fullScreen && state_.S(sv::kAutoNavigation) == 2) TakeRecordedAnswer();
}

// Reads the branch line after its '{'; false when its condition leaves it out.
bool Choices::ReadAnswer(uint32_t lineStart, ChoiceEntry& entry) {
  const std::string_view image = interpreter_.Image();
  size_t at = lineStart + 1;
  const size_t lineEnd = std::min(image.find('\0', at), image.size());
  entry.position = static_cast<uint32_t>(std::min(lineEnd + 1, image.size()));
  for (size_t taken = 0; at < lineEnd && taken < kAnswerCharacters; ++taken) {
    const char c = image[at];
    if (c == '(') {
      const size_t closing = image.find(')', at);
      const size_t end = std::min(closing, lineEnd);
      if (!variables_.TestCondition(image.substr(at + 1, end - at - 1))) return false;
      at = end < lineEnd ? end + 1 : lineEnd;
      continue;
    }
    if (c == '$') {
      const char digit = at + 1 < lineEnd ? image[at + 1] : '0';
      std::string text = variables_.StringRow(IsDigit(digit) ? digit - '0' : 0);
      if (text.size() > kRowTextBytes) text.resize(kRowTextBytes);
      entry.text = std::move(text);
      // The body starts right after the digit: text after it is read as its first line.
      entry.position = static_cast<uint32_t>(std::min(at + 2, lineEnd));
      return true;
    }
    const size_t length = IsLead(c) && at + 1 < lineEnd ? 2 : 1;
    entry.text.append(image.substr(at, length));
    at += length;
  }
  return true;
}

void Choices::DrawAnswerWindow() {
  const int count = static_cast<int>(entries_.size());
  top_ = kWindowCentre - 25 * count;
  size_t longest = 0;
  for (const ChoiceEntry& entry : entries_) longest = std::max(longest, entry.text.size());
  const Bitmap24& button =
      longest > static_cast<size_t>(kNarrowAnswerBytes) ? wideButton_ : narrowButton_;
  width_ = button.Width();
  left_ = (kScreenWidth - width_) / 2;
  ScreenBuffers& buffers = stage_.Buffers();
  CopyPicture(buffers.StageBuffer, buffers.ChoiceBuffer);
  for (int i = 0; i < count; ++i) {
    const int y = top_ + kAnswerPitch * i;
    for (Bitmap24* target : {&buffers.StageBuffer, &buffers.ChoiceBuffer}) {
      for (int r = 0; r < kButtonFaceRows && r + kButtonFaceRows < button.Height(); ++r) {
        if (y + r < 0 || y + r >= target->Height()) continue;
        const int x = std::max(left_, 0);
        const int end = std::min(left_ + width_, target->Width());
        if (x >= end) continue;
        uint8_t* row = target->Row(y + r) + 3 * x;
        const size_t skip = 3 * static_cast<size_t>(x - left_);
        MaskedBlend(row, button.Row(r) + skip, button.Row(r + kButtonFaceRows) + skip, row,
                    3 * static_cast<size_t>(end - x));
      }
    }
    DrawAnswerText(entries_[static_cast<size_t>(i)], i);
  }
  ShowStage();
}

// Normal on the stage, highlighted on the choice buffer, so a highlight is a rectangle copy.
void Choices::DrawAnswerText(const ChoiceEntry& entry, int row) {
  const int length = static_cast<int>(entry.text.size());
  const int y = top_ + kAnswerPitch * row + 8;
  ScreenBuffers& buffers = stage_.Buffers();
  for (auto [target, colour] : {std::pair{&buffers.StageBuffer, kHighlightColour},
                                std::pair{&buffers.ChoiceBuffer, kHighlightedWindowColour}}) {
    glyphs_.SetTextColour(colour);
    int x = left_ + (width_ - kTextPitch * length) / 2 - 4;
    for (size_t i = 0; i < entry.text.size();) {
      const size_t bytes = IsLead(entry.text[i]) && i + 1 < entry.text.size() ? 2 : 1;
      glyphs_.PrepareCharacter(std::string_view(entry.text).substr(i, bytes));
      glyphs_.DrawGlyph(*target, x, y);
      x += kTextPitch * static_cast<int>(bytes);
      i += bytes;
    }
  }
}

void Choices::HoverChoice(int x, int y) {
  pointerX_ = x;
  pointerY_ = y;
  switch (flags_.ChoiceMode) {
    case ChoiceKind::Select:
    case ChoiceKind::SelectFullScreen:
      HoverSelect(x, y);
      break;
    case ChoiceKind::Clickmap:
      HoverClickmap(x, y);
      break;
    case ChoiceKind::Seltree:
      HoverSeltree(x, y);
      break;
    default:
      break;
  }
}

void Choices::HoverSelect(int x, int y) {
  const int count = static_cast<int>(entries_.size());
  int index = 0;
  if (flags_.ChoiceMode == ChoiceKind::Select) {
    if (left_ < x && x < left_ + width_ && top_ < y && y < top_ + kAnswerPitch * count) {
      index = (y - top_) / kAnswerPitch + 1;
    }
  } else {
    for (int i = 0; i < count; ++i) {
      const ChoiceEntry& e = entries_[static_cast<size_t>(i)];
      if (e.x1 < x && x < e.x2 && e.y1 < y && y < e.y2) {
        index = i + 1;
        break;
      }
    }
  }
  if (index == highlight_) return;
  highlight_ = index;
  ScreenBuffers& buffers = stage_.Buffers();
  if (flags_.ChoiceMode == ChoiceKind::Select) {
    for (int i = 1; i <= count; ++i) {
      ShowAnswerRow(i, i == index ? buffers.ChoiceBuffer : buffers.StageBuffer);
    }
  } else {
    CopyPicture(buffers.PreviousBuffer, buffers.StageBuffer);
    for (int i = 1; i <= count; ++i) {
      const ChoiceEntry& e = entries_[static_cast<size_t>(i - 1)];
      glyphs_.DrawString(e.text, e.x1 + 2, e.y1 + 2, buffers.StageBuffer,
                         i == index ? kHighlightColour : kPlainAnswerColour);
    }
    CopyPicture(buffers.StageBuffer, pb_.Draw());
  }
  host_.Present();
}

void Choices::ShowAnswerRow(int index, const Bitmap24& source) {
  CopyRect(source, left_, top_ + kAnswerPitch * (index - 1), width_, kButtonFaceRows, pb_.Draw());
}

void Choices::MovePointerOverAnswers(int direction) {
  if (flags_.ChoiceMode != ChoiceKind::Select || entries_.empty()) return;
  const int count = static_cast<int>(entries_.size());
  int k = 0;
  if (direction < 0) {
    k = highlight_ < 2 || highlight_ > count ? 0 : highlight_ - 2;
  } else {
    k = highlight_ <= 0 || highlight_ >= count ? count - 1 : highlight_;
  }
  host_.WarpPointer(left_ + width_ - 7, top_ + 31 + kAnswerPitch * k);
}

void Choices::PickChoice(MouseButton button) {
  switch (flags_.ChoiceMode) {
    case ChoiceKind::Select:
    case ChoiceKind::SelectFullScreen:
      if (button == MouseButton::Left && highlight_ > 0) PickSelect();
      break;
    case ChoiceKind::Clickmap:
      if (highlight_ > 0) PickClickmap();
      break;
    case ChoiceKind::Seltree:
      PickSeltree();
      break;
    default:
      break;
  }
}

void Choices::PickSelect() {
  PlayPickSound();
  const bool replay = replayPick_;
  replayPick_ = false;
  RecordAnswer();
  const int chosen = highlight_;
  state_.S(sv::kClickmapPressed) = 0;
  if (flags_.ChoiceMode == ChoiceKind::Select) {
    // The blink lets input through; the choice is closed and input held meanwhile, so a second
    // click cannot pick again from inside the first pick.
    flags_.ChoiceMode = ChoiceKind::None;
    flags_.Busy = true;
    BlinkAnswer(replay ? kReplayBlinks : kBlinks);
    flags_.Busy = false;
    ScreenBuffers& buffers = stage_.Buffers();
    CopyPicture(buffers.PreviousBuffer, buffers.StageBuffer);
    ShowStage();
    if (flags_.WindowShown) output_.NewPage();
    JumpToChoice(chosen);
    return;
  }
  output_.NewPage();
  JumpToChoice(chosen);
  flags_.ChoiceMode = ChoiceKind::None;
}

void Choices::BlinkAnswer(int times) {
  ScreenBuffers& buffers = stage_.Buffers();
  clock_.StartFrameClock();
  uint32_t deadline = clock_.Now();
  for (int i = 0; i < times; ++i) {
    ShowAnswerRow(highlight_, i % 2 == 0 ? buffers.StageBuffer : buffers.ChoiceBuffer);
    host_.Present();
    deadline += kBlinkInterval;
    clock_.WaitUntil(deadline);
  }
}

// Auto-navigation replays the recorded answer at once, without the player.
void Choices::TakeRecordedAnswer() {
  const int index = state_.S(sv::kAutoNavigationTarget);
  const int answer = index >= 0 && static_cast<size_t>(index) < choiceRecord_.size()
                         ? choiceRecord_[static_cast<size_t>(index)]
                         : 0;
  ++state_.S(sv::kAutoNavigationTarget);
  if (state_.S(sv::kAutoNavigationTarget) >= state_.S(sv::kAutoNavigationSaved)) {
    state_.S(sv::kAutoNavigation) = 1;
    state_.S(sv::kAutoNavigationSaved) = state_.S(sv::kAutoNavigationTarget);
    if (onAutoNavigationEnd) onAutoNavigationEnd();
  }
  if (answer < 1 || answer > static_cast<int>(entries_.size())) return;
  highlight_ = answer;
  replayPick_ = true;
  PickChoice(MouseButton::Left);
}

std::optional<std::pair<int, int>> Choices::EntryPoint(int n) const {
  if (n < 1) return std::nullopt;
  const auto centre = [](const ChoiceEntry& e) {
    return std::pair{(e.x1 + e.x2) / 2, (e.y1 + e.y2) / 2};
  };
  switch (flags_.ChoiceMode) {
    case ChoiceKind::Select:
      // A button too narrow to hold a point strictly inside it cannot be hit.
      if (n > static_cast<int>(entries_.size()) || width_ < 2) return std::nullopt;
      return std::pair{left_ + width_ / 2, top_ + kAnswerPitch * (n - 1) + kAnswerPitch / 2};
    case ChoiceKind::SelectFullScreen:
      if (n > static_cast<int>(entries_.size())) return std::nullopt;
      return centre(entries_[static_cast<size_t>(n - 1)]);
    case ChoiceKind::Clickmap:
      for (const ChoiceEntry& e : entries_) {
        if (e.enabled && --n == 0) return centre(e);
      }
      return std::nullopt;
    case ChoiceKind::Seltree:
      return SeltreeRowPoint(n - 1);
    default:
      return std::nullopt;
  }
}

void Choices::CloseSelect() {
  if (flags_.ChoiceMode != ChoiceKind::Select) return;
  ScreenBuffers& buffers = stage_.Buffers();
  CopyPicture(buffers.PreviousBuffer, buffers.StageBuffer);
  ShowStage();
  flags_.ChoiceMode = ChoiceKind::None;
}

}  // namespace tolven
