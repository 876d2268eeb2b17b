// Saving and loading a slot against writing and reading the same 200978 bytes with plain stdio.
// A save scales the thumbnail from the 800x600 scene, lays out the record and writes it whole
// to a temporary that is flushed to disk and renamed into place; the baseline writes in place
// and does not flush, so the difference is mostly what the flush costs: the price of a save
// that a crash cannot damage.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "baseline.h"
#include "save/save_slot.h"

namespace {

namespace fs = std::filesystem;

// A folder for one benchmark, removed when it ends.
class BenchFolder {
 public:
  BenchFolder() {
    std::string pattern = (fs::temp_directory_path() / "tolven-bench-save-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~BenchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  BenchFolder(const BenchFolder&) = delete;
  BenchFolder& operator=(const BenchFolder&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

tolven::Bitmap24 Scene() {
  tolven::Bitmap24 scene(tolven::kScreenWidth, tolven::kScreenHeight);
  for (size_t i = 0; i < scene.SizeBytes(); ++i) scene.Data()[i] = static_cast<uint8_t>(i * 7);
  return scene;
}

std::unique_ptr<tolven::SlotRecord> Record() {
  auto record = std::make_unique<tolven::SlotRecord>();
  record->description = "2024/03/05 07:08:09  chapter";
  for (size_t i = 0; i < record->backlogText.size(); ++i) record->backlogText[i] = 'a' + i % 26;
  for (int i = 0; i < 1000; ++i) record->V[static_cast<size_t>(i)] = i * 31;
  for (auto& page : record->history) page.screen = "A01,B01,B02";
  return record;
}

void StdioWrite(const fs::path& path, const std::vector<uint8_t>& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

void BM_StdioWriteSlotBytes(benchmark::State& state) {
  BenchFolder folder;
  const std::vector<uint8_t> bytes = tolven::WriteSlotRecord(*Record());
  for (auto _ : state) StdioWrite(folder.Path() / "save01.dat", bytes);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
TOLVEN_BENCHMARK(BM_StdioWriteSlotBytes);

void BM_SaveSlot(benchmark::State& state) {
  BenchFolder folder;
  const tolven::Bitmap24 scene = Scene();
  auto record = Record();
  for (auto _ : state) {
    tolven::ScaleThumbnail(scene, record->thumbnail);
    if (!tolven::SaveSlot(folder.Path(), 1, *record)) state.SkipWithError("not saved");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(tolven::kSlotFileBytes));
}
TOLVEN_BENCHMARK(BM_SaveSlot);

void BM_StdioReadSlotBytes(benchmark::State& state) {
  BenchFolder folder;
  StdioWrite(folder.Path() / "save01.dat", tolven::WriteSlotRecord(*Record()));
  std::vector<uint8_t> bytes(tolven::kSlotFileBytes);
  for (auto _ : state) {
    FILE* file = std::fopen((folder.Path() / "save01.dat").c_str(), "rb");
    if (file == nullptr) std::abort();
    benchmark::DoNotOptimize(std::fread(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
TOLVEN_BENCHMARK(BM_StdioReadSlotBytes);

void BM_LoadSlot(benchmark::State& state) {
  BenchFolder folder;
  if (!tolven::SaveSlot(folder.Path(), 1, *Record())) std::abort();
  for (auto _ : state) {
    auto record = tolven::LoadSlot(folder.Path(), 1);
    benchmark::DoNotOptimize(record.get());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(tolven::kSlotFileBytes));
}
TOLVEN_BENCHMARK(BM_LoadSlot);

// The layout alone, without the file system: the record to bytes and back.
void BM_SlotRecordToBytesAndBack(benchmark::State& state) {
  auto record = Record();
  auto read = std::make_unique<tolven::SlotRecord>();
  for (auto _ : state) {
    const std::vector<uint8_t> bytes = tolven::WriteSlotRecord(*record);
    tolven::ReadSlotRecord(bytes, *read);
    benchmark::DoNotOptimize(read.get());
  }
  state.SetBytesProcessed(state.iterations() * 2 * static_cast<int64_t>(tolven::kSlotFileBytes));
}
TOLVEN_BENCHMARK(BM_SlotRecordToBytesAndBack);

const tolven::bench::CompareTo kSaveAgainstStdio("BM_SaveSlot", "BM_StdioWriteSlotBytes");
const tolven::bench::CompareTo kLoadAgainstStdio("BM_LoadSlot", "BM_StdioReadSlotBytes");
const tolven::bench::CompareTo kLayoutAgainstRead("BM_SlotRecordToBytesAndBack",
                                                  "BM_StdioReadSlotBytes");

}  // namespace
