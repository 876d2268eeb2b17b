#include "save/save_list.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>
#include <system_error>
#include <utility>

#include "base/input.h"
#include "base/text_encoding.h"
#include "save/save_slot.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;

constexpr size_t kDateBytes = 19;    // "2000/01/01 00:00:00"
constexpr size_t kDetailStart = 20;  // the blank before the title
constexpr size_t kDetailBytes = 75;  // to byte 94, the last a description can fill
constexpr size_t kPageRows = 20;
constexpr size_t kPageRowBytes = 100;
constexpr size_t kEdit1MaxBytes = 255;    // no view's field holds more
constexpr std::string_view kBlank = " ";  // an empty slot's detail and comment as the list opens

bool LeadByte(uint8_t byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// The longest start of the text that ends on a character boundary.
std::string CutAtCharacter(std::string_view text, size_t maxBytes) {
  size_t length = 0;
  while (length < text.size()) {
    const size_t width = LeadByte(static_cast<uint8_t>(text[length])) ? 2 : 1;
    if (length + width > maxBytes || length + width > text.size()) break;
    length += width;
  }
  return std::string(text.substr(0, length));
}

// Latin letters in one case, half-width and full-width, and nothing else: the second byte of
// a two-byte character may look like a letter and must stay as it is.
std::string Folded(std::string_view text) {
  std::string folded(text);
  for (size_t i = 0; i < folded.size(); ++i) {
    const auto byte = static_cast<uint8_t>(folded[i]);
    if (LeadByte(byte) && i + 1 < folded.size()) {
      const auto trail = static_cast<uint8_t>(folded[i + 1]);
      if (byte == 0x82 && trail >= 0x60 && trail <= 0x79)
        folded[i + 1] = static_cast<char>(trail + 0x21);
      ++i;
    } else if (byte >= 'A' && byte <= 'Z') {
      folded[i] = static_cast<char>(byte + ('a' - 'A'));
    }
  }
  return folded;
}

const std::string& NotRegistered() {
  static const std::string text = Utf8ToShiftJis(" 未登録").value_or(" ");
  return text;
}

const std::string& DamagedNote() {
  static const std::string text = Utf8ToShiftJis("（破損）").value_or("");
  return text;
}

std::string SlotCaption(int slot) {
  char caption[16];
  std::snprintf(caption, sizeof caption, "%02d", slot);
  return caption;
}

void UpdateShown(SaveList::Row& row) {
  for (int column = 0; column < SaveList::kColumns; ++column) {
    row.shown[column] = ShiftJisToUtf8Lossy(row.cells[column]);
  }
}

// The rows of the message page that hold text, each ending at its NUL or at the row's end.
// The page keeps each character at its column: the cells a line skips (the indent, the gap
// after a wider character) hold zero. They read as blanks, and a row is empty when nothing
// but blanks is in it.
std::vector<std::string> PageLines(const std::array<uint8_t, kPageRows * kPageRowBytes>& page) {
  std::vector<std::string> lines;
  for (size_t row = 0; row < kPageRows; ++row) {
    const auto begin = page.begin() + static_cast<std::ptrdiff_t>(row * kPageRowBytes);
    std::string line(begin, begin + kPageRowBytes);
    std::replace(line.begin(), line.end(), '\0', ' ');
    line.erase(line.find_last_not_of(' ') + 1);
    if (!line.empty()) lines.push_back(std::move(line));
  }
  return lines;
}

std::optional<int> Number(std::string_view text) {
  int number = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, number);
  if (error != std::errc() || stop != end) return std::nullopt;
  return number;
}

}  // namespace

SaveList::SaveList(fs::path saveFolder) : folder_(std::move(saveFolder)) {}

void SaveList::SetEmptyPicture(Bitmap24 picture) {
  emptyPicture_ = std::move(picture);
}

void SaveList::OpenSlotDialog(Mode mode) {
  mode_ = mode;
  closed_ = false;
  enterDown_ = false;
  button1Enabled_ = true;
  sortColumn_ = -1;
  sortDescending_ = false;
  rows_.assign(kLastSlot - kFirstSlot + 1, Row{});
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    Row& row = rows_[static_cast<size_t>(slot - kFirstSlot)];
    row.slot = slot;
    FillRow(row, ReadSlotHeader(folder_, slot), kBlank);
  }
  ListView1Click();
}

