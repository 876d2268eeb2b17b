#include "text/message_output.h"

#include <algorithm>
#include <cstring>

#include "base/engine_values.h"

namespace tolven {
namespace {

// Shift-JIS codes the text markup and the layout look for.
constexpr uint16_t kPageEnd = 0x81A5;         // ▼
constexpr uint16_t kNewPage = 0x81A4;         // ▽
constexpr uint16_t kKeptPage = 0x81AC;        // 〓
constexpr uint16_t kInsertRow = 0x8190;       // ＄, followed by a full-width digit
constexpr uint16_t kFullWidthZero = 0x824F;   // ０
constexpr uint16_t kOpeningBracket = 0x8175;  // 「
constexpr uint16_t kIdeographicSpace = 0x8140;
// Printed but kept out of the backlog: ◆ § √
constexpr uint16_t kNotLogged[] = {0x819F, 0x8198, 0x81E3};
// Characters that may still be placed at the end of a full row: 、。，．？！’）〉》」』】
constexpr uint16_t kHanging[] = {0x8141, 0x8142, 0x8143, 0x8144, 0x8148, 0x8149, 0x8166,
                                 0x816A, 0x8172, 0x8174, 0x8176, 0x8178, 0x817A};

constexpr int kWrapColumn = 52;
constexpr int kHangingLimit = 54;
constexpr int kIndentColumn = 2;
constexpr int kDefaultTimedWait = 10;
constexpr int kWindowLeft = 8;
constexpr int kWindowTop = 438;
constexpr int kWindowRowPitch = 40;
constexpr int kFullLeft = 20;
constexpr int kFullTop = 32;
constexpr int kFullRowPitch = 38;
constexpr int kColumnPitch = 14;
// Text font sizes in points: full-screen text, window text, window text after [2]; window
// characters of the normal size are drawn at the smaller size.
constexpr int kFullScreenFontSize = 28;
constexpr int kWindowFontSize = 18;
constexpr int kWindowLargeFontSize = 30;
constexpr int kWindowCharacterFontSize = 17;
// Ruby readings sit just above their row's characters; a reading placed at the end of a row goes
// over the first character of the next.
constexpr int kWindowRubyTop = 428;
constexpr int kWindowRubyNextRowTop = 468;
constexpr int kWindowRubyLeft = 39;
constexpr int kWindowRubyOffset = 11;
constexpr int kFullRubyTop = 22;
constexpr int kFullRubyNextRowTop = 46;
// A ruby's character count past this puts the reading off the screen in every placement; the
// cap keeps the placement's arithmetic in range.
constexpr int kRubyCountLimit = 1000;
// Characters reach column 54 at most (a two-byte hanging character at 53); the colour bytes of a
// row past that belong to no character. They keep the row's ruby readings, so a redraw, and a
// saved game through the slot's page block, have them: each is the cursor column + 1, the
// character count in two bytes (low first) and the reading, ended by a zero byte.
constexpr int kRubyArea = 55;
constexpr int kRubyHeaderBytes = 3;

bool IsSingleByte(uint8_t byte) {
  return byte >= 0x20 && byte <= 0x7E;
}

// The character at `at`: one byte, or a lead byte and its trail byte when the line has one.
size_t CharacterLength(std::string_view text, size_t at) {
  if (IsSingleByte(static_cast<uint8_t>(text[at])) || at + 1 >= text.size()) return 1;
  return 2;
}

uint16_t Code(std::string_view bytes) {
  if (bytes.size() < 2) return static_cast<uint8_t>(bytes[0]);
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes[0]) << 8 |
                               static_cast<uint8_t>(bytes[1]));
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// A leading decimal number with an optional sign; the digits and sign it used.
int32_t ReadNumber(std::string_view text, size_t& used) {
  size_t i = 0;
  const bool negative = i < text.size() && text[i] == '-';
  if (negative || (i < text.size() && text[i] == '+')) ++i;
  int64_t value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i)
    value = std::min<int64_t>(value * 10 + (text[i] - '0'), INT32_MAX);
  used = i;
  return static_cast<int32_t>(negative ? -value : value);
}

