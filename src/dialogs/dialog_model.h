#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "resources/bitmap24.h"

namespace tolven {

// The kinds of control the dialogs are made of: the report list, track bars, spinners and the
// rest that the games' dialog layouts name, each drawn by a view in its own way.
enum class ControlKind {
  Label,       // static text: caption
  GroupBox,    // a frame with a caption around other controls
  Button,      // caption; Press
  Edit,        // a one-line text field: value is its text
  Memo,        // read-only lines: items
  CheckBox,    // caption; value "0" or "1"
  RadioGroup,  // caption and items; value the chosen item's index
  TrackBar,    // value the position, from minimum to maximum; vertical bars have minimum on top
  SpinEdit,    // value the number, from minimum to maximum
  ComboBox,    // items; value the chosen text
  ListView,    // columns and rows (each row its cells); value the selected row's index, -1 none
  Image,       // picture
};

// One control as a view draws it and as the state dump shows it. Texts are UTF-8.
struct Control {
  std::string name;  // the control's own name: "Edit1", "ListView1"
  ControlKind kind = ControlKind::Label;
  int x = 0;  // left, top, width and height in the dialog's client area
  int y = 0;
  int width = 0;
  int height = 0;
  std::string caption;
  std::string value;
  bool enabled = true;
  bool visible = true;
  std::vector<std::string> items;              // radio and combo items, memo lines
  std::vector<std::string> columns;            // list columns
  std::vector<int> columnWidths;               // list column widths in pixels
  std::vector<std::vector<std::string>> rows;  // list rows, one cell per column
  int minimum = 0;                             // track bars and spinners
  int maximum = 0;
  bool vertical = false;              // track bars
  const Bitmap24* picture = nullptr;  // images; owned by the model
};

// A control at its place in the client area with its caption; what its kind needs beyond that
// (a value, items, a range) is filled in by the dialog.
inline Control MakeControl(std::string name, ControlKind kind, int x, int y, int width, int height,
                           std::string caption = {}) {
  Control control;
  control.name = std::move(name);
  control.kind = kind;
  control.x = x;
  control.y = y;
  control.width = width;
  control.height = height;
  control.caption = std::move(caption);
  return control;
}

// Where the keyboard is in a dialog beyond what the dialog itself handles: the control it moved
// the focus to (none: the keys go to the dialog as they always did), and the keys held.
struct DialogKeyState {
  std::string focus;       // the focused control's name; empty when no key has moved the focus
  bool enterDown = false;  // Enter went down inside the dialog
  bool escapeDown = false;
  bool shiftDown = false;
};

// What became of an action an event file or a view asked of a control.
enum class ControlAction {
  Done,            // carried out, or refused quietly as the dialog refuses invalid input
  UnknownControl,  // the dialog has no such control, or it cannot take this action
};

// A modal dialog's model: every control under its own name with its value and enabled state,
// and the handlers the framework's events call. Views draw it from Controls() and act through
// Set and Press, the same path event files take, so a run is driven alike with or without a
// window. The model itself knows no toolkit.
class DialogModel {
 public:
  virtual ~DialogModel() = default;

  // The form's name ("TForm9"), as `until dialog` names it.
  virtual std::string_view Name() const = 0;
  // The window caption, UTF-8.
  virtual std::string Caption() const = 0;
  // The client area's size.
  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;
  // Set by the handler that closes the dialog; showing it again clears it.
  virtual bool Closed() const = 0;

  virtual std::vector<Control> Controls() const = 0;
  // The value as a Control shows it: text for fields (UTF-8; text the dialog's code page cannot
  // hold is refused like any other invalid input), the item index for radio groups, 0 or 1
  // for check boxes, the position for track bars and spinners, the item text for combo boxes,
  // the row index for lists (selecting the row, as a click on it does).
  virtual ControlAction Set(std::string_view control, std::string_view value) = 0;
  // Buttons, and the list's parts: "ListView1.column N" clicks the header of column N (from
  // 0), "ListView1.dblclick" double-clicks the selected row.
  virtual ControlAction Press(std::string_view control) = 0;
  // Keys pressed and released while the dialog has the focus (codes of base/input.h).
  virtual void KeyDown(int /*key*/) {}
  virtual void KeyUp(int /*key*/) {}
  // The field that has the keyboard when the form shows (the framework's ActiveControl); none
  // leaves it with the form itself.
  virtual std::string_view ActiveControl() const { return {}; }
  // Whether KeyDown and KeyUp see the keys typed into a field too, before the field does (the
  // framework's KeyPreview); otherwise a field keeps them, Escape aside.
  virtual bool KeyPreview() const { return false; }
  // The button Enter presses and the one Escape presses where the dialog has no key handling of
  // its own for them; none by default.
  virtual std::string_view DefaultButton() const { return {}; }
  virtual std::string_view CancelButton() const { return {}; }

  // Kept by dialog_navigation.h's functions; cleared whenever the dialog is shown.
  DialogKeyState keys;
};

}  // namespace tolven
