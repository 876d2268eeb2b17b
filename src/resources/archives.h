#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "resources/archive_index.h"

namespace tolven {

// Archive file names, as the game's installers lay them out in the game directory.
inline constexpr const char* kDataArchive = "qe_data.tvk";
inline constexpr const char* kData2Archive = "qe_data2.tvk";
inline constexpr const char* kJpegArchive = "qe_gjp.tvk";
inline constexpr const char* kMusicArchive = "qe_bgm.tvk";

// Where one entry lives.
struct ArchiveEntry {
  std::string archive;  // file name within the game directory
  uint32_t offset = 0;
  uint32_t size = 0;
};

// Every archive index of the game, read once at start-up and unchanged afterwards, and the
// search orders that decide which archive supplies a resource.
class Archives {
 public:
  explicit Archives(std::filesystem::path gameDirectory);

  void LoadScriptIndexes();
  void LoadMediaIndexes();

  // The index of one archive by file name; empty when it was absent or never loaded.
  const ArchiveIndex& Index(std::string_view archive) const;
  const std::filesystem::path& GameDirectory() const { return gameDirectory_; }

  // Scripts and definition texts: "qe_data2.tvk", then "qe_data.tvk".
  std::optional<ArchiveEntry> FindScript(std::string_view name) const;
  // Pictures: the JPEG archive first, then the packed ones from the newest.
  std::optional<ArchiveEntry> FindPicture(std::string_view name) const;
  // Sounds by name: Ogg 3..1, WADY 4..1, effects 0..2.
  std::optional<ArchiveEntry> FindSound(std::string_view name) const;
  // Music number n is the entry "M%02d" of the music archive.
  std::optional<ArchiveEntry> FindMusic(int number) const;
  std::optional<ArchiveEntry> FindAnimation(std::string_view name) const;

  // Opens the archive, reads the entry and closes it again. Nothing when the file is gone, is
  // no longer a regular file or no longer holds the entry's bytes; never throws.
  std::optional<std::vector<uint8_t>> ReadEntry(const ArchiveEntry& entry) const;
  // Reads length bytes at an offset of an archive file; nothing when the file is shorter.
  std::optional<std::vector<uint8_t>> ReadAt(std::string_view archive, uint64_t offset,
                                             uint64_t length) const;
  // The same into a buffer the caller reuses; false, with the buffer's contents undefined, when
  // the file is shorter.
  bool ReadInto(std::string_view archive, uint64_t offset, uint64_t length,
                std::vector<uint8_t>& bytes) const;

  // The first archive of the list whose index holds the name.
  std::optional<ArchiveEntry> FindIn(std::span<const char* const> archives,
                                     std::string_view name) const;

 private:
  void Load(const char* archive, ArchiveLayout layout);

  std::filesystem::path gameDirectory_;
  std::map<std::string, ArchiveIndex, std::less<>> indexes_;
};

}  // namespace tolven
