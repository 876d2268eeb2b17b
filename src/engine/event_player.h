#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/host.h"
#include "engine/event_file.h"

namespace tolven {

class TForm1;

// How a run driven by an event file ended.
enum class RunResult { Finished = 0, BadEvent = 2, UntilTimedOut = 3 };

// Plays an event file into the engine: every command is delivered when it is due, wherever
// the engine then is, through the same handlers real input uses. Both hosts use it.
class EventPlayer {
 public:
  EventPlayer(std::vector<EventCommand> events, std::string fileName);

  // The engine the commands go to; nothing is delivered before.
  void Attach(TForm1& form) { form_ = &form; }
  // Delivers every command due at `now`. A command only a window can carry out (shot-window)
  // goes to the host's handler, which returns false when it cannot.
  void DeliverDue(uint32_t now) { Deliver(now, false); }
  // While the engine sleeps inside a command: the due time of the next command when it only
  // looks at the engine or waits (shot, dump, until, answer, wait), which can be carried out at
  // its own time; nothing when the next one is input, which waits in the queue for the engine
  // to process messages, as it would in a window's queue.
  std::optional<uint32_t> NextLookDue() const;
  // Carries out the due commands up to the first that is input; false when none could be.
  bool DeliverLooks(uint32_t now) { return Deliver(now, true); }
  // Every command delivered and the last wait run out.
  bool Finished(uint32_t now) const { return next_ >= events_.size() && now >= dueAt_; }
  std::optional<RunResult> Failed() const { return failed_; }
  const std::string& Error() const { return error_; }
  // A host's dialog loop begins and ends: while it waits for input, the commands after the one
  // that opened the dialog are delivered to it.
  void BeginModal() { modalFloors_.push_back(running_); }
  void EndModal() {
    if (!modalFloors_.empty()) modalFloors_.pop_back();
  }
  // The answer for the next message box, once.
  std::optional<MessageResult> TakeAnswer();
  // A file that ran to its end without failing closes the window as `quit` does, the question
  // answered yes, so the run keeps what a player who quits keeps (read marks, the gallery).
  void CloseAtEnd();

  std::function<bool(const EventCommand&)> windowCommand;
  // With a window: whether the open movie has a frame to show yet. Headless runs show no
  // movie, and the engine's own state is all `until movie` looks at there.
  std::function<bool()> movieFrameReady;

 private:
  bool Deliver(uint32_t now, bool looksOnly);
  // False while an `until` is still waiting.
  bool Execute(const EventCommand& command, uint32_t now);
  bool Until(const EventCommand& command, uint32_t now);
  void Key(const EventCommand& command);
  void Button(const EventCommand& command);
  bool Choose(const EventCommand& command);
  void ActOnControl(const EventCommand& command);
  bool PressMenuButton(const std::string& name);
  void Fail(RunResult result, const EventCommand& command, const std::string& why);

  TForm1* form_ = nullptr;
  std::vector<EventCommand> events_;
  std::string fileName_;
  size_t next_ = 0;
  uint32_t dueAt_ = 0;
  std::optional<uint32_t> untilStarted_;
  int running_ = 0;               // commands being carried out, the outermost first
  std::vector<int> modalFloors_;  // running_ when each open dialog's loop began
  std::optional<MessageResult> answer_;
  std::optional<RunResult> failed_;
  std::string error_;
};

}  // namespace tolven
