#include "resources/archives.h"

#include <array>
#include <cstdio>
#include <exception>

#include "resources/regular_file.h"

namespace tolven {
namespace {

constexpr std::array<const char*, 2> kScriptOrder = {kData2Archive, kDataArchive};
constexpr std::array<const char*, 4> kPictureOrder = {kJpegArchive, "qe_gra3.tvk", "qe_gra2.tvk",
                                                      "qe_gra.tvk"};
constexpr std::array<const char*, 10> kSoundOrder = {
    "qe_ogg3.tvk", "qe_ogg2.tvk", "qe_ogg1.tvk", "qe_wav4.tvk", "qe_wav3.tvk",
    "qe_wav2.tvk", "qe_wav1.tvk", "qe_se0.tvk",  "qe_se1.tvk",  "qe_se2.tvk"};
constexpr std::array<const char*, 2> kAnimationOrder = {"qe_anim.tvk", "qe_anim2.tvk"};

// The order in which start-up reads the media indexes.
constexpr std::array<const char*, 17> kMediaLoadOrder = {
    "qe_gra.tvk",  "qe_gra2.tvk", "qe_gra3.tvk", kJpegArchive,  "qe_wav1.tvk", "qe_wav2.tvk",
    "qe_wav3.tvk", "qe_wav4.tvk", "qe_se0.tvk",  "qe_se1.tvk",  "qe_se2.tvk",  "qe_ogg1.tvk",
    "qe_ogg2.tvk", "qe_ogg3.tvk", kMusicArchive, "qe_anim.tvk", "qe_anim2.tvk"};

const ArchiveIndex kNoIndex;

}  // namespace

Archives::Archives(std::filesystem::path gameDirectory)
    : gameDirectory_(std::move(gameDirectory)) {}

void Archives::Load(const char* archive, ArchiveLayout layout) {
  indexes_[archive] = LoadArchiveIndex(gameDirectory_ / archive, layout);
}

void Archives::LoadScriptIndexes() {
  Load(kDataArchive, ArchiveLayout::A);
  Load(kData2Archive, ArchiveLayout::A);
}

void Archives::LoadMediaIndexes() {
  for (const char* archive : kMediaLoadOrder) {
    Load(archive, ArchiveLayout::B);
  }
}

const ArchiveIndex& Archives::Index(std::string_view archive) const {
  auto found = indexes_.find(archive);
  return found == indexes_.end() ? kNoIndex : found->second;
}

std::optional<ArchiveEntry> Archives::FindIn(std::span<const char* const> archives,
                                             std::string_view name) const {
  for (const char* archive : archives) {
    const ArchiveIndex& index = Index(archive);
    int entry = FindEntry(index, name);
    if (entry >= 0) return ArchiveEntry{archive, index.offsets[entry], index.sizes[entry]};
  }
  return std::nullopt;
}

std::optional<ArchiveEntry> Archives::FindScript(std::string_view name) const {
  return FindIn(kScriptOrder, name);
}

std::optional<ArchiveEntry> Archives::FindPicture(std::string_view name) const {
  return FindIn(kPictureOrder, name);
}

std::optional<ArchiveEntry> Archives::FindSound(std::string_view name) const {
  return FindIn(kSoundOrder, name);
}

std::optional<ArchiveEntry> Archives::FindMusic(int number) const {
  char name[16];
  std::snprintf(name, sizeof name, "M%02d", number);
  const std::array<const char*, 1> music = {kMusicArchive};
  return FindIn(music, name);
}

std::optional<ArchiveEntry> Archives::FindAnimation(std::string_view name) const {
  return FindIn(kAnimationOrder, name);
}

std::optional<std::vector<uint8_t>> Archives::ReadEntry(const ArchiveEntry& entry) const {
  return ReadAt(entry.archive, entry.offset, entry.size);
}

std::optional<std::vector<uint8_t>> Archives::ReadAt(std::string_view archive, uint64_t offset,
                                                     uint64_t length) const {
  std::vector<uint8_t> bytes;
  if (!ReadInto(archive, offset, length, bytes)) return std::nullopt;
  return bytes;
}

bool Archives::ReadInto(std::string_view archive, uint64_t offset, uint64_t length,
                        std::vector<uint8_t>& bytes) const {
  try {
    std::optional<RegularFile> file = RegularFile::Open(gameDirectory_ / archive);
    // The file may have changed since its index was read: never allocate beyond what it holds.
    if (!file || offset > file->Size() || length > file->Size() - offset) return false;
    bytes.resize(static_cast<size_t>(length));
    return file->ReadAt(offset, bytes.data(), bytes.size());
  } catch (const std::exception&) {
    return false;  // no memory for the entry: as unreadable as a vanished file
  }
}

}  // namespace tolven