int SaveList::SelectedRow() const {
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].slot == selectedSlot_) return static_cast<int>(i);
  }
  return -1;
}

SaveList::Row* SaveList::Selected() {
  const int index = SelectedRow();
  return index < 0 ? nullptr : &rows_[static_cast<size_t>(index)];
}

void SaveList::FillRow(Row& row, const std::optional<SlotHeader>& header,
                       std::string_view emptyCells) {
  if (!header) {
    row.content = Content::Empty;
    row.cells = {SlotCaption(row.slot), NotRegistered(), std::string(emptyCells),
                 std::string(emptyCells)};
  } else {
    const std::string& description = header->description;
    row.content = header->damaged ? Content::Damaged : Content::Game;
    std::string detail = header->damaged ? DamagedNote()
                         : description.size() > kDetailStart
                             ? description.substr(kDetailStart, kDetailBytes)
                             : std::string();
    row.cells = {SlotCaption(row.slot), description.substr(0, kDateBytes), std::move(detail),
                 header->comment};
  }
  UpdateShown(row);
}

void SaveList::ShowEmptySlot() {
  image1_ = emptyPicture_;
  memo1_.clear();
  memo1Shown_.clear();
  edit1_.clear();
  button3Enabled_ = false;
}

void SaveList::ListView1Click() {
  Row* row = Selected();
  if (row == nullptr) return;
  if (row->content != Content::Game) {
    ShowEmptySlot();
    return;
  }
  const std::unique_ptr<SlotRecord> record = LoadSlot(folder_, row->slot);
  if (!record) {
    // Gone or cut short since the list was filled: the row says so too. A file that is there
    // but cannot be read keeps its row, since saving over it still works.
    const std::optional<SlotHeader> header = ReadSlotHeader(folder_, row->slot);
    std::error_code error;
    if (header || (!fs::exists(SlotPath(folder_, row->slot), error) && !error)) {
      FillRow(*row, header, kBlank);
    }
    ShowEmptySlot();
    return;
  }
  button3Enabled_ = true;
  edit1_ = record->comment;
  image1_ = ThumbnailPicture(*record);
  memo1_ = PageLines(record->pageText);
  memo1Shown_.clear();
  for (const std::string& line : memo1_) memo1Shown_.push_back(ShiftJisToUtf8Lossy(line));
}

void SaveList::Button1Click() {
  const Row* row = Selected();
  // Disabled while a save or load runs: the engine may hand out input meanwhile.
  if (row == nullptr || !button1Enabled_) return;
  if (mode_ == Mode::Load && row->content != Content::Game) return;
  const int slot = row->slot;
  button1Enabled_ = false;
  if (mode_ == Mode::Save) {
    if (saveSlot) saveSlot(slot);
    WriteSlotComment(folder_, slot, edit1_);
  } else if (loadSlot) {
    loadSlot(slot);
  }
  button1Enabled_ = true;
  closed_ = true;
}

void SaveList::Button2Click() {
  Row* row = Selected();
  if (row == nullptr) return;
  std::error_code error;
  fs::remove(SlotPath(folder_, row->slot), error);
  if (error) return;  // still there: the row must not claim otherwise
  FillRow(*row, std::nullopt, "");
  ListView1Click();
}

void SaveList::Button3Click() {
  Row* row = Selected();
  if (row == nullptr || !button3Enabled_) return;
  edit1_ = CutSlotComment(edit1_);
  if (!WriteSlotComment(folder_, row->slot, edit1_)) return;
  row->cells[kCommentColumn] = edit1_;
  UpdateShown(*row);
}

void SaveList::ListView1ColumnClick(int column) {
  if (column < 0 || column >= kColumns) return;
  sortDescending_ = column == sortColumn_ && !sortDescending_;
  sortColumn_ = column;
  std::vector<std::pair<std::string, Row>> keyed;
  keyed.reserve(rows_.size());
  for (Row& row : rows_) keyed.emplace_back(Folded(row.cells[column]), std::move(row));
  // Equal texts stay in slot order either way, so empty slots keep together in order.
  std::sort(keyed.begin(), keyed.end(), [this](const auto& a, const auto& b) {
    const int order = a.first.compare(b.first);
    if (order == 0) return a.second.slot < b.second.slot;
    return sortDescending_ ? order > 0 : order < 0;
  });
  for (size_t i = 0; i < rows_.size(); ++i) rows_[i] = std::move(keyed[i].second);
}

