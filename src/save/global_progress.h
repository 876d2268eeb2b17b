#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace tolven {

inline constexpr int kListFlagCount = 2000;    // gallery and scene flags 0-1999
inline constexpr int kLastReadMark = 80000;    // `mark` 0-80000
inline constexpr int kRecordSlotCount = 10;    // recollection record slots
inline constexpr int kRecordSlotEntries = 50;  // entry 0 unused, 1-27 the playlist
inline constexpr size_t kRecordSlotNameBytes = 64;
inline constexpr size_t kSave0FileBytes = 10880;
inline constexpr size_t kKaisoFileBytes = 2640;
inline constexpr size_t kReadMarkBytes = 10240;

// What `mark` found.
enum class MarkOutcome {
  Ignored,      // the number is outside 0-80000
  AlreadyRead,  // the mark was set before: the text counts as read
  NewlySet,     // the mark was not set and now is
};

// The progress that belongs to the player rather than to one play-through. It only grows:
// every set bit survives every merge. Bit n of a set is bit n mod 8 of byte n / 8.
struct GlobalProgress {
  std::array<uint8_t, 128> E{};                     // cross-game flags E000-E999 (save0.dat)
  std::array<uint8_t, 256> galleryFlags{};          // bit i: gallery list entry i was shown
  std::array<uint8_t, 256> sceneFlags{};            // bit i: recollection entry i was reached
  std::array<uint8_t, kReadMarkBytes> readMarks{};  // bit n: passage n of `mark` was shown
  // The recollection playlists: scene numbers in play order, ending at the first 0 (kaiso.dat).
  std::array<std::array<int32_t, kRecordSlotEntries>, kRecordSlotCount> recordSlots{};
  std::array<std::string, kRecordSlotCount> recordSlotNames;  // their titles, Shift-JIS

  // Indexes outside 0-1999 set nothing and test as unset.
  bool GalleryFlag(int index) const;
  void SetGalleryFlag(int index);
  bool SceneFlag(int index) const;
  void SetSceneFlag(int index);
  // `cgfull`: every entry of a gallery list of this length counts as shown.
  void SetGalleryFlags(int count);

  // Numbers outside 0-80000 are never set and test as unset.
  bool ReadMark(int number) const;
  MarkOutcome Mark(int number);

  bool operator==(const GlobalProgress&) const = default;

  // ORs the bit sets of other into these; the record slots are not merged.
  void MergeFrom(const GlobalProgress& other);
};

// save0.dat and kaiso.dat as bytes, and back. Reading goes as far as the bytes go.
std::vector<uint8_t> WriteSave0(const GlobalProgress& progress);
void ReadSave0(std::span<const uint8_t> bytes, GlobalProgress& progress);
std::vector<uint8_t> WriteKaiso(const GlobalProgress& progress);
void ReadKaiso(std::span<const uint8_t> bytes, GlobalProgress& progress);

// Whether each file of a flush reached the disk.
struct GlobalProgressWrite {
  bool save0 = false;
  bool kaiso = false;
};

// The flush: merges save0.dat of the save folder into progress by OR and writes progress back
// to save0.dat and kaiso.dat. A missing save0.dat merges nothing and is written anew; one that
// is there but cannot be read is left untouched, since writing memory over it could drop marks
// that only the file holds. Creates the folder when missing. The G values are not written here:
// they belong to the settings store.
GlobalProgressWrite SaveGlobalProgress(const std::filesystem::path& folder,
                                       GlobalProgress& progress);

// At start-up, before the first flush: the record slots and their titles back from kaiso.dat,
// so that the player's playlists outlive the run. False when there is no file to read.
bool LoadRecollectionRecords(const std::filesystem::path& folder, GlobalProgress& progress);

}  // namespace tolven
