#include "platform/dialog_view.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

#include "base/input.h"
#include "base/text_encoding.h"
#include "text/font_lookup.h"

namespace tolven {
namespace {

constexpr float kFontPixels = 12.0f;      // the dialogs' "ＭＳ Ｐゴシック" at 12 pixels
constexpr float kMemoFontPixels = 11.0f;  // and at 11 in memos
constexpr const char* kDialogFace = "ＭＳ Ｐゴシック";
constexpr float kBoxSquare = 13.0f;  // check boxes and radio buttons, as the window framework
constexpr float kFrameInset = 8.0f;  // a group's caption and items from its left edge
constexpr float kSpinArrowWidth = 15.0f;
constexpr size_t kEditBytes = 1024;  // far more than any field of the forms holds

constexpr ImU32 kFace = IM_COL32(240, 240, 240, 255);
constexpr ImU32 kShadow = IM_COL32(160, 160, 160, 255);
constexpr ImU32 kHighlight = IM_COL32(255, 255, 255, 255);
const ImVec4 kWhite(1.0f, 1.0f, 1.0f, 1.0f);
const ImVec4 kBlack(0.0f, 0.0f, 0.0f, 1.0f);
const ImVec4 kButtonFace(0.882f, 0.882f, 0.882f, 1.0f);
const ImVec4 kButtonHovered(0.898f, 0.945f, 0.984f, 1.0f);
const ImVec4 kButtonPressed(0.800f, 0.894f, 0.969f, 1.0f);
const ImVec4 kBorder(0.678f, 0.678f, 0.678f, 1.0f);
const ImVec4 kSelection(0.800f, 0.910f, 1.000f, 1.0f);
const ImVec4 kTitle(0.800f, 0.894f, 0.969f, 1.0f);
const ImVec4 kGrab(0.000f, 0.471f, 0.843f, 1.0f);

// FNV-1a, enough to tell one look of a dialog from the next.
class Fingerprint {
 public:
  void Add(std::string_view bytes) {
    for (char c : bytes) Byte(static_cast<uint8_t>(c));
    Byte(0xFF);  // so "ab","c" and "a","bc" differ
  }
  void Add(const uint8_t* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i) Byte(bytes[i]);
  }
  void Add(int64_t number) {
    for (int i = 0; i < 8; ++i) Byte(static_cast<uint8_t>(number >> (8 * i)));
  }
  uint64_t Value() const { return hash_; }

 private:
  void Byte(uint8_t byte) { hash_ = (hash_ ^ byte) * 0x100000001B3ull; }
  uint64_t hash_ = 0xCBF29CE484222325ull;
};

uint64_t PictureHash(const Bitmap24& picture) {
  Fingerprint print;
  print.Add(picture.Width());
  print.Add(picture.Height());
  print.Add(picture.Data(), picture.SizeBytes());
  return print.Value();
}

// Every character code page 932 holds, as ImGui glyph ranges. All byte pairs are converted in
// one go, each followed by a line feed: a pair that is no character comes out as replacements
// and single bytes (all wanted anyway), and the line feed, never a second byte, keeps it from
// swallowing the lead byte of the next pair.
const std::vector<ImWchar>& CodePageRanges() {
  static const std::vector<ImWchar> ranges = [] {
    std::string all;
    for (int c = 0x20; c < 0x7F; ++c) all += static_cast<char>(c);
    for (int c = 0xA1; c <= 0xDF; ++c) all += static_cast<char>(c);
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (lead > 0x9F && lead < 0xE0) continue;
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        if (trail == 0x7F) continue;
        all += static_cast<char>(lead);
        all += static_cast<char>(trail);
        all += '\n';
      }
    }
    std::vector<unsigned> codes;
    unsigned wide = 0;
    const std::string utf8 = ShiftJisToUtf8Lossy(all);
    for (const char* p = utf8.c_str(); *p != '\0';) {
      const int length = ImTextCharFromUtf8(&wide, p, nullptr);
      if (length <= 0) break;
      p += length;
      if (wide <= 0xFFFF) codes.push_back(wide);
    }
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    std::vector<ImWchar> pairs;
    for (size_t i = 0; i < codes.size();) {
      size_t j = i;
      while (j + 1 < codes.size() && codes[j + 1] == codes[j] + 1) ++j;
      pairs.push_back(static_cast<ImWchar>(codes[i]));
      pairs.push_back(static_cast<ImWchar>(codes[j]));
      i = j + 1;
    }
    pairs.push_back(0);
    return pairs;
  }();
  return ranges;
}