void SaveList::MoveSelection(int step) {
  const int index = SelectedRow();
  if (index < 0) return;
  const int next = std::clamp(index + step, 0, static_cast<int>(rows_.size()) - 1);
  selectedSlot_ = rows_[static_cast<size_t>(next)].slot;
  ListView1Click();
}

std::string SaveList::Caption() const {
  return mode_ == Mode::Save ? "セーブ" : "ロード";
}

std::vector<Control> SaveList::Controls() const {
  const std::string word = Caption();
  Control list = MakeControl("ListView1", ControlKind::ListView, 8, 24, 465, 313);
  list.columns = {"スロット", "更新日時", "詳細", "ユーザーコメント"};
  // The first column fits its header. The stand-in face draws digits wider than the form's
  // own, so the date takes pixels from the detail column to show its seconds whole.
  list.columnWidths = {56, 134, 136, 120};
  list.rows.reserve(rows_.size());
  for (const Row& row : rows_) list.rows.emplace_back(row.shown.begin(), row.shown.end());
  list.value = std::to_string(SelectedRow());
  Control image = MakeControl("Image1", ControlKind::Image, 512, 8, 160, 120);
  image.picture = &image1_;
  Control memo = MakeControl("Memo1", ControlKind::Memo, 480, 136, 217, 57);
  memo.items = memo1Shown_;
  Control edit = MakeControl("Edit1", ControlKind::Edit, 504, 240, 177, 20);
  edit.value = ShiftJisToUtf8Lossy(edit1_);
  Control button3 = MakeControl("Button3", ControlKind::Button, 504, 208, 177, 25,
                                "コメント登録(最大全角15文字)");
  button3.enabled = button3Enabled_;
  Control button1 = MakeControl("Button1", ControlKind::Button, 592, 304, 91, 41, word);
  button1.enabled = button1Enabled_;
  // Labels are as wide as their text: width and height 0.
  return {MakeControl("Label1", ControlKind::Label, 8, 8, 0, 0, word),
          std::move(list),
          std::move(image),
          std::move(memo),
          std::move(button3),
          std::move(edit),
          MakeControl("Button2", ControlKind::Button, 496, 272, 65, 17, "削除"),
          MakeControl("Button4", ControlKind::Button, 496, 304, 75, 41, "閉じる"),
          std::move(button1)};
}

ControlAction SaveList::Set(std::string_view control, std::string_view value) {
  if (control == "ListView1") {
    const std::optional<int> index = Number(value);
    if (index && *index >= 0 && *index < static_cast<int>(rows_.size())) {
      selectedSlot_ = rows_[static_cast<size_t>(*index)].slot;
      ListView1Click();
    }
    return ControlAction::Done;
  }
  if (control == "Edit1") {
    if (std::optional<std::string> text = Utf8ToShiftJis(value)) {
      edit1_ = CutAtCharacter(*text, kEdit1MaxBytes);
    }
    return ControlAction::Done;
  }
  return ControlAction::UnknownControl;
}

ControlAction SaveList::Press(std::string_view control) {
  constexpr std::string_view kColumnClick = "ListView1.column ";
  if (control == "Button1") {
    Button1Click();
  } else if (control == "Button2") {
    Button2Click();
  } else if (control == "Button3") {
    Button3Click();
  } else if (control == "Button4") {
    Button4Click();
  } else if (control == "ListView1.dblclick") {
    ListView1DblClick();
  } else if (control.starts_with(kColumnClick)) {
    const std::optional<int> column = Number(control.substr(kColumnClick.size()));
    if (!column || *column < 0 || *column >= kColumns) return ControlAction::UnknownControl;
    ListView1ColumnClick(*column);
  } else {
    return ControlAction::UnknownControl;
  }
  return ControlAction::Done;
}

void SaveList::KeyDown(int key) {
  if (key == kKeyEnter) enterDown_ = true;
  if (key == kKeyEscape) closed_ = true;
}

void SaveList::KeyUp(int key) {
  switch (key) {
    case kKeyEnter:
      if (!enterDown_) return;
      enterDown_ = false;
      Button1Click();
      break;
    case kKeyUp:
      MoveSelection(-1);
      break;
    case kKeyDown:
      MoveSelection(1);
      break;
    case kKeyEscape:
      closed_ = true;
      break;
    default:
      break;
  }
}

}  // namespace tolven
