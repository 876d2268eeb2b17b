// Scripts from arbitrary bytes: whatever the lines say, reading, commands, jumps and block
// searches must stay inside the script image. Scripts named by calls and chains are missing,
// so those transfers fail as they would in a game without them.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "base/trace.h"
#include "resources/archives.h"
#include "resources/definition_text.h"
#include "script/engine_flags.h"
#include "script/interpreter.h"
#include "script/interpreter_host.h"
#include "script/random_generator.h"
#include "script/script_state.h"
#include "script/variables.h"
#include "text/page_record.h"

namespace {

constexpr int kSteps = 2000;
constexpr size_t kLinesPerStep = 256;

class QuietHost final : public tolven::InterpreterHost {
 public:
  void ResetWaits() override {}
  void RequestClose() override {}
  void StopSkipAndAuto(bool) override {}
  bool SoundDevicePresent() const override { return true; }
  bool SeenSetting() const override { return true; }
  int CountGameClear() override { return 1; }
  void StoreFamilyName(std::string_view) override {}
  void UpdateMenuBar() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tolven::Archives archives("/nonexistent-game-directory");
  tolven::ScriptState banks;
  tolven::RandomGenerator random(1);
  tolven::Trace trace;
  tolven::Variables variables(banks, random, trace);
  tolven::EngineFlags flags;
  tolven::PageRecord page;
  tolven::DefinitionText definitions;
  QuietHost host;
  tolven::Interpreter interpreter(archives, banks, variables, flags, page, definitions, host,
                                  trace);
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
