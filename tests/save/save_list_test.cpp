#include "save/save_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <stdexcept>

#include "base/input.h"
#include "base/text_encoding.h"
#include "save/save_slot.h"
#include "test_support.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using Cells = std::vector<std::string>;
using Mode = SaveList::Mode;

std::string Sjis(std::string_view utf8) {
  return Utf8ToShiftJis(utf8).value();
}

// A slot saved on 2001/02/03 at 04:05:06 with the chapter title, the comment and the page
// rows given, its thumbnail all one shade.
void WriteSlot(const fs::path& folder, int slot, std::string_view title, std::string_view comment,
               uint8_t shade = 0, const std::vector<std::string>& pageRows = {}) {
  auto record = std::make_unique<SlotRecord>();
  std::tm time{};
  time.tm_year = 101;
  time.tm_mon = 1;
  time.tm_mday = 3;
  time.tm_hour = 4;
  time.tm_min = 5;
  time.tm_sec = 6;
  record->description = SlotDescription(time, Sjis(title), false);
  record->comment = Sjis(comment);
  // Rows below the speaker's start at the indent, as the page keeps them: two empty cells.
  for (size_t row = 0; row < pageRows.size(); ++row) {
    const std::string text = Sjis(pageRows[row]);
    std::copy(text.begin(), text.end(), record->pageText.begin() + row * 100 + (row > 0 ? 2 : 0));
  }
  record->thumbnail.fill(shade);
  ASSERT_TRUE(SaveSlot(folder, slot, *record));
}

const Control& Find(const std::vector<Control>& controls, std::string_view name) {
  const auto found = std::find_if(controls.begin(), controls.end(),
                                  [&](const Control& c) { return c.name == name; });
  if (found == controls.end()) throw std::runtime_error("no control " + std::string(name));
  return *found;
}

std::vector<Cells> ShownRows(const SaveList& list) {
  return Find(list.Controls(), "ListView1").rows;
}

std::vector<int> SlotOrder(const SaveList& list) {
  std::vector<int> slots;
  for (const SaveList::Row& row : list.Rows()) slots.push_back(row.slot);
  return slots;
}

class SaveListTest : public ::testing::Test {
 protected:
  TempDir dir;
  SaveList list{dir.Path()};
};

TEST_F(SaveListTest, RowsShowEachSlotFileAndMissingOnesAsNotRegistered) {
  WriteSlot(dir.Path(), 3, "第一章", "メモ");
  WriteSlot(dir.Path(), 99, "", "");
  list.OpenSlotDialog(Mode::Load);
  const std::vector<Cells> rows = ShownRows(list);
  ASSERT_EQ(rows.size(), 99u);
  EXPECT_EQ(rows[0], (Cells{"01", " 未登録", " ", " "}));
  EXPECT_EQ(rows[2], (Cells{"03", "2001/02/03 04:05:06", " 第一章", "メモ"}));
  // An empty chapter title leaves the second of the two blanks after the time.
  EXPECT_EQ(rows[98], (Cells{"99", "2001/02/03 04:05:06", " ", ""}));
}

TEST_F(SaveListTest, OpeningAgainSelectsTheRowPickedLastAndPreviewsIt) {
  WriteSlot(dir.Path(), 6, "第二章", "六番");
  list.OpenSlotDialog(Mode::Load);
  EXPECT_EQ(list.SelectedRow(), 0);
  EXPECT_EQ(list.Set("ListView1", "5"), ControlAction::Done);
  list.Button4Click();
  ASSERT_TRUE(list.Closed());
  list.OpenSlotDialog(Mode::Save);
  EXPECT_FALSE(list.Closed());
  EXPECT_EQ(Find(list.Controls(), "ListView1").value, "5");
  EXPECT_EQ(list.Edit1Text(), Sjis("六番"));
  EXPECT_TRUE(list.Button3Enabled());
}