// The frame padding that makes a framed control (field, button, slider) this tall.
void PushFrameHeight(float height) {
  const float padding = std::max(0.0f, std::floor((height - ImGui::GetFontSize()) / 2));
  ImGui::PushStyleVar(ImGuiStyleVar_FramePadding,
                      ImVec2(ImGui::GetStyle().FramePadding.x, padding));
}

std::string Id(const Control& control) {
  return "##" + control.name;
}

int NumberIn(const std::string& text, int fallback) {
  int number = fallback;
  const char* end = text.data() + text.size();
  const char* start = text.data();
  if (start != end && *start == '+') ++start;
  std::from_chars(start, end, number);
  return number;
}

}  // namespace

DialogLook::DialogLook(float scale) {
  ImGui::PushStyleVar(ImGuiStyleVar_FrameBorderSize, 1.0f);
  ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(4.0f * scale, 2.0f * scale));
  ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(4.0f * scale, 0.0f));
  ImGui::PushStyleVar(ImGuiStyleVar_ItemInnerSpacing, ImVec2(4.0f * scale, 4.0f * scale));
  ImGui::PushStyleVar(ImGuiStyleVar_CellPadding, ImVec2(4.0f * scale, 2.0f * scale));
  ImGui::PushStyleVar(ImGuiStyleVar_GrabMinSize, 10.0f * scale);
  ImGui::PushStyleVar(ImGuiStyleVar_ScrollbarSize, 14.0f * scale);
  const std::pair<ImGuiCol, ImVec4> colours[] = {
      {ImGuiCol_Text, kBlack},
      {ImGuiCol_FrameBg, kWhite},
      {ImGuiCol_FrameBgHovered, kWhite},
      {ImGuiCol_FrameBgActive, kWhite},
      {ImGuiCol_Button, kButtonFace},
      {ImGuiCol_ButtonHovered, kButtonHovered},
      {ImGuiCol_ButtonActive, kButtonPressed},
      {ImGuiCol_Border, kBorder},
      {ImGuiCol_CheckMark, kBlack},
      {ImGuiCol_SliderGrab, kGrab},
      {ImGuiCol_SliderGrabActive, kGrab},
      {ImGuiCol_Header, kSelection},
      {ImGuiCol_HeaderHovered, kButtonHovered},
      {ImGuiCol_HeaderActive, kSelection},
      {ImGuiCol_TableHeaderBg, kButtonFace},
      {ImGuiCol_TableBorderStrong, kBorder},
      {ImGuiCol_TableBorderLight, kBorder},
      {ImGuiCol_TableRowBg, kWhite},
      {ImGuiCol_ChildBg, ImVec4(0, 0, 0, 0)},
      {ImGuiCol_PopupBg, kWhite},
      {ImGuiCol_TitleBg, kTitle},
      {ImGuiCol_TitleBgActive, kTitle},
      {ImGuiCol_TitleBgCollapsed, kTitle},
  };
  for (const auto& [slot, colour] : colours) ImGui::PushStyleColor(slot, colour);
  colours_ = static_cast<int>(std::size(colours));
}

DialogLook::~DialogLook() {
  ImGui::PopStyleColor(colours_);
  ImGui::PopStyleVar(kVariables);
}

DialogFonts AddDialogFonts() {
  std::optional<FontFile> face = FindFontFace(kDialogFace);
  if (!face) return {};
  ImFontConfig config;
  config.FontNo = face->index;
  // Glyphs drawn three times as wide (ImGui's default, for text placed between pixels) take
  // three times the room in an atlas of some nine thousand characters, and look no different
  // here: the renderers sample the atlas at whole pixels.
  config.OversampleH = 1;
  ImFontAtlas& atlas = *ImGui::GetIO().Fonts;
  DialogFonts fonts;
  fonts.text =
      atlas.AddFontFromFileTTF(face->path.c_str(), kFontPixels, &config, CodePageRanges().data());
  fonts.memo = atlas.AddFontFromFileTTF(face->path.c_str(), kMemoFontPixels, &config,
                                        CodePageRanges().data());
  return fonts;
}

uint64_t LookOf(const DialogModel& model) {
  Fingerprint print;
  print.Add(model.Caption());
  print.Add(model.ClientWidth());
  print.Add(model.ClientHeight());
  for (const Control& c : model.Controls()) {
    print.Add(c.name);
    for (int number :
         {static_cast<int>(c.kind), c.x, c.y, c.width, c.height, c.minimum, c.maximum,
          static_cast<int>(c.enabled), static_cast<int>(c.visible), static_cast<int>(c.vertical)}) {
      print.Add(number);
    }
    print.Add(c.caption);
    print.Add(c.value);
    for (const std::string& item : c.items) print.Add(item);
    for (const std::string& column : c.columns) print.Add(column);
    for (int width : c.columnWidths) print.Add(width);
    print.Add(static_cast<int64_t>(c.rows.size()));
    for (const auto& row : c.rows) {
      for (const std::string& cell : row) print.Add(cell);
    }
    if (c.picture != nullptr) print.Add(static_cast<int64_t>(PictureHash(*c.picture)));
  }
  return print.Value();
}

