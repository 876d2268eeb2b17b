#include "engine/headless_host.h"

#include "dialogs/dialog_model.h"
#include "engine/form1.h"

namespace tolven {

HeadlessHost::HeadlessHost(std::vector<EventCommand> events, std::string eventFileName,
                           uint32_t clockSeed)
    : player_(std::move(events), std::move(eventFileName)), clockSeed_(clockSeed) {}

void HeadlessHost::Attach(TForm1& form) {
  form_ = &form;
  player_.Attach(form);
}

RunResult HeadlessHost::Run() {
  while (!form_->Closed() && !player_.Failed()) {
    ProcessMessages();
    if (form_->Closed() || player_.Failed() || player_.Finished(now_)) break;
    form_->AppIdle();
  }
  player_.CloseAtEnd();
  return player_.Failed().value_or(RunResult::Finished);
}

void HeadlessHost::Sleep(uint32_t milliseconds) {
  now_ += milliseconds;
  if (recording_ != nullptr) recording_->AdvanceTo(now_);
}

void HeadlessHost::ProcessMessages() {
  if (pendingMove_) {
    const auto [x, y] = *pendingMove_;
    pendingMove_.reset();
    form_->PBMouseMove(x, y);
  }
  form_->RunDueTimerTicks();
  player_.DeliverDue(now_);
}

void HeadlessHost::RunModal(DialogModel& dialog) {
  constexpr uint32_t kModalStepMs = 30;
  player_.BeginModal();
  while (!dialog.Closed() && !form_->Closed() && !player_.Failed() && !player_.Finished(now_)) {
    ProcessMessages();
    if (dialog.Closed() || player_.Failed()) break;
    Sleep(kModalStepMs);
  }
  player_.EndModal();
}

MessageResult HeadlessHost::ShowMessage(std::string_view, std::string_view, MessageButtons buttons,
                                        MessageIcon) {
  std::optional<MessageResult> answer = player_.TakeAnswer();
  if (buttons == MessageButtons::Ok) return MessageResult::Ok;
  return answer.value_or(MessageResult::Ok);
}

}  // namespace tolven
