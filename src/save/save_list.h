#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/hook.h"
#include "dialogs/dialog_model.h"
#include "resources/bitmap24.h"
#include "save/save_slot.h"

namespace tolven {

// The save and load list (TForm9): all 99 slots with their date, chapter title and comment, a
// preview of the selected one, and buttons to save or load it, comment it and delete it. Texts
// are Shift-JIS here and on the accessors, UTF-8 only through the DialogModel interface.
class SaveList : public DialogModel {
 public:
  enum class Mode { Save, Load };

  // ListView1's columns, in order.
  static constexpr int kSlotColumn = 0;     // "スロット": the slot number, "%02d"
  static constexpr int kDateColumn = 1;     // "更新日時": the date and time of the save
  static constexpr int kDetailColumn = 2;   // "詳細": the chapter title after a blank
  static constexpr int kCommentColumn = 3;  // "ユーザーコメント"
  static constexpr int kColumns = 4;

  // What a row's slot file holds. A damaged slot (a file shorter than a save) is not loaded
  // and not previewed; saving over it or deleting it works as on any slot.
  enum class Content {
    Empty,    // no file: " 未登録" in the date column
    Game,     // a save that loads
    Damaged,  // "（破損）" in the detail column; the date and comment as far as the file has them
  };

  struct Row {
    int slot = 0;
    Content content = Content::Empty;
    std::array<std::string, kColumns> cells;  // Shift-JIS, by column
    std::array<std::string, kColumns> shown;  // the same as UTF-8, made once per change
  };

  // The folder holding save01.dat to save99.dat.
  explicit SaveList(std::filesystem::path saveFolder);

  // SVEMPTY, which an empty slot shows; a game without it shows nothing there.
  void SetEmptyPicture(Bitmap24 picture);

  // Calls into the engine around it, connected by the hub.
  HookSet hooks;
  // The engine's SaveSlot and LoadSlot. The comment after a save is written here.
  Hook<void(int slot)> saveSlot{hooks, "saveSlot"};
  Hook<void(int slot)> loadSlot{hooks, "loadSlot"};

  // FormShow: the mode, the 99 rows read afresh from the slot files, the remembered slot
  // selected and previewed. The list starts in slot order, unsorted.
  void OpenSlotDialog(Mode mode);
  // The preview of the selected slot.
  void ListView1Click();
  // Saves into the selected slot or loads it, then closes; an empty slot does not load.
  void Button1Click();
  void ListView1DblClick() { Button1Click(); }
  // Deletes the selected slot's file, without asking.
  void Button2Click();
  // Cuts Edit1 to what a slot holds and writes it as the selected slot's comment.
  void Button3Click();
  void Button4Click() { closed_ = true; }
  // Sorts by the column's text ignoring case: ascending, descending on the next click of the
  // same column, and so on. The selected slot stays selected.
  void ListView1ColumnClick(int column);

  Mode CurrentMode() const { return mode_; }
  // In display order.
  const std::vector<Row>& Rows() const { return rows_; }
  // The selected row's index in display order; -1 before the first opening.
  int SelectedRow() const;
  int SelectedSlot() const { return selectedSlot_; }
  const std::string& Edit1Text() const { return edit1_; }
  const std::vector<std::string>& Memo1Lines() const { return memo1_; }
  const Bitmap24& Image1Picture() const { return image1_; }
  bool Button1Enabled() const { return button1Enabled_; }
  bool Button3Enabled() const { return button3Enabled_; }

  std::string_view Name() const override { return "TForm9"; }
  std::string Caption() const override;
  int ClientWidth() const override { return 711; }
  int ClientHeight() const override { return 360; }
  bool Closed() const override { return closed_; }
  std::vector<Control> Controls() const override;
  // "ListView1" selects a row by its index in display order and previews it; "Edit1" takes
  // the comment.
  ControlAction Set(std::string_view control, std::string_view value) override;
  ControlAction Press(std::string_view control) override;
  // Escape closes on either edge. Enter acts when released, and only after it went down in
  // the dialog: the release of the Enter that paged on to a `save` command must not save
  // unseen. Up and Down move the selection when released.
  void KeyDown(int key) override;
  void KeyUp(int key) override;

 private:
  Row* Selected();
  void ShowEmptySlot();
  // The row as the slot's header shows it, or as an empty slot (whose detail and comment are
  // the given text) when there is no header.
  void FillRow(Row& row, const std::optional<SlotHeader>& header, std::string_view emptyCells);
  void MoveSelection(int step);

  std::filesystem::path folder_;
  Bitmap24 emptyPicture_;
  Mode mode_ = Mode::Load;
  std::vector<Row> rows_;
  // The row picked last, kept by its slot for the whole run: it is selected at every opening
  // and stays selected through sorting.
  int selectedSlot_ = 1;
  int sortColumn_ = -1;
  bool sortDescending_ = false;
  std::string edit1_;               // Edit1: the comment being typed
  std::vector<std::string> memo1_;  // Memo1: the page text of the slot, a line per row
  std::vector<std::string> memo1Shown_;
  Bitmap24 image1_;  // Image1: the slot's thumbnail or SVEMPTY
  bool button1Enabled_ = true;
  bool button3Enabled_ = false;
  bool enterDown_ = false;
  bool closed_ = false;
};

}  // namespace tolven