DialogPlacement PlaceDialog(int clientWidth, int clientHeight, float titleHeight, int pictureWidth,
                            int pictureHeight, int pbTop) {
  const float width = static_cast<float>(std::max(clientWidth, 1));
  const float height = static_cast<float>(std::max(clientHeight, 1)) + titleHeight;
  DialogPlacement place;
  place.scale = std::min({1.0f, pictureWidth / width, pictureHeight / height});
  const float shownWidth = width * place.scale;
  const float shownHeight = height * place.scale;
  const float pbHeight = static_cast<float>(pictureHeight - pbTop);
  // Whole pixels keep the text as sharp as the face draws it.
  place.x = std::floor((pictureWidth - shownWidth) / 2);
  place.y = std::floor(pbTop + (pbHeight - shownHeight) / 2);
  place.x = std::clamp(place.x, 0.0f, std::max(0.0f, pictureWidth - shownWidth));
  place.y = std::clamp(place.y, 0.0f, std::max(0.0f, pictureHeight - shownHeight));
  return place;
}

DialogView::DialogView(DialogModel& model, SDL_Renderer* renderer, DialogFonts fonts)
    : model_(model),
      renderer_(renderer),
      fonts_(fonts),
      // The same ImGui window for every showing of one form, whatever its caption says.
      title_(model.Caption() + "###" + std::string(model.Name())) {
  // ImGui walks the controls from the keyboard and the controller while a dialog shows; the
  // menu bar goes on as it always was afterwards.
  ImGuiIO& io = ImGui::GetIO();
  configFlagsBefore_ = io.ConfigFlags;
  io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard | ImGuiConfigFlags_NavEnableGamepad;
}

DialogView::~DialogView() {
  ImGui::GetIO().ConfigFlags = configFlagsBefore_;
  for (auto& [name, texture] : textures_) SDL_DestroyTexture(texture.texture);
}

void DialogView::Queue(ActionKind kind, std::string control, std::string value) {
  actions_.push_back({kind, std::move(control), std::move(value)});
}

void DialogView::Key(int virtualKey, bool down) {
  // A key the field took is the field's until it is released, though Enter ends the typing.
  if (!down) {
    if (withheld_.erase(virtualKey) > 0) return;
  } else if (Composing() || (textField_ && virtualKey != kKeyEscape && !model_.KeyPreview())) {
    withheld_.insert(virtualKey);
    return;
  }
  Action action{down ? ActionKind::KeyDown : ActionKind::KeyUp, {}, {}};
  action.key = virtualKey;
  actions_.push_back(std::move(action));
}

void DialogView::Apply() {
  std::vector<Action> actions;
  actions.swap(actions_);
  for (const Action& action : actions) {
    if (model_.Closed()) break;
    switch (action.kind) {
      case ActionKind::Set:
        model_.Set(action.control, action.value);
        break;
      case ActionKind::Press:
        model_.Press(action.control);
        break;
      // ImGui moves the focus here; Enter presses the button it is on, or the default one.
      case ActionKind::KeyDown:
        DialogKeyDown(model_, action.key, false);
        break;
      case ActionKind::KeyUp:
        DialogKeyUp(model_, action.key, false);
        break;
    }
  }
  typed_.clear();
}

Point DialogView::ClientToPicture(int x, int y) const {
  return {static_cast<int>(std::floor(originX_ + x * placement_.scale)),
          static_cast<int>(std::floor(originY_ + y * placement_.scale))};
}

