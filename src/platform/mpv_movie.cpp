#include "platform/mpv_movie.h"

#include <mpv/client.h>
#include <mpv/render.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "base/engine_values.h"

namespace tolven {
namespace {

constexpr size_t kFrameStride = static_cast<size_t>(kScreenWidth) * 4;  // bgr0
constexpr size_t kFrameBytes = kFrameStride * kScreenHeight;
// mpv's software renderer takes its fast paths on rows and pointers aligned to 64 bytes.
constexpr size_t kFrameAlign = 64;

// mpv answers at once for a missing or unknown file; this only bounds a stalled opening.
constexpr auto kOpenLimit = std::chrono::seconds(5);
// One headless check of the end waits no longer than this for the decoding to catch up; a
// movie that decodes slower than that is simply asked again on the engine's next check.
constexpr auto kCatchUpLimit = std::chrono::milliseconds(2000);

struct MpvOption {
  const char* name;
  const char* value;
};

// Nothing of the user's own mpv set-up applies, so a movie looks and sounds the same on every
// machine, and no key or click in the window reaches mpv: the engine owns input.
constexpr MpvOption kOptions[] = {
    {"config", "no"},
    {"load-scripts", "no"},
    {"ytdl", "no"},
    {"osc", "no"},
    {"input-default-bindings", "no"},
    {"input-vo-keyboard", "no"},
    {"terminal", "no"},
    {"osd-level", "0"},
    {"sub-auto", "no"},
    {"audio-display", "no"},
    {"hwdec", "no"},
    {"vo", "libmpv"},
    // The player's display rectangle is the whole 800x600 panel: a movie of another shape is
    // stretched to fill it, not framed with bars.
    {"keepaspect", "no"},
    // An output that fails to open costs the sound, never the picture.
    {"audio-fallback-to-null", "yes"},
};

// Untimed and silent: frames are decoded and rendered as fast as the machine goes.
constexpr MpvOption kHeadlessOptions[] = {
    {"untimed", "yes"},
    {"ao", "null"},
    {"ao-null-untimed", "yes"},
};

// A bgr0 picture kept at the alignment the renderer likes; swapping two keeps each aligned.
class FrameBuffer {
 public:
  FrameBuffer() : bytes_(kFrameBytes + kFrameAlign) {}
  uint8_t* Pixels() { return bytes_.data() + Offset(); }
  const uint8_t* Pixels() const { return bytes_.data() + Offset(); }
  void Swap(FrameBuffer& other) { bytes_.swap(other.bytes_); }

 private:
  size_t Offset() const {
    const auto address = reinterpret_cast<uintptr_t>(bytes_.data());
    return (kFrameAlign - address % kFrameAlign) % kFrameAlign;
  }
  std::vector<uint8_t> bytes_;
};

// mpv refuses to start under any other numeric locale: it parses and prints numbers itself.
void UseCNumericLocale() {
  const char* current = std::setlocale(LC_NUMERIC, nullptr);
  if (current == nullptr || std::strcmp(current, "C") != 0) std::setlocale(LC_NUMERIC, "C");
}

}  // namespace

// One opened movie: the mpv instance, its render context and the thread that takes mpv's
// events and renders its frames. Destroying it stops the movie and waits until mpv is gone.
class MpvMoviePlayer::Session {
 public:
  Session() = default;
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Starts mpv on the file; false when mpv cannot even be set up.
  bool Start(const std::string& path, bool realTime, bool sound);
  // Whether mpv recognised the file and began playing it.
  bool WaitLoaded();
  bool Ended() const;
  // True once the movie has ended, waiting at most the limit for it.
  bool WaitEnded(std::chrono::milliseconds limit);
  // How long the movie runs: its duration where the file tells it, else as far as it has been
  // played, which is final once it has ended.
  uint64_t RunningMs() const;
  uint64_t FrameNumber() const;
  void CopyFrame(Bitmap24& out) const;

 private:
  static void Wake(void* self);
  bool Create(bool realTime, bool sound);
  void Run();
  void TakeEvents();
  void TakeProperty(const mpv_event_property& property);
  void RenderIfDue();

