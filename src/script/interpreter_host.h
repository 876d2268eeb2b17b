#pragma once

#include <string_view>

namespace tolven {

// What the line interpreter asks of the engine around it. The engine object implements it;
// tests implement it with a recorder.
class InterpreterHost {
 public:
  virtual ~InterpreterHost() = default;
  // Clears every wait and the text cursor (chain, call, start-up).
  virtual void ResetWaits() = 0;
  // exitgame: ask the main window to close; its close query asks the player first.
  virtual void RequestClose() = 0;
  // break and the screens that stop skipping: force stops regardless of BreakonSelect.
  virtual void StopSkipAndAuto(bool force) = 0;
  virtual bool SoundDevicePresent() const = 0;
  // The Seen setting: skipping stops at unread text.
  virtual bool SeenSetting() const = 0;
  // gameclr: adds one to the stored clear count and returns the new count.
  virtual int CountGameClear() = 0;
  // The family name written by `string 0`, for the settings store.
  virtual void StoreFamilyName(std::string_view shiftJisName) = 0;
  // S000 was assigned: the menu bar follows the save availability.
  virtual void UpdateMenuBar() = 0;
  // The player tried to close the window during a picture's transition: ask whether to quit.
  virtual void ConfirmQuitAfterEffect() = 0;
  // The message window's commands: win_open, win_close, tw_set n, mode n.
  virtual void WinOpen() = 0;
  virtual void WinClose() = 0;
  virtual void TwSet(int number) = 0;
  virtual void Mode(int number) = 0;
  // select, clickmap (and load): a skip to the next choice shows the stage again here, and
  // skipping and auto-advance stop when BreakonSelect is on.
  virtual void BeforeChoice() = 0;
  // Draws the answers and saves automatically.
  virtual void OpenSelect() = 0;
  virtual void OpenClickmap(std::string_view name) = 0;
  virtual void OpenSeltree(int tree) = 0;
  // A '\\' page end keeps the page for the look-back.
  virtual void RecordPage() = 0;
  // The sound and movie commands; a host without sound leaves them doing nothing.
  virtual void Voice(std::string_view) {}
  virtual void Effect(std::string_view) {}  // se and seloop
  virtual void StopLoopingSound() {}
  virtual void Music(int) {}
  virtual void Movie(std::string_view) {}
  // save and load: the list dialog in save or load mode.
  virtual void OpenSlotDialog(bool /*save*/) {}
  // setname: the name entry dialog.
  virtual void SetName() {}
  // cgfull: every picture of the gallery list counts as seen.
  virtual void MarkAllGalleryPictures() {}
  // mark stopped skipping: the quick buttons show it.
  virtual void QuickButtonsChanged() {}
};

}  // namespace tolven
