// The script's objects over the stage and the board, and the effect sequences of the definition
// text "effect", on a virtual clock that records every presented frame.
#include "graphics/objects_and_effects.h"

#include <gtest/gtest.h>

#include <memory>

#include "graphics/picture_copy.h"
#include "test_support.h"
#include "tools/archive_writer.h"
#include "tools/picture_encoder.h"
#include "transition_rig.h"
#include "window_rig.h"

namespace tolven {
namespace {

using testing::RecordingHost;

Bitmap24 Solid(int width, int height, std::array<uint8_t, 3> colour) {
  Bitmap24 picture(width, height);
  FillPicture(picture, colour);
  return picture;
}

// An object picture: the face (upper half) in one colour, the mask (lower half) one level.
Bitmap24 ObjectPicture(int width, int faceHeight, std::array<uint8_t, 3> face, uint8_t mask) {
  Bitmap24 picture = Solid(width, 2 * faceHeight, face);
  CopyRect(Solid(width, faceHeight, {mask, mask, mask}), 0, 0, width, faceHeight, picture, 0,
           faceHeight);
  return picture;
}

std::array<uint8_t, 3> Pixel(const Bitmap24& picture, int x, int y) {
  const uint8_t* p = picture.Row(y) + 3 * x;
  return {p[0], p[1], p[2]};
}

std::vector<uint8_t> DefinitionBytes(const std::string& text) {
  std::vector<uint8_t> bytes;
  for (char c : text) bytes.push_back(c == '\n' ? 0 : static_cast<uint8_t>(c));
  return bytes;
}

// Numbers only: the script's expressions are the engine's business, tested with it.
int32_t Number(std::string_view text) {
  return FieldNumber(text, 0);
}

class ObjectsAndEffectsTest : public ::testing::Test, protected testing::StageRig {
 protected:
  ObjectsAndEffectsTest() {
    std::vector<tools::ArchiveInput> pictures;
    // A half-covering red square, a fully covering blue one, and one ten pixels wide.
    pictures.push_back(
        {"O_RED", tools::EncodePackedPicture(ObjectPicture(64, 32, {0, 0, 200}, 128))});
    pictures.push_back(
        {"O_BLUE", tools::EncodePackedPicture(ObjectPicture(16, 8, {250, 0, 0}, 255))});
    pictures.push_back(
        {"O_TEN", tools::EncodePackedPicture(ObjectPicture(10, 4, {0, 250, 0}, 255))});
    testing::WriteFileBytes(dir_ / "qe_gra.tvk", tools::BuildArchive(ArchiveLayout::B, pictures));
    archives_.LoadMediaIndexes();
    StageBuffer() = testing::Noise(7);
    pb_.Draw() = StageBuffer();
  }

  void EffectText(const std::string& text) {
    testing::WriteFileBytes(
        dir_ / kDataArchive,
        tools::BuildArchive(ArchiveLayout::A, {{"effect", DefinitionBytes(text)}}));
    archives_.LoadScriptIndexes();
  }
  Bitmap24& StageBuffer() { return stage_.Buffers().StageBuffer; }
  const Bitmap24& Pb() { return pb_.Picture(); }

