#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/engine_values.h"
#include "resources/bitmap24.h"

namespace tolven {

inline constexpr size_t kSlotFileBytes = 200978;
inline constexpr int kFirstSlot = 1;
inline constexpr int kLastSlot = 99;
inline constexpr size_t kSlotHeaderBytes = 128;  // description and comment, all the list reads
inline constexpr size_t kSlotCommentMaxBytes = 30;
inline constexpr int kThumbnailWidth = 160;
inline constexpr int kThumbnailHeight = 120;
inline constexpr size_t kThumbnailBytes = kThumbnailWidth * kThumbnailHeight * 3;
// Where the list's preview finds the thumbnail and the page text in a slot file.
inline constexpr size_t kSlotPageTextOffset = 91538;
inline constexpr size_t kSlotThumbnailOffset = 143378;
inline constexpr int kSlotCallEntries = 9;
inline constexpr int kSlotHistoryPages = 20;
inline constexpr int kSlotLayerSpecs = 5;
inline constexpr int kSlotBacklogLines = 1000;

// The interpreter state record of a slot, 64 integers; the index of each value in the record
// is given beside it. Indexes 16, 31 and 33-63 are written as 0 and ignored when read.
struct SlotState {
  int32_t CallDepth = 0;                                  // 0, at most 9 after a read
  std::array<int32_t, kSlotCallEntries> CallPositions{};  // 1-9
  int32_t windowOpen = 0;        // 10: the message window is open; any non-zero reads as 1
  int32_t WaitTicks = 0;         // 11
  int32_t CharDelay = 0;         // 12
  int32_t PageWait = 0;          // 13
  int32_t EngineState = 0;       // 14: SlotEngineState gives the value to store
  int32_t lastPictureGrb = 0;    // 15: 1 when the last picture command was grb, 0 after gra
  int32_t TextColumn = 0;        // 17
  int32_t TextRow = 0;           // 18
  int32_t TextSize = 0;          // 19
  int32_t TextColour = 0;        // 20
  int32_t backlogLineCount = 0;  // 21: complete lines of backlogText, 0-1000 after a read
  int32_t backlogWritePos = 0;   // 22: write position in backlogText
  int32_t ScriptRunning = 0;     // 23
  int32_t NeedLine = 0;          // 24
  int32_t LineStart = 0;         // 25
  int32_t resumePos = 0;         // 26: SlotResumePosition gives it; restored into ReadPos
  int32_t ScriptSize = 0;        // 27
  int32_t LinePos = 0;           // 28
  int32_t textMode = 0;          // 29: S150
  int32_t historyCount = 0;      // 30: pages ever recorded in the look-back, 0 or more after a read
  int32_t messagePageFlag = 0;   // 32
  bool operator==(const SlotState&) const = default;
};

// The names record of a slot: texts NUL-terminated inside fields of the widths given.
struct SlotNames {
  std::array<std::string, kSlotCallEntries> CallNames;  // 9 x 30
  std::string CurrentScript;                            // 30
  std::string LoadedScriptName;                         // 30: the script reloaded on load
  std::string background;                               // 30: background spec of the stage
  std::string characters;                               // 60: text of the last `tati`
  std::string pageCleared;                              // 30: cleared at every new page
  std::string recordScript;                             // 30: script loaded when `rec` started
  std::string loopingEffect;                            // 30: restarted on load
  std::string lastVoice;                                // 30
  std::array<std::string, kSlotLayerSpecs> layerSpecs;  // 5 x 20: the picture layers of `gra`
  bool operator==(const SlotNames&) const = default;
};

// One page of the look-back ring as a slot keeps it.
struct SlotHistoryPage {
  std::array<uint8_t, 2000> text{};  // 20 rows of 100 bytes
  int32_t fixed = 0;                 // S023 when the page was recorded
  std::string screen;                // 128: background name "," character specification
  std::string voices;                // 256: the page's voices, each followed by a blank
  int32_t mode = 0;                  // S150 when the page was recorded
  bool operator==(const SlotHistoryPage&) const = default;
};

// Everything a save slot holds, block by block in file order. The engine fills it for a save
// and applies it after a load; the files know nothing of the engine.
struct SlotRecord {
  std::string description;                     // 96: date, time, chapter title (SlotDescription)
  std::string comment;                         // 32: the player's comment, at most 30 bytes
  std::array<uint8_t, 128> F{};                // F bits
  std::array<uint8_t, 1024> reserved{};        // per-game block, carried through unchanged
  std::array<int32_t, 1000> V{};               // V000-V999
  std::array<int32_t, 200> S{};                // S000-S199
  std::array<uint8_t, 10240> readMarks{};      // the read marks as they were at the save
  std::array<uint8_t, 1250> T{};               // T bits
  SlotState state;                             // 64 integers
  std::array<uint8_t, 70000> backlogText{};    // lines 0-999 of 70 bytes
  std::string LineBuffer;                      // 2048: the line being run
  SlotNames names;                             // 1024
  std::array<uint8_t, 640> strings{};          // the string bank, 20 rows of 32 bytes
  std::array<uint8_t, 2000> pageText{};        // the message page, 20 rows of 100 bytes
  std::array<uint8_t, 2000> pageAttributes{};  // its colour index per byte
  std::array<SlotHistoryPage, kSlotHistoryPages> history;
  std::array<uint8_t, kThumbnailBytes> thumbnail{};  // 160x120, rows from the top, BGR
  bool operator==(const SlotRecord&) const = default;
};

// The slot file as bytes (kSlotFileBytes of them), and back. Reading goes as far as the bytes
// go; fields they do not reach keep what the record held. Values that index the engine's
// tables are brought within them.
std::vector<uint8_t> WriteSlotRecord(const SlotRecord& record);
void ReadSlotRecord(std::span<const uint8_t> bytes, SlotRecord& record);

// "save%02d.dat" in the save folder.
std::filesystem::path SlotPath(const std::filesystem::path& folder, int slot);

// Writes the slot whole or not at all, creating the folder when missing. Slots outside 1-99
// are refused. False when nothing was written; the old file, if any, is then as it was.
bool SaveSlot(const std::filesystem::path& folder, int slot, const SlotRecord& record);

// The slot's record; nothing when the slot is outside 1-99, missing, unreadable or shorter than
// the layout. A short file lacks at best part of the thumbnail and at worst the script and the
// place to go on from, which would leave a game that cannot go on; with no version field to
// tell one from the other, every short file counts as damaged. A longer file is read as far as
// the layout goes. Heap-held: a record is some 200 KB.
std::unique_ptr<SlotRecord> LoadSlot(const std::filesystem::path& folder, int slot);

// The first 128 bytes alone, as the save list shows them, and whether the rest is there.
struct SlotHeader {
  std::string description;
  std::string comment;
  bool damaged = false;  // shorter than the layout: LoadSlot refuses it
};
std::optional<SlotHeader> ReadSlotHeader(const std::filesystem::path& folder, int slot);

// Puts the comment, cut to 30 bytes, into an existing slot; the rest of the file is kept.
// False, and nothing written, when the slot does not exist or cannot be read.
bool WriteSlotComment(const std::filesystem::path& folder, int slot, std::string_view text);

// The comment as it is stored: at most 30 bytes, never ending inside a two-byte character.
std::string CutSlotComment(std::string_view text);

// "%04d/%02d/%02d %02d:%02d:%02d  %s" of the local time and the chapter title (string row 9),
// with "(Map)" after it when saved in the item shop.
std::string SlotDescription(const std::tm& localTime, std::string_view chapterTitle, bool inShop);

// Where a load resumes: the script position, or during a choice the start of the line that
// opened it (the `backto` position S010 instead when that is set); in the shop, the line start.
uint32_t SlotResumePosition(uint32_t readPos, uint32_t lineStart, ChoiceKind choiceMode,
                            int32_t s010, EngineScreen engineState);
// The EngineState a slot stores: the shop is not resumed, the story is.
int32_t SlotEngineState(EngineScreen engineState);

// The scene picture (800x600 as a rule, any size works) stretched to 160x120.
void ScaleThumbnail(const Bitmap24& scene, std::span<uint8_t, kThumbnailBytes> thumbnail);
// The slot's thumbnail as a picture, for the list's preview.
Bitmap24 ThumbnailPicture(const SlotRecord& record);

}  // namespace tolven