TEST_F(SaveListTest, PreviewShowsTheSelectedSlotOrTheEmptySlotPicture) {
  WriteSlot(dir.Path(), 4, "章", "コメント", 0x40, {"「こんにちは」", "", "二行目"});
  Bitmap24 svempty(2, 2);
  svempty.Data()[0] = 0x99;
  list.SetEmptyPicture(svempty);
  list.OpenSlotDialog(Mode::Load);

  list.Set("ListView1", "3");
  std::vector<Control> controls = list.Controls();
  EXPECT_EQ(Find(controls, "Edit1").value, "コメント");
  EXPECT_EQ(Find(controls, "Memo1").items, (Cells{"「こんにちは」", "  二行目"}));
  const Bitmap24* thumbnail = Find(controls, "Image1").picture;
  ASSERT_NE(thumbnail, nullptr);
  ASSERT_EQ(thumbnail->Width(), 160);
  ASSERT_EQ(thumbnail->Height(), 120);
  EXPECT_TRUE(std::all_of(thumbnail->Data(), thumbnail->Data() + thumbnail->SizeBytes(),
                          [](uint8_t b) { return b == 0x40; }));
  EXPECT_TRUE(Find(controls, "Button3").enabled);

  list.Set("ListView1", "0");
  controls = list.Controls();
  EXPECT_EQ(*Find(controls, "Image1").picture, svempty);
  EXPECT_TRUE(Find(controls, "Memo1").items.empty());
  EXPECT_EQ(Find(controls, "Edit1").value, "");
  EXPECT_FALSE(Find(controls, "Button3").enabled);
}

