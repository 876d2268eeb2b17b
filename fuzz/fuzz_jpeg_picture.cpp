// JPEG pictures from arbitrary bytes, loaded by name the way the engine loads them: the input
// is the one entry of a JPEG archive in a game folder, read through the archive index and the
// picture loader, whose stream and scratch picture carry over from one input to the next. A
// load must either fail leaving the bitmap as it was, or give a picture within the size limit
// that is exactly what a fresh decoder makes of the same bytes: nothing of an earlier input may
// show through the reused buffers.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "resources/archives.h"
#include "resources/jpeg_picture.h"
#include "resources/packed_picture.h"
#include "resources/picture_loader.h"

namespace {

namespace fs = std::filesystem;

// A game folder of its own in a memory-backed file system where there is one. It exists only
// while an input is loaded, since libFuzzer ends without running exit handlers.
const fs::path& Folder() {
  static const fs::path folder = [] {
    std::error_code error;
    const fs::path base =
        fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "tolven-fuzz-jpeg-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    return fs::path(pattern);
  }();
  return folder;
}

void PutU32(std::vector<uint8_t>& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A layout B archive holding the input as its one entry "P".
void WriteArchive(const fs::path& path, const uint8_t* data, size_t size) {
  std::vector<uint8_t> archive;
  PutU32(archive, 1);
  PutU32(archive, 2);
  archive.push_back('P');
  archive.push_back(0);
  PutU32(archive, 8 + 2 + 8);
  PutU32(archive, static_cast<uint32_t>(size));
  archive.insert(archive.end(), data, data + size);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr || std::fwrite(archive.data(), 1, archive.size(), file) != archive.size() ||
      std::fclose(file) != 0) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static tolven::Archives archives(Folder());
  static tolven::PictureLoader loader(archives);
  std::error_code error;
  fs::create_directory(Folder(), error);
  WriteArchive(Folder() / tolven::kJpegArchive, data, size);
  archives.LoadMediaIndexes();
  tolven::Bitmap24 bitmap(1, 1);
  bitmap.Data()[0] = 0x11;
  const tolven::Bitmap24 before = bitmap;
  const bool loaded = loader.LoadPicture("p", bitmap);
  fs::remove_all(Folder(), error);
  if (!loaded) {
    if (!(bitmap == before)) std::abort();
    return 0;
  }
  if (bitmap.Width() < 1 || bitmap.Height() < 1 || bitmap.Width() > tolven::kMaxPackedDimension ||
      bitmap.Height() > tolven::kMaxPackedDimension ||
      bitmap.SizeBytes() != static_cast<size_t>(bitmap.Width()) * bitmap.Height() * 3) {
    std::abort();
  }
  tolven::Bitmap24 fresh;
  if (!tolven::DecodeJpegPicture(data, size, fresh) || !(fresh == bitmap)) std::abort();
  return 0;
}
