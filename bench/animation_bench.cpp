// The animation player's work per frame. An 800x600 `anim` frame read from its archive,
// decoded and drawn on PB, against libjpeg-turbo alone decoding the same bytes: what the read,
// our decoder wrapper and the draw cost on top. The `animq` enlargement of a 400x300 frame to
// 800x600 by doubling and by averaging, against a plain copy of a whole 800x600 screen.
#include <benchmark/benchmark.h>

#include <stdlib.h>  // mkdtemp

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "baseline.h"
#include "libjpeg_reference.h"
#include "resources/animation_entry.h"
#include "resources/paint_box.h"
#include "screens/animation_player.h"
#include "tools/archive_writer.h"
#include "tools/jpeg_encoder.h"

namespace {

using tolven::Bitmap24;

Bitmap24 Frame(int width, int height) {
  Bitmap24 bitmap(width, height);
  uint32_t noise = 7;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      uint8_t* p = bitmap.Row(y) + 3 * x;
      const double shade = 60.0 * std::sin(x * 0.03) * std::cos(y * 0.02);
      p[0] = static_cast<uint8_t>(std::clamp(x / 5 + 30 + static_cast<int>(shade), 0, 255));
      p[1] = static_cast<uint8_t>(std::clamp(y / 4 + static_cast<int>(noise >> 29), 0, 255));
      p[2] = static_cast<uint8_t>(std::clamp((x + y) / 7 + 50, 0, 255));
    }
  }
  return bitmap;
}

const std::vector<uint8_t>& FrameJpeg() {
  static const std::vector<uint8_t> jpeg = tolven::tools::EncodeJpeg(Frame(800, 600), 90);
  return jpeg;
}

// A folder of the benchmark's own, removed when it ends.
class Folder {
 public:
  Folder() {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) return;
    std::string pattern = (base / "tolven-bench-anim-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~Folder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

void BM_AnimationLibjpegDecode(benchmark::State& state) {
  const std::vector<uint8_t>& jpeg = FrameJpeg();
  Bitmap24 pixels(800, 600);
  for (auto _ : state) {
    tolven::testing::LibjpegDecodeBgr(jpeg, pixels);
    benchmark::DoNotOptimize(pixels.Data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(pixels.SizeBytes()) * state.iterations());
}
TOLVEN_BENCHMARK(BM_AnimationLibjpegDecode)->Unit(benchmark::kMillisecond);

// One key frame as the player draws it: the stream positioned at the frame, its bytes read
// into the memory stream, decoded, drawn on PB.
void BM_AnimationFrameDecodeDraw(benchmark::State& state) {
  Folder folder;
  if (folder.Path().empty()) {
    state.SkipWithError("no temporary folder");
    return;
  }
  tolven::AnimationEntry entry;
  entry.period = 33;
  entry.frames.resize(1);
  entry.frames[0].offset = static_cast<uint32_t>(tolven::AnimationTableBytes(1));
  entry.frames[0].size = static_cast<uint32_t>(FrameJpeg().size());
  std::vector<uint8_t> bytes = tolven::WriteAnimationTable(entry);
  bytes.insert(bytes.end(), FrameJpeg().begin(), FrameJpeg().end());
  const std::vector<uint8_t> archive =
      tolven::tools::BuildArchive(tolven::ArchiveLayout::B, {{"FRAME", bytes}});
  const std::filesystem::path path = folder.Path() / "qe_anim.tvk";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(archive.data()),
             static_cast<std::streamsize>(archive.size()));
  const uint64_t entryOffset = archive.size() - bytes.size();
  const std::shared_ptr<tolven::AnimationArchive> file =
      tolven::AnimationArchive::Open(path, entryOffset, bytes.size());
  if (!file) {
    state.SkipWithError("cannot open the archive");
    return;
  }
  tolven::AnimationFrameReader reader(file);
  tolven::PaintBox pb(800, 600);
  for (auto _ : state) {
    reader.Seek(entryOffset + entry.frames[0].offset);
    if (!reader.ReadAndDecode(entry.frames[0].size) ||
        !tolven::DrawOnPb(reader.Picture(), pb, 0, 0)) {
      state.SkipWithError("not drawn");
      break;
    }
    benchmark::DoNotOptimize(pb.Picture().Data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(800 * 600 * 3) * state.iterations());
}
TOLVEN_BENCHMARK(BM_AnimationFrameDecodeDraw)->Unit(benchmark::kMillisecond);

// The whole-screen copy the screens' frames are measured against (scroll and credits too).
void BM_AnimationScreenCopy(benchmark::State& state) {
  const Bitmap24 source = Frame(800, 600);
  Bitmap24 destination(800, 600);
  for (auto _ : state) {
    std::memcpy(destination.Data(), source.Data(), source.SizeBytes());
    benchmark::DoNotOptimize(destination.Data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(source.SizeBytes()) * state.iterations());
}
TOLVEN_BENCHMARK(BM_AnimationScreenCopy)->Unit(benchmark::kMicrosecond);

void Enlarge(benchmark::State& state, int quality) {
  const Bitmap24 source = Frame(400, 300);
  Bitmap24 enlarged(800, 600);
  for (auto _ : state) {
    tolven::EnlargeFrame(source, enlarged, quality);
    benchmark::DoNotOptimize(enlarged.Data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(enlarged.SizeBytes()) * state.iterations());
}

void BM_AnimationEnlargeDoubling(benchmark::State& state) {
  Enlarge(state, 0);
}
TOLVEN_BENCHMARK(BM_AnimationEnlargeDoubling)->Unit(benchmark::kMicrosecond);

void BM_AnimationEnlargeAveraging(benchmark::State& state) {
  Enlarge(state, 1);
}
TOLVEN_BENCHMARK(BM_AnimationEnlargeAveraging)->Unit(benchmark::kMicrosecond);

const tolven::bench::CompareTo kFrameAgainstLibjpeg("BM_AnimationFrameDecodeDraw",
                                                    "BM_AnimationLibjpegDecode");
const tolven::bench::CompareTo kDoublingAgainstCopy("BM_AnimationEnlargeDoubling",
                                                    "BM_AnimationScreenCopy");
const tolven::bench::CompareTo kAveragingAgainstCopy("BM_AnimationEnlargeAveraging",
                                                     "BM_AnimationScreenCopy");

}  // namespace
