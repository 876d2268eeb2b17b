#include "modes/confirmation_prompt.h"

#include "graphics/picture_copy.h"
#include "text/glyph_face.h"

namespace tolven {
namespace {

constexpr const char* kYes = "\x82\xcd\x82\xa2";         // はい
constexpr const char* kNo = "\x82\xa2\x82\xa2\x82\xa6";  // いいえ
constexpr int kTextPoints = 24;
constexpr int kQuestionY = 12;
constexpr int kAnswerY = 44;
constexpr int kYesX = 300;
constexpr int kNoX = 390;
// The pointer picks "はい" within this box of the screen; everywhere else means no.
constexpr int kYesLeft = 300;
constexpr int kYesRight = 370;
constexpr int kYesTop = 193;
constexpr int kYesBottom = 224;

constexpr TextRgb kWhite{255, 255, 255};
constexpr TextRgb kGrey{128, 128, 128};
constexpr TextRgb kYellow{255, 255, 0};

// The band's edges fade in over 16 rows from each side; its middle keeps a quarter of the light.
constexpr int kEdgeRows = 16;
constexpr int kEdgeStep = 12;
constexpr int kMiddleFactor = 63;

int RowFactor(int row) {
  const int fromEdge = std::min(row, kPromptHeight - 1 - row);
  return fromEdge < kEdgeRows ? 255 - kEdgeStep * fromEdge : kMiddleFactor;
}

}  // namespace

ConfirmationPrompt::ConfirmationPrompt(ScreenBuffers& buffers, PaintBox& pb, EngineFlags& flags,
                                       Glyphs& glyphs)
    : buffers_(buffers), pb_(pb), flags_(flags), glyphs_(glyphs) {}

void ConfirmationPrompt::AskYesNo(std::string_view question, int id) {
  if (IsOpen() || id == 0) return;
  CopyRect(buffers_.StageBuffer, 0, kPromptTop, kScreenWidth, kPromptHeight, saved_, 0, 0);
  DarkenBand();
  const int pixelEm = PointsToPixelEm(kTextPoints);
  const int questionX = (kScreenWidth - glyphs_.TextWidth(question, pixelEm)) / 2;
  glyphs_.DrawText(question, question_, questionX, kQuestionY, pixelEm, kWhite);
  flags_.MenuLocked = true;
  if (updateMenuBar) updateMenuBar();
  flags_.SystemMenuOpen = id;
  answer_ = 0;
  ShowBand();
}

void ConfirmationPrompt::DarkenBand() {
  for (int r = 0; r < kPromptHeight; ++r) {
    const int factor = RowFactor(r);
    const uint8_t* from = saved_.Row(r);
    uint8_t* to = question_.Row(r);
    for (size_t i = 0; i < saved_.RowBytes(); ++i) {
      to[i] = static_cast<uint8_t>((from[i] * factor) >> 8);
    }
  }
}

// The answers are drawn afresh on the band without them, so a colour change never leaves the
// other colour's edges behind.
void ConfirmationPrompt::ShowBand() {
  band_ = question_;
  const int pixelEm = PointsToPixelEm(kTextPoints);
  glyphs_.DrawText(kYes, band_, kYesX, kAnswerY, pixelEm, answer_ == 1 ? kYellow : kGrey);
  glyphs_.DrawText(kNo, band_, kNoX, kAnswerY, pixelEm, answer_ == 1 ? kGrey : kYellow);
  PutOnStageAndScreen(band_);
}

void ConfirmationPrompt::PutOnStageAndScreen(const Bitmap24& band) {
  CopyRect(band, 0, 0, kScreenWidth, kPromptHeight, buffers_.StageBuffer, 0, kPromptTop);
  CopyRect(band, 0, 0, kScreenWidth, kPromptHeight, pb_.Draw(), 0, kPromptTop);
}

void ConfirmationPrompt::PromptHover(int x, int y) {
  if (!IsOpen()) return;
  const bool onYes = y > kYesTop && y < kYesBottom && x >= kYesLeft && x < kYesRight;
  const int answer = onYes ? 1 : 0;
  if (answer == answer_) return;
  answer_ = answer;
  ShowBand();
}

void ConfirmationPrompt::StepAnswer(int step) {
  if (!IsOpen()) return;
  answer_ = step < 0 ? 1 : 0;
  ShowBand();
}

void ConfirmationPrompt::PromptClick(MouseButton button) {
  if (!IsOpen()) return;
  PutOnStageAndScreen(saved_);
  flags_.MenuLocked = false;
  if (updateMenuBar) updateMenuBar();
  const int id = flags_.SystemMenuOpen;
  // Closed before the action runs, so the action finds the game screen free again.
  flags_.SystemMenuOpen = 0;
  if (button != MouseButton::Right && answer_ == 1 && runAction) runAction(id);
}

}  // namespace tolven