bool EqualIgnoringCase(std::string_view text, std::string_view name) {
  if (text.size() < name.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const char a = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
    if (a != name[i]) return false;
  }
  return true;
}

enum class Tag {
  Gra,
  Normal,
  Large,
  Colour,
  Wait,
  Voice,
  Clrb,
  Delay,
  Expression,
  Row,
  Nothing,
  Keep
};

struct TagName {
  std::string_view name;
  Tag tag;
  bool word;  // the argument starts after a separator byte
};

// Tried in this order, each over its own length.
constexpr TagName kTagTable[] = {
    {"gra", Tag::Gra, true},    {"1", Tag::Normal, true},    {"2", Tag::Large, true},
    {"col", Tag::Colour, true}, {"wait", Tag::Wait, true},   {"voice", Tag::Voice, true},
    {"clrb", Tag::Clrb, true},  {"delay", Tag::Delay, true}, {"?", Tag::Expression, false},
    {"$", Tag::Row, false},     {"@", Tag::Nothing, true},   {"=", Tag::Keep, true},
};

}  // namespace

MessageOutput::MessageOutput(EngineFlags& flags, ScriptState& state, MessageOutputHost& host)
    : flags_(flags), state_(state), host_(host) {}

bool MessageOutput::FullScreenText() const {
  return state_.S(sv::kTextMode) != 0;
}

// ---- Printing a line --------------------------------------------------------------------------

void MessageOutput::PrintLine(std::string_view line, size_t& position, bool& needLine,
                              bool& nameLine) {
  for (;;) {
    if (!insertText_.empty()) {
      const size_t length = CharacterLength(insertText_, 0);
      const std::string bytes = insertText_.substr(0, length);
      insertText_.erase(0, length);
      inserting_ = true;
      AppendBacklog(bytes);
      PutChar(bytes, nameLine);
      if (observer_ != nullptr) observer_->PrintedCharacter(bytes);
      if (AfterCharacter(nameLine)) return;
      continue;
    }
    if (position >= line.size()) {
      if (observer_ != nullptr) observer_->PrintedLineEnd(nameLine);
      EndBacklogLine();
      column_ = 0;
      ++row_;
      needLine = true;
      nameLine = false;
      return;
    }
    const char first = line[position];
    if (first == '%') {
      size_t used = 0;
      int32_t ticks = ReadNumber(line.substr(position + 1), used);
      // "%0" and a bare "%" wait the default and leave what follows to be printed.
      if (ticks == 0) {
        ticks = kDefaultTimedWait;
        used = 0;
      }
      position += 1 + used;
      if (!Skipping()) flags_.WaitTicks = std::max(ticks, 0);
      return;
    }
    if (first == '[') {
      if (InlineTag(line, position)) return;
      continue;
    }
    if (first == '<') {
      Ruby(line, position);
      continue;
    }
    const size_t length = CharacterLength(line, position);
    const std::string_view bytes = line.substr(position, length);
    const uint16_t code = Code(bytes);
    if (code == kPageEnd || code == kNewPage || code == kKeptPage) {
      PageMark(code, position, needLine);
      return;
    }
    if (code == kInsertRow) {
      const size_t next = position + 2;
      if (next + 1 < line.size()) {
        const uint16_t digit = Code(line.substr(next, 2));
        if (digit >= kFullWidthZero && digit <= kFullWidthZero + 9) {
          const int row = digit - kFullWidthZero;
          const bool name = row == sr::kFamilyName || row == sr::kGivenName;
          insertText_ = name && host_.NicknameOn() ? nickname_ : host_.StringRow(row);
        }
      }
      position = next < line.size() ? next + CharacterLength(line, next) : line.size();
      continue;
    }
    // Inserted names and numbers keep the colour in force; the story text after them does not.
    if (inserting_) {
      colour_ = 0;
      inserting_ = false;
    }
    AppendBacklog(bytes);
    PutChar(bytes, nameLine);
    if (std::find(std::begin(kNotLogged), std::end(kNotLogged), code) != std::end(kNotLogged)) {
      DropFromBacklog(bytes.size());
    } else if (observer_ != nullptr) {
      observer_->PrintedCharacter(bytes);
    }
    position += length;
    if (AfterCharacter(nameLine)) return;
  }
}

