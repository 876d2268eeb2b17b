#pragma once

#include <filesystem>

#include "base/engine_flags.h"
#include "base/trace.h"
#include "resources/archives.h"
#include "resources/definition_text.h"
#include "script/interpreter.h"
#include "script/interpreter_host.h"
#include "base/random_generator.h"
#include "base/script_state.h"
#include "script/variables.h"
#include "text/page_record.h"

namespace tolven {

// An interpreter host that asks nothing of anyone: for running scripts without an engine
// around them (benchmarks, fuzzing, checking scripts).
class QuietInterpreterHost final : public InterpreterHost {
 public:
  QuietInterpreterHost(bool soundDevice, bool seen) : soundDevice_(soundDevice), seen_(seen) {}
  void ResetWaits() override {}
  void RequestClose() override {}
  void StopSkipAndAuto(bool) override {}
  bool SoundDevicePresent() const override { return soundDevice_; }
  bool SeenSetting() const override { return seen_; }
  int CountGameClear() override { return 1; }
  void StoreFamilyName(std::string_view) override {}
  void UpdateMenuBar() override {}

 private:
  bool soundDevice_;
  bool seen_;
};

// A line interpreter with banks, flags and a page of its own and a quiet host.
struct StandaloneInterpreter {
  explicit StandaloneInterpreter(const std::filesystem::path& gameDirectory,
                                 bool soundDevice = false, bool seen = false)
      : archives(gameDirectory), host(soundDevice, seen) {}

  Archives archives;
  ScriptState banks;
  RandomGenerator random{1};
  Trace trace;
  Variables variables{banks, random, trace};
  EngineFlags flags;
  PageRecord page;
  DefinitionText definitions;
  QuietInterpreterHost host;
  Interpreter interpreter{archives, banks, variables, flags, page, definitions, host, trace};
};

}  // namespace tolven
