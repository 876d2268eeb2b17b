#pragma once

#include <string_view>

#include "base/input.h"
#include "base/trace.h"

namespace tolven {

// The yes/no prompt drawn on the game screen (SystemMenuOpen holds its id). Not built yet; each
// entry point says so in the developer trace.
class ConfirmationPrompt {
 public:
  explicit ConfirmationPrompt(Trace& trace) : trace_(trace) {}

  // Id 3 returns to the title on yes.
  void AskYesNo(std::string_view, int) { trace_.NotBuiltYet("AskYesNo"); }
  void PromptHover(int, int) { trace_.NotBuiltYet("PromptHover"); }
  void PromptClick(MouseButton) { trace_.NotBuiltYet("PromptClick"); }

 private:
  Trace& trace_;
};

}  // namespace tolven
