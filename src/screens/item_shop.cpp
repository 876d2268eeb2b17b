#include "screens/item_shop.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/engine_values.h"
#include "base/text_encoding.h"
#include "graphics/picture_copy.h"
#include "resources/definition_text.h"

namespace tolven {
namespace {

constexpr int kNormalColour = 0;
constexpr int kUnaffordableColour = 1;

// The offer rows: icon, name and price, one row every 70 pixels.
constexpr int kRowTop = 60;
constexpr int kRowHeight = 70;
constexpr int kRowLeft = 500;
constexpr int kRowRight = 779;
constexpr int kOfferIconX = 504;
constexpr int kOfferTextX = 570;
constexpr int kPriceOffset = 26;

// The "ＹＥＳ" half of the answer line.
constexpr int kYesLeft = 290;
constexpr int kYesRight = 379;
constexpr int kYesTop = 286;
constexpr int kYesBottom = 319;

// The leave button ("item_x").
constexpr int kLeaveX = 724;
constexpr int kLeaveY = 410;
constexpr int kLeaveSize = 64;

// The "ＮＯ" at the end of the answer line, two full-width characters after "ＹＥＳ　／　".
constexpr int kNoLeft = 458;
constexpr int kNoRight = 514;
constexpr std::array<uint8_t, 3> kKeyFrameColour{0, 255, 255};  // yellow, in blue-green-red

void DrawFrame(Bitmap24& picture, int left, int top, int right, int bottom) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, picture.Width() - 1);
  bottom = std::min(bottom, picture.Height() - 1);
  auto put = [&](int x, int y) {
    uint8_t* pixel = picture.Row(y) + 3 * x;
    std::copy(kKeyFrameColour.begin(), kKeyFrameColour.end(), pixel);
  };
  for (int edge = 0; edge < 2; ++edge) {
    for (int x = left; x <= right; ++x) {
      put(x, std::min(top + edge, bottom));
      put(x, std::max(bottom - edge, top));
    }
    for (int y = top; y <= bottom; ++y) {
      put(std::min(left + edge, right), y);
      put(std::max(right - edge, left), y);
    }
  }
}

bool Within(int value, int low, int high) {
  return value >= low && value <= high;
}

// The fields of the argument: n commas make n + 1 of them.
int FieldCount(std::string_view argument) {
  return static_cast<int>(std::count(argument.begin(), argument.end(), ',')) + 1;
}