TEST(SaveListActions, Button1SavesOrLoadsTheSelectedSlotByMode) {
  const auto enter = [](SaveList& l) {
    l.KeyDown(kKeyEnter);
    l.KeyUp(kKeyEnter);
  };
  const auto button1 = [](SaveList& l) { l.Press("Button1"); };
  const auto dblclick = [](SaveList& l) { l.Press("ListView1.dblclick"); };
  // The Enter that paged on to a save command is released in the list: no press, no save.
  const auto releaseOnly = [](SaveList& l) { l.KeyUp(kKeyEnter); };
  const struct {
    const char* name;
    Mode mode;
    bool filled;
    std::function<void(SaveList&)> act;
    bool saves;
    bool loads;
  } cases[] = {
      {"Enter saves into an empty slot", Mode::Save, false, enter, true, false},
      {"double click saves over a slot", Mode::Save, true, dblclick, true, false},
      {"Enter on an empty slot does not load", Mode::Load, false, enter, false, false},
      {"Button1 on an empty slot does not load", Mode::Load, false, button1, false, false},
      {"Button1 loads a slot", Mode::Load, true, button1, false, true},
      {"double click loads a slot", Mode::Load, true, dblclick, false, true},
      {"a release alone does nothing", Mode::Save, true, releaseOnly, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    if (c.filled) WriteSlot(dir.Path(), 7, "旧", "旧いメモ");
    SaveList list(dir.Path());
    std::vector<int> saved;
    std::vector<int> loaded;
    bool button1EnabledMeanwhile = true;
    list.saveSlot = [&](int slot) {
      saved.push_back(slot);
      button1EnabledMeanwhile = list.Button1Enabled();
      WriteSlot(dir.Path(), slot, "新", "");
    };
    list.loadSlot = [&](int slot) {
      loaded.push_back(slot);
      button1EnabledMeanwhile = list.Button1Enabled();
    };
    list.OpenSlotDialog(c.mode);
    list.Set("ListView1", "6");
    list.Set("Edit1", "あとで");
    c.act(list);

    const bool acted = c.saves || c.loads;
    EXPECT_EQ(saved, c.saves ? std::vector<int>{7} : std::vector<int>{});
    EXPECT_EQ(loaded, c.loads ? std::vector<int>{7} : std::vector<int>{});
    EXPECT_EQ(list.Closed(), acted);
    EXPECT_FALSE(button1EnabledMeanwhile && acted);
    EXPECT_TRUE(list.Button1Enabled());
    if (c.saves) {
      EXPECT_EQ(ReadSlotHeader(dir.Path(), 7)->comment, Sjis("あとで"));
    }
  }
}

TEST_F(SaveListTest, Button3StoresTheFirstFifteenFullWidthCharacters) {
  WriteSlot(dir.Path(), 2, "章", "古い");
  list.OpenSlotDialog(Mode::Load);
  list.Set("ListView1", "1");
  list.Set("Edit1", "あいうえおかきくけこさしすせそたちつてと");
  EXPECT_EQ(list.Press("Button3"), ControlAction::Done);
  const std::string first15 = "あいうえおかきくけこさしすせそ";
  EXPECT_EQ(list.Edit1Text(), Sjis(first15));
  EXPECT_EQ(ReadSlotHeader(dir.Path(), 2)->comment, Sjis(first15));
  EXPECT_EQ(ShownRows(list)[1][SaveList::kCommentColumn], first15);
  EXPECT_EQ(fs::file_size(dir / "save02.dat"), kSlotFileBytes);
  EXPECT_FALSE(list.Closed());
}

TEST_F(SaveListTest, Button2DeletesTheSlotAndEmptiesItsRowAndPreview) {
  WriteSlot(dir.Path(), 5, "章", "メモ", 0x20, {"本文"});
  list.OpenSlotDialog(Mode::Save);
  list.Set("ListView1", "4");
  ASSERT_TRUE(list.Button3Enabled());
  list.Press("Button2");
  EXPECT_FALSE(fs::exists(dir / "save05.dat"));
  // Unlike a slot that was empty when the list opened, its detail and comment are empty.
  EXPECT_EQ(ShownRows(list)[4], (Cells{"05", " 未登録", "", ""}));
  EXPECT_FALSE(list.Button3Enabled());
  EXPECT_TRUE(list.Memo1Lines().empty());
  EXPECT_EQ(list.Edit1Text(), "");
  EXPECT_FALSE(list.Closed());
}

TEST_F(SaveListTest, SlotThatVanishedAfterOpeningIsShownEmptyAndNotCommentedOrLoaded) {
  WriteSlot(dir.Path(), 2, "章", "メモ");
  WriteSlot(dir.Path(), 3, "章", "メモ");
  int loads = 0;
  list.loadSlot = [&](int) { ++loads; };
  list.OpenSlotDialog(Mode::Load);
  list.Set("ListView1", "1");
  fs::remove(dir / "save02.dat");
  // Previewed while it was there, commented after it went.
  list.Set("Edit1", "新しい");
  list.Press("Button3");
  EXPECT_FALSE(fs::exists(dir / "save02.dat"));
  EXPECT_EQ(ShownRows(list)[1][SaveList::kCommentColumn], "メモ");
  // Gone when previewed.
  fs::remove(dir / "save03.dat");
  list.Set("ListView1", "2");
  EXPECT_EQ(ShownRows(list)[2], (Cells{"03", " 未登録", " ", " "}));
  EXPECT_FALSE(list.Button3Enabled());
  list.Press("Button1");
  EXPECT_EQ(loads, 0);
  EXPECT_FALSE(list.Closed());
}

TEST_F(SaveListTest, ColumnClicksSortIgnoringCaseAndAlternateDirection) {
  WriteSlot(dir.Path(), 10, "", "a");
  WriteSlot(dir.Path(), 20, "", "B");
  WriteSlot(dir.Path(), 30, "", "c");
  // Their second bytes are "A" and "a": a two-byte character is not folded.
  WriteSlot(dir.Path(), 40, "", "ヂ");
  WriteSlot(dir.Path(), 50, "", "ア");
  list.OpenSlotDialog(Mode::Load);
  list.Set("ListView1", "19");  // slot 20
  const std::vector<int> commented = {10, 20, 30, 50, 40};
  const std::vector<int> reversed(commented.rbegin(), commented.rend());
  const struct {
    int column;
    bool commentsLast;  // ascending: the blanks of the empty slots come first
  } clicks[] = {{3, true}, {3, false}, {3, true}, {3, false}, {0, false}};
  for (const auto& click : clicks) {
    SCOPED_TRACE(::testing::Message() << "column " << click.column);
    list.Press("ListView1.column " + std::to_string(click.column));
    const std::vector<int> order = SlotOrder(list);
    if (click.column == 0) {
      EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
    } else if (click.commentsLast) {
      EXPECT_EQ(std::vector<int>(order.end() - 5, order.end()), commented);
      EXPECT_TRUE(std::is_sorted(order.begin(), order.end() - 5));
    } else {
      EXPECT_EQ(std::vector<int>(order.begin(), order.begin() + 5), reversed);
      EXPECT_TRUE(std::is_sorted(order.begin() + 5, order.end()));
    }
    EXPECT_EQ(list.SelectedSlot(), 20);
    EXPECT_EQ(order[static_cast<size_t>(list.SelectedRow())], 20);
    EXPECT_EQ(list.Edit1Text(), "B");
  }
}

TEST_F(SaveListTest, KeysMoveTheSelectionWithinTheListAndEscapeCloses) {
  WriteSlot(dir.Path(), 2, "章", "二");
  list.OpenSlotDialog(Mode::Load);
  list.KeyUp(kKeyUp);
  EXPECT_EQ(list.SelectedRow(), 0);
  list.KeyUp(kKeyDown);
  EXPECT_EQ(list.SelectedRow(), 1);
  EXPECT_EQ(list.Edit1Text(), Sjis("二"));
  list.Set("ListView1", "98");
  list.KeyUp(kKeyDown);
  EXPECT_EQ(list.SelectedRow(), 98);
  EXPECT_FALSE(list.Closed());
  list.KeyDown(kKeyEscape);
  EXPECT_TRUE(list.Closed());
  list.OpenSlotDialog(Mode::Load);
  list.KeyUp(kKeyEscape);
  EXPECT_TRUE(list.Closed());
}

TEST_F(SaveListTest, ModeWordIsCaptionLabelAndButton1) {
  for (const auto& [mode, word] :
       {std::pair{Mode::Save, "セーブ"}, std::pair{Mode::Load, "ロード"}}) {
    list.OpenSlotDialog(mode);
    const std::vector<Control> controls = list.Controls();
    EXPECT_EQ(list.Caption(), word);
    EXPECT_EQ(Find(controls, "Label1").caption, word);
    EXPECT_EQ(Find(controls, "Button1").caption, word);
  }
}

TEST_F(SaveListTest, ControlsItLacksOrActionsTheyCannotTakeAreUnknown) {
  list.OpenSlotDialog(Mode::Load);
  const struct {
    bool press;
    const char* control;
  } cases[] = {{false, "Button1"},
               {false, "Memo1"},
               {false, "Edit2"},
               {true, "Edit1"},
               {true, "Button5"},
               {true, "ListView1.column 4"},
               {true, "ListView1.column x"},
               {true, "ListView1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.control);
    EXPECT_EQ(c.press ? list.Press(c.control) : list.Set(c.control, "1"),
              ControlAction::UnknownControl);
  }
  EXPECT_FALSE(list.Closed());
}

TEST_F(SaveListTest, Edit1RefusesTextShiftJisCannotHold) {
  list.OpenSlotDialog(Mode::Save);
  list.Set("Edit1", "メモ");
  EXPECT_EQ(list.Set("Edit1", "メモ😀"), ControlAction::Done);
  EXPECT_EQ(list.Edit1Text(), Sjis("メモ"));
  EXPECT_EQ(Find(list.Controls(), "Edit1").value, "メモ");
}

// A file shorter than a save is listed as damaged, with the date and comment it still holds; it
// is neither previewed nor loaded, and saving over it works. A longer file is a save.
TEST_F(SaveListTest, DamagedSlotFilesAreListedAsSuchAndNotLoaded) {
  WriteSlot(dir.Path(), 6, "章", "メモ", 0x20, {"本文"});
  const std::vector<uint8_t> whole = testing::ReadFileBytes(dir / "save06.dat");
  const auto cut = [&](size_t size) {
    return std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(size));
  };
  std::vector<uint8_t> longer = whole;
  longer.resize(kSlotFileBytes + 5000, 0xEE);
  Bitmap24 svempty(2, 2);
  list.SetEmptyPicture(svempty);
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    Cells row;
  } cases[] = {
      {"empty file", {}, {"05", "", "（破損）", ""}},
      {"cut inside the description",
       std::vector<uint8_t>(50, 'x'),
       {"05", "xxxxxxxxxxxxxxxxxxx", "（破損）", ""}},
      // No terminator anywhere: the texts end with their fields.
      {"header without a NUL",
       std::vector<uint8_t>(200, 'y'),
       {"05", "yyyyyyyyyyyyyyyyyyy", "（破損）", std::string(32, 'y')}},
      {"header only", cut(128), {"05", "2001/02/03 04:05:06", "（破損）", "メモ"}},
      {"banks without the script's place",
       cut(17570),
       {"05", "2001/02/03 04:05:06", "（破損）", "メモ"}},
      {"one byte short",
       cut(kSlotFileBytes - 1),
       {"05", "2001/02/03 04:05:06", "（破損）", "メモ"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int loads = 0;
    list.loadSlot = [&](int) { ++loads; };
    testing::WriteFileBytes(dir / "save05.dat", c.bytes);
    list.OpenSlotDialog(Mode::Load);
    list.Set("ListView1", "4");
    EXPECT_EQ(ShownRows(list)[4], c.row);
    EXPECT_EQ(list.Rows()[4].content, SaveList::Content::Damaged);
    EXPECT_FALSE(list.Button3Enabled());
    EXPECT_EQ(list.Edit1Text(), "");
    EXPECT_EQ(list.Image1Picture(), svempty);
    EXPECT_TRUE(list.Memo1Lines().empty());
    list.Press("Button1");
    EXPECT_EQ(loads, 0);
    EXPECT_FALSE(list.Closed());
  }
  // Saved over, it is a save again.
  list.saveSlot = [&](int slot) { WriteSlot(dir.Path(), slot, "新", ""); };
  list.OpenSlotDialog(Mode::Save);
  list.Set("ListView1", "4");
  list.Press("Button1");
  list.OpenSlotDialog(Mode::Load);
  EXPECT_EQ(ShownRows(list)[4], (Cells{"05", "2001/02/03 04:05:06", " 新", ""}));
  EXPECT_EQ(list.Rows()[4].content, SaveList::Content::Game);
  // A longer file is read as far as a save goes.
  testing::WriteFileBytes(dir / "save05.dat", longer);
  list.OpenSlotDialog(Mode::Load);
  list.Set("ListView1", "4");
  EXPECT_EQ(ShownRows(list)[4], (Cells{"05", "2001/02/03 04:05:06", " 章", "メモ"}));
  EXPECT_EQ(list.Memo1Lines().size(), 1u);
  EXPECT_TRUE(list.Button3Enabled());
}

// A save cut short after the list opened is found out when previewed.
TEST_F(SaveListTest, SlotCutShortAfterOpeningIsShownDamagedWhenPreviewed) {
  WriteSlot(dir.Path(), 2, "章", "メモ");
  list.OpenSlotDialog(Mode::Load);
  std::vector<uint8_t> bytes = testing::ReadFileBytes(dir / "save02.dat");
  bytes.resize(17570);
  testing::WriteFileBytes(dir / "save02.dat", bytes);
  list.Set("ListView1", "1");
  EXPECT_EQ(ShownRows(list)[1], (Cells{"02", "2001/02/03 04:05:06", "（破損）", "メモ"}));
  EXPECT_FALSE(list.Button3Enabled());
}

}  // namespace
}  // namespace tolven
