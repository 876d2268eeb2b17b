#include <gtest/gtest.h>

#include <algorithm>

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

// Damaged files of every kind libjpeg reports only as a warning, and the warnings that leave the
// picture whole. Each file goes through the loader as an entry of the JPEG archive.
TEST(JpegDamageTest, CorruptDataIsRefusedAndHarmlessOdditiesAreNot) {
  const Bitmap24 picture = Gradient(64, 48, 3);
  // The forms our decoder must tell apart: baseline, progressive, restart markers.
  const std::vector<uint8_t> baseline = tools::EncodeJpeg(picture, {85, false, 0});
  const std::vector<uint8_t> progressive = tools::EncodeJpeg(picture, {85, true, 0});
  const std::vector<uint8_t> restarts = tools::EncodeJpeg(picture, {85, false, 1});
  const size_t scan = testing::FindJpegMarker(baseline, 0xDA);
  const size_t scanData = scan + 2 + (baseline[scan + 2] << 8 | baseline[scan + 3]);
  ASSERT_LT(scanData + 40, baseline.size());

  struct Case {
    const char* what;
    std::vector<uint8_t> jpeg;
    bool accepted;
  };
  std::vector<Case> cases;
  cases.push_back({"sound file", baseline, true});
  cases.push_back({"header claims 8192x8192 over 64x48 of data",
                   testing::WithClaimedJpegSize(baseline, 8192, 8192), false});
  // Before the size was checked straight after the header, this 2 KB file cost 12 GB.
  cases.push_back({"progressive header claims 65500x65500",
                   testing::WithClaimedJpegSize(progressive, 65500, 65500), false});
  cases.push_back({"progressive header claims 8192x8192",
                   testing::WithClaimedJpegSize(progressive, 8192, 8192), false});
  cases.push_back({"progressive header claims 8193 columns",
                   testing::WithClaimedJpegSize(progressive, 8193, 48), false});
  {
    std::vector<uint8_t> jpeg = restarts;
    const size_t restart = testing::FindJpegMarker(jpeg, 0xD0);
    ASSERT_LT(restart, jpeg.size());
    jpeg[restart + 1] = 0xD5;  // the first restart marker numbered out of sequence
    cases.push_back({"restart marker out of sequence", jpeg, false});
  }
  {
    // All one bits: no Huffman table has such a code.
    std::vector<uint8_t> jpeg = baseline;
    for (size_t i = scanData + 8; i < scanData + 40; i += 2) {
      jpeg[i] = 0xFF;
      jpeg[i + 1] = 0x00;
    }
    cases.push_back({"bad Huffman code", jpeg, false});
  }
  {
    // Without its first scan, the later scans refine coefficients nothing has coded yet.
    std::vector<uint8_t> jpeg = progressive;
    const size_t first = testing::FindJpegMarker(jpeg, 0xDA);
    // The scan ends where the next scan's tables or header begin.
    const size_t second = std::min(testing::FindJpegMarker(jpeg, 0xC4, first + 2),
                                   testing::FindJpegMarker(jpeg, 0xDA, first + 2));
    ASSERT_LT(second, jpeg.size());
    jpeg.erase(jpeg.begin() + static_cast<std::ptrdiff_t>(first),
               jpeg.begin() + static_cast<std::ptrdiff_t>(second));
    cases.push_back({"progressive scans out of order", jpeg, false});
  }
  {
    std::vector<uint8_t> jpeg = baseline;
    const size_t frame = testing::FindJpegMarker(jpeg, 0xC0);
    jpeg.insert(jpeg.begin() + static_cast<std::ptrdiff_t>(frame), {0x11, 0x22, 0x33});
    cases.push_back({"stray bytes between segments", jpeg, true});
  }
  {
    std::vector<uint8_t> jpeg = baseline;
    jpeg[scanData - 2] = 0;  // last coefficient of the sequential scan given as 0, not 63
    cases.push_back({"odd spectral range in a sequential scan", jpeg, true});
  }

  testing::TempDir dir;
  std::vector<tools::ArchiveInput> entries;
  for (size_t i = 0; i < cases.size(); ++i) {
    entries.push_back({"J" + std::to_string(i), cases[i].jpeg});
  }
  testing::WriteFileBytes(dir / "qe_gjp.tvk", tools::BuildArchive(ArchiveLayout::B, entries));
  Archives archives(dir.Path());
  archives.LoadMediaIndexes();
  PictureLoader loader(archives);
  const Bitmap24 before = Gradient(3, 2, 9);
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    Bitmap24 bitmap = before;
    EXPECT_EQ(loader.LoadPicture("J" + std::to_string(i), bitmap), c.accepted) << c.what;
    if (c.accepted) {
      EXPECT_EQ(bitmap, ReferenceDecode(c.jpeg)) << c.what;
    } else {
      EXPECT_EQ(bitmap, before) << c.what;
    }
  }
}

}  // namespace
}  // namespace tolven