  DefinitionText definitions_;
  std::unique_ptr<ObjectsAndEffects> objects_ = std::make_unique<ObjectsAndEffects>(
      host_, clock_, pb_, stage_, archives_, definitions_, Number, trace_);
};

TEST(EffectSequenceTest, ReadsFlashNegativeAndShakeLines) {
  using Type = EffectEntry::Type;
  struct Expected {
    Type type;
    uint32_t duration;
    int p1, p2;
    std::array<uint8_t, 3> colour;
  };
  const struct {
    const char* line;
    std::vector<Expected> entries;
    size_t refused;
  } cases[] = {
      {"F000,100,Fggg,50,F,0",
       {{Type::Fill, 100, 0, 0, {0, 0, 0}},
        {Type::Fill, 50, 0, 0, {255, 255, 255}},
        {Type::ShowStage, 0, 0, 0, {}}},
       0},
      // Red, green, blue in the code; blue, green, red in the pixel. Digits are sixteenths.
      {"Fg80,30", {{Type::Fill, 30, 0, 0, {0, 128, 255}}}, 0},
      {"F0008,40,Faaag,20",
       {{Type::Tint, 40, 0, 128, {0, 0, 0}}, {Type::Tint, 20, 0, 255, {160, 160, 160}}},
       0},
      {"N,80,80,80",
       {{Type::Negative, 80, 0, 0, {}},
        {Type::ShowStage, 80, 0, 0, {}},
        {Type::Negative, 80, 0, 0, {}}},
       0},
      {"S,30,5,0,-5,0,0", {{Type::MoveWindow, 30, 5, 0, {}}, {Type::MoveWindow, 30, -5, 0, {}}}, 0},
      // A code that is not F ends the line; codes of other lengths are left out one by one.
      {"F000,10,X,5,F,0", {{Type::Fill, 10, 0, 0, {0, 0, 0}}}, 0},
      {"F12,10,F,20,F000000,5", {{Type::ShowStage, 20, 0, 0, {}}}, 2},
      {"Q000,10", {}, 0},
      {"F,-30", {{Type::ShowStage, 0, 0, 0, {}}}, 0},
  };
  for (const auto& c : cases) {
    std::vector<std::string> refused;
    const std::vector<EffectEntry> entries = ReadEffectSequence({c.line}, refused);
    ASSERT_EQ(entries.size(), c.entries.size()) << c.line;
    for (size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(entries[i].type, c.entries[i].type) << c.line << " entry " << i;
      EXPECT_EQ(entries[i].duration, c.entries[i].duration) << c.line << " entry " << i;
      EXPECT_EQ(entries[i].p1, c.entries[i].p1) << c.line << " entry " << i;
      EXPECT_EQ(entries[i].p2, c.entries[i].p2) << c.line << " entry " << i;
      if (entries[i].type == Type::Fill || entries[i].type == Type::Tint) {
        EXPECT_EQ(entries[i].colour, c.entries[i].colour) << c.line << " entry " << i;
      }
    }
    EXPECT_EQ(refused.size(), c.refused) << c.line;
  }
}

TEST(EffectSequenceTest, StopsAtTwoHundredEntries) {
  std::string line = "N";
  for (int i = 0; i < 99; ++i) line += ",10";
  std::vector<std::string> refused;
  const std::vector<EffectEntry> entries = ReadEffectSequence({line, line, line}, refused);
  EXPECT_EQ(entries.size(), kMaxEffectEntries);
  EXPECT_EQ(refused.size(), 1u) << "the overflow is said once";
}

TEST_F(ObjectsAndEffectsTest, FlashesBlackThenWhiteThenShowsThePictureOnTime) {
  EffectText(":other\nF,500\n:flash\nF000,100,Fggg,50,F,0\n:after\nFggg,999\n");
  const Bitmap24 stage = StageBuffer();
  std::vector<std::pair<uint32_t, std::array<uint8_t, 3>>> shown;
  host_.onPresent = [&](const Bitmap24& pb) {
    shown.push_back({host_.Elapsed(), Pixel(pb, 400, 300)});
  };
  host_.start = host_.now;
  objects_->Effect("FLASH");
  const std::vector<std::pair<uint32_t, std::array<uint8_t, 3>>> expected = {
      {0, {0, 0, 0}},
      {100, {255, 255, 255}},
      {150, Pixel(stage, 400, 300)},
      {150, Pixel(stage, 400, 300)}};
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(host_.Elapsed(), 150u) << "the next section is not read";
  EXPECT_EQ(Pb(), stage);
  EXPECT_EQ(StageBuffer(), stage) << "the stage is left as it was";
}

TEST_F(ObjectsAndEffectsTest, TintsHalfwayTowardsBlackAndMatchesLowerCaseHeaders) {
  EffectText(":dim\nF0008,10\n");
  const Bitmap24 stage = StageBuffer();
  std::optional<Bitmap24> tinted;
  host_.onPresent = [&](const Bitmap24& pb) {
    if (!tinted) tinted = pb;
  };
  objects_->Effect("Dim");
  ASSERT_TRUE(tinted);
  for (size_t i = 0; i < stage.SizeBytes(); i += 997) {
    ASSERT_EQ(tinted->Data()[i], stage.Data()[i] / 2) << "byte " << i;
  }
}

TEST_F(ObjectsAndEffectsTest, WorksOutTheNegativeOnceAndShowsItAgain) {
  EffectText(":neg\nN,80,80,80\n");
  const Bitmap24 original = StageBuffer();
  std::vector<Bitmap24> shown;
  host_.onPresent = [&](const Bitmap24& pb) {
    shown.push_back(pb);
    // The stage changes under the effect after the first frame: a negative worked out again
    // would show the change.
    if (shown.size() == 1) StageBuffer() = testing::Noise(99);
  };
  objects_->Effect("NEG");
  ASSERT_EQ(shown.size(), 4u);
  Bitmap24 negative = original;
  for (size_t i = 0; i < negative.SizeBytes(); ++i) negative.Data()[i] = ~negative.Data()[i];
  EXPECT_EQ(shown[0], negative);
  EXPECT_EQ(shown[1], StageBuffer());
  EXPECT_EQ(shown[2], negative);
  EXPECT_EQ(shown[3], StageBuffer());
}

TEST_F(ObjectsAndEffectsTest, ShakesTheWindowFromItsPlaceAndPutsItBack) {
  EffectText(":quake\nS,20,6,0,-6,0,0,4\n");
  host_.start = host_.now;
  objects_->Effect("quake");
  ASSERT_EQ(host_.moves.size(), 4u);
  const int expected[4][3] = {{0, 6, 0}, {20, -6, 0}, {40, 0, 4}, {60, 0, 0}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(host_.moves[i].time, static_cast<uint32_t>(expected[i][0])) << i;
    EXPECT_EQ(host_.moves[i].dx, expected[i][1]) << i;
    EXPECT_EQ(host_.moves[i].dy, expected[i][2]) << i;
  }
}

TEST_F(ObjectsAndEffectsTest, AMissingSectionOrTextDoesNothing) {
  const uint64_t changes = pb_.Changes();
  objects_->Effect("NONE");
  EffectText(":flash\nF000,100\n");
  objects_->Effect("NONE");
  objects_->Effect("");
  EXPECT_EQ(pb_.Changes(), changes);
  EXPECT_EQ(host_.Elapsed(), 0u);
}

TEST_F(ObjectsAndEffectsTest, EachSetComposesOverTheStageNotOverAnEarlierObject) {
  objects_->Obj("load 3,O_RED");
  objects_->Obj("set 3,100,100");
  objects_->Obj("SET 3,132,100");  // overlaps the right half of the first
  auto blend = [](uint8_t d, uint8_t c) {
    return static_cast<uint8_t>((d * (255 - 128) >> 8) + (c * 128 >> 8));
  };
  const std::array<uint8_t, 3> face = {0, 0, 200};
  for (const auto& [x, y] : {std::pair{110, 110}, std::pair{140, 120}, std::pair{190, 131}}) {
    const std::array<uint8_t, 3> under = Pixel(StageBuffer(), x, y);
    const std::array<uint8_t, 3> expected = {blend(under[0], face[0]), blend(under[1], face[1]),
                                             blend(under[2], face[2])};
    EXPECT_EQ(Pixel(Pb(), x, y), expected) << x << "," << y;
  }
  EXPECT_EQ(Pixel(Pb(), 196, 100), Pixel(StageBuffer(), 196, 100)) << "outside both";
  EXPECT_EQ(StageBuffer(), testing::Noise(7)) << "set leaves the stage alone";
}

TEST_F(ObjectsAndEffectsTest, FixDrawsIntoTheStageTooAndEraseShowsTheStageAgain) {
  objects_->Obj("load 0,O_BLUE");
  objects_->Obj("fix 0,20,30");
  EXPECT_EQ(Pixel(StageBuffer(), 25, 33), (std::array<uint8_t, 3>{250, 0, 0}));
  EXPECT_EQ(Pixel(Pb(), 25, 33), (std::array<uint8_t, 3>{250, 0, 0}));

  objects_->Obj("load 1,O_BLUE");
  objects_->Obj("set 1,300,300");
  ASSERT_EQ(Pixel(Pb(), 305, 305), (std::array<uint8_t, 3>{250, 0, 0}));
  objects_->Obj("era 1,300,300");
  Bitmap24 area(16, 8);
  Bitmap24 stageArea(16, 8);
  CopyRect(Pb(), 300, 300, 16, 8, area, 0, 0);
  CopyRect(StageBuffer(), 300, 300, 16, 8, stageArea, 0, 0);
  EXPECT_EQ(area, stageArea);
}

TEST_F(ObjectsAndEffectsTest, BlendsWholeEightByteGroupsOfARowOnly) {
  objects_->Obj("load 2,O_TEN");
  objects_->Obj("set 2,0,0");
  // Ten pixels are 30 bytes: three groups of eight cover the first eight pixels.
  EXPECT_EQ(Pixel(Pb(), 7, 1), (std::array<uint8_t, 3>{0, 250, 0}));
  EXPECT_EQ(Pixel(Pb(), 8, 1), Pixel(StageBuffer(), 8, 1));
  EXPECT_EQ(Pixel(Pb(), 9, 3), Pixel(StageBuffer(), 9, 3));
}

TEST_F(ObjectsAndEffectsTest, WaitsEndTheCommandInWholeMultiplesOfTheirTime) {
  objects_->Obj("load 0,O_BLUE");
  host_.start = host_.now;
  objects_->Obj("set 0,0,0,100");
  EXPECT_EQ(host_.Elapsed(), 100u);
  host_.cost = 130;  // drawing falls behind
  host_.start = host_.now;
  objects_->Obj("set 0,0,0,100");
  EXPECT_EQ(host_.Elapsed(), 200u);
}

TEST_F(ObjectsAndEffectsTest, TheBoardTakesObjectsOffScreenUntilItIsShown) {
  objects_->Obj("load 0,O_BLUE");
  objects_->Obj("b_set 0,0,0");
  objects_->Obj("b_show");
  EXPECT_EQ(Pb(), StageBuffer()) << "no board yet";
  objects_->Obj("b_make");
  objects_->Obj("b_reset");
  objects_->Obj("b_set 0,50,60");
  objects_->Obj("b_set 0,58,60");
  EXPECT_EQ(Pb(), StageBuffer()) << "nothing reaches the screen before b_show";
  objects_->Obj("b_show");
  EXPECT_EQ(Pixel(Pb(), 52, 62), (std::array<uint8_t, 3>{250, 0, 0}));
  EXPECT_EQ(Pixel(Pb(), 70, 67), (std::array<uint8_t, 3>{250, 0, 0}));
  EXPECT_EQ(Pixel(Pb(), 300, 300), Pixel(StageBuffer(), 300, 300));
  EXPECT_TRUE(objects_->BoardExists());
  objects_->Obj("b_end");
  EXPECT_FALSE(objects_->BoardExists());
}

TEST_F(ObjectsAndEffectsTest, SlotsOutsideTheRangeFreeSlotsAndUnknownCommandsDoNothing) {
  const Bitmap24 stage = StageBuffer();
  const uint64_t changes = pb_.Changes();
  for (const char* command : {"load 32,O_BLUE", "load -1,O_BLUE", "set 5,0,0", "fix 40,0,0",
                              "era 9,0,0", "del 99", "b_set 0,0,0", "b_show", "b_reset", "spin 0",
                              "load 4,NO_SUCH", "fix 4,0,0", "load 6", "set 6,0,0"}) {
    objects_->Obj(command);
  }
  EXPECT_EQ(StageBuffer(), stage);
  EXPECT_EQ(pb_.Changes(), changes);
  EXPECT_FALSE(objects_->Slot(32));
  EXPECT_FALSE(objects_->Slot(6)) << "a load without a name allocates nothing";
  ASSERT_TRUE(objects_->Slot(4)) << "a picture that cannot be loaded still takes its slot";
  EXPECT_EQ(objects_->Slot(4)->width, 0);
  objects_->Obj("load 4,O_BLUE");
  EXPECT_EQ(objects_->Slot(4)->width, 16);
  EXPECT_EQ(objects_->Slot(4)->height, 16);
  objects_->Obj("del 4");
  EXPECT_FALSE(objects_->Slot(4));
  // Objects at the screen's edges are cut there.
  objects_->Obj("load 7,O_BLUE");
  objects_->Obj("set 7,790,596");
  objects_->Obj("set 7,-10,-4");
  EXPECT_EQ(Pixel(Pb(), 799, 599), (std::array<uint8_t, 3>{250, 0, 0}));
  EXPECT_EQ(Pixel(Pb(), 5, 3), (std::array<uint8_t, 3>{250, 0, 0}));
  EXPECT_EQ(Pixel(Pb(), 6, 4), Pixel(StageBuffer(), 6, 4));
}

}  // namespace
}  // namespace tolven
