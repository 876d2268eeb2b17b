#include "engine/headless_host.h"

#include "engine/form1.h"

namespace tolven {
namespace {

constexpr uint32_t kTimerIntervalMs = 55;

}  // namespace

HeadlessHost::HeadlessHost(std::vector<EventCommand> events, std::string eventFileName)
    : player_(std::move(events), std::move(eventFileName)) {}

RunResult HeadlessHost::Run() {
  while (!form_->Closed() && !player_.Failed()) {
    ProcessMessages();
    if (form_->Closed() || player_.Failed() || player_.Finished(now_)) break;
    form_->AppIdle();
  }
  return player_.Failed().value_or(RunResult::Finished);
}

void HeadlessHost::ProcessMessages() {
  while (now_ >= nextTimerTick_ && !form_->Closed()) {
    form_->Timer1Timer();
    nextTimerTick_ += kTimerIntervalMs;
  }
  player_.DeliverDue(*form_, now_);
}

MessageResult HeadlessHost::ShowMessage(std::string_view, std::string_view, MessageButtons buttons,
                                        MessageIcon) {
  std::optional<MessageResult> answer = player_.TakeAnswer();
  if (buttons == MessageButtons::Ok) return MessageResult::Ok;
  return answer.value_or(MessageResult::Ok);
}

}  // namespace tolven
