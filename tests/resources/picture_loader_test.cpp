#include <gtest/gtest.h>

#include "libjpeg_reference.h"
#include "resources/archives.h"
#include "resources/jpeg_picture.h"
#include "resources/picture_loader.h"
#include "test_support.h"
#include "tools/archive_writer.h"
#include "tools/jpeg_encoder.h"
#include "tools/picture_encoder.h"

namespace tolven {
namespace {

Bitmap24 Gradient(int width, int height, int seed) {
  Bitmap24 bitmap(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = bitmap.Row(y) + 3 * x;
      p[0] = static_cast<uint8_t>(x * 4 + seed);
      p[1] = static_cast<uint8_t>(y * 4);
      p[2] = static_cast<uint8_t>(seed * 40);
    }
  }
  return bitmap;
}

Bitmap24 ReferenceDecode(const std::vector<uint8_t>& jpeg) {
  Bitmap24 bitmap;
  testing::LibjpegDecodeBgr(jpeg, bitmap);
  return bitmap;
}

class PictureLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    jpeg_ = tools::EncodeJpeg(Gradient(40, 30, 1));
    packed_ = tools::EncodePackedPicture(Gradient(20, 10, 2));
    auto write = [&](const char* name, const std::vector<tools::ArchiveInput>& entries) {
      testing::WriteFileBytes(dir_ / name, tools::BuildArchive(ArchiveLayout::B, entries));
    };
    write("qe_gjp.tvk", {{"BOTH", jpeg_}, {"broken", {0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3}}});
    write("qe_gra.tvk", {{"both", packed_}, {"sys_sw", packed_}});
    archives_.LoadMediaIndexes();
  }

  testing::TempDir dir_;
  Archives archives_{dir_.Path()};
  std::vector<uint8_t> jpeg_;
  std::vector<uint8_t> packed_;
};

TEST_F(PictureLoaderTest, JpegArchiveWinsAndDecodesExactlyAsLibjpeg) {
  PictureLoader loader(archives_);
  Bitmap24 bitmap(5, 5);
  ASSERT_TRUE(loader.LoadPicture("both", bitmap));
  EXPECT_EQ(bitmap, ReferenceDecode(jpeg_));
  EXPECT_EQ(bitmap.Width(), 40);
  // Loading again through the same loader reuses its buffers and gives the same picture.
  Bitmap24 again(40, 30);
  ASSERT_TRUE(loader.LoadPicture("both", again));
  EXPECT_EQ(again, bitmap);
}

TEST_F(PictureLoaderTest, PackedPictureFoundInAnyLetterCase) {
  Bitmap24 lower;
  Bitmap24 upper;
  ASSERT_TRUE(LoadPicture(archives_, "sys_sw", lower));
  ASSERT_TRUE(LoadPicture(archives_, "SYS_SW", upper));
  EXPECT_EQ(lower, Gradient(20, 10, 2));
  EXPECT_EQ(upper, lower);
}

TEST_F(PictureLoaderTest, MissingOrDamagedPicturesLeaveTheBitmapAlone) {
  const Bitmap24 before = Gradient(3, 2, 9);
  for (const char* name : {"absent", "broken"}) {
    Bitmap24 bitmap = before;
    EXPECT_FALSE(LoadPicture(archives_, name, bitmap)) << name;
    EXPECT_EQ(bitmap, before) << name;
  }
  // A JPEG cut short is damaged too, even where the library would paint the rest grey.
  for (size_t kept : {jpeg_.size() / 2, jpeg_.size() * 3 / 4, jpeg_.size() - 10}) {
    std::vector<uint8_t> cut(jpeg_.begin(), jpeg_.begin() + static_cast<std::ptrdiff_t>(kept));
    Bitmap24 bitmap = before;
    EXPECT_FALSE(DecodeJpegPicture(cut.data(), cut.size(), bitmap)) << kept;
    EXPECT_EQ(bitmap, before) << kept;
  }
}

}  // namespace
}  // namespace tolven
