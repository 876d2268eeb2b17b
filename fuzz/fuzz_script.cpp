// Scripts from arbitrary bytes: whatever the lines say, reading, commands, jumps and block
// searches must stay inside the script image. Scripts named by calls and chains are missing,
// so those transfers fail as they would in a game without them.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "script/standalone_interpreter.h"

namespace {

constexpr int kSteps = 400;
constexpr size_t kLinesPerStep = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tolven::StandaloneInterpreter standalone("/nonexistent-game-directory", true, true);
  tolven::Interpreter& interpreter = standalone.interpreter;
  interpreter.SetStepLineLimit(kLinesPerStep);
  interpreter.LoadScriptImage(std::vector<uint8_t>(data, data + size));

  for (int step = 0; step < kSteps; ++step) {
    interpreter.RunScript();
    const tolven::InterpreterState& state = interpreter.State();
    if (state.calls.CallDepth < 0 ||
        state.calls.CallDepth > static_cast<int>(tolven::kCallStackEntries)) {
      std::abort();
    }
    if (state.LinePos > interpreter.LineBuffer().size()) std::abort();
  }

  // The searches the choice screens use, with a name taken from the data itself.
  const std::string_view name(reinterpret_cast<const char*>(data), std::min<size_t>(size, 4));
  for (uint32_t from : {0u, static_cast<uint32_t>(size / 2), static_cast<uint32_t>(size)}) {
    const uint32_t found = interpreter.FindByte(from, '{');
    if (found != from && found >= size) std::abort();
    const uint32_t start = interpreter.FindNamedStart(from, name);
    if (start != tolven::kNoNamedStart && start >= size) std::abort();
    interpreter.SkipToNamedEnd(from, name);
  }
  interpreter.FindLabel(name);
  return 0;
}
