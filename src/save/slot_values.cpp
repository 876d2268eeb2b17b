// The values a slot holds that are made rather than copied: the description, the comment, the
// resume position and the thumbnail.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "base/file_writer.h"
#include "save/save_files.h"
#include "save/save_slot.h"
#include "save/serializer.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;

constexpr size_t kCommentOffset = 96;
constexpr size_t kCommentFieldBytes = 32;
// A slot file is rewritten whole to change its comment; one this large is no slot of ours.
constexpr uintmax_t kLargestCommentedFile = 64u << 20;

bool LeadByte(uint8_t byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

}  // namespace

std::string CutSlotComment(std::string_view text) {
  size_t length = 0;
  while (length < text.size() && text[length] != '\0') {
    const size_t width = LeadByte(static_cast<uint8_t>(text[length])) ? 2 : 1;
    if (length + width > kSlotCommentMaxBytes || length + width > text.size()) break;
    length += width;
  }
  return std::string(text.substr(0, length));
}

bool WriteSlotComment(const fs::path& folder, int slot, std::string_view text) {
  if (slot < kFirstSlot || slot > kLastSlot) return false;
  const fs::path path = SlotPath(folder, slot);
  std::error_code error;
  const uintmax_t size = fs::file_size(path, error);
  if (error || size > kLargestCommentedFile) return false;
  FileRead file = ReadFilePrefix(path, static_cast<size_t>(size));
  if (file.outcome != FileRead::Outcome::Read) return false;
  // As a seek and a write would, a file too short for the field grows to hold it.
  std::vector<uint8_t>& bytes = file.bytes;
  if (bytes.size() < kSlotHeaderBytes) bytes.resize(kSlotHeaderBytes, 0);
  LayoutWriter field(kCommentFieldBytes);
  field.Text(CutSlotComment(text), kCommentFieldBytes);
  const std::vector<uint8_t> comment = field.Take();
  std::copy(comment.begin(), comment.end(), bytes.begin() + kCommentOffset);
  return WriteFileAtomically(path, bytes);
}

std::string SlotDescription(const std::tm& localTime, std::string_view chapterTitle, bool inShop) {
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04d/%02d/%02d %02d:%02d:%02d  ", localTime.tm_year + 1900,
                localTime.tm_mon + 1, localTime.tm_mday, localTime.tm_hour, localTime.tm_min,
                localTime.tm_sec);
  std::string description = stamp;
  description.append(chapterTitle.substr(0, chapterTitle.find('\0')));
  if (inShop) description += "(Map)";
  return description;
}

uint32_t SlotResumePosition(uint32_t readPos, uint32_t lineStart, ChoiceKind choiceMode,
                            int32_t s010, EngineScreen engineState) {
  if (engineState == EngineScreen::Shop) return lineStart;
  if (choiceMode == ChoiceKind::None) return readPos;
  return s010 != 0 ? static_cast<uint32_t>(s010) : lineStart;
}

int32_t SlotEngineState(EngineScreen engineState) {
  return engineState == EngineScreen::Shop ? 0 : static_cast<int32_t>(engineState);
}

// Every fifth pixel of every fifth row, as a plain stretch without smoothing takes them: the
// scene holds pictures only, no text whose strokes could fall between the samples.
void ScaleThumbnail(const Bitmap24& scene, std::span<uint8_t, kThumbnailBytes> thumbnail) {
  if (scene.Empty()) {
    std::fill(thumbnail.begin(), thumbnail.end(), uint8_t{0});
    return;
  }
  uint8_t* out = thumbnail.data();
  for (int y = 0; y < kThumbnailHeight; ++y) {
    const uint8_t* row = scene.Row(y * scene.Height() / kThumbnailHeight);
    for (int x = 0; x < kThumbnailWidth; ++x, out += 3) {
      std::memcpy(out, row + static_cast<size_t>(x * scene.Width() / kThumbnailWidth) * 3, 3);
    }
  }
}

Bitmap24 ThumbnailPicture(const SlotRecord& record) {
  Bitmap24 picture(kThumbnailWidth, kThumbnailHeight);
  std::copy(record.thumbnail.begin(), record.thumbnail.end(), picture.Data());
  return picture;
}

}  // namespace tolven