void DialogView::Draw(int pictureWidth, int pictureHeight, int pbTop) {
  ImFont* font = fonts_.text != nullptr ? fonts_.text : ImGui::GetIO().Fonts->Fonts[0];
  titleHeight_ = font->FontSize + 2 * kTitlePadding;
  placement_ = PlaceDialog(model_.ClientWidth(), model_.ClientHeight(), titleHeight_, pictureWidth,
                           pictureHeight, pbTop);
  const float scale = placement_.scale;
  // The face's own scale reaches the title bar, the client area and the list's scrolled
  // region alike, where a window's font scale would stop at the first child.
  font->Scale = scale;
  if (fonts_.memo != nullptr) fonts_.memo->Scale = scale;
  ImGui::PushFont(font);
  const ImVec2 client(model_.ClientWidth() * scale, model_.ClientHeight() * scale);
  ImGui::SetNextWindowPos(ImVec2(placement_.x, placement_.y), ImGuiCond_Always);
  ImGui::SetNextWindowSize(ImVec2(client.x, client.y + titleHeight_ * scale), ImGuiCond_Always);
  if (appearing_) ImGui::SetNextWindowFocus();
  const DialogLook look(scale);
  ImGui::PushStyleColor(ImGuiCol_WindowBg, ImGui::ColorConvertU32ToFloat4(kFace));
  ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
  ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 1.0f);
  ImGui::PushStyleVar(ImGuiStyleVar_FramePadding,
                      ImVec2(6.0f * scale, kTitlePadding * scale));  // the title bar's
  ImGui::Begin(title_.c_str(), nullptr,
               ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
                   ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoScrollbar |
                   ImGuiWindowFlags_NoScrollWithMouse);
  ImGui::PopStyleVar();
  ImGui::SetCursorPos(ImVec2(0, titleHeight_ * scale));
  // Tab goes from field to field across the client area as if it were the window itself.
  ImGui::BeginChild("##client", client, false,
                    ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse |
                        ImGuiWindowFlags_NavFlattened);
  originX_ = ImGui::GetCursorScreenPos().x;
  originY_ = ImGui::GetCursorScreenPos().y;
  textField_.reset();
  typingInto_.clear();
  const std::vector<Control> controls = model_.Controls();
  // Frames first: the controls inside them are drawn over their lines.
  for (const Control& control : controls) {
    if (control.visible && control.kind == ControlKind::GroupBox) DrawControl(control);
  }
  for (const Control& control : controls) {
    if (control.visible && control.kind != ControlKind::GroupBox) DrawControl(control);
  }
  ImGui::EndChild();
  ImGui::End();
  ImGui::PopStyleVar(2);
  ImGui::PopStyleColor();
  ImGui::PopFont();
  font->Scale = 1.0f;
  if (fonts_.memo != nullptr) fonts_.memo->Scale = 1.0f;
  appearing_ = false;
}

void DialogView::MoveTo(float x, float y) {
  ImGui::SetCursorPos(ImVec2(x * placement_.scale, y * placement_.scale));
}

void DialogView::FitText(const std::string& text, float available) {
  const float width = ImGui::CalcTextSize(text.c_str()).x;
  if (width > available && width > 0 && available > 0) {
    ImGui::SetWindowFontScale(available / width);
  }
}

void DialogView::FitEnd() {
  ImGui::SetWindowFontScale(1.0f);
}

void DialogView::DrawControl(const Control& control) {
  ImGui::PushID(control.name.c_str());
  ImGui::BeginDisabled(!control.enabled);
  switch (control.kind) {
    case ControlKind::Label:
      DrawLabel(control);
      break;
    case ControlKind::GroupBox:
      DrawFrame(control);
      break;
    case ControlKind::Button:
      DrawButton(control);
      break;
    case ControlKind::Edit:
      DrawEdit(control);
      break;
    case ControlKind::Memo:
      DrawMemo(control);
      break;
    case ControlKind::CheckBox:
      DrawCheckBox(control);
      break;
    case ControlKind::RadioGroup:
      DrawFrame(control);
      DrawRadioGroup(control);
      break;
    case ControlKind::TrackBar:
      DrawTrackBar(control);
      break;
    case ControlKind::SpinEdit:
      DrawSpinEdit(control);
      break;
    case ControlKind::ComboBox:
      DrawComboBox(control);
      break;
    case ControlKind::ListView:
      DrawListView(control);
      break;
    case ControlKind::Image:
      DrawImage(control);
      break;
  }
  ImGui::EndDisabled();
  ImGui::PopID();
}

// An etched frame with the caption over its top line, as group boxes and radio groups have.
void DialogView::DrawFrame(const Control& control) {
  const float s = placement_.scale;
  const float lineY = control.y * s + std::floor(ImGui::GetFontSize() / 2);
  const ImVec2 min(originX_ + control.x * s, originY_ + lineY);
  const ImVec2 max(originX_ + (control.x + control.width) * s,
                   originY_ + (control.y + control.height) * s);
  ImDrawList* draw = ImGui::GetWindowDrawList();
  draw->AddRect(min, ImVec2(max.x - 1, max.y - 1), kShadow);
  draw->AddRect(ImVec2(min.x + 1, min.y + 1), max, kHighlight);
  if (control.caption.empty()) return;
  FitText(control.caption, (control.width - 2 * kFrameInset) * s);
  const ImVec2 text = ImGui::CalcTextSize(control.caption.c_str());
  const ImVec2 at(originX_ + (control.x + kFrameInset) * s, originY_ + control.y * s);
  draw->AddRectFilled(ImVec2(at.x - 2 * s, at.y), ImVec2(at.x + text.x + 2 * s, at.y + text.y),
                      kFace);
  MoveTo(control.x + kFrameInset, static_cast<float>(control.y));
  ImGui::TextUnformatted(control.caption.c_str());
  FitEnd();
}

