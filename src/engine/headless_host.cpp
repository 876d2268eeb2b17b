#include "engine/headless_host.h"

#include <algorithm>

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

// A command that sleeps (a flash held for 100 ms) processes no messages meanwhile, yet a shot
// or a dump due inside the sleep must see that moment, not the moment the sleep ends: the
// clock stops at each one on the way.
void HeadlessHost::Sleep(uint32_t milliseconds) {
  const uint32_t end = now_ + milliseconds;
  for (std::optional<uint32_t> due = player_.NextLookDue(); due && *due < end;
       due = player_.NextLookDue()) {
    AdvanceTo(std::max(now_, *due));
    if (!player_.DeliverLooks(now_)) break;
  }
  AdvanceTo(end);
}

void HeadlessHost::AdvanceTo(uint32_t now) {
  now_ = now;
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
