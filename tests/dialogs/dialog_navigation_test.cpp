// Keyboard navigation over a dialog through its controls alone: the focus, Enter and Escape.
#include "dialogs/dialog_navigation.h"

#include <gtest/gtest.h>

#include "base/input.h"
#include "base/text_encoding.h"
#include "dialogs/recollection_slot_dialog.h"

namespace tolven {
namespace {

void Tap(DialogModel& dialog, int key) {
  DialogKeyDown(dialog, key);
  DialogKeyUp(dialog, key);
}

// The dialog shown with "旧" whose field was changed to "新" before the keys came.
struct Shown {
  Shown() {
    dialog.FormShow(Utf8ToShiftJis("旧").value());
    ResetDialogKeys(dialog);
    dialog.Set("Edit1", "新");
  }
  RecollectionSlotDialog dialog;
};

TEST(DialogNavigationTest, EnterAndEscapePressTheDialogsButtonsOrTheFocusedOne) {
  const struct {
    std::vector<int> keys;
    const char* title;  // the field afterwards, UTF-8
  } cases[] = {
      {{kKeyEnter}, "新"},                             // no focus: the default button, OK
      {{kKeyEscape}, "旧"},                            // Cancel
      {{kKeyTab, kKeyTab, kKeyTab, kKeyEnter}, "旧"},  // Edit1, Button1, Button2: Cancel
      {{kKeyTab, kKeyDown, kKeyEnter}, "新"},          // Down steps like Tab: Button1, OK
      {{kKeyTab, kKeyUp, kKeySpace}, "旧"},            // Up wraps to Button2; Space presses it
  };
  for (const auto& c : cases) {
    Shown shown;
    for (int key : c.keys) Tap(shown.dialog, key);
    EXPECT_TRUE(shown.dialog.Closed()) << c.title;
    EXPECT_EQ(shown.dialog.Edit1Text(), Utf8ToShiftJis(c.title).value());
  }
}

// The release of an Enter that went down before the dialog showed presses nothing.
TEST(DialogNavigationTest, AnEnterFromBeforeTheDialogIsNotTaken) {
  Shown shown;
  DialogKeyUp(shown.dialog, kKeyEnter);
  EXPECT_FALSE(shown.dialog.Closed());
  Tap(shown.dialog, kKeyTab);
  EXPECT_EQ(shown.dialog.keys.focus, "Edit1");
  DialogKeyDown(shown.dialog, kKeyShift);
  Tap(shown.dialog, kKeyTab);
  EXPECT_EQ(shown.dialog.keys.focus, "Button2") << "Shift+Tab goes back, round the end";
}

}  // namespace
}  // namespace tolven
