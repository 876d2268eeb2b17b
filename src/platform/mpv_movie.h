#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/host.h"
#include "resources/bitmap24.h"

namespace tolven {

// Plays movies through libmpv's software renderer into an 800x600 picture that the window
// shows in place of PB. A thread of the player's own renders every new frame as mpv delivers
// it, so mpv's pace never waits on the window's frame loop; the window copies the newest
// frame when it presents.
class MpvMoviePlayer final : public MoviePlayer {
 public:
  // Milliseconds on the engine's clock.
  using Clock = std::function<uint64_t()>;

  // For the window: real time, the sound on the system's output, or silent when soundOutput
  // is false (no output to play on).
  explicit MpvMoviePlayer(bool soundOutput);
  // For headless runs: decoded and rendered as fast as it goes, silent. The movie ends on the
  // engine's clock once its running time has passed there; asked at or after that time,
  // Playing waits for the decoding to finish first, so a run on a virtual clock sees the movie
  // end at the same engine time on every run, however fast the machine decodes.
  explicit MpvMoviePlayer(Clock clock);
  ~MpvMoviePlayer() override;
  MpvMoviePlayer(const MpvMoviePlayer&) = delete;
  MpvMoviePlayer& operator=(const MpvMoviePlayer&) = delete;

  bool Open(const std::string& path) override;
  bool Playing() override;
  void Close() override;

  // From a successful Open until Close, also after the movie ended by itself: the window shows
  // the last frame until the engine closes the player.
  bool Showing() const { return session_ != nullptr; }
  // Counts the frames rendered of the open movie: the window shows the frame again when it
  // moves.
  uint64_t FrameNumber() const;
  // The newest frame as 800x600 BGR, black before the first one; false when nothing is open.
  bool CopyFrame(Bitmap24& out) const;

 private:
  class Session;

  bool realTime_;
  bool sound_;
  Clock clock_;
  std::unique_ptr<Session> session_;
  uint64_t openedAt_ = 0;  // engine time of Open, headless only
};

}  // namespace tolven