void DialogView::DrawLabel(const Control& control) {
  MoveTo(static_cast<float>(control.x), static_cast<float>(control.y));
  // A label without a width sizes itself to its text, as an auto-sized label does.
  const float available =
      (control.width > 0 ? control.width : model_.ClientWidth() - control.x) * placement_.scale;
  FitText(control.caption, available);
  ImGui::TextUnformatted(control.caption.c_str());
  FitEnd();
}

void DialogView::DrawButton(const Control& control) {
  const float s = placement_.scale;
  MoveTo(static_cast<float>(control.x), static_cast<float>(control.y));
  FitText(control.caption, (control.width - 4) * s);
  PushFrameHeight(control.height * s);
  const std::string label = control.caption + Id(control);
  if (ImGui::Button(label.c_str(), ImVec2(control.width * s, control.height * s))) {
    Queue(ActionKind::Press, control.name);
  }
  // A button the mouse pressed keeps ImGui's focus unseen; only one the keys went to is Enter's.
  if (ImGui::IsItemFocused() && !ImGui::GetCurrentContext()->NavDisableHighlight) {
    model_.keys.focus = control.name;
  } else if (model_.keys.focus == control.name) {
    model_.keys.focus.clear();
  }
  ImGui::PopStyleVar();
  FitEnd();
}

// While a field has the keyboard ImGui keeps its own copy of the text; the model's text (or
// what was typed and not yet handed over) is put back into it, so a value the model refused or
// changed shows at once. Frames that edit are left alone: their text is on its way to the model.
int DialogView::EditCallback(ImGuiInputTextCallbackData* data) {
  if (data->EventFlag != ImGuiInputTextFlags_CallbackAlways) return 0;
  const std::string& shows = *static_cast<const std::string*>(data->UserData);
  if (std::string_view(data->Buf, static_cast<size_t>(data->BufTextLen)) != shows) {
    data->DeleteChars(0, data->BufTextLen);
    data->InsertChars(0, shows.c_str(), shows.c_str() + shows.size());
  }
  return 0;
}

void DialogView::DrawEdit(const Control& control) {
  const float s = placement_.scale;
  auto typed = typed_.find(control.name);
  const std::string& shows = typed != typed_.end() ? typed->second : control.value;
  std::array<char, kEditBytes> buffer{};
  std::memcpy(buffer.data(), shows.data(), std::min(shows.size(), buffer.size() - 1));
  MoveTo(static_cast<float>(control.x), static_cast<float>(control.y));
  PushFrameHeight(control.height * s);
  ImGui::SetNextItemWidth(control.width * s);
  if (appearing_ && control.name == model_.ActiveControl()) ImGui::SetKeyboardFocusHere();
  const bool edited =
      ImGui::InputText(Id(control).c_str(), buffer.data(), buffer.size(),
                       ImGuiInputTextFlags_CallbackAlways | ImGuiInputTextFlags_CallbackEdit,
                       &EditCallback, const_cast<std::string*>(&shows));
  ImGui::PopStyleVar();
  if (ImGui::IsItemActive()) {
    typingInto_ = control.name;
    // ImGui's own report of where its text cursor stands: the line's top, a pixel to the left.
    const ImVec2 cursor = ImGui::GetCurrentContext()->PlatformImePos;
    const ImVec2 min = ImGui::GetItemRectMin();
    const ImVec2 max = ImGui::GetItemRectMax();
    const float left = std::clamp(cursor.x + 1, min.x, max.x);
    textField_ = Rect{static_cast<int>(left), static_cast<int>(min.y),
                      static_cast<int>(max.x - left), static_cast<int>(max.y - min.y)};
    if (Composing()) DrawComposition(left, cursor.y);
  }
  if (edited) {
    typed_[control.name] = buffer.data();
    Queue(ActionKind::Set, control.name, buffer.data());
  }
}

