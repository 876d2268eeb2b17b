#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "audio/audio_device.h"
#include "base/host.h"
#include "engine/event_player.h"

namespace tolven {

class TForm1;

// A host without window or sound: a virtual clock that moves on instantly when the engine
// sleeps, the event file as the only input, message boxes answered by the event file (OK when
// nothing was said). Two runs with the same seed and events behave identically.
class HeadlessHost : public Host {
 public:
  // clockSeed seeds the engine when the command line gives no seed.
  HeadlessHost(std::vector<EventCommand> events, std::string eventFileName, uint32_t clockSeed);

  void Attach(TForm1& form);
  // Runs the frame loop until the window closes or the events are used up.
  RunResult Run();
  const std::string& Error() const { return player_.Error(); }

  uint32_t Ticks() override { return now_; }
  void Sleep(uint32_t milliseconds) override;
  uint32_t ClockSeed() override { return clockSeed_; }
  void ProcessMessages() override;
  MessageResult ShowMessage(std::string_view text, std::string_view caption, MessageButtons buttons,
                            MessageIcon icon) override;
  int ScreenWidth() const override { return 1920; }
  // Without a display, full screen is simply granted: the picture is the same either way.
  bool EnterFullScreen(int) override { return true; }
  // The pointer moves there as it would on a display: the move arrives with the next messages.
  void WarpPointer(int x, int y) override { pendingMove_ = {x, y}; }
  // Movies are decoded without being shown; with no player they do nothing.
  void SetMoviePlayer(MoviePlayer* player) { movies_ = player; }
  MoviePlayer* Movies() override { return movies_; }
  // The dialog waits on the virtual clock for the event file's set, press and key commands;
  // the events running out leave it where it is and end the run.
  void RunModal(DialogModel& dialog) override;
  // A recording device is pulled on the virtual clock as it moves on.
  void SetRecording(RecordingAudioDevice* device) { recording_ = device; }
  // No desktop: the clipboard is kept here, where tests read it.
  void SetClipboardText(std::string_view utf8) override { clipboard_ = utf8; }
  const std::string& ClipboardText() const { return clipboard_; }

 private:
  void AdvanceTo(uint32_t now);

  TForm1* form_ = nullptr;
  EventPlayer player_;
  uint32_t now_ = 0;
  uint32_t clockSeed_;
  std::optional<std::pair<int, int>> pendingMove_;
  MoviePlayer* movies_ = nullptr;
  RecordingAudioDevice* recording_ = nullptr;
  std::string clipboard_;
};

}  // namespace tolven
