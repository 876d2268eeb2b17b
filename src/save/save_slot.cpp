#include "save/save_slot.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "base/file_writer.h"
#include "save/save_files.h"
#include "save/serializer.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;

constexpr size_t kScriptNameBytes = 30;
constexpr size_t kLayerSpecBytes = 20;
constexpr size_t kHistoryScreenBytes = 128;
constexpr size_t kHistoryVoiceBytes = 256;

bool ValidSlot(int slot) {
  return slot >= kFirstSlot && slot <= kLastSlot;
}

template <class Direction, class State>
void TransferState(Direction& d, State& s) {
  d.Int32(s.CallDepth);
  d.Int32s(s.CallPositions);
  for (auto* value : {&s.windowOpen, &s.WaitTicks, &s.CharDelay, &s.PageWait, &s.EngineState,
                      &s.lastPictureGrb}) {
    d.Int32(*value);
  }
  d.Zeros(4);  // 16
  for (auto* value : {&s.TextColumn, &s.TextRow, &s.TextSize, &s.TextColour, &s.backlogLineCount,
                      &s.backlogWritePos, &s.ScriptRunning, &s.NeedLine, &s.LineStart, &s.resumePos,
                      &s.ScriptSize, &s.LinePos, &s.textMode, &s.historyCount}) {
    d.Int32(*value);
  }
  d.Zeros(4);  // 31
  d.Int32(s.messagePageFlag);
  d.Zeros(4 * 31);  // 33-63
}

template <class Direction, class Names>
void TransferNames(Direction& d, Names& n) {
  for (auto& name : n.CallNames) d.Text(name, kScriptNameBytes);
  for (auto* text : {&n.CurrentScript, &n.LoadedScriptName, &n.background}) {
    d.Text(*text, kScriptNameBytes);
  }
  d.Text(n.characters, 60);
  for (auto* text : {&n.pageCleared, &n.recordScript, &n.loopingEffect, &n.lastVoice}) {
    d.Text(*text, kScriptNameBytes);
  }
  d.Zeros(20);  // reserved text, empty
  for (auto& spec : n.layerSpecs) d.Text(spec, kLayerSpecBytes);
  d.Zeros(364);
}

// The ring is stored field by field: all page texts, then every S023, and so on.
template <class Direction, class History>
void TransferHistory(Direction& d, History& pages) {
  d.At(95538);
  for (auto& page : pages) d.Bytes(page.text);
  d.At(135538);
  for (auto& page : pages) d.Int32(page.fixed);
  d.At(135618);
  for (auto& page : pages) d.Text(page.screen, kHistoryScreenBytes);
  d.At(138178);
  for (auto& page : pages) d.Text(page.voices, kHistoryVoiceBytes);
  d.At(143298);
  for (auto& page : pages) d.Int32(page.mode);
}

// Shared by the whole record and by the list, which reads the header alone.
template <class Direction, class Header>
void TransferHeader(Direction& d, Header& h) {
  d.At(0);
  d.Text(h.description, 96);
  d.At(96);
  d.Text(h.comment, 32);
}

template <class Direction, class Record>
void TransferBanks(Direction& d, Record& r) {
  TransferHeader(d, r);
  d.At(kSlotHeaderBytes);
  d.Bytes(r.F);
  d.At(256);
  d.Bytes(r.reserved);
  d.At(1280);
  d.Int32s(r.V);
  d.At(5280);
  d.Int32s(r.S);
  d.At(6080);
  d.Bytes(r.readMarks);
  d.At(16320);
  d.Bytes(r.T);
}

template <class Direction, class Record>
void TransferSlot(Direction& d, Record& r) {
  TransferBanks(d, r);
  d.At(17570);
  TransferState(d, r.state);
  d.At(17826);
  d.Bytes(r.backlogText);
  d.At(87826);
  d.Text(r.LineBuffer, 2048);
  d.At(89874);
  TransferNames(d, r.names);
  d.At(90898);
  d.Bytes(r.strings);
  d.At(kSlotPageTextOffset);
  d.Bytes(r.pageText);
  d.At(93538);
  d.Bytes(r.pageAttributes);
  TransferHistory(d, r.history);
  d.At(kSlotThumbnailOffset);
  d.Bytes(r.thumbnail);
  d.At(kSlotFileBytes);
}

// The engine indexes its call stack, backlog and look-back ring with these; a damaged file
// must not take them outside.
void KeepWithinLimits(SlotState& s) {
  s.CallDepth = std::clamp(s.CallDepth, 0, kSlotCallEntries);
  s.windowOpen = s.windowOpen != 0 ? 1 : 0;
  s.backlogLineCount = std::clamp(s.backlogLineCount, 0, kSlotBacklogLines);
  s.historyCount = std::max(s.historyCount, 0);
}

}  // namespace

std::vector<uint8_t> WriteSlotRecord(const SlotRecord& record) {
  LayoutWriter writer(kSlotFileBytes);
  TransferSlot(writer, record);
  return writer.Take();
}

void ReadSlotRecord(std::span<const uint8_t> bytes, SlotRecord& record) {
  LayoutReader reader(bytes);
  TransferSlot(reader, record);
  KeepWithinLimits(record.state);
}

fs::path SlotPath(const fs::path& folder, int slot) {
  char name[32];
  std::snprintf(name, sizeof name, "save%02d.dat", slot);
  return folder / name;
}

bool SaveSlot(const fs::path& folder, int slot, const SlotRecord& record) {
  if (!ValidSlot(slot) || !EnsureFolder(folder)) return false;
  return WriteFileAtomically(SlotPath(folder, slot), WriteSlotRecord(record));
}

std::unique_ptr<SlotRecord> LoadSlot(const fs::path& folder, int slot) {
  if (!ValidSlot(slot)) return nullptr;
  const FileRead file = ReadFilePrefix(SlotPath(folder, slot), kSlotFileBytes);
  if (file.outcome != FileRead::Outcome::Read || file.bytes.size() < kSlotFileBytes) {
    return nullptr;
  }
  auto record = std::make_unique<SlotRecord>();
  ReadSlotRecord(file.bytes, *record);
  return record;
}

std::optional<SlotHeader> ReadSlotHeader(const fs::path& folder, int slot) {
  if (!ValidSlot(slot)) return std::nullopt;
  const fs::path path = SlotPath(folder, slot);
  const FileRead file = ReadFilePrefix(path, kSlotHeaderBytes);
  if (file.outcome != FileRead::Outcome::Read) return std::nullopt;
  LayoutReader reader(file.bytes);
  SlotHeader header;
  TransferHeader(reader, header);
  std::error_code error;
  const uintmax_t size = fs::file_size(path, error);
  header.damaged = error || size < kSlotFileBytes;
  return header;
}

}  // namespace tolven
