// What waiting for a click costs the window: the real tolven at a page wait of a game made of the
// sample's pictures, on an X server of its own (Xvfb), against an SDL window whose loop wakes as
// often as the engine's does (every 30 ms) and draws nothing: the least a window that keeps the
// engine's pace can cost. While the page waits, the click-wait icon moves every 110 ms.
//
// A figure is CPU time per second of waiting, all threads of the process together (a GL
// rasteriser's included), read from /proc: each thread's run time in nanoseconds from
// schedstat, since /proc/PID/stat counts only in 10 ms ticks, too coarse for a baseline near
// nothing. The same wait with SDL_RENDER_DRIVER=opengl shows what a GL renderer drawing on the
// processor would cost instead. rss_mb is the process's resident memory at the end.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "baseline.h"
#include "platform/xvfb_display.h"

namespace {

namespace fs = std::filesystem;

constexpr auto kWindow = std::chrono::seconds(1);  // one iteration: this long a wait
// Start-up, the name dialog and the first page take a second or two; the bound only turns a
// run that never gets there into an error.
constexpr auto kReadyBound = std::chrono::seconds(120);

// CPU time of every thread of a process so far, in seconds.
double ProcessCpuSeconds(pid_t pid) {
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  double seconds = 0;
  std::error_code error;
  for (const auto& task : fs::directory_iterator(tasks, error)) {
    std::ifstream stat(task.path() / "schedstat");
    unsigned long long runNs = 0;
    if (stat >> runNs) seconds += static_cast<double>(runNs) / 1e9;
  }
  return seconds;
}

double ResidentMegabytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  }
  return 0;
}

// Runs a program with these variables added to the environment; its output goes nowhere.
pid_t Start(const std::vector<std::string>& command,
            const std::vector<std::pair<std::string, std::string>>& environment) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
  const int quiet = open("/dev/null", O_WRONLY);
  dup2(quiet, STDOUT_FILENO);
  dup2(quiet, STDERR_FILENO);
  std::vector<char*> argv;
  for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  execv(argv[0], argv.data());
  _exit(127);
}

void Stop(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
}

// The baseline: an SDL window on the display, its loop woken every 30 ms.
pid_t StartPacedWindow(const std::string& display) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  setenv("DISPLAY", display.c_str(), 1);
  setenv("SDL_VIDEODRIVER", "x11", 1);
  // SIGTERM ends it, as it ends the engine.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) _exit(1);
  SDL_Window* window = SDL_CreateWindow("baseline", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                        800, 624, SDL_WINDOW_RESIZABLE);
  if (window == nullptr) _exit(1);
  for (;;) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
    }
    SDL_Delay(30);
  }
}

