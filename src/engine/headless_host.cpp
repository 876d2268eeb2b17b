#include "engine/headless_host.h"

#include "engine/form1.h"
#include "engine/state_dump.h"

namespace tolven {
namespace {

constexpr uint32_t kTimerIntervalMs = 55;

}  // namespace

HeadlessHost::HeadlessHost(std::vector<EventCommand> events, std::string eventFileName)
    : events_(std::move(events)), eventFileName_(std::move(eventFileName)) {}

RunResult HeadlessHost::Run() {
  while (!form_->Closed() && !failed_) {
    ProcessMessages();
    if (form_->Closed() || failed_) break;
    if (next_ >= events_.size() && now_ >= dueAt_) break;
    form_->AppIdle();
  }
  return failed_.value_or(RunResult::Finished);
}

void HeadlessHost::ProcessMessages() {
  RunDueTimerTicks();
  DeliverDueEvents();
}

void HeadlessHost::RunDueTimerTicks() {
  while (now_ >= nextTimerTick_ && !form_->Closed()) {
    form_->Timer1Timer();
    nextTimerTick_ += kTimerIntervalMs;
  }
}

void HeadlessHost::DeliverDueEvents() {
  while (next_ < events_.size() && now_ >= dueAt_ && !failed_ && !form_->Closed()) {
    if (!Execute(events_[next_])) return;
    ++next_;
  }
}

bool HeadlessHost::Execute(const EventCommand& command) {
  using Kind = EventCommand::Kind;
  switch (command.kind) {
    case Kind::Wait:
      dueAt_ = now_ + static_cast<uint32_t>(command.amount);
      return true;
    case Kind::Until:
      if (!untilStarted_) untilStarted_ = now_;
      if (UntilHolds(command)) {
        untilStarted_.reset();
        return true;
      }
      if (now_ - *untilStarted_ >= static_cast<uint32_t>(command.amount)) {
        Fail(RunResult::UntilTimedOut, command,
             "until " + command.word + " not reached within " + std::to_string(command.amount) +
                 " ms");
      }
      return false;
    case Kind::Click: {
      const MouseButton button = command.right ? MouseButton::Right : MouseButton::Left;
      form_->PBMouseDown(button, command.x, command.y);
      form_->PBMouseUp(button, command.x, command.y);
      return true;
    }
    case Kind::Answer:
      answer_ = command.word == "ok" ? MessageResult::Ok : MessageResult::Cancel;
      return true;
    case Kind::Dump: {
      std::string why;
      if (!WriteStateDump(*form_, command.text, why)) Fail(RunResult::BadEvent, command, why);
      return true;
    }
    case Kind::Quit:
      form_->Close();
      return true;
    default:
      Fail(RunResult::BadEvent, command, "this command is not supported by headless runs yet");
      return true;
  }
}

bool HeadlessHost::UntilHolds(const EventCommand& command) const {
  const EngineFlags& flags = form_->Flags();
  if (command.word == "page") return flags.PageWait != 0;
  if (command.word == "choice") return flags.ChoiceMode != 0;
  return form_->WaitingForInput();
}

void HeadlessHost::Fail(RunResult result, const EventCommand& command, const std::string& why) {
  failed_ = result;
  error_ = eventFileName_ + ":" + std::to_string(command.line) + ": " + why;
}

MessageResult HeadlessHost::ShowMessage(std::string_view, std::string_view, MessageButtons buttons,
                                        MessageIcon) {
  MessageResult result = answer_.value_or(MessageResult::Ok);
  answer_.reset();
  if (buttons == MessageButtons::Ok) result = MessageResult::Ok;
  return result;
}

}  // namespace tolven
