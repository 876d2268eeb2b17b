// The confirmation prompt with the real text font: the darkened band and its rows, the question
// and the answers in their colours, the answer under the pointer, and what a click puts back
// and runs.
#include "modes/confirmation_prompt.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/transition_rig.h"
#include "test_support.h"

namespace tolven {
namespace {

using testing::PixelAt;
using Pixel = std::array<uint8_t, 3>;

const std::string kMincho = "\x82\x6c\x82\x72 \x96\xbe\x92\xa9";  // ＭＳ 明朝
// タイトルへ戻りますか？
const std::string kQuestion =
    "\x83\x5e\x83\x43\x83\x67\x83\x8b\x82\xd6\x96\xdf\x82\xe8\x82\xdc\x82\xb7\x82\xa9\x81\x48";
constexpr int kId = 3;

constexpr Pixel kWhite = {255, 255, 255};
constexpr Pixel kYellow = {0, 255, 255};  // blue, green, red
constexpr Pixel kGrey = {128, 128, 128};

struct Box {
  int left;
  int top;
  int right;  // exclusive
  int bottom;
};
// Where each answer's text lies on the screen.
constexpr Box kYesBox{300, 194, 390, 238};
constexpr Box kNoBox{390, 194, 520, 238};

int Count(const Bitmap24& picture, const Box& box, Pixel colour) {
  int count = 0;
  for (int y = box.top; y < box.bottom; ++y) {
    for (int x = box.left; x < box.right; ++x) count += PixelAt(picture, x, y) == colour;
  }
  return count;
}

class ConfirmationPromptTest : public ::testing::Test {
 protected:
  ConfirmationPromptTest() {
    archives_.LoadMediaIndexes();
    buffers_.StageBuffer = testing::Noise(7);
    pb_.Draw() = testing::Uniform(90);
    original_ = buffers_.StageBuffer;
    prompt_.updateMenuBar = [this] { menuLockedAtUpdates_.push_back(flags_.MenuLocked); };
    prompt_.runAction = [this](int id) {
      actions_.push_back(id);
      EXPECT_EQ(flags_.SystemMenuOpen, 0) << "the prompt is closed before its action";
    };
  }

  // The band's rows must be on both the stage and the screen.
  void ExpectBothShow(const Box& box, Pixel colour, bool present, const std::string& name) {
    EXPECT_EQ(Count(buffers_.StageBuffer, box, colour) > 0, present) << name;
    EXPECT_EQ(Count(pb_.Picture(), box, colour) > 0, present) << name;
  }