// A price beyond what is left would carry the currency past an int's end.
int32_t Pay(int32_t currency, int32_t price) {
  const int64_t left = int64_t{currency} - price;
  return static_cast<int32_t>(std::clamp<int64_t>(left, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

ItemShop::ItemShop(const ItemShopParts& parts)
    : parts_(parts),
      grid_(parts.pictures, parts.state, parts.stage, parts.pb, kShopGridLeft),
      buyQuestion_(Utf8ToShiftJis("購入しますか？").value_or("")),
      leaveQuestion_(Utf8ToShiftJis("買い物を終了しますか？").value_or("")),
      answers_(Utf8ToShiftJis("ＹＥＳ　／　ＮＯ").value_or("")) {}

ShopOffers ItemShop::ReadOffers(std::string_view argument, const ScriptState& state) {
  ShopOffers offers{};
  const int pairs = std::min(FieldCount(argument) / 2, kShopRows);
  for (int row = 0; row < pairs; ++row) {
    ShopOffer& offer = offers[static_cast<size_t>(row)];
    const int item = FieldNumber(argument, 2 * row);
    const bool offered = item >= 1 && item <= kItemCount && !ItemOwned(state, item);
    offer.item = offered ? item : 0;
    offer.price = FieldNumber(argument, 2 * row + 1);
  }
  return offers;
}

void ItemShop::OpenShop(std::string_view argument) {
  offers_ = ReadOffers(argument, parts_.state);
  question_ = ShopQuestion::None;
  keyFocus_ = -1;
  pending_ = {};
  ScreenBuffers& buffers = parts_.stage.Buffers();
  CopyPicture(buffers.StageBuffer, buffers.PreviousBuffer);
  parts_.pictures.LoadShopPictures();
  open_ = true;
  DrawShop();
  parts_.flags.EngineState = EngineScreen::Shop;
}

void ItemShop::DrawText(const std::string& text, int x, int y, int colour) {
  parts_.glyphs.DrawString(text, x, y, parts_.stage.Buffers().StageBuffer, colour);
}

void ItemShop::ShowStage() {
  CopyTopLeftArea(parts_.stage.Buffers().StageBuffer, parts_.pb.Draw());
  grid_.Forget();
}

void ItemShop::DrawShop() {
  Bitmap24& stage = parts_.stage.Buffers().StageBuffer;
  ItemPictures& pictures = parts_.pictures;
  pictures.DrawPanel(stage, 4, 10);
  pictures.DrawOfferPanel(stage, 484, 20);
  pictures.DrawPricePanel(stage, 484, 350);
  pictures.DrawLeaveButton(stage, kLeaveX, kLeaveY);
  pictures.DrawOwnedIcons(stage, parts_.state, kShopGridLeft);
  const int32_t currency = parts_.state.V(kCurrencyVariable);
  DrawText(pictures.CurrencyText(currency), 290, 440, kNormalColour);
  for (int row = 0; row < kShopRows; ++row) {
    const ShopOffer& offer = offers_[static_cast<size_t>(row)];
    if (offer.item == 0 || ItemOwned(parts_.state, offer.item)) continue;
    const int y = kRowTop + kRowHeight * row;
    const int colour = currency < offer.price ? kUnaffordableColour : kNormalColour;
    pictures.DrawIcon(stage, offer.item, kOfferIconX, y);
    DrawText(pictures.Name(offer.item), kOfferTextX, y, colour);
    DrawText(std::to_string(offer.price), kOfferTextX, y + kPriceOffset, colour);
  }
  ShowStage();
}

// Above the first row is no row: the division alone would count the strip above it as row 0.
int ItemShop::RowAt(int x, int y) {
  if (!Within(x, kRowLeft, kRowRight) || y < kRowTop) return -1;
  const int row = (y - kRowTop) / kRowHeight;
  return row < kShopRows ? row : -1;
}

void ItemShop::ShopClick(MouseButton button, int x, int y) {
  if (question_ != ShopQuestion::None) {
    const bool yes = button == MouseButton::Left && Within(x, kYesLeft, kYesRight) &&
                     Within(y, kYesTop, kYesBottom);
    Answer(yes);
    return;
  }
  if (button == MouseButton::Right) {
    LeaveShop();
    return;
  }
  if (button != MouseButton::Left) return;
  if (const int row = RowAt(x, y); row >= 0) {
    AskToBuy(row);
  } else if (Within(x, kLeaveX, kLeaveX + kLeaveSize - 1) &&
             Within(y, kLeaveY, kLeaveY + kLeaveSize - 1)) {
    AskToLeave();
  }
}

void ItemShop::AskToBuy(int row) {
  const ShopOffer& offer = offers_[static_cast<size_t>(row)];
  if (offer.item == 0 || ItemOwned(parts_.state, offer.item) ||
      parts_.state.V(kCurrencyVariable) < offer.price) {
    return;
  }
  Bitmap24& stage = parts_.stage.Buffers().StageBuffer;
  parts_.pictures.DrawQuestionPanel(stage, 200, 200);
  DrawText(parts_.pictures.Name(offer.item), 280, 216, kNormalColour);
  DrawText(buyQuestion_, 280, 246, kNormalColour);
  DrawText(answers_, 290, 286, kNormalColour);
  parts_.pictures.DrawIcon(stage, offer.item, 210, 216);
  ShowStage();
  question_ = ShopQuestion::Buy;
  pending_ = offer;
  keyYes_ = false;
  ShowKeyFocus();
}

void ItemShop::AskToLeave() {
  parts_.pictures.DrawQuestionPanel(parts_.stage.Buffers().StageBuffer, 200, 200);
  DrawText(leaveQuestion_, 280, 216, kNormalColour);
  DrawText(answers_, 290, 286, kNormalColour);
  ShowStage();
  question_ = ShopQuestion::Leave;
  keyYes_ = false;
  ShowKeyFocus();
}

void ItemShop::Answer(bool yes) {
  const ShopQuestion question = question_;
  question_ = ShopQuestion::None;
  if (yes && question == ShopQuestion::Leave) {
    LeaveShop();
    return;
  }
  if (yes && question == ShopQuestion::Buy) {
    parts_.state.V(kCurrencyVariable + pending_.item) = 1;
    int32_t& currency = parts_.state.V(kCurrencyVariable);
    currency = Pay(currency, pending_.price);
  }
  pending_ = {};
  ScreenBuffers& buffers = parts_.stage.Buffers();
  CopyPicture(buffers.PreviousBuffer, buffers.StageBuffer);
  DrawShop();
  ShowKeyFocus();
}

void ItemShop::LeaveShop() {
  parts_.pictures.ReleaseShopPictures();
  ScreenBuffers& buffers = parts_.stage.Buffers();
  CopyPicture(buffers.PreviousBuffer, buffers.StageBuffer);
  ShowStage();
  parts_.flags.EngineState = EngineScreen::Story;
  open_ = false;
  offers_ = {};
  question_ = ShopQuestion::None;
  pending_ = {};
  keyFocus_ = -1;
}

bool ItemShop::TakesKey(int key) const {
  return open_ && (key == kKeyEnter || key == kKeyEscape || key == kKeyUp || key == kKeyDown ||
                   key == kKeyLeft || key == kKeyRight);
}

void ItemShop::KeyDown(int key) {
  if (!open_) return;
  if (question_ != ShopQuestion::None) {
    if (key == kKeyEnter || key == kKeyEscape) return Answer(key == kKeyEnter && keyYes_);
    if (key == kKeyLeft || key == kKeyRight || key == kKeyUp || key == kKeyDown) {
      keyYes_ = key == kKeyLeft || key == kKeyUp;
      ShowStage();
      ShowKeyFocus();
    }
    return;
  }
  switch (key) {
    case kKeyEscape:
      return LeaveShop();
    case kKeyEnter:
      if (keyFocus_ == kShopRows) return AskToLeave();
      if (keyFocus_ >= 0) AskToBuy(keyFocus_);
      return;
    case kKeyUp:
    case kKeyDown: {
      // The offers still on the shelf, then the leave button.
      std::vector<int> stops;
      for (int row = 0; row < kShopRows; ++row) {
        const ShopOffer& offer = offers_[static_cast<size_t>(row)];
        if (offer.item != 0 && !ItemOwned(parts_.state, offer.item)) stops.push_back(row);
      }
      stops.push_back(kShopRows);
      const int count = static_cast<int>(stops.size());
      const auto at = std::find(stops.begin(), stops.end(), keyFocus_);
      const int step = key == kKeyUp ? -1 : 1;
      const int index = at == stops.end()
                            ? (step > 0 ? 0 : count - 1)
                            : (static_cast<int>(at - stops.begin()) + step + count) % count;
      keyFocus_ = stops[static_cast<size_t>(index)];
      ShowStage();
      ShowKeyFocus();
      return;
    }
    default:
      return;
  }
}

void ItemShop::ShowKeyFocus() {
  // Nothing shows until a key has been used: the mouse's shop looks as it always did.
  if (keyFocus_ < 0) return;
  Bitmap24& screen = parts_.pb.Draw();
  if (question_ != ShopQuestion::None) {
    DrawFrame(screen, keyYes_ ? kYesLeft : kNoLeft, kYesTop, keyYes_ ? kYesRight : kNoRight,
              kYesBottom);
  } else if (keyFocus_ == kShopRows) {
    DrawFrame(screen, kLeaveX, kLeaveY, kLeaveX + kLeaveSize - 1, kLeaveY + kLeaveSize - 1);
  } else if (const ShopOffer& offer = offers_[static_cast<size_t>(keyFocus_)];
             offer.item != 0 && !ItemOwned(parts_.state, offer.item)) {
    const int y = kRowTop + kRowHeight * keyFocus_;
    DrawFrame(screen, kRowLeft, y, kRowRight, y + kRowHeight - 1);
  }
}

nlohmann::ordered_json ItemShop::DumpObject() const {
  if (!open_) return nullptr;
  nlohmann::ordered_json items = nlohmann::ordered_json::array();
  nlohmann::ordered_json prices = nlohmann::ordered_json::array();
  for (const ShopOffer& offer : offers_) {
    items.push_back(offer.item);
    prices.push_back(offer.price);
  }
  return {{"items", items},
          {"prices", prices},
          {"confirmation", static_cast<int>(question_)},
          {"pending_item", pending_.item},
          {"pending_price", pending_.price},
          {"pointed", grid_.Pointed()}};
}

}  // namespace tolven