  mpv_handle* mpv_ = nullptr;
  mpv_render_context* render_ = nullptr;
  std::thread worker_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;     // the worker: mpv has news, or it should stop
  std::condition_variable changed_;  // the interface thread: loaded or ended
  bool news_ = false;
  bool stop_ = false;
  bool loaded_ = false;
  bool ended_ = false;
  double duration_ = 0;  // seconds; 0 while mpv does not know (generated sources never tell)
  double position_ = 0;  // seconds: the furthest point played
  uint64_t frames_ = 0;
  FrameBuffer drawing_;  // the worker's alone
  FrameBuffer newest_;   // the last whole frame, under the lock
};

MpvMoviePlayer::Session::~Session() {
  if (worker_.joinable()) {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    worker_.join();
  }
  // The render context must go before the instance; mpv's threads may still call Wake until
  // the instance is destroyed, which is why the lock and conditions outlive both.
  if (render_ != nullptr) mpv_render_context_free(render_);
  if (mpv_ != nullptr) mpv_terminate_destroy(mpv_);
}

bool MpvMoviePlayer::Session::Start(const std::string& path, bool realTime, bool sound) {
  if (!Create(realTime, sound)) return false;
  worker_ = std::thread(&Session::Run, this);
  const char* command[] = {"loadfile", path.c_str(), nullptr};
  return mpv_command(mpv_, command) >= 0;
}

bool MpvMoviePlayer::Session::Create(bool realTime, bool sound) {
  UseCNumericLocale();
  mpv_ = mpv_create();
  if (mpv_ == nullptr) return false;
  // Options this mpv does not know are left out; none of them is needed for playing.
  for (const MpvOption& option : kOptions) mpv_set_option_string(mpv_, option.name, option.value);
  if (!realTime) {
    for (const MpvOption& option : kHeadlessOptions) {
      mpv_set_option_string(mpv_, option.name, option.value);
    }
  } else if (!sound) {
    // Without an output mpv would still probe every sound system, and some of them complain
    // on the terminal when there is none.
    mpv_set_option_string(mpv_, "ao", "null");
  }
  mpv_set_wakeup_callback(mpv_, &Session::Wake, this);
  if (mpv_initialize(mpv_) < 0) return false;
  mpv_observe_property(mpv_, 0, "duration", MPV_FORMAT_DOUBLE);
  mpv_observe_property(mpv_, 0, "time-pos", MPV_FORMAT_DOUBLE);
  mpv_render_param params[] = {
      {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_SW)},
      {MPV_RENDER_PARAM_INVALID, nullptr},
  };
  if (mpv_render_context_create(&render_, mpv_, params) < 0) return false;
  mpv_render_context_set_update_callback(render_, &Session::Wake, this);
  return true;
}

// Called on mpv's threads, which may not call back into mpv: it only hands the news on.
void MpvMoviePlayer::Session::Wake(void* self) {
  auto* session = static_cast<Session*>(self);
  {
    std::lock_guard lock(session->mutex_);
    session->news_ = true;
  }
  session->wake_.notify_one();
}

void MpvMoviePlayer::Session::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || news_; });
    if (stop_) return;
    news_ = false;
    lock.unlock();
    TakeEvents();
    RenderIfDue();
    lock.lock();
  }
}

void MpvMoviePlayer::Session::TakeEvents() {
  for (;;) {
    const mpv_event* event = mpv_wait_event(mpv_, 0);
    if (event->event_id == MPV_EVENT_NONE) return;
    if (event->event_id == MPV_EVENT_PROPERTY_CHANGE) {
      TakeProperty(*static_cast<const mpv_event_property*>(event->data));
      continue;
    }
    if (event->event_id == MPV_EVENT_FILE_LOADED) {
      std::lock_guard lock(mutex_);
      loaded_ = true;
    } else if (event->event_id == MPV_EVENT_END_FILE || event->event_id == MPV_EVENT_SHUTDOWN) {
      std::lock_guard lock(mutex_);
      ended_ = true;
    } else {
      continue;
    }
    changed_.notify_all();
  }
}