bool MessageOutput::IsAutoVoiceTag(std::string_view name) const {
  if (state_.S(sv::kDramaMode) == 0) return false;
  return std::find(nameTags_.begin(), nameTags_.end(), name) != nameTags_.end();
}

void MessageOutput::PrintSpeakerName(std::string_view line) {
  if (IsAutoVoiceTag(line.substr(line.empty() ? 0 : 1))) {
    speakerVoiceState_ = 1;
    if (!FullScreenText()) {
      host_.ShowStageWithoutWindow();
      flags_.WindowShown = true;
    }
  } else if (!FullScreenText() && !flags_.WindowShown) {
    NewPage();
  }
  size_t position = line.empty() ? 0 : 1;
  bool needLine = false;
  bool nameLine = true;
  // Names print without pausing; only an inline wait could stop them part way.
  for (int steps = 0; !needLine && steps < 64; ++steps)
    PrintLine(line, position, needLine, nameLine);
}

void MessageOutput::PageMarkLine(PageWaitKind wait) {
  if (wait != PageWaitKind::PageKept) EndBacklogLine();
  if (observer_ != nullptr) observer_->WaitBegins();
  flags_.PageWait = wait;
  host_.BuildClickWaitFrames();
  ComputeAutoWait();
  flags_.ClickSkip = false;
}

bool MessageOutput::AfterCharacter(bool nameLine) {
  if (nameLine || flags_.CharDelay == 0) return false;
  const bool autoAdvance = state_.S(sv::kAutoSpeed) > 0;
  if ((!flags_.ClickSkip && characterByCharacter_ && !Skipping()) || autoAdvance) {
    host_.RepaintScreen();
    flags_.WaitTicks = flags_.CharDelay > 1 ? flags_.CharDelay - 1 : 0;
    return true;
  }
  return false;
}

bool MessageOutput::PageMark(uint16_t code, size_t& position, bool& needLine) {
  position += 2;
  needLine = true;  // the rest of the line is dropped
  if (observer_ != nullptr) observer_->PrintedLineEnd(false);
  if (code == kNewPage) {
    EndBacklogLine();
    NewPage();
    return true;
  }
  if (code == kPageEnd) EndBacklogLine();
  if (observer_ != nullptr) observer_->WaitBegins();
  flags_.PageWait = code == kPageEnd ? PageWaitKind::PageEnd : PageWaitKind::PageKept;
  host_.BuildClickWaitFrames();
  ComputeAutoWait();
  flags_.ClickSkip = false;
  return true;
}

// An unclosed tag ends with its line.
bool MessageOutput::InlineTag(std::string_view line, size_t& position) {
  const std::string_view rest = line.substr(position + 1);
  const size_t close = rest.find(']');
  const TagName* found = nullptr;
  for (const TagName& entry : kTagTable) {
    if (EqualIgnoringCase(rest, entry.name)) {
      found = &entry;
      break;
    }
  }
  std::string_view argument;
  if (found != nullptr) {
    const size_t start = std::min(found->name.size() + (found->word ? 1 : 0), rest.size());
    const size_t end = close == std::string_view::npos ? rest.size() : std::max(close, start);
    argument = rest.substr(start, end - start);
  }
  position = close == std::string_view::npos ? line.size() : position + 1 + close + 1;
  if (found == nullptr) return false;
  size_t used = 0;
  switch (found->tag) {
    case Tag::Gra:
      host_.PictureCommand(argument);
      break;
    case Tag::Normal:
    case Tag::Large:
      size_ = found->tag == Tag::Large ? 1 : 0;
      ApplyFontSizes();
      break;
    case Tag::Colour:
      colour_ = ReadNumber(argument, used);
      break;
    case Tag::Wait:
      if (!Skipping()) flags_.WaitTicks = std::max(ReadNumber(argument, used), 0);
      return true;
    case Tag::Voice:
      host_.PlayVoice(argument);
      RecordVoice(argument);
      if (speakerVoiceState_ != 0) {
        speakerVoiceState_ = 2;
        flags_.VoiceWait = true;
      }
      break;
    case Tag::Clrb:
      host_.ClearCharacters(argument);
      break;
    case Tag::Delay:
      flags_.CharDelay = ReadNumber(argument, used);
      break;
    case Tag::Expression:
      insertText_ = std::to_string(host_.Evaluate(argument));
      break;
    case Tag::Row:
      if (!argument.empty() && IsDigit(argument[0]))
        insertText_ = host_.StringRow(argument[0] - '0');
      break;
    case Tag::Keep:
      if (observer_ != nullptr) observer_->WaitBegins();
      flags_.PageWait = PageWaitKind::PageKept;
      break;
    case Tag::Nothing:
      break;
  }
  return false;
}

