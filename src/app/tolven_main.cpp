// tolven: plays a game folder in a window, or headless on a virtual clock driven by an event
// file.
#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <tuple>

#include "app/command_line.h"
#include "app/diagnose.h"
#include "audio/audio_device.h"
#include "base/trace.h"
#include "engine/event_file.h"
#include "engine/event_player.h"
#include "engine/form1.h"
#include "engine/headless_host.h"
#include "platform/instance_lock.h"
#include "platform/mpv_movie.h"
#include "platform/scale_filter.h"
#include "platform/sdl_audio_device.h"
#include "platform/sdl_host.h"
#include "platform/sdl_library.h"
#include "platform/speech_dispatcher.h"

namespace {

constexpr int kExitAlreadyRunning = 1;
constexpr int kExitNoWindow = 1;
constexpr int kMaxScale = 8;

struct CommandLine {
  bool headless = false;
  std::string events;
  std::optional<uint32_t> seed;
  std::string configDir;
  std::string saveDir;
  bool fullscreen = false;
  bool window = false;
  int scale = 1;
  std::string filter;
  bool integerScale = false;
  std::string windowSize;
  std::string trace;
  std::string audioOut;
  std::string textOut;
  bool copyText = false;
  std::string gameDir = ".";
  bool diagnose = false;
};

void DefineOptions(CLI::App& app, CommandLine& line) {
  CLI::Option* headless =
      app.add_flag("--headless", line.headless,
                   "no window and no sound device: virtual clock, input from the event file");
  app.add_option("--events", line.events,
                 "feed input from an event file; the run ends at quit or at the file's end");
  app.add_option("--seed", line.seed, "seed the random generator");
  app.add_option("--config-dir", line.configDir, "folder of the settings file");
  app.add_option("--save-dir", line.saveDir, "folder of the save files");
  CLI::Option* fullscreen =
      app.add_flag("--fullscreen", line.fullscreen, "full screen for this run (not stored)");
  app.add_flag("--window", line.window, "a framed window for this run (not stored)")
      ->excludes(fullscreen);
  app.add_option("--scale", line.scale, "start the window N times larger (1-8)")
      ->check(CLI::Range(1, kMaxScale));
  app.add_option("--filter", line.filter,
                 "how the picture is stretched to the window: auto (the default), nearest, "
                 "linear or sharp-bilinear")
      ->check(CLI::IsMember({"auto", "nearest", "linear", "sharp-bilinear"}));
  app.add_flag("--integer-scale", line.integerScale,
               "show the picture only at whole multiples of its size, between black bars");
  app.add_option("--window-size", line.windowSize,
                 "open the window with this client size, WIDTHxHEIGHT (e.g. 2000x1560)")
      ->check(CLI::Validator(
          [](std::string& text) {
            return tolven::ParseWindowSize(text) ? std::string()
                                                 : "not WIDTHxHEIGHT (1-16384 each): " + text;
          },
          "WIDTHxHEIGHT"));
  app.add_option("--trace", line.trace, "write the developer trace to a file");
  app.add_option("--audio-out", line.audioOut,
                 "headless: record the sound output on the virtual clock into a wave file")
      ->needs(headless);
  app.add_option("--text-out", line.textOut,
                 "write each story line, once printed, as UTF-8 to a file or named pipe")
      ->type_name("PATH");
  app.add_flag("--copy-text", line.copyText,
               "put each story line, once printed, on the clipboard (also CopyText=1)");
  app.add_option("GAME_DIR", line.gameDir, "the game folder (default: the current folder)");
  app.add_flag("--diagnose", line.diagnose,
               "print what a bug report needs: versions, archives, save folder, settings file, "
               "fonts, video and audio drivers");
  // CLI11 ends the text with a line feed of its own.
  app.set_version_flag("--version", [] {
    std::string text = tolven::VersionText();
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
  });
}

// The event file's commands; nothing but an error message when it cannot be read.
std::optional<std::vector<tolven::EventCommand>> LoadEvents(const CommandLine& line) {
  if (line.events.empty()) return std::vector<tolven::EventCommand>{};
  std::string error;
  auto parsed = tolven::ReadEventFile(line.events, error);
  if (!parsed) std::cerr << "tolven: " << error << '\n';
  return parsed;
}

bool OpenTrace(const CommandLine& line, tolven::Trace& trace, std::ofstream& file) {
  if (line.trace.empty()) return true;
  file.open(line.trace, std::ios::binary | std::ios::trunc);
  if (!file) {
    std::cerr << "tolven: " << line.trace << ": cannot be written\n";
    return false;
  }
  trace.Attach(&file);
  return true;
}

std::optional<std::filesystem::path> OptionalPath(const std::string& path) {
  if (path.empty()) return std::nullopt;
  return path;
}

tolven::EngineOptions MakeOptions(const CommandLine& line) {
  tolven::EngineOptions options;
  options.gameDirectory = line.gameDir;
  if (!line.configDir.empty()) options.configDirectory = line.configDir;
  if (!line.saveDir.empty()) options.saveDirectory = line.saveDir;
  options.seed = line.seed;
  if (line.fullscreen) options.screenMode = 1;
  if (line.window) options.screenMode = 0;
  options.textOut.copyText = line.copyText;
  return options;
}

// The --text-out file, opened before anything runs so a path that cannot be written stops the
// run at once. True when there is none to open.
bool OpenTextOut(const CommandLine& line, std::unique_ptr<tolven::TextOutFile>& file) {
  if (line.textOut.empty()) return true;
  std::string why;
  file = tolven::TextOutFile::Open(line.textOut, why);
  if (!file) std::cerr << "tolven: --text-out " << why << '\n';
  return file != nullptr;
}

int ReportResult(tolven::RunResult result, const std::string& error) {
  if (result != tolven::RunResult::Finished) std::cerr << "tolven: " << error << '\n';
  return static_cast<int>(result);
}

int RunHeadless(const CommandLine& line) {
  auto events = LoadEvents(line);
  tolven::Trace trace;
  std::ofstream traceFile;
  std::unique_ptr<tolven::TextOutFile> textOut;
  if (!events || !OpenTrace(line, trace, traceFile) || !OpenTextOut(line, textOut)) {
    return tolven::kExitUsage;
  }
  // Without --seed a headless run is seeded from the clock as a windowed one is.
  const auto clockSeed =
      static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count());
  tolven::HeadlessHost host(std::move(*events), line.events, clockSeed);
  tolven::MpvMoviePlayer movies([&host] { return uint64_t{host.Ticks()}; });
  host.SetMoviePlayer(&movies);
  std::optional<tolven::RecordingAudioDevice> recording;
  tolven::EngineOptions options = MakeOptions(line);
  // No speech output: a headless run is a test or a batch job and never speaks.
  options.textOut.file = textOut.get();
  if (!line.audioOut.empty()) {
    recording.emplace(line.audioOut);
    options.audioDevice = &*recording;
    host.SetRecording(&*recording);
  }
  tolven::TForm1 form(host, trace, options);
  host.Attach(form);
  form.FormCreate();
  const tolven::RunResult result = host.Run();
  return ReportResult(result, host.Error());
}