// ImGui draws no text being composed; it goes over the field at the text cursor, underlined
// as input methods mark it.
void DialogView::DrawComposition(float x, float y) {
  ImDrawList* draw = ImGui::GetForegroundDrawList();
  const ImVec2 size = ImGui::CalcTextSize(composition_.c_str());
  const ImVec2 min(x, y);
  const ImVec2 max(x + size.x + 2, y + size.y + 2);
  draw->AddRectFilled(min, max, IM_COL32(255, 255, 255, 255));
  draw->AddRect(min, max, IM_COL32(0, 0, 0, 255));
  draw->AddText(ImGui::GetFont(), ImGui::GetFontSize(), ImVec2(x + 1, y + 1),
                IM_COL32(0, 0, 0, 255), composition_.c_str());
  draw->AddLine(ImVec2(x + 1, max.y - 2), ImVec2(max.x - 1, max.y - 2), IM_COL32(0, 0, 0, 255));
}

void DialogView::DrawMemo(const Control& control) {
  const float s = placement_.scale;
  MoveTo(static_cast<float>(control.x), static_cast<float>(control.y));
  ImGui::PushStyleColor(ImGuiCol_ChildBg, kWhite);
  ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(2 * s, 1 * s));
  // Lines wrap at the memo's width and no scroll bar takes room from them, as in the
  // framework's memo; the wheel still scrolls a text longer than the memo.
  ImGui::BeginChild(Id(control).c_str(), ImVec2(control.width * s, control.height * s), true,
                    ImGuiWindowFlags_NoScrollbar);
  if (fonts_.memo != nullptr) ImGui::PushFont(fonts_.memo);
  ImGui::PushTextWrapPos(0.0f);
  for (const std::string& line : control.items) ImGui::TextUnformatted(line.c_str());
  ImGui::PopTextWrapPos();
  if (fonts_.memo != nullptr) ImGui::PopFont();
  ImGui::EndChild();
  ImGui::PopStyleVar();
  ImGui::PopStyleColor();
}

void DialogView::DrawCheckBox(const Control& control) {
  const float s = placement_.scale;
  const float square = std::min(static_cast<float>(control.height), kBoxSquare) * s;
  MoveTo(static_cast<float>(control.x), control.y + (control.height - square / s) / 2);
  FitText(control.caption, control.width * s - square - ImGui::GetStyle().ItemInnerSpacing.x);
  PushFrameHeight(square);
  bool checked = control.value == "1";
  const std::string label = control.caption + Id(control);
  if (ImGui::Checkbox(label.c_str(), &checked)) {
    Queue(ActionKind::Set, control.name, checked ? "1" : "0");
  }
  ImGui::PopStyleVar();
  FitEnd();
}

void DialogView::DrawRadioGroup(const Control& control) {
  if (control.items.empty()) return;
  const float s = placement_.scale;
  const int chosen = NumberIn(control.value, -1);
  // The items share the height under the caption evenly, as the window framework spreads them.
  const float top = control.y + kFontPixels + 2;
  const float bottom = control.y + control.height - 4.0f;
  const float slot = (bottom - top) / static_cast<float>(control.items.size());
  const float square = kBoxSquare * s;
  for (size_t i = 0; i < control.items.size(); ++i) {
    const std::string& item = control.items[i];
    MoveTo(control.x + kFrameInset, top + slot * i + (slot - kBoxSquare) / 2);
    FitText(item,
            (control.width - 2 * kFrameInset) * s - square - ImGui::GetStyle().ItemInnerSpacing.x);
    PushFrameHeight(square);
    const std::string label = item + "##" + std::to_string(i);
    if (ImGui::RadioButton(label.c_str(), chosen == static_cast<int>(i))) {
      Queue(ActionKind::Set, control.name, std::to_string(i));
    }
    ImGui::PopStyleVar();
    FitEnd();
  }
}

void DialogView::DrawTrackBar(const Control& control) {
  const float s = placement_.scale;
  const int low = std::min(control.minimum, control.maximum);
  const int high = std::max(control.minimum, control.maximum);
  const int position = std::clamp(NumberIn(control.value, low), low, high);
  MoveTo(static_cast<float>(control.x), static_cast<float>(control.y));
  const ImGuiSliderFlags flags = ImGuiSliderFlags_NoInput | ImGuiSliderFlags_AlwaysClamp;
  if (control.vertical) {
    // ImGui puts a vertical slider's minimum at the bottom; these bars have it on top, so the
    // slider runs over the mirrored position.
    int shown = low + high - position;
    if (ImGui::VSliderInt(Id(control).c_str(), ImVec2(control.width * s, control.height * s),
                          &shown, low, high, "", flags)) {
      Queue(ActionKind::Set, control.name, std::to_string(low + high - shown));
    }
    return;
  }
  int moved = position;
  PushFrameHeight(control.height * s);
  ImGui::SetNextItemWidth(control.width * s);
  if (ImGui::SliderInt(Id(control).c_str(), &moved, low, high, "", flags)) {
    Queue(ActionKind::Set, control.name, std::to_string(moved));
  }
  ImGui::PopStyleVar();
}