  testing::TempDir dir_;
  Archives archives_{dir_.Path()};
  const Settings settings_ = testing::FontSettings(kMincho);
  Glyphs glyphs_{archives_, settings_};
  ScreenBuffers buffers_;
  PaintBox pb_{kScreenWidth, kScreenHeight};
  EngineFlags flags_;
  ConfirmationPrompt prompt_{buffers_, pb_, flags_, glyphs_};
  Bitmap24 original_;
  std::vector<bool> menuLockedAtUpdates_;
  std::vector<int> actions_;
};

TEST_F(ConfirmationPromptTest, BandIsTheStageDarkenedMostInTheMiddleWithSoftEdges) {
  prompt_.AskYesNo(kQuestion, kId);
  const struct {
    int row;
    int factor;
  } rows[] = {{0, 255}, {1, 243}, {8, 159},  {15, 75},  {16, 63}, {43, 63},
              {71, 63}, {72, 75}, {79, 159}, {86, 243}, {87, 255}};
  for (const auto& r : rows) {
    // Columns the text never reaches.
    for (int x : {0, 1, 50, 99, 750, 799}) {
      const uint8_t* from = original_.Row(150 + r.row) + 3 * x;
      const Pixel darkened = {static_cast<uint8_t>(from[0] * r.factor >> 8),
                              static_cast<uint8_t>(from[1] * r.factor >> 8),
                              static_cast<uint8_t>(from[2] * r.factor >> 8)};
      EXPECT_EQ(PixelAt(buffers_.StageBuffer, x, 150 + r.row), darkened) << "row " << r.row;
      EXPECT_EQ(PixelAt(pb_.Picture(), x, 150 + r.row), darkened) << "row " << r.row;
    }
  }
  for (int x : {0, 400, 799}) {
    EXPECT_EQ(PixelAt(buffers_.StageBuffer, x, 149), PixelAt(original_, x, 149));
    EXPECT_EQ(PixelAt(buffers_.StageBuffer, x, 238), PixelAt(original_, x, 238));
  }
  EXPECT_EQ(PixelAt(pb_.Picture(), 400, 149), testing::Grey(90));
}

TEST_F(ConfirmationPromptTest, QuestionIsCentredInWhiteAndTheAnswersStartGreyAndYellow) {
  ASSERT_TRUE(glyphs_.HasFont());
  prompt_.AskYesNo(kQuestion, kId);
  int left = kScreenWidth;
  int right = -1;
  int top = kScreenHeight;
  for (int y = 150; y < 238; ++y) {
    for (int x = 0; x < kScreenWidth; ++x) {
      if (PixelAt(buffers_.StageBuffer, x, y) != kWhite) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
    }
  }
  ASSERT_GE(right, left) << "no white text";
  EXPECT_GT(right - left, 200) << "eleven characters of a 32-pixel em";
  EXPECT_NEAR((left + right) / 2.0, 400.0, 6.0);
  EXPECT_GE(top, 162);
  EXPECT_LT(top, 180);
  ExpectBothShow(kYesBox, kGrey, true, "はい grey");
  ExpectBothShow(kYesBox, kYellow, false, "はい not yellow");
  ExpectBothShow(kNoBox, kYellow, true, "いいえ yellow");
  ExpectBothShow(kNoBox, kGrey, false, "いいえ not grey");
  EXPECT_EQ(flags_.SystemMenuOpen, kId);
  EXPECT_TRUE(flags_.MenuLocked);
  EXPECT_EQ(menuLockedAtUpdates_, std::vector<bool>{true});
  EXPECT_EQ(prompt_.Answer(), 0);
}

TEST_F(ConfirmationPromptTest, AnswerIsYesOnlyInItsBoxAndRecolours) {
  prompt_.AskYesNo(kQuestion, kId);
  const struct {
    int x;
    int y;
    int answer;
  } cases[] = {{300, 194, 1}, {369, 223, 1}, {330, 200, 1}, {299, 200, 0}, {370, 200, 0},
               {330, 193, 0}, {330, 224, 0}, {420, 200, 0}, {0, 0, 0}};
  for (const auto& c : cases) {
    prompt_.PromptHover(330, 200);
    prompt_.PromptHover(c.x, c.y);
    EXPECT_EQ(prompt_.Answer(), c.answer) << c.x << "," << c.y;
    const bool yes = c.answer == 1;
    const std::string name = std::to_string(c.x) + "," + std::to_string(c.y);
    ExpectBothShow(kYesBox, kYellow, yes, name + " はい yellow");
    ExpectBothShow(kYesBox, kGrey, !yes, name + " はい grey");
    ExpectBothShow(kNoBox, kYellow, !yes, name + " いいえ yellow");
    ExpectBothShow(kNoBox, kGrey, yes, name + " いいえ grey");
  }
  const uint64_t changes = pb_.Changes();
  prompt_.PromptHover(10, 10);
  prompt_.PromptHover(20, 20);
  EXPECT_EQ(pb_.Changes(), changes) << "an unchanged answer draws nothing";
}

TEST_F(ConfirmationPromptTest, ClickPutsTheStripBackAndOnlyANonRightYesRunsTheAction) {
  const struct {
    MouseButton button;
    bool onYes;
    bool runs;
  } cases[] = {{MouseButton::Left, true, true},
               {MouseButton::Right, true, false},
               {MouseButton::Middle, true, true},
               {MouseButton::Left, false, false},
               {MouseButton::Right, false, false}};
  for (const auto& c : cases) {
    actions_.clear();
    menuLockedAtUpdates_.clear();
    prompt_.AskYesNo(kQuestion, kId);
    prompt_.PromptHover(c.onYes ? 320 : 420, 210);
    prompt_.PromptClick(c.button);
    const std::string name =
        std::to_string(static_cast<int>(c.button)) + (c.onYes ? " on yes" : " on no");
    EXPECT_EQ(actions_, c.runs ? std::vector<int>{kId} : std::vector<int>{}) << name;
    EXPECT_EQ(buffers_.StageBuffer, original_) << name;
    for (int y : {150, 194, 237}) {
      for (int x : {0, 320, 799}) {
        EXPECT_EQ(PixelAt(pb_.Picture(), x, y), PixelAt(original_, x, y)) << name;
      }
    }
    EXPECT_EQ(flags_.SystemMenuOpen, 0) << name;
    EXPECT_FALSE(flags_.MenuLocked) << name;
    EXPECT_EQ(menuLockedAtUpdates_, (std::vector<bool>{true, false})) << name;
  }
}

TEST_F(ConfirmationPromptTest, SecondQuestionWhileOpenAndInputWhileClosedAreIgnored) {
  const uint64_t changes = pb_.Changes();
  prompt_.PromptHover(320, 210);
  prompt_.PromptClick(MouseButton::Left);
  EXPECT_EQ(pb_.Changes(), changes);
  EXPECT_TRUE(menuLockedAtUpdates_.empty());
  EXPECT_EQ(buffers_.StageBuffer, original_);

  prompt_.AskYesNo(kQuestion, kId);
  prompt_.AskYesNo(kQuestion, 5);
  EXPECT_EQ(flags_.SystemMenuOpen, kId);
  prompt_.PromptHover(320, 210);
  prompt_.PromptClick(MouseButton::Left);
  EXPECT_EQ(actions_, std::vector<int>{kId});
  EXPECT_EQ(buffers_.StageBuffer, original_) << "the strip saved by the first question";
}

}  // namespace
}  // namespace tolven