// The settings file's choice, then the command line's over it.
tolven::Scaling ChooseScaling(const CommandLine& line) {
  const tolven::SettingsStore store = tolven::SettingsStore::ForUser(OptionalPath(line.configDir));
  std::string complaint;
  tolven::Scaling scaling = tolven::ReadScaling(store.Read(), complaint);
  if (!complaint.empty()) {
    std::cerr << "tolven: " << store.FilePath().string() << ": " << complaint << '\n';
  }
  if (!line.filter.empty()) {
    scaling.filter = tolven::ParseScaleFilter(line.filter).value_or(scaling.filter);
  }
  if (line.integerScale) scaling.integerOnly = true;
  if (const auto size = tolven::ParseWindowSize(line.windowSize)) {
    std::tie(scaling.windowWidth, scaling.windowHeight) = *size;
  }
  return scaling;
}

int PlayInWindow(const CommandLine& line, std::optional<tolven::EventPlayer>& player) {
  tolven::Trace trace;
  std::ofstream traceFile;
  std::unique_ptr<tolven::TextOutFile> textOut;
  if (!OpenTrace(line, trace, traceFile) || !OpenTextOut(line, textOut)) {
    return tolven::kExitUsage;
  }
  tolven::SdlLibrary sdl;
  tolven::SdlAudioDevice audio;
  tolven::SdlHost host(line.scale, player ? &*player : nullptr, audio.Audible(),
                       ChooseScaling(line));
  tolven::EngineOptions options = MakeOptions(line);
  options.audioDevice = &audio;
  options.textOut.file = textOut.get();
  tolven::SpeechDispatcher speech;
  options.textOut.speech = &speech;
  tolven::TForm1 form(host, trace, options);
  if (player) player->Attach(form);
  host.Attach(form);
  form.FormCreate();
  const tolven::RunResult result = host.Run();
  // FormDestroy: the desktop gets its screen back.
  form.LeaveFullScreen();
  return ReportResult(result, host.Error());
}

int RunWindowed(const CommandLine& line) {
  // A second window quits at once and shows nothing.
  const tolven::InstanceLock lock = tolven::InstanceLock::ForUser(std::getenv("XDG_RUNTIME_DIR"));
  if (lock.State() == tolven::InstanceLock::Outcome::HeldElsewhere) return kExitAlreadyRunning;
  auto events = LoadEvents(line);
  if (!events) return tolven::kExitUsage;
  std::optional<tolven::EventPlayer> player;
  if (!line.events.empty()) player.emplace(std::move(*events), line.events);
  try {
    return PlayInWindow(line, player);
  } catch (const std::runtime_error& error) {
    std::cerr << "tolven: " << error.what() << '\n';
    return kExitNoWindow;
  }
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"tolven: plays a visual novel from its game folder"};
  CommandLine line;
  DefineOptions(app, line);
  if (auto status = tolven::ParseCommandLine(app, argc, argv)) return *status;
  if (line.diagnose) {
    tolven::WriteDiagnosis({line.gameDir, OptionalPath(line.configDir), OptionalPath(line.saveDir)},
                           std::cout);
    return 0;
  }
  return line.headless ? RunHeadless(line) : RunWindowed(line);
}
