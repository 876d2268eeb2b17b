// LoadPicture of a JPEG from its archive against libjpeg-turbo alone decoding the same bytes
// to blue-green-red rows: what the archive lookup, the read and our wrapper cost on top.
#include <benchmark/benchmark.h>

#include <stdlib.h>  // mkdtemp

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "baseline.h"
#include "libjpeg_reference.h"
#include "resources/archives.h"
#include "resources/picture_loader.h"
#include "tools/archive_writer.h"
#include "tools/jpeg_encoder.h"

namespace {

using tolven::Bitmap24;

Bitmap24 Scene() {
  Bitmap24 bitmap(800, 600);
  uint32_t noise = 99;
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) {
      noise = noise * 1664525u + 1013904223u;
      uint8_t* p = bitmap.Row(y) + 3 * x;
      const double shade = 50.0 * std::sin(x * 0.02) * std::cos(y * 0.015);
      p[0] = static_cast<uint8_t>(std::clamp(x / 4 + 40 + static_cast<int>(shade), 0, 255));
      p[1] = static_cast<uint8_t>(std::clamp(y / 3 + static_cast<int>(noise >> 29), 0, 255));
      p[2] = static_cast<uint8_t>(std::clamp((x + y) / 6 + 60, 0, 255));
    }
  }
  return bitmap;
}

const std::vector<uint8_t>& SceneJpeg() {
  static const std::vector<uint8_t> jpeg = tolven::tools::EncodeJpeg(Scene(), 90);
  return jpeg;
}

void BM_LibjpegDecodeBgr(benchmark::State& state) {
  const std::vector<uint8_t>& jpeg = SceneJpeg();
  Bitmap24 pixels(800, 600);
  for (auto _ : state) {
    tolven::testing::LibjpegDecodeBgr(jpeg, pixels);
    benchmark::DoNotOptimize(pixels.Data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(pixels.SizeBytes()) * state.iterations());
}
TOLVEN_BENCHMARK(BM_LibjpegDecodeBgr)->Unit(benchmark::kMillisecond);

// A game folder of the benchmark's own, so that runs side by side never share or remove each
// other's files.
class GameFolder {
 public:
  GameFolder() {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) return;
    std::string pattern = (base / "tolven-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~GameFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  GameFolder(const GameFolder&) = delete;
  GameFolder& operator=(const GameFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

void BM_LoadPictureJpeg(benchmark::State& state) {
  GameFolder folder;
  if (folder.Path().empty()) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::vector<uint8_t> archive =
      tolven::tools::BuildArchive(tolven::ArchiveLayout::B, {{"A_SCENE", SceneJpeg()}});
  std::ofstream out(folder.Path() / "qe_gjp.tvk", std::ios::binary);
  out.write(reinterpret_cast<const char*>(archive.data()),
            static_cast<std::streamsize>(archive.size()));
  out.close();
  if (!out) {
    state.SkipWithError("cannot write the archive");
    return;
  }
  tolven::Archives archives(folder.Path());
  archives.LoadMediaIndexes();
  tolven::PictureLoader loader(archives);
  Bitmap24 bitmap;
  for (auto _ : state) {
    if (!loader.LoadPicture("a_scene", bitmap)) {
      state.SkipWithError("not loaded");
      break;
    }
    benchmark::DoNotOptimize(bitmap.Data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(bitmap.SizeBytes()) * state.iterations());
}
TOLVEN_BENCHMARK(BM_LoadPictureJpeg)->Unit(benchmark::kMillisecond);

const tolven::bench::CompareTo kJpegAgainstLibjpeg("BM_LoadPictureJpeg", "BM_LibjpegDecodeBgr");

}  // namespace
