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

#include "fuzz_game_folder.h"
#include "resources/archives.h"
#include "resources/jpeg_picture.h"
#include "resources/packed_picture.h"
#include "resources/picture_loader.h"

namespace {

namespace fs = std::filesystem;

const fs::path& Folder() {
  static const fs::path folder = tolven::fuzz::MakeFolder("tolven-fuzz-jpeg");
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static tolven::Archives archives(Folder());
  static tolven::PictureLoader loader(archives);
  std::error_code error;
  fs::create_directory(Folder(), error);
  tolven::fuzz::WriteOneEntryArchive(Folder() / tolven::kJpegArchive, 'P', data, size);
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
