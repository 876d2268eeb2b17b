#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "audio/music_stream.h"
#include "audio/sound.h"
#include "base/engine_flags.h"
#include "base/host.h"
#include "base/script_state.h"
#include "base/settings.h"
#include "base/trace.h"
#include "graphics/stage.h"
#include "resources/animation_entry.h"
#include "resources/archives.h"
#include "resources/bitmap24.h"
#include "resources/paint_box.h"
#include "resources/regular_file.h"
#include "script/interpreter_host.h"
#include "script/variables.h"

namespace tolven {

// The enlargement of `animq`: a W x H frame picture into the 2W x 2H picture drawn on PB
// (the destination is given that size when it has another, which blackens it). Quality 0
// doubles every pixel; any other value averages neighbours in two passes and leaves the last
// two columns and rows of the destination as they were.
void EnlargeFrame(const Bitmap24& source, Bitmap24& destination, int animQuality);

// Draws a picture on PB with its top-left corner at (x, y), cutting off what falls outside
// the screen; false when nothing of it is on the screen (PB is then left alone).
bool DrawOnPb(const Bitmap24& picture, PaintBox& pb, int x, int y);

// The archive file of one animation command, opened for reading by position and shared with
// the music stream while the animation's music plays; every read stays inside the entry.
class AnimationArchive {
 public:
  // Nothing when the file cannot be opened as a regular file. The entry is cut to the file.
  static std::shared_ptr<AnimationArchive> Open(const std::filesystem::path& path,
                                                uint64_t entryOffset, uint64_t entrySize);

  uint64_t EntryOffset() const { return entryOffset_; }
  uint64_t EntrySize() const { return entrySize_; }
  // Reads length bytes at an absolute position of the file; false, with nothing read, when
  // they would not all lie inside the entry or the file fails.
  bool ReadAt(uint64_t position, uint8_t* data, size_t length) const;

 private:
  AnimationArchive(RegularFile file, uint64_t entryOffset, uint64_t entrySize)
      : file_(std::move(file)), entryOffset_(entryOffset), entrySize_(entrySize) {}

  RegularFile file_;
  uint64_t entryOffset_;
  uint64_t entrySize_;
};

// The player's read stream over the archive with its current position, the memory stream a
// frame's bytes go into and the decoder's pictures: what turns frame data into a picture.
class AnimationFrameReader {
 public:
  explicit AnimationFrameReader(std::shared_ptr<const AnimationArchive> archive)
      : archive_(std::move(archive)) {}

  void Seek(uint64_t position) { position_ = position; }
  uint64_t Position() const { return position_; }
  // Reads size bytes from the current position (which moves past them) and decodes them as a
  // JPEG file; false when they run past the entry or are no picture (Picture() then holds the
  // last picture decoded).
  bool ReadAndDecode(uint64_t size);
  // Reads size bytes from the current position, which moves past them.
  bool Read(uint64_t size, std::vector<uint8_t>& bytes);
  const Bitmap24& Picture() const { return picture_; }

 private:
  std::shared_ptr<const AnimationArchive> archive_;
  uint64_t position_ = 0;
  std::vector<uint8_t> memory_;  // the memory stream of the frame's bytes
  Bitmap24 picture_;
  Bitmap24 scratch_;
};

// What the player works with.
struct AnimationParts {
  Host& host;  // the tick count, sleeping, the message pump, presenting the screen
  PaintBox& pb;
  Stage& stage;  // its StageBuffer keeps the last frame of `anim`, turns white for `animq`
  const Archives& archives;
  Variables& variables;      // evaluates the condition
  ScriptState& state;        // S040
  const Settings& settings;  // AnimQuality
  Sound& sound;
  MusicStream& music;
  EngineFlags& flags;
  InterpreterHost& engine;  // the menu bar
  Trace& trace;
};

// The animations of `anim` and `animq`, played inside their command on the host's
// clock: an absolute schedule of start + pos x period, late frames dropped, partial frames
// left out after a skip, catch-up frames drawing the skipped key frames again, a click ending
// an interruptible animation. `anim` draws frames as stored and leaves the last one on the
// stage; `animq` draws them enlarged twice over a white stage and leaves nothing of them.
//
// Entries that would make the player read outside them are refused before anything happens,
// with a line in the trace: no frames, frame arrays or frame data past the entry's end, and for
// `animq` a frame size of 0 or larger than the screen. A frame that is no JPEG picture draws
// nothing and keeps its time; a sound past the entry's end is left out and the frames play.
class AnimationPlayer {
 public:
  explicit AnimationPlayer(const AnimationParts& parts) : parts_(parts) {}

  // The command's argument "name,x,y,condition"; doubled for `animq`.
  void PlayAnimation(std::string_view argument, bool doubled);

 private:
  struct Request {
    std::string name;
    int x = 0;
    int y = 0;
    int32_t condition = 0;
  };
  Request Parse(std::string_view argument);
  void Refuse(bool doubled, const std::string& name, const std::string& why);

  AnimationParts parts_;
};

}  // namespace tolven
