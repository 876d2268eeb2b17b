#include "save/global_progress.h"

#include "base/file_writer.h"
#include "save/save_files.h"
#include "save/serializer.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSave0Name = "save0.dat";
constexpr const char* kKaisoName = "kaiso.dat";
constexpr int kKaisoValues = 500;

template <size_t N>
bool TestBit(const std::array<uint8_t, N>& bits, int index, int limit) {
  if (index < 0 || index >= limit) return false;
  return (bits[static_cast<size_t>(index / 8)] >> (index % 8) & 1) != 0;
}

template <size_t N>
void SetBit(std::array<uint8_t, N>& bits, int index, int limit) {
  if (index < 0 || index >= limit) return;
  bits[static_cast<size_t>(index / 8)] |= static_cast<uint8_t>(1u << (index % 8));
}

template <size_t N>
void OrInto(std::array<uint8_t, N>& into, const std::array<uint8_t, N>& from) {
  for (size_t i = 0; i < N; ++i) into[i] |= from[i];
}

template <class Direction, class Progress>
void TransferSave0(Direction& d, Progress& p) {
  d.At(0);
  d.Bytes(p.E);
  d.At(128);
  d.Bytes(p.galleryFlags);
  d.At(384);
  d.Bytes(p.sceneFlags);
  d.At(640);
  d.Bytes(p.readMarks);
  d.At(kSave0FileBytes);
}

// The file starts one entry into the first slot: value v is entry (v + 1) mod 50 of slot
// (v + 1) / 50, so the last value of each slot is the unused entry 0 of the next one, and the
// very last value, which would be entry 0 of an eleventh slot, is always 0.
template <class Direction, class Progress>
void TransferKaiso(Direction& d, Progress& p) {
  for (int v = 0; v < kKaisoValues; ++v) {
    const int slot = (v + 1) / kRecordSlotEntries;
    const int entry = (v + 1) % kRecordSlotEntries;
    if (slot < kRecordSlotCount) {
      d.Int32(p.recordSlots[static_cast<size_t>(slot)][static_cast<size_t>(entry)]);
    } else {
      d.Zeros(4);
    }
  }
  d.At(2000);
  for (auto& name : p.recordSlotNames) d.Text(name, kRecordSlotNameBytes);
  d.At(kKaisoFileBytes);
}

}  // namespace

bool GlobalProgress::GalleryFlag(int index) const {
  return TestBit(galleryFlags, index, kListFlagCount);
}
void GlobalProgress::SetGalleryFlag(int index) {
  SetBit(galleryFlags, index, kListFlagCount);
}
bool GlobalProgress::SceneFlag(int index) const {
  return TestBit(sceneFlags, index, kListFlagCount);
}
void GlobalProgress::SetSceneFlag(int index) {
  SetBit(sceneFlags, index, kListFlagCount);
}
void GlobalProgress::SetGalleryFlags(int count) {
  for (int i = 0; i < count && i < kListFlagCount; ++i) SetGalleryFlag(i);
}

bool GlobalProgress::ReadMark(int number) const {
  return TestBit(readMarks, number, kLastReadMark + 1);
}

MarkOutcome GlobalProgress::Mark(int number) {
  if (number < 0 || number > kLastReadMark) return MarkOutcome::Ignored;
  if (ReadMark(number)) return MarkOutcome::AlreadyRead;
  SetBit(readMarks, number, kLastReadMark + 1);
  return MarkOutcome::NewlySet;
}

void GlobalProgress::MergeFrom(const GlobalProgress& other) {
  OrInto(E, other.E);
  OrInto(galleryFlags, other.galleryFlags);
  OrInto(sceneFlags, other.sceneFlags);
  OrInto(readMarks, other.readMarks);
}

std::vector<uint8_t> WriteSave0(const GlobalProgress& progress) {
  LayoutWriter writer(kSave0FileBytes);
  TransferSave0(writer, progress);
  return writer.Take();
}

void ReadSave0(std::span<const uint8_t> bytes, GlobalProgress& progress) {
  LayoutReader reader(bytes);
  TransferSave0(reader, progress);
}

std::vector<uint8_t> WriteKaiso(const GlobalProgress& progress) {
  LayoutWriter writer(kKaisoFileBytes);
  TransferKaiso(writer, progress);
  return writer.Take();
}

void ReadKaiso(std::span<const uint8_t> bytes, GlobalProgress& progress) {
  LayoutReader reader(bytes);
  TransferKaiso(reader, progress);
}

GlobalProgressWrite SaveGlobalProgress(const fs::path& folder, GlobalProgress& progress) {
  GlobalProgressWrite written;
  const FileRead file = ReadFilePrefix(folder / kSave0Name, kSave0FileBytes);
  if (file.outcome == FileRead::Outcome::Read) {
    // Read into a cleared copy, so a short file adds only what it holds.
    GlobalProgress onDisk;
    ReadSave0(file.bytes, onDisk);
    progress.MergeFrom(onDisk);
  }
  if (!EnsureFolder(folder)) return written;
  if (file.outcome != FileRead::Outcome::Failed) {
    written.save0 = WriteFileAtomically(folder / kSave0Name, WriteSave0(progress));
  }
  written.kaiso = WriteFileAtomically(folder / kKaisoName, WriteKaiso(progress));
  return written;
}

bool LoadRecollectionRecords(const fs::path& folder, GlobalProgress& progress) {
  const FileRead file = ReadFilePrefix(folder / kKaisoName, kKaisoFileBytes);
  if (file.outcome != FileRead::Outcome::Read) return false;
  ReadKaiso(file.bytes, progress);
  return true;
}

}  // namespace tolven