void DialogView::DrawSpinEdit(const Control& control) {
  const float s = placement_.scale;
  const int low = std::min(control.minimum, control.maximum);
  const int high = std::max(control.minimum, control.maximum);
  const int number = std::clamp(NumberIn(control.value, low), low, high);
  auto change = [&](int to) {
    to = std::clamp(to, low, high);
    if (to != number) Queue(ActionKind::Set, control.name, std::to_string(to));
  };
  // The field and a pair of arrows stacked at its right, as a spin edit has them: ImGui's own
  // -/+ buttons would leave a narrow spinner no room for its digits.
  MoveTo(static_cast<float>(control.x), static_cast<float>(control.y));
  PushFrameHeight(control.height * s);
  ImGui::SetNextItemWidth((control.width - kSpinArrowWidth) * s);
  int typed = number;
  if (ImGui::InputInt(Id(control).c_str(), &typed, 0, 0)) change(typed);
  ImGui::PopStyleVar();
  if (ImGui::IsItemActive()) {
    typingInto_ = control.name;
    const ImVec2 min = ImGui::GetItemRectMin();
    const ImVec2 max = ImGui::GetItemRectMax();
    textField_ = Rect{static_cast<int>(min.x), static_cast<int>(min.y),
                      static_cast<int>(max.x - min.x), static_cast<int>(max.y - min.y)};
  }
  const float half = control.height / 2.0f;
  const ImVec2 arrow(kSpinArrowWidth * s, half * s);
  MoveTo(control.x + control.width - kSpinArrowWidth, static_cast<float>(control.y));
  if (ImGui::ArrowButtonEx("##up", ImGuiDir_Up, arrow)) change(number + 1);
  MoveTo(control.x + control.width - kSpinArrowWidth, control.y + half);
  if (ImGui::ArrowButtonEx("##down", ImGuiDir_Down, arrow)) change(number - 1);
}

void DialogView::DrawComboBox(const Control& control) {
  const float s = placement_.scale;
  MoveTo(static_cast<float>(control.x), static_cast<float>(control.y));
  PushFrameHeight(control.height * s);
  ImGui::SetNextItemWidth(control.width * s);
  if (ImGui::BeginCombo(Id(control).c_str(), control.value.c_str(), ImGuiComboFlags_HeightLarge)) {
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(4 * s, 3 * s));  // rows of a list box
    for (size_t i = 0; i < control.items.size(); ++i) {
      const std::string& item = control.items[i];
      ImGui::PushID(static_cast<int>(i));
      const bool chosen = item == control.value;
      if (ImGui::Selectable(item.c_str(), chosen)) Queue(ActionKind::Set, control.name, item);
      if (chosen) ImGui::SetItemDefaultFocus();
      ImGui::PopID();
    }
    ImGui::PopStyleVar();
    ImGui::EndCombo();
  }
  ImGui::PopStyleVar();
}

