// tolven: plays a game folder. The window is not built yet; headless runs drive the engine
// from an event file on a virtual clock.
#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>

#include "base/trace.h"
#include "engine/event_file.h"
#include "engine/event_player.h"
#include "engine/form1.h"
#include "engine/headless_host.h"

namespace {

constexpr int kExitUsage = 2;

struct CommandLine {
  bool headless = false;
  std::string events;
  std::optional<uint32_t> seed;
  std::string configDir;
  std::string saveDir;
  bool fullscreen = false;
  bool window = false;
  int scale = 0;
  std::string trace;
  std::string gameDir = ".";
};

void DefineOptions(CLI::App& app, CommandLine& line) {
  app.add_flag("--headless", line.headless,
               "no window and no sound device: virtual clock, input from the event file");
  app.add_option("--events", line.events, "feed input from an event file");
  app.add_option("--seed", line.seed, "seed the random generator");
  app.add_option("--config-dir", line.configDir, "folder of the settings file");
  app.add_option("--save-dir", line.saveDir, "folder of the save files");
  app.add_flag("--fullscreen", line.fullscreen, "full screen for this run");
  app.add_flag("--window", line.window, "a window for this run");
  app.add_option("--scale", line.scale, "window scale for this run");
  app.add_option("--trace", line.trace, "write the developer trace to a file");
  app.add_option("GAME_DIR", line.gameDir, "the game folder (default: the current folder)");
  app.set_version_flag("--version", std::string("tolven 0.1.0"));
}

int RunHeadless(const CommandLine& line) {
  std::vector<tolven::EventCommand> events;
  if (!line.events.empty()) {
    std::string error;
    auto parsed = tolven::ReadEventFile(line.events, error);
    if (!parsed) {
      std::cerr << "tolven: " << error << '\n';
      return kExitUsage;
    }
    events = std::move(*parsed);
  }
  tolven::Trace trace;
  std::ofstream traceFile;
  if (!line.trace.empty()) {
    traceFile.open(line.trace, std::ios::binary | std::ios::trunc);
    if (!traceFile) {
      std::cerr << "tolven: " << line.trace << ": cannot be written\n";
      return kExitUsage;
    }
    trace.Attach(&traceFile);
  }
  tolven::EngineOptions options;
  options.gameDirectory = line.gameDir;
  if (!line.configDir.empty()) options.configDirectory = line.configDir;
  options.seed = line.seed;
  if (line.fullscreen) options.screenMode = 1;
  if (line.window) options.screenMode = 0;
  tolven::HeadlessHost host(std::move(events), line.events);
  tolven::TForm1 form(host, trace, options);
  host.Attach(form);
  form.FormCreate();
  tolven::RunResult result = host.Run();
  if (result != tolven::RunResult::Finished) std::cerr << "tolven: " << host.Error() << '\n';
  return static_cast<int>(result);
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"tolven: plays a visual novel from its game folder"};
  CommandLine line;
  DefineOptions(app, line);
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& success) {
    return app.exit(success);
  } catch (const CLI::ParseError& error) {
    app.exit(error);
    return kExitUsage;
  }
  if (!line.headless) {
    std::cerr << "tolven: the game window is not built yet; use --headless\n";
    return kExitUsage;
  }
  return RunHeadless(line);
}
