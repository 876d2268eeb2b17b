// `clickmap`: places of the picture named in the "map" definition text become clickable.
#include <algorithm>
#include <cstdlib>

#include "base/engine_values.h"
#include "graphics/picture_copy.h"
#include "script/choices.h"
#include "script/command_table.h"
#include "script/interpreter.h"
#include "script/variables.h"

namespace tolven {
namespace {

constexpr int kLabelPixelEm = 16;
constexpr int kLabelHeight = 24;
constexpr int kLabelPadding = 32;
constexpr int kLabelEdge = 16;
constexpr size_t kMapNameBytes = 64;

int Number(const std::string& field) {
  return static_cast<int>(std::strtol(field.c_str(), nullptr, 10));
}

// The bar's soft ends fade from the screen into a blue band and back.
void DarkenLabelBar(Bitmap24& bar) {
  const int width = bar.Width();
  for (int y = 0; y < bar.Height(); ++y) {
    uint8_t* p = bar.Row(y);
    for (int k = 0; k < width; ++k, p += 3) {
      const int l = k - (width - kLabelEdge);
      if (k < kLabelEdge) {
        p[0] = static_cast<uint8_t>(p[0] * (32 - k) / 32 + 8 * k);
        p[1] = static_cast<uint8_t>(p[1] * (32 - k) / 32);
        p[2] = static_cast<uint8_t>(p[2] * (32 - k) / 32);
      } else if (l < 0) {
        p[0] = static_cast<uint8_t>(p[0] / 2 + 128);
        p[1] = static_cast<uint8_t>(p[1] / 2);
        p[2] = static_cast<uint8_t>(p[2] / 2);
      } else {
        p[0] = static_cast<uint8_t>(std::clamp(p[0] * (l + 16) / 32 - 8 * l + 120, 0, 255));
        p[1] = static_cast<uint8_t>(p[1] * (l + 16) / 32);
        p[2] = static_cast<uint8_t>(p[2] * (l + 16) / 32);
      }
    }
  }
}

}  // namespace

bool Choices::OpenClickmap(std::string_view name) {
  if (!ReadMap(name)) {
    // Built by appending: GCC 12 warns falsely (-Wrestrict) on "literal" + string at -O2.
    std::string why = "map not found: ";
    why += name;
    trace_.Write(why);
    return false;
  }
  ReadMapBranches();
  highlight_ = 0;
  flags_.ChoiceMode = ChoiceKind::Clickmap;
  HoverChoice(pointerX_, pointerY_);
  return true;
}

// The section ":NAME" of "map": a count, then a line "name,x1,y1,x2,y2" a place. More than 32
// places are cut to 32.
bool Choices::ReadMap(std::string_view name) {
  entries_.clear();
  if (!definitions_.Load(archives_, "map")) return false;
  uint32_t position = 0;
  std::string wanted = ":";
  wanted += name;
  bool found = false;
  while (position < definitions_.DefinitionSize()) {
    if (StartsWithIgnoringCase(definitions_.ReadDefLine(position), wanted)) {
      found = true;
      break;
    }
  }
  if (!found) return false;
  const int count = std::min(Number(definitions_.ReadDefLine(position)), kMaxChoiceEntries);
  for (int i = 0; i < count && position < definitions_.DefinitionSize(); ++i) {
    const std::string line = definitions_.ReadDefLine(position);
    ChoiceEntry entry;
    entry.text = Field(line, 0).substr(0, kMapNameBytes);
    entry.x1 = Number(Field(line, 1));
    entry.y1 = Number(Field(line, 2));
    entry.x2 = Number(Field(line, 3));
    entry.y2 = Number(Field(line, 4));
    if (entry.x1 > entry.x2) std::swap(entry.x1, entry.x2);
    if (entry.y1 > entry.y2) std::swap(entry.y1, entry.y2);
    SetLabelBar(entry);
    entries_.push_back(std::move(entry));
  }
  return !entries_.empty();
}

void Choices::SetLabelBar(ChoiceEntry& entry) {
  const int width = glyphs_.TextWidth(entry.text, kLabelPixelEm) + kLabelPadding;
  entry.labelX1 = entry.x1 + (entry.x2 - entry.x1 - width) / 2;
  entry.labelX2 = entry.labelX1 + width;
  entry.labelTop = entry.y1 + (entry.y2 - entry.y1 - kLabelHeight) / 2;
}

// One branch line a place, in order; a place without a branch line cannot be picked.
void Choices::ReadMapBranches() {
  const std::string_view image = interpreter_.Image();
  uint32_t position = interpreter_.State().ReadPos;
  closePosition_ = interpreter_.SkipToLine(position, '}');
  for (ChoiceEntry& entry : entries_) {
    const uint32_t open = interpreter_.SkipToLine(position, '{');
    if (open == kNoLine || open >= closePosition_) {
      entry.enabled = false;
      continue;
    }
    const size_t lineEnd = std::min(image.find('\0', open), image.size());
    position = static_cast<uint32_t>(std::min(lineEnd + 1, image.size()));
    entry.position = position;
    std::string_view text = image.substr(open + 1, lineEnd - open - 1);
    if (!text.empty() && text[0] == '(') {
      const size_t closing = std::min(text.find(')'), text.size());
      entry.enabled = variables_.TestCondition(text.substr(1, closing - 1));
      text = text.substr(std::min(closing + 1, text.size()));
    }
    if (!text.empty()) {
      entry.text = std::string(text.substr(0, kMapNameBytes));
      SetLabelBar(entry);
    }
  }
}

void Choices::HoverClickmap(int x, int y) {
  int index = 0;
  for (size_t i = 0; i < entries_.size(); ++i) {
    const ChoiceEntry& e = entries_[i];
    if (e.enabled && e.x1 < x && x < e.x2 && e.y1 < y && y < e.y2) {
      index = static_cast<int>(i) + 1;
      break;
    }
  }
  if (index == highlight_) return;
  if (highlight_ > 0) ClearMapEntry(highlight_);
  highlight_ = index;
  if (index > 0) ShowMapEntry(index);
  host_.Present();
}

void Choices::ClearMapEntry(int index) {
  const ChoiceEntry& e = entries_[static_cast<size_t>(index - 1)];
  const Bitmap24& stage = stage_.Buffers().StageBuffer;
  if (e.text.starts_with('@')) return;
  if (e.text.starts_with('*')) {
    CopyRect(stage, e.x1, e.y1, e.x2 - e.x1, e.y2 - e.y1, pb_.Draw());
  } else {
    CopyRect(stage, e.labelX1, e.labelTop, e.labelX2 - e.labelX1, kLabelHeight, pb_.Draw());
  }
}

void Choices::ShowMapEntry(int index) {
  const ChoiceEntry& e = entries_[static_cast<size_t>(index - 1)];
  const std::string sound = variables_.StringRow(sr::kHoverSound);
  if (!sound.empty() && playSound) playSound(sound);
  if (e.text.starts_with('@')) return;
  if (e.text.starts_with('*')) {
    CopyRect(stage_.Buffers().PartsSheet, e.x1, e.y1, e.x2 - e.x1, e.y2 - e.y1, pb_.Draw());
  } else {
    DrawLabelBar(e);
  }
}

void Choices::DrawLabelBar(const ChoiceEntry& e) {
  const int width = e.labelX2 - e.labelX1;
  if (width <= 0) return;
  Bitmap24 bar(width, kLabelHeight);
  CopyRect(pb_.Picture(), e.labelX1, e.labelTop, width, kLabelHeight, bar, 0, 0);
  DarkenLabelBar(bar);
  glyphs_.DrawText(e.text, bar, kLabelEdge, 4, kLabelPixelEm, TextRgb{255, 255, 255});
  CopyRect(bar, 0, 0, width, kLabelHeight, pb_.Draw(), e.labelX1, e.labelTop);
}

void Choices::PickClickmap() {
  PlayPickSound();
  RecordAnswer();
  const ChoiceEntry& e = entries_[static_cast<size_t>(highlight_ - 1)];
  ScreenBuffers& buffers = stage_.Buffers();
  if (state_.S(sv::kClickmapPressed) == 1) {
    CopyRect(buffers.WorkBuffer, e.x1, e.y1, e.x2 - e.x1, e.y2 - e.y1, pb_.Draw());
    CopyRect(buffers.WorkBuffer, e.x1, e.y1, e.x2 - e.x1, e.y2 - e.y1, buffers.StageBuffer);
  } else if (state_.S(sv::kTextMode) == 0) {
    stage_.BuildStage();
    ShowStage();
  }
  state_.S(sv::kClickmapPressed) = 0;
  JumpToChoice(highlight_);
  flags_.ChoiceMode = ChoiceKind::None;
  host_.Present();
}

}  // namespace tolven