void MessageOutput::Ruby(std::string_view line, size_t& position) {
  if (!FullScreenText() && column_ == 0 && row_ == 0) {
    column_ = kIndentColumn;
    row_ = 1;
  }
  size_t used = 0;
  int n = ReadNumber(line.substr(position + 1), used);
  if (n <= 0) {
    n = 1;
    used = 0;
  }
  n = std::min(n, kRubyCountLimit);
  const size_t start = position + 1 + used;
  const size_t close = line.find('>', start);
  const size_t end = close == std::string_view::npos ? line.size() : close;
  // The reading starts after the number and its separator.
  const size_t readingStart = std::min(start + (start < end && line[start] == ' ' ? 1 : 0), end);
  const std::string_view reading = line.substr(readingStart, end - readingStart);
  const RubyPosition at =
      PlaceRuby(FullScreenText(), column_, row_, n, host_.RubyHalfWidth(reading));
  host_.DrawRuby(reading, at.x, at.y, HoldsPresentation());
  KeepRuby(n, reading);
  if (observer_ != nullptr) observer_->PrintedRuby(n, reading);
  position = close == std::string_view::npos ? line.size() : close + 1;
}

RubyPosition MessageOutput::PlaceRuby(bool fullScreenText, int column, int row, int count,
                                      int halfWidth) {
  if (fullScreenText) {
    if (column < kWrapColumn) {
      return {kColumnPitch * column + kColumnPitch * count - halfWidth + kFullLeft,
              kFullRowPitch * row + kFullRubyTop};
    }
    return {kColumnPitch * count - halfWidth + kFullLeft,
            kFullRowPitch * row + kFullRubyNextRowTop};
  }
  if (column == 0) return {count + kWindowRubyLeft, kWindowRowPitch * row + kWindowRubyTop};
  if (column == kWrapColumn) {
    return {count + kWindowRubyLeft, kWindowRowPitch * row + kWindowRubyNextRowTop};
  }
  return {kColumnPitch * column + count + kWindowRubyOffset,
          kWindowRowPitch * row + kWindowRubyTop};
}

// A reading the row has no room left for is shown now but not kept.
void MessageOutput::KeepRuby(int count, std::string_view reading) {
  if (row_ < 0 || row_ >= kPageBufferRows || column_ < 0 || column_ >= kPageBufferColumns) return;
  uint8_t* area = pageColours_.data() + static_cast<size_t>(row_) * kPageBufferColumns;
  int at = kRubyArea;
  while (at < kPageBufferColumns && area[at] != 0) {
    at += kRubyHeaderBytes;
    while (at < kPageBufferColumns && area[at] != 0) ++at;
    ++at;
  }
  const int size = kRubyHeaderBytes + static_cast<int>(reading.size()) + 1;
  if (at + size > kPageBufferColumns) return;
  area[at] = static_cast<uint8_t>(column_ + 1);
  area[at + 1] = static_cast<uint8_t>(count & 0xFF);
  area[at + 2] = static_cast<uint8_t>(count >> 8);
  std::memcpy(area + at + kRubyHeaderBytes, reading.data(), reading.size());
  area[at + size - 1] = 0;
}

// A damaged or foreign page may hold anything there: a reading is read no further than its row.
std::vector<PageRuby> MessageOutput::PageRubies() const {
  std::vector<PageRuby> rubies;
  for (int row = 0; row < kPageBufferRows; ++row) {
    const uint8_t* area = pageColours_.data() + static_cast<size_t>(row) * kPageBufferColumns;
    int at = kRubyArea;
    while (at + kRubyHeaderBytes <= kPageBufferColumns && area[at] != 0) {
      PageRuby ruby{area[at] - 1, row, area[at + 1] | area[at + 2] << 8, {}};
      at += kRubyHeaderBytes;
      for (; at < kPageBufferColumns && area[at] != 0; ++at) {
        ruby.reading += static_cast<char>(area[at]);
      }
      ++at;
      rubies.push_back(std::move(ruby));
    }
  }
  return rubies;
}