void MpvMoviePlayer::Session::TakeProperty(const mpv_event_property& property) {
  if (property.format != MPV_FORMAT_DOUBLE) return;
  const double value = *static_cast<const double*>(property.data);
  std::lock_guard lock(mutex_);
  if (std::strcmp(property.name, "duration") == 0) {
    duration_ = value;
  } else {
    position_ = std::max(position_, value);
  }
}

void MpvMoviePlayer::Session::RenderIfDue() {
  if ((mpv_render_context_update(render_) & MPV_RENDER_UPDATE_FRAME) == 0) return;
  int size[2] = {kScreenWidth, kScreenHeight};
  size_t stride = kFrameStride;
  char format[] = "bgr0";
  mpv_render_param params[] = {
      {MPV_RENDER_PARAM_SW_SIZE, size},      {MPV_RENDER_PARAM_SW_FORMAT, format},
      {MPV_RENDER_PARAM_SW_STRIDE, &stride}, {MPV_RENDER_PARAM_SW_POINTER, drawing_.Pixels()},
      {MPV_RENDER_PARAM_INVALID, nullptr},
  };
  if (mpv_render_context_render(render_, params) < 0) return;
  std::lock_guard lock(mutex_);
  drawing_.Swap(newest_);
  ++frames_;
}

bool MpvMoviePlayer::Session::WaitLoaded() {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, kOpenLimit, [this] { return loaded_ || ended_; });
  return loaded_;
}

bool MpvMoviePlayer::Session::Ended() const {
  std::lock_guard lock(mutex_);
  return ended_;
}

bool MpvMoviePlayer::Session::WaitEnded(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, limit, [this] { return ended_; });
}

uint64_t MpvMoviePlayer::Session::RunningMs() const {
  std::lock_guard lock(mutex_);
  const double seconds = std::max({duration_, position_, 0.0});
  return static_cast<uint64_t>(seconds * 1000);
}

uint64_t MpvMoviePlayer::Session::FrameNumber() const {
  std::lock_guard lock(mutex_);
  return frames_;
}

void MpvMoviePlayer::Session::CopyFrame(Bitmap24& out) const {
  out.Resize(kScreenWidth, kScreenHeight);
  std::lock_guard lock(mutex_);
  for (int y = 0; y < kScreenHeight; ++y) {
    const uint8_t* from = newest_.Pixels() + kFrameStride * static_cast<size_t>(y);
    uint8_t* to = out.Row(y);
    for (int x = 0; x < kScreenWidth; ++x, from += 4, to += 3) std::memcpy(to, from, 3);
  }
}

MpvMoviePlayer::MpvMoviePlayer(bool soundOutput) : realTime_(true), sound_(soundOutput) {}

MpvMoviePlayer::MpvMoviePlayer(Clock clock)
    : realTime_(false), sound_(false), clock_(std::move(clock)) {}

MpvMoviePlayer::~MpvMoviePlayer() = default;

bool MpvMoviePlayer::Open(const std::string& path) {
  Close();
  // mpv would play a folder as a playlist of whatever it holds.
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return false;
  auto session = std::make_unique<Session>();
  if (!session->Start(path, realTime_, sound_) || !session->WaitLoaded()) return false;
  session_ = std::move(session);
  if (clock_) openedAt_ = clock_();
  return true;
}

bool MpvMoviePlayer::Playing() {
  if (!session_) return false;
  if (realTime_) return !session_->Ended();
  const uint64_t elapsed = clock_() - openedAt_;
  if (elapsed < session_->RunningMs()) return true;
  // The running time may still grow while frames are being decoded; once the decoding has
  // ended it is final, and the answer no longer depends on how fast this machine decodes.
  if (!session_->WaitEnded(kCatchUpLimit)) return true;
  return elapsed < session_->RunningMs();
}

void MpvMoviePlayer::Close() {
  session_.reset();
}

uint64_t MpvMoviePlayer::FrameNumber() const {
  return session_ ? session_->FrameNumber() : 0;
}

bool MpvMoviePlayer::CopyFrame(Bitmap24& out) const {
  if (!session_) return false;
  session_->CopyFrame(out);
  return true;
}

}  // namespace tolven