// One X server and the programs on it for the whole run, stopped at its end.
class Scene {
 public:
  static Scene& Get() {
    static Scene scene;
    return scene;
  }
  ~Scene() {
    for (pid_t pid : {engine_, engineGl_, baseline_}) Stop(pid);
    display_.reset();
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  const std::string& Error() const { return error_; }
  pid_t Engine() const { return engine_; }
  pid_t EngineGl() const { return engineGl_; }
  pid_t Baseline() const { return baseline_; }

 private:
  Scene() {
    std::string pattern = (fs::temp_directory_path() / "tolven-bench-idle-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      error_ = "no temporary folder";
      return;
    }
    folder_ = pattern;
    display_ = std::make_unique<tolven::testing::XvfbDisplay>(1280, 1024);
    if (display_->Name().empty()) {
      error_ = "Xvfb could not be started";
      return;
    }
    if (!BuildGame()) {
      error_ = "the game could not be built";
      return;
    }
    engine_ = StartEngine("engine", {});
    engineGl_ = StartEngine("engine-gl", {{"SDL_RENDER_DRIVER", "opengl"}});
    baseline_ = StartPacedWindow(display_->Name());
    for (const char* name : {"engine", "engine-gl"}) {
      if (!WaitFor(folder_ / name / "ready.json")) error_ = std::string(name) + ": no page wait";
    }
  }

  bool BuildGame() {
    const fs::path source = folder_ / "source";
    std::error_code error;
    fs::create_directories(source / "scripts", error);
    fs::copy(TOLVEN_SOURCE_DIR "/samples/demo/pictures", source / "pictures",
             fs::copy_options::recursive, error);
    if (error) return false;
    std::ofstream(source / "scripts" / "main.txt") << "*gra A_CLASS,0\n"
                                                      "三月の終わり、放課後の教室。\n"
                                                      "窓の外で、町がゆっくり夕焼けに沈んでいく。\n"
                                                      "\\\n"
                                                      "*sleep 10\n";
    const pid_t tool =
        Start({TOLVEN_TOOL_PATH, "build-game", source.string(), (folder_ / "game").string()}, {});
    int status = 0;
    waitpid(tool, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  pid_t StartEngine(const std::string& name,
                    std::vector<std::pair<std::string, std::string>> environment) {
    const fs::path home = folder_ / name;
    std::error_code error;
    fs::create_directories(home, error);
    std::ofstream(home / "events.txt")
        << "until page\ndump " << (home / "ready.json").string() << "\nwait 86400000\n";
    environment.insert(environment.end(), {{"DISPLAY", display_->Name()},
                                           {"SDL_VIDEODRIVER", "x11"},
                                           {"SDL_AUDIODRIVER", "dummy"},
                                           {"XDG_RUNTIME_DIR", home.string()}});
    return Start({TOLVEN_PATH, "--events", (home / "events.txt").string(), "--config-dir",
                  (home / "config").string(), "--save-dir", (home / "save").string(),
                  (folder_ / "game").string()},
                 environment);
  }

  // The engine's own word that it reached the page: the dump the event file writes there.
  static bool WaitFor(const fs::path& file) {
    const auto bound = std::chrono::steady_clock::now() + kReadyBound;
    while (!fs::exists(file)) {
      if (std::chrono::steady_clock::now() > bound) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }

  fs::path folder_;
  std::unique_ptr<tolven::testing::XvfbDisplay> display_;
  pid_t engine_ = -1;
  pid_t engineGl_ = -1;
  pid_t baseline_ = -1;
  std::string error_;
};

void MeasureWaiting(benchmark::State& state, pid_t (Scene::*process)() const) {
  Scene& scene = Scene::Get();
  if (!scene.Error().empty()) {
    state.SkipWithError(scene.Error().c_str());
    return;
  }
  const pid_t pid = (scene.*process)();
  const double seconds = std::chrono::duration<double>(kWindow).count();
  for (auto _ : state) {
    const double before = ProcessCpuSeconds(pid);
    std::this_thread::sleep_for(kWindow);
    // CPU seconds per second of waiting, as the iteration's time.
    state.SetIterationTime((ProcessCpuSeconds(pid) - before) / seconds);
  }
  state.counters["rss_mb"] = ResidentMegabytes(pid);
}

void BM_IdlePacedWindow(benchmark::State& state) {
  MeasureWaiting(state, &Scene::Baseline);
}
BENCHMARK(BM_IdlePacedWindow)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_IdlePageWaitInWindow(benchmark::State& state) {
  MeasureWaiting(state, &Scene::Engine);
}
BENCHMARK(BM_IdlePageWaitInWindow)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
const tolven::bench::CompareTo kPageWait("BM_IdlePageWaitInWindow", "BM_IdlePacedWindow");

void BM_IdlePageWaitInWindowGl(benchmark::State& state) {
  MeasureWaiting(state, &Scene::EngineGl);
}
BENCHMARK(BM_IdlePageWaitInWindowGl)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
const tolven::bench::CompareTo kPageWaitGl("BM_IdlePageWaitInWindowGl", "BM_IdlePacedWindow");

}  // namespace
