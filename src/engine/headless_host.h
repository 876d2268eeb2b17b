#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/event_file.h"
#include "engine/host.h"

namespace tolven {

class TForm1;

// How a headless run ended.
enum class RunResult { Finished = 0, BadEvent = 2, UntilTimedOut = 3 };

// A host without window or sound: a virtual clock that moves on instantly when the engine
// sleeps, the event file as the only input, message boxes answered by the event file (OK when
// nothing was said). Two runs with the same seed and events behave identically.
class HeadlessHost : public Host {
 public:
  explicit HeadlessHost(std::vector<EventCommand> events, std::string eventFileName = "events");

  void Attach(TForm1& form) { form_ = &form; }
  // Runs the frame loop until the window closes or the events are used up.
  RunResult Run();
  const std::string& Error() const { return error_; }

  uint32_t Ticks() override { return now_; }
  void Sleep(uint32_t milliseconds) override { now_ += milliseconds; }
  void ProcessMessages() override;
  MessageResult ShowMessage(std::string_view text, std::string_view caption,
                            MessageButtons buttons, MessageIcon icon) override;
  int ScreenWidth() const override { return 1920; }

 private:
  void RunDueTimerTicks();
  void DeliverDueEvents();
  // Returns false while an `until` still waits.
  bool Execute(const EventCommand& command);
  bool UntilHolds(const EventCommand& command) const;
  void Fail(RunResult result, const EventCommand& command, const std::string& why);

  TForm1* form_ = nullptr;
  std::vector<EventCommand> events_;
  std::string eventFileName_;
  size_t next_ = 0;
  uint32_t now_ = 0;
  uint32_t nextTimerTick_ = 55;
  uint32_t dueAt_ = 0;
  std::optional<uint32_t> untilStarted_;
  std::optional<MessageResult> answer_;
  std::optional<RunResult> failed_;
  std::string error_;
};

}  // namespace tolven