void DialogView::DrawListView(const Control& control) {
  const float s = placement_.scale;
  const int columns = static_cast<int>(control.columns.size());
  if (columns == 0) return;
  MoveTo(static_cast<float>(control.x), static_cast<float>(control.y));
  const ImGuiTableFlags flags = ImGuiTableFlags_Borders | ImGuiTableFlags_ScrollX |
                                ImGuiTableFlags_ScrollY | ImGuiTableFlags_SizingFixedFit;
  // The list is white where no row reaches, as a report list is.
  const ImVec2 min(originX_ + control.x * s, originY_ + control.y * s);
  ImGui::GetWindowDrawList()->AddRectFilled(
      min, ImVec2(min.x + control.width * s, min.y + control.height * s),
      IM_COL32(255, 255, 255, 255));
  if (!ImGui::BeginTable(Id(control).c_str(), columns, flags,
                         ImVec2(control.width * s, control.height * s))) {
    return;
  }
  for (int c = 0; c < columns; ++c) {
    const int width =
        c < static_cast<int>(control.columnWidths.size()) ? control.columnWidths[c] : 0;
    // A column without a width fits its header and cells; a width counts the cell's padding,
    // which ImGui adds outside the width it is given.
    const float inner = width * s - 2 * ImGui::GetStyle().CellPadding.x;
    ImGui::TableSetupColumn(control.columns[c].c_str(), ImGuiTableColumnFlags_WidthFixed,
                            width > 0 ? std::max(1.0f, inner) : 0.0f);
  }
  ImGui::TableSetupScrollFreeze(0, 1);
  ImGui::TableNextRow(ImGuiTableRowFlags_Headers);
  float headerBottom = 0;
  for (int c = 0; c < columns; ++c) {
    ImGui::TableSetColumnIndex(c);
    ImGui::TableHeader(control.columns[c].c_str());
    if (ImGui::IsItemClicked(ImGuiMouseButton_Left)) {
      Queue(ActionKind::Press, control.name + ".column " + std::to_string(c));
    }
    headerBottom = std::max(headerBottom, ImGui::GetItemRectMax().y);
  }
  const int rows = static_cast<int>(control.rows.size());
  const int selected = NumberIn(control.value, -1);
  auto shown = shownSelection_.find(control.name);
  // A row chosen by a key, an event file or the opening of the dialog is scrolled into view.
  const bool reveal = selected >= 0 && selected < rows &&
                      (shown == shownSelection_.end() || shown->second != selected);
  shownSelection_[control.name] = selected;
  ImGuiListClipper clipper;
  clipper.Begin(rows);
  if (reveal) clipper.ForceDisplayRangeByIndices(selected, selected + 1);
  while (clipper.Step()) {
    for (int r = clipper.DisplayStart; r < clipper.DisplayEnd; ++r) {
      const std::vector<std::string>& cells = control.rows[r];
      ImGui::TableNextRow();
      ImGui::TableSetColumnIndex(0);
      ImGui::PushID(r);
      const std::string first = (cells.empty() ? std::string() : cells[0]) + "##row";
      // The selected row keeps its colour under the pointer.
      if (r == selected) ImGui::PushStyleColor(ImGuiCol_HeaderHovered, kSelection);
      const bool clicked = ImGui::Selectable(
          first.c_str(), r == selected,
          ImGuiSelectableFlags_SpanAllColumns | ImGuiSelectableFlags_AllowDoubleClick);
      if (r == selected) ImGui::PopStyleColor();
      if (clicked) {
        Queue(ActionKind::Set, control.name, std::to_string(r));
        if (ImGui::IsMouseDoubleClicked(ImGuiMouseButton_Left)) {
          Queue(ActionKind::Press, control.name + ".dblclick");
        }
      }
      if (reveal && r == selected) {
        // The row reaches past its text by the cells' padding, its grid line included: the
        // last row scrolled into view shows whole, down to the list's bottom edge.
        const float padding = ImGui::GetStyle().CellPadding.y;
        const float top = ImGui::GetItemRectMin().y - padding;
        const float bottom = ImGui::GetItemRectMax().y + padding;
        const float visibleBottom = ImGui::GetCurrentWindow()->InnerClipRect.Max.y;
        if (top < headerBottom) {
          ImGui::SetScrollY(ImGui::GetScrollY() - (headerBottom - top));
        } else if (bottom > visibleBottom) {
          ImGui::SetScrollY(ImGui::GetScrollY() + (bottom - visibleBottom));
        }
      }
      ImGui::PopID();
      for (int c = 1; c < columns && c < static_cast<int>(cells.size()); ++c) {
        ImGui::TableSetColumnIndex(c);
        ImGui::TextUnformatted(cells[c].c_str());
      }
    }
  }
  ImGui::EndTable();
}

SDL_Texture* DialogView::TextureFor(const Control& control) {
  const Bitmap24* picture = control.picture;
  if (picture == nullptr || picture->Empty() || renderer_ == nullptr) return nullptr;
  Texture& held = textures_[control.name];
  const bool sized =
      held.texture != nullptr && held.width == picture->Width() && held.height == picture->Height();
  if (!sized) {
    SDL_DestroyTexture(held.texture);
    held = {};
    held.texture = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_BGR24, SDL_TEXTUREACCESS_STREAMING,
                                     picture->Width(), picture->Height());
    if (held.texture == nullptr) return nullptr;
    held.width = picture->Width();
    held.height = picture->Height();
  }
  // The model may redraw the picture in place: its bytes, not its address, say it changed.
  const uint64_t hash = PictureHash(*picture);
  if (!sized || held.source != picture || held.hash != hash) {
    SDL_UpdateTexture(held.texture, nullptr, picture->Data(),
                      static_cast<int>(picture->RowBytes()));
    held.source = picture;
    held.hash = hash;
  }
  return held.texture;
}

void DialogView::DrawImage(const Control& control) {
  SDL_Texture* texture = TextureFor(control);
  if (texture == nullptr) return;
  const float s = placement_.scale;
  MoveTo(static_cast<float>(control.x), static_cast<float>(control.y));
  // Stretched over the control: a thumbnail fills its box, a colour sample its patch.
  ImGui::Image(static_cast<ImTextureID>(texture), ImVec2(control.width * s, control.height * s));
}

}  // namespace tolven