// ---- Placing characters -----------------------------------------------------------------------

void MessageOutput::PutChar(std::string_view bytes, bool nameLine) {
  const bool window = !FullScreenText();
  const uint16_t code = Code(bytes);
  if (window) {
    if (!flags_.WindowShown && speakerVoiceState_ == 0) NewPage();
    if (column_ == 0 && row_ == 0 && !nameLine) row_ = 1;
  }
  const bool hanging =
      std::find(std::begin(kHanging), std::end(kHanging), code) != std::end(kHanging);
  if (column_ >= kWrapColumn && !(hanging && column_ < kHangingLimit)) {
    column_ = 0;
    ++row_;
    EndBacklogLine();
  }
  if (window && column_ == 0 && row_ != 0 && code != kOpeningBracket) column_ = kIndentColumn;
  if (row_ >= 0 && row_ < kPageBufferRows &&
      column_ + static_cast<int>(bytes.size()) <= kPageBufferColumns) {
    const size_t at = static_cast<size_t>(row_) * kPageBufferColumns + static_cast<size_t>(column_);
    for (size_t i = 0; i < bytes.size(); ++i) {
      pageBytes_[at + i] = static_cast<uint8_t>(bytes[i]);
      // Each character keeps its colour, so a redrawn page shows the colours it was printed in.
      pageColours_[at + i] = static_cast<uint8_t>(colour_);
    }
  }
  if (!(FullScreenText() && code == kIdeographicSpace)) {
    const int x =
        window ? kColumnPitch * column_ + kWindowLeft : kColumnPitch * column_ + kFullLeft;
    const int y = window ? kWindowRowPitch * row_ + kWindowTop : kFullRowPitch * row_ + kFullTop;
    if (window && size_ == 0) host_.SetCanvasFontSize(kWindowCharacterFontSize);
    host_.DrawCharacter(bytes, x, y, colour_, HoldsPresentation());
  }
  pageEmpty_ = false;
  ++charCount_;
  column_ += window && size_ == 1 ? 3 : static_cast<int>(bytes.size());
}

void MessageOutput::ClearPage() {
  ResetPageState();
  MarkPageEmpty();
}

void MessageOutput::ResetPageState() {
  column_ = 0;
  row_ = 0;
  size_ = 0;
  colour_ = 0;
  charCount_ = 0;
}

// The bytes go with the mark: a page marked empty whose old text stayed would bring that text
// back with the first redraw after the next character.
void MessageOutput::MarkPageEmpty() {
  pageBytes_.fill(0);
  pageColours_.fill(0);
  pageEmpty_ = true;
  if (observer_ != nullptr) observer_->PageCleared(false);
}

void MessageOutput::NewPage() {
  ClearPage();
  host_.ShowNewPage();
  if (!FullScreenText()) flags_.WindowShown = true;
  speakerVoiceState_ = 0;
  ApplyFontSizes();
}

void MessageOutput::ApplyFontSizes() {
  if (FullScreenText()) {
    host_.SetCanvasFontSize(kFullScreenFontSize);
  } else {
    host_.SetCanvasFontSize(size_ == 1 ? kWindowLargeFontSize : kWindowFontSize);
  }
}

// A wild auto speed counts as the slowest the gauge gives, so the divisor stays positive.
void MessageOutput::ComputeAutoWait() {
  const int speed = std::clamp(state_.S(sv::kAutoSpeed), 0, kMaxAutoSpeed);
  autoWait_ = charCount_ / (14 - speed) + 3 * speed + 3;
}

// ---- Backlog text -----------------------------------------------------------------------------

void MessageOutput::AppendBacklog(std::string_view bytes) {
  const size_t room = kBacklogLineBytes - backlogLength_;
  const size_t take = std::min(room, bytes.size());
  std::memcpy(
      backlog_.data() + static_cast<size_t>(backlogLine_) * kBacklogLineBytes + backlogLength_,
      bytes.data(), take);
  backlogLength_ += take;
}

