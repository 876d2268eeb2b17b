#include "screens/end_credits.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>

#include "graphics/picture_copy.h"
#include "resources/archive_index.h"

namespace tolven {
namespace {

constexpr const char* kFace = "ＭＳ 明朝";
constexpr TextRgb kWhite{255, 255, 255};

// The ink of a 30-pixel serif stays inside its own 32-row line; room for a whole line above
// and below it is more than any glyph needs, and what might reach further is cut there.
constexpr int kInkMargin = kCreditsLineHeight;
constexpr int kBandRows = kCreditsLineHeight + 2 * kInkMargin;
constexpr size_t kWindowRowBytes = 3 * static_cast<size_t>(kCreditsWindowWidth);

int64_t LineTop(size_t index) {
  return kCreditsFirstLineTop + kCreditsLineHeight * static_cast<int64_t>(index);
}

bool RowHasInk(const uint8_t* row) {
  uint8_t any = 0;
  for (size_t b = 0; b < kWindowRowBytes; ++b) any |= row[b];
  return any != 0;
}

// Every pixel of the row that is not black becomes this grey.
void GreyRow(uint8_t* row, int columns, uint8_t level) {
  for (int x = 0; x < columns; ++x, row += 3) {
    if ((row[0] | row[1] | row[2]) != 0) row[0] = row[1] = row[2] = level;
  }
}

}  // namespace

CreditsText ReadCreditsText(const DefinitionText& text) {
  CreditsText credits;
  const uint32_t size = text.DefinitionSize();
  uint32_t position = 0;
  const int period = FieldNumber(text.ReadDefLine(position), 0);
  credits.period = period <= 0 ? kCreditsDefaultPeriod
                               : std::min(static_cast<uint32_t>(period), kCreditsLongestPeriod);
  while (position < size) {
    std::string line = text.ReadDefLine(position);
    if (line.starts_with('*')) break;
    // A blank line names no picture and stands for none.
    if (line.empty()) continue;
    credits.pictures.push_back({Field(line, 0), FieldNumber(line, 1)});
  }
  while (position < size) {
    std::string line = text.ReadDefLine(position);
    if (line.starts_with('*')) break;
    // Blank lines stay: they are the gaps between the credits' blocks.
    credits.lines.push_back(std::move(line));
  }
  return credits;
}

// ---- The strip --------------------------------------------------------------------------------

CreditStrip::CreditStrip(std::vector<std::string> lines)
    : lines_(std::move(lines)),
      text_(kFace, kCreditsTextHeight),
      band_(kCreditsWindowWidth, kBandRows) {}

int64_t CreditStrip::Height() const {
  return LineTop(lines_.size());
}

void CreditStrip::Follow(int64_t y) {
  const int64_t bottom = y + kCreditsWindowHeight;
  std::erase_if(shown_, [y](const RenderedLine& line) { return line.top + line.rows <= y; });
  while (nextLine_ < lines_.size() && LineTop(nextLine_) - kInkMargin < bottom) {
    // Lines that went by unseen while frames were skipped are not worth rendering.
    if (LineTop(nextLine_) + kCreditsLineHeight + kInkMargin > y) Render(nextLine_);
    ++nextLine_;
  }
}

void CreditStrip::Render(size_t index) {
  const std::string& line = lines_[index];
  if (line.empty() || !text_.HasFont()) return;
  std::memset(band_.Data(), 0, band_.SizeBytes());
  // The text starts at the strip's left edge; the band holds the window's columns only.
  text_.Draw(line, band_, -kCreditsStripColumn, kInkMargin, kWhite);
  const int64_t bandTop = LineTop(index) - kInkMargin;
  const int64_t height = Height();
  int first = -1;
  int last = -1;
  for (int r = 0; r < kBandRows; ++r) {
    const int64_t row = bandTop + r;
    if (row < 0 || row >= height || !RowHasInk(band_.Row(r))) continue;
    if (first < 0) first = r;
    last = r;
  }
  if (first < 0) return;
  RenderedLine rendered;
  rendered.top = bandTop + first;
  rendered.rows = last - first + 1;
  rendered.pixels.assign(band_.Row(first),
                         band_.Row(first) + kWindowRowBytes * static_cast<size_t>(rendered.rows));
  shown_.push_back(std::move(rendered));
}

void CreditStrip::DrawWindow(int64_t y, Bitmap24& target, int left) {
  Follow(y);
  if (left < 0 || left >= target.Width()) return;
  const int columns = std::min(kCreditsWindowWidth, target.Width() - left);
  const int rows = std::min(kCreditsWindowHeight, target.Height());
  const size_t bytes = 3 * static_cast<size_t>(columns);
  const size_t offset = 3 * static_cast<size_t>(left);
  for (int r = 0; r < rows; ++r) std::memset(target.Row(r) + offset, 0, bytes);
  // Every stroke is full white on black, so putting the lines together with OR gives what
  // drawing them one after another on one strip gives, where their ink meets as well.
  for (const RenderedLine& line : shown_) {
    const int64_t from = std::max(line.top, y);
    const int64_t to = std::min(line.top + line.rows, y + rows);
    for (int64_t row = from; row < to; ++row) {
      uint8_t* destination = target.Row(static_cast<int>(row - y)) + offset;
      const uint8_t* source =
          line.pixels.data() + kWindowRowBytes * static_cast<size_t>(row - line.top);
      for (size_t b = 0; b < bytes; ++b) destination[b] |= source[b];
    }
  }
  for (int r = 0; r < std::min(kCreditsFadeRows, rows); ++r) {
    GreyRow(target.Row(r) + offset, columns, static_cast<uint8_t>(2 * r));
  }
  for (int r = kCreditsWindowHeight - kCreditsFadeRows; r < rows; ++r) {
    GreyRow(target.Row(r) + offset, columns,
            static_cast<uint8_t>(2 * (kCreditsWindowHeight - 1 - r)));
  }
}

void DrawCreditsFrame(CreditStrip& strip, int64_t y, const Bitmap24* background, Bitmap24& screen) {
  strip.DrawWindow(y, screen, kCreditsWindowLeft);
  if (background != nullptr) {
    CopyRect(*background, 0, 0, kCreditsWindowLeft, kCreditsWindowHeight, screen, 0, 0);
  }
}

// ---- The sequence -----------------------------------------------------------------------------

EndCredits::EndCredits(Host& host, FrameClock& clock, PaintBox& pb, Stage& stage,
                       const Archives& archives, DefinitionText& definitions, EngineFlags& flags,
                       Trace& trace)
    : host_(host),
      clock_(clock),
      pb_(pb),
      stage_(stage),
      archives_(archives),
      definitions_(definitions),
      flags_(flags),
      trace_(trace) {}

void EndCredits::Run() {
  if (!definitions_.Load(archives_, "endroll")) {
    if (trace_.Enabled()) trace_.Write("special 5: no credits text \"endroll\"");
    return;
  }
  CreditsText text = ReadCreditsText(definitions_);

  // Each picture is loaded once however often the text names it, so the memory the run holds
  // is bounded by the pictures the game has, not by the length of the text. A picture that
  // cannot be loaded keeps its place in the order and changes nothing when its line comes.
  std::map<std::string, Bitmap24> cache;
  std::vector<const Bitmap24*> pictures;
  pictures.reserve(text.pictures.size());
  for (const CreditsPicture& picture : text.pictures) {
    auto [entry, fresh] = cache.try_emplace(UpperCaseName(picture.name));
    if (fresh) stage_.LoadPicture(picture.name, entry->second);
    pictures.push_back(entry->second.Empty() ? nullptr : &entry->second);
  }

  CreditStrip strip(std::move(text.lines));
  const int64_t end = strip.Height();
  Bitmap24& background = stage_.Buffers().BackgroundBuffer;
  size_t next = 0;
  int backgroundFrames = kCreditsBackgroundFrames;
  clock_.StartFrameClock();
  for (int64_t y = 0; y < end;) {
    // A picture comes in on the frame that reaches its line. When frames are skipped that
    // frame can lie past the line itself, so reaching counts, not landing on it exactly;
    // pictures whose lines were all passed at once leave the last of them showing. The
    // picture goes onto the background as drawing it there would: from the top-left corner,
    // the background keeping its size.
    while (next < text.pictures.size() && y >= kCreditsLineHeight * text.pictures[next].line) {
      if (const Bitmap24* picture = pictures[next]) {
        CopyRect(*picture, 0, 0, picture->Width(), picture->Height(), background, 0, 0);
      }
      backgroundFrames = kCreditsBackgroundFrames;
      ++next;
    }
    const bool withBackground = backgroundFrames > 0;
    Bitmap24& screen =
        withBackground ? pb_.Draw()
                       : pb_.Draw(kCreditsWindowLeft, 0, kCreditsWindowWidth, kCreditsWindowHeight);
    DrawCreditsFrame(strip, y, withBackground ? &background : nullptr, screen);
    if (withBackground) --backgroundFrames;
    host_.Present();
    const uint32_t periods = clock_.WaitFrames(text.period);
    if (flags_.InterruptRequest == Interrupt::Close) break;
    y += kCreditsStep * static_cast<int64_t>(periods);
  }
}

}  // namespace tolven
