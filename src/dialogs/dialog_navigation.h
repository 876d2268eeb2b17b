#pragma once

#include "dialogs/dialog_model.h"

namespace tolven {

inline constexpr int kKeyTab = 9;

// Keyboard navigation over any dialog, through its controls alone, on top of the keys the
// dialog handles itself. Until Tab first moves the focus, every key reaches the dialog as it
// always did, and only Enter and Escape gain a meaning there: the dialog's DefaultButton and
// CancelButton, when it names them. Once a control has the focus:
// - Tab moves it to the next control that can take input (with Shift held, the one before);
//   Up and Down do the same, except in a list, where they move the selected row;
// - Left and Right step a radio group's item, a track bar's or spinner's position, a
//   drop-down list's item, or set a check box off and on;
// - Enter (when released, after it went down in the dialog) or Space presses a focused button,
//   turns a check box over, opens a list's selected row as a double click does, and anywhere
//   else acts as with no focus.
// With `moveFocus` false, a window's own toolkit moves the focus and reports it in keys.focus;
// Tab, the arrows and Space are then the toolkit's and go to the dialog untouched.
void DialogKeyDown(DialogModel& dialog, int key, bool moveFocus = true);
void DialogKeyUp(DialogModel& dialog, int key, bool moveFocus = true);
// The dialog is shown afresh: no focus, no key held.
inline void ResetDialogKeys(DialogModel& dialog) {
  dialog.keys = {};
}

}  // namespace tolven