void MessageOutput::DropFromBacklog(size_t count) {
  const size_t drop = std::min(count, backlogLength_);
  backlogLength_ -= drop;
  std::memset(
      backlog_.data() + static_cast<size_t>(backlogLine_) * kBacklogLineBytes + backlogLength_, 0,
      drop);
}

void MessageOutput::EndBacklogLine() {
  if (backlogLine_ == kBacklogLines - 1) {
    std::memmove(backlog_.data(), backlog_.data() + kBacklogLineBytes,
                 (kBacklogLines - 1) * kBacklogLineBytes);
  } else {
    ++backlogLine_;
  }
  std::memset(backlog_.data() + static_cast<size_t>(backlogLine_) * kBacklogLineBytes, 0,
              kBacklogLineBytes);
  backlogLength_ = 0;
}

// A name that would not fit the list whole is left out of it rather than cut into the name of
// another sound. A voice in the middle of a text line closes that line first, so the voice line
// never carries text the log would not show.
void MessageOutput::RecordVoice(std::string_view name) {
  if (name.empty()) return;
  if (observer_ != nullptr) observer_->VoiceNamed();
  lastVoice_ = name;
  if (pageVoices_.size() + name.size() + 1 < kPageVoiceBytes) {
    pageVoices_ += name;
    pageVoices_ += ' ';
  }
  if (backlogLength_ > 0) EndBacklogLine();
  AppendBacklog("@");
  AppendBacklog(name);
  EndBacklogLine();
}

// ---- A saved game's text ----------------------------------------------------------------------

void MessageOutput::RestoreCursor(int column, int row, int size, int colour) {
  column_ = column;
  row_ = row;
  size_ = size;
  colour_ = colour;
}

void MessageOutput::RestorePage(std::span<const uint8_t> bytes, std::span<const uint8_t> colours,
                                bool empty) {
  pageBytes_.fill(0);
  pageColours_.fill(0);
  std::copy_n(bytes.begin(), std::min(bytes.size(), pageBytes_.size()), pageBytes_.begin());
  std::copy_n(colours.begin(), std::min(colours.size(), pageColours_.size()), pageColours_.begin());
  pageEmpty_ = empty;
  if (observer_ != nullptr) observer_->PageCleared(true);
}

void MessageOutput::CopyBacklogText(std::span<uint8_t> out) const {
  const size_t count = std::min(out.size(), kSavedBacklogLines * kBacklogLineBytes);
  std::copy_n(reinterpret_cast<const uint8_t*>(backlog_.data()), count, out.begin());
}

size_t MessageOutput::BacklogWritePosition() const {
  return static_cast<size_t>(backlogLine_) * kBacklogLineBytes + backlogLength_;
}

void MessageOutput::RestoreBacklogText(std::span<const uint8_t> text, int completeLines,
                                       size_t writePosition) {
  backlog_.fill(0);
  const size_t count = std::min(text.size(), kSavedBacklogLines * kBacklogLineBytes);
  std::copy_n(text.begin(), count, reinterpret_cast<uint8_t*>(backlog_.data()));
  backlogLine_ = std::clamp(completeLines, 0, kSavedBacklogLines);
  // The line being written is the one the position falls in; its length is what precedes it.
  const size_t lineStart = static_cast<size_t>(backlogLine_) * kBacklogLineBytes;
  backlogLength_ =
      writePosition > lineStart ? std::min(writePosition - lineStart, kBacklogLineBytes) : 0;
  // A line being written past the saved lines starts empty, whatever the bytes said.
  if (backlogLine_ == kSavedBacklogLines) backlogLength_ = 0;
  char* line = backlog_.data() + lineStart;
  std::fill(line + backlogLength_, line + kBacklogLineBytes, 0);
}

std::string MessageOutput::BacklogLine(int index) const {
  if (index < 0 || index > backlogLine_) return {};
  const char* start = backlog_.data() + static_cast<size_t>(index) * kBacklogLineBytes;
  return std::string(start, strnlen(start, kBacklogLineBytes));
}

}  // namespace tolven
