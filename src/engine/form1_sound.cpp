// Sound, music and movies: the script's commands, the timer's part and the movie panel.
#include <filesystem>
#include <system_error>

#include "engine/form1.h"

namespace tolven {
namespace {

// The movie's end is looked for on every eleventh timer tick.
constexpr int kMovieCheckTicks = 11;

}  // namespace

// The voice goes into the backlog text with the story's words, so the log can replay it.
void TForm1::Voice(std::string_view name) {
  output_.RecordVoice(name);
  sound_.PlayVoice(name, flags_.SkipState != 0);
}

void TForm1::PlayVoice(std::string_view name) {
  sound_.PlayVoice(name, flags_.SkipState != 0);
}

void TForm1::Music(int n) {
  music_.SetMusic(n, state_);
}

void TForm1::Movie(std::string_view path) {
  std::error_code error;
  const std::filesystem::path file = options_.gameDirectory / std::string(path);
  MoviePlayer* player = host_.Movies();
  if (path.empty() || !std::filesystem::is_regular_file(file, error)) return;
  flags_.Busy = true;
  if (player == nullptr || !player->Open(file.string())) {
    flags_.Busy = false;
    return;
  }
  flags_.MenuLocked = true;
  UpdateMenuBar();
  movieShowing_ = true;
  movieCheck_ = kMovieCheckTicks - 1;
}

void TForm1::EndMovie() {
  if (!movieShowing_) return;
  const bool fullScreen = fullScreenActive_;
  movieShowing_ = false;
  if (fullScreen) LeaveFullScreen();
  if (MoviePlayer* player = host_.Movies()) player->Close();
  flags_.Busy = false;
  flags_.MenuLocked = false;
  UpdateMenuBar();
  if (fullScreen) EnterFullScreen();
}

// Music first, before anything the tick may hold back; then the movie's end.
void TForm1::SoundTick() {
  music_.UpdateMusicStream();
  if (--movieCheck_ >= 0) return;
  movieCheck_ = kMovieCheckTicks - 1;
  MoviePlayer* player = host_.Movies();
  if (movieShowing_ && (player == nullptr || !player->Playing())) EndMovie();
}

// A drama-mode page whose voice has started and ended turns by itself.
void TForm1::VoiceTick() {
  if (sound_.IsVoicePlaying()) return;
  flags_.VoiceWait = false;
  if (output_.SpeakerVoiceState() == 2) AdvancePage(true);
}

}  // namespace tolven
