#include "screens/viewer_definition.h"

#include <algorithm>

#include "resources/archive_index.h"

namespace tolven {
namespace {

constexpr int kPageBlockLines = 31;  // a page block reads no further, "}" or not

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

// A digit key such as "M3" or "P7": the digit, or -1 when the key is not of that shape or the
// digit lies beyond the count.
int DigitKey(std::string_view key, char letter, int count) {
  if (key.size() != 2 || key[0] != letter || !IsDigit(key[1])) return -1;
  const int digit = key[1] - '0';
  return digit < count ? digit : -1;
}

// A thumbnail number key, or 0 when the key is not one.
int ThumbnailKey(std::string_view key) {
  if (!AllDigits(key) || key.size() > 2) return 0;
  const int n = std::stoi(std::string(key));
  return n >= 1 && n <= kViewThumbnails ? n : 0;
}

ViewRect ReadRect(std::string_view value) {
  return {FieldNumber(value, 0), FieldNumber(value, 1), FieldNumber(value, 2),
          FieldNumber(value, 3)};
}

// One KEY:value line, upper-cased. Lines without a colon give an empty key.
struct ViewLine {
  std::string key;
  std::string value;
  bool skipped = false;  // empty or "{"
  bool closes = false;   // "}"
};

ViewLine NextLine(const DefinitionText& text, uint32_t& position) {
  const std::string line = UpperCaseName(text.ReadDefLine(position));
  ViewLine result;
  result.skipped = line.empty() || line == "{";
  result.closes = line == "}";
  const size_t colon = line.find(':');
  if (!result.skipped && !result.closes && colon != std::string::npos) {
    result.key = line.substr(0, colon);
    result.value = line.substr(colon + 1);
  }
  return result;
}

void ReadHeaderLine(const ViewLine& line, ViewLayout& layout, ViewPage& firstPage) {
  const std::string& key = line.key;
  const std::string_view value = line.value;
  if (key == "TYPE") {
    const int type = FieldNumber(value, 0);
    if (type >= 0 && type <= 3) layout.type = type;
  } else if (key == "GRA") {
    for (int i = 0; i < 3; ++i) firstPage.pictures[static_cast<size_t>(i)] = Field(value, i);
  } else if (key == "PLATE") {
    layout.plate = Field(value, 0);
  } else if (key == "SET") {
    // As the gallery list counts pages, so that both number the names alike.
    layout.pageCount = std::clamp(FieldNumber(value, 0), 0, kViewPages);
  } else if (key == "THM_SIZE") {
    layout.thumbnailWidth = FieldNumber(value, 0);
    layout.thumbnailHeight = FieldNumber(value, 1);
  } else if (key == "NEXT") {
    layout.next = ReadRect(value);
  } else if (key == "PREV") {
    layout.prev = ReadRect(value);
  } else if (key == "EXIT") {
    layout.exit = ReadRect(value);
  } else if (const int d = DigitKey(key, 'P', kPageJumps); d >= 0) {
    layout.pageJumps[static_cast<size_t>(d)] = ReadRect(value);
  } else if (const int n = ThumbnailKey(key); n > 0) {
    layout.positions[static_cast<size_t>(n)] = {FieldNumber(value, 0), FieldNumber(value, 1)};
  }
}

// A gallery thumbnail's names. Every name of a digit-keyed line takes a flag number, whether
// or not its thumbnail number is in range, as the gallery list counts them.
void ReadGalleryNames(std::string_view value, ViewThumbnail* thumbnail, const ViewFlags& flags,
                      int& runningCount) {
  int seen = 0;
  int names = 0;
  for (int i = 0; i < kNamesPerThumbnail; ++i) {
    std::string name = Field(value, i);
    if (name.empty()) break;
    const int flag = runningCount++;
    if (thumbnail == nullptr) continue;
    ++names;
    if (flags.gallery && flags.gallery(flag)) ++seen;
    thumbnail->names.push_back(std::move(name));
    thumbnail->flagNumbers.push_back(flag);
  }
  if (thumbnail == nullptr) return;
  thumbnail->text = value;
  thumbnail->status = seen == 0 ? kLocked : seen == names ? kOpen : kPartlyOpen;
}

void ReadPageLine(const ViewLine& line, int type, const ViewFlags& flags, ViewPage& page,
                  int& runningCount) {
  if (line.key == "GRA") {
    for (int i = 0; i < 3; ++i) page.pictures[static_cast<size_t>(i)] = Field(line.value, i);
    return;
  }
  if (line.key.empty() || !IsDigit(line.key[0])) return;
  const int n = ThumbnailKey(line.key);
  ViewThumbnail* thumbnail = n > 0 ? &page.thumbnails[static_cast<size_t>(n)] : nullptr;
  switch (type) {
    case 0:
      ReadGalleryNames(line.value, thumbnail, flags, runningCount);
      break;
    case 1:
      if (thumbnail == nullptr) break;
      thumbnail->text = Field(line.value, 1);
      thumbnail->status = flags.event && flags.event(FieldNumber(line.value, 0)) ? kOpen : kLocked;
      break;
    case 2:
      if (thumbnail == nullptr) break;
      thumbnail->text = line.value;
      thumbnail->status = kPartlyOpen;
      break;
    default:
      break;  // the music player has no pages of its own
  }
}

}  // namespace

std::array<ViewRect, kViewJumps> ReadViewJumps(const DefinitionText& text) {
  std::array<ViewRect, kViewJumps> jumps{};
  const std::optional<uint32_t> start = text.FindSectionStart("VIEW_0");
  if (!start) return jumps;
  uint32_t position = *start;
  while (position < text.DefinitionSize()) {
    const ViewLine line = NextLine(text, position);
    if (line.closes) break;
    if (const int d = DigitKey(line.key, 'M', kViewJumps); d >= 0) {
      jumps[static_cast<size_t>(d)] = ReadRect(line.value);
    }
  }
  return jumps;
}

bool ReadView(const DefinitionText& text, std::string_view name, const ViewFlags& flags,
              ViewLayout& layout, std::array<ViewPage, kViewPages>& pages) {
  const std::optional<uint32_t> start = text.FindSectionStart(name);
  if (!start) return false;
  layout = ViewLayout{};
  for (ViewPage& page : pages) page.thumbnails = {};
  uint32_t position = *start;
  while (position < text.DefinitionSize()) {
    const ViewLine line = NextLine(text, position);
    if (line.closes) break;
    ReadHeaderLine(line, layout, pages[0]);
  }
  int runningCount = 0;
  for (int p = 0; p < layout.pageCount; ++p) {
    ViewPage& page = pages[static_cast<size_t>(p)];
    for (int i = 0; i < kPageBlockLines && position < text.DefinitionSize(); ++i) {
      const ViewLine line = NextLine(text, position);
      if (line.closes) break;
      ReadPageLine(line, layout.type, flags, page, runningCount);
    }
  }
  return true;
}

}  // namespace tolven
