#include "screens/animation_player.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <limits>
#include <utility>

#include "base/engine_values.h"
#include "base/text_encoding.h"
#include "graphics/picture_copy.h"
#include "resources/jpeg_picture.h"
#include "screens/effect_scope.h"
#include "script/command_table.h"

namespace tolven {
namespace {

// The period the schedule counts in, in microseconds: `animq` plays 33 ms as a true 30 frames a
// second and 15 ms as 15 frames a second; everything else is the stored milliseconds.
uint64_t SchedulePeriod(uint32_t period, bool doubled) {
  if (doubled && period == 33) return 33333;
  if (doubled && period == 15) return 66666;
  return uint64_t{period} * 1000;
}

// Where frame pos is due, in milliseconds after the start: pos x P / 1000, worked out in two
// parts, since a period of weeks times millions of frames would not fit in 64 bits.
int64_t ScheduledAt(uint64_t pos, uint64_t periodMicros) {
  return static_cast<int64_t>(pos * (periodMicros / 1000) + pos * (periodMicros % 1000) / 1000);
}

// A drawing position far outside the screen stays far outside it without overflowing.
int DrawingPosition(int64_t value) {
  return static_cast<int>(std::clamp<int64_t>(value, INT_MIN / 2, INT_MAX / 2));
}

uint32_t SleepLength(uint64_t milliseconds) {
  return static_cast<uint32_t>(std::min<uint64_t>(milliseconds, UINT32_MAX));
}

// The animation's music reads the command's archive through the same file, inside the entry.
class EntrySource final : public CodedSource {
 public:
  explicit EntrySource(std::shared_ptr<const AnimationArchive> archive)
      : archive_(std::move(archive)) {}
  uint64_t Size() const override { return archive_->EntryOffset() + archive_->EntrySize(); }
  bool ReadAt(uint64_t position, uint8_t* out, size_t length) override {
    return archive_->ReadAt(position, out, length);
  }

 private:
  std::shared_ptr<const AnimationArchive> archive_;
};

// The animation's own sound, stopped again on every way out of the command.
class AnimationSound {
 public:
  AnimationSound(Sound& sound, MusicStream& music) : sound_(sound), music_(music) {}
  ~AnimationSound() { Stop(); }
  AnimationSound(const AnimationSound&) = delete;
  AnimationSound& operator=(const AnimationSound&) = delete;

  void Start(const std::shared_ptr<const AnimationArchive>& archive, const AnimationEntry& entry) {
    if (entry.soundSize == 0) return;
    const uint64_t at = archive->EntryOffset() + entry.soundOffset;
    if (entry.soundSize > kLargestEmbeddedEffect) {
      music_.StartEmbeddedMusic(std::make_shared<EntrySource>(archive), at);
      started_ = Kind::Music;
      return;
    }
    std::vector<uint8_t> bytes(entry.soundSize);
    if (!archive->ReadAt(at, bytes.data(), bytes.size())) return;
    sound_.PlayEmbeddedSound(bytes);
    started_ = Kind::Effect;
  }

  void Stop() {
    if (started_ == Kind::Effect) sound_.StopEmbeddedSound();
    if (started_ == Kind::Music) music_.StopMusicBuffer();
    started_ = Kind::None;
  }

 private:
  enum class Kind { None, Effect, Music };
  Sound& sound_;
  MusicStream& music_;
  Kind started_ = Kind::None;
};

// One command's playback over an entry already read and checked: the frames on their
// schedule, then the last frame; the engine is held meanwhile.
class Playback {
 public:
  Playback(const AnimationParts& parts, std::shared_ptr<const AnimationArchive> archive,
           const AnimationEntry& entry, int x, int y, int32_t condition, bool doubled)
      : parts_(parts),
        archive_(archive),
        reader_(std::move(archive)),
        entry_(entry),
        x_(x),
        y_(y),
        condition_(condition),
        doubled_(doubled) {}

  // Returns how many frame pictures could not be decoded. The animation's sound stops before
  // the engine is given back.
  int Run(AnimationSound& sound) {
    EffectScope scope(parts_.flags, parts_.engine);
    if (doubled_) {
      Bitmap24& stage = parts_.stage.Buffers().StageBuffer;
      std::memset(stage.Data(), 0xFF, stage.SizeBytes());
      const int width = static_cast<int>(entry_.width);
      const int height = static_cast<int>(entry_.height);
      frame_.Resize(width, height);
      enlarged_.Resize(2 * width, 2 * height);
    }
    Loop();
    FinalFrame();
    sound.Stop();
    return undecoded_;
  }

 private:
  void Loop() {
    const std::vector<AnimationFrame>& frames = entry_.frames;
    const uint64_t count = frames.size();
    const uint64_t period = entry_.period;  // D, in milliseconds
    const uint64_t schedule = SchedulePeriod(entry_.period, doubled_);
    Host& host = parts_.host;
    const uint32_t start = host.Ticks();
    uint64_t pos = 0;
    uint64_t skipped = 0;
    while (pos < count) {
      const AnimationFrame& frame = frames[pos];
      reader_.Seek(archive_->EntryOffset() + frame.offset);
      bool drawn = false;
      switch (frame.kind) {
        case static_cast<int16_t>(AnimationFrameKind::Key):
          drawn = DrawWhole(frame.size);
          skipped = 0;
          break;
        case static_cast<int16_t>(AnimationFrameKind::Partial):
          if (skipped == 0) drawn = DrawPartial(frame);
          break;
        case static_cast<int16_t>(AnimationFrameKind::CatchUp):
          // The skipped key frames are drawn again from the stream where it stands, each read
          // with the size of the key frame it stands for.
          for (uint64_t back = 1; back <= skipped && back <= pos; ++back) {
            const int16_t kind = frames[pos - back].kind;
            if (kind == static_cast<int16_t>(AnimationFrameKind::Partial)) break;
            if (kind == static_cast<int16_t>(AnimationFrameKind::Key)) {
              drawn = DrawWhole(frames[pos - back].size) || drawn;
            }
          }
          break;
        default:
          break;
      }
      if (drawn) host.Present();
      host.ProcessMessages();

      const uint32_t elapsed = host.Ticks() - start;
      const int64_t late = static_cast<int64_t>(elapsed) - ScheduledAt(pos, schedule);
      if (period > 0 && late > static_cast<int64_t>(period)) {
        skipped = static_cast<uint64_t>(late) / period;
        const uint64_t rest = period - static_cast<uint64_t>(late) % period;
        if (rest != 0) host.Sleep(SleepLength(rest));
        pos += skipped + 1;
      } else {
        // With a period of 0 every frame counts as on time and nothing sleeps.
        if (late < static_cast<int64_t>(period)) {
          host.Sleep(SleepLength(static_cast<uint64_t>(static_cast<int64_t>(period) - late)));
        }
        pos += 1;
        skipped = 0;
      }

      if (parts_.flags.InterruptRequest != Interrupt::None && condition_ != 0) {
        parts_.state.S(sv::kAnimationCut) = 1;
        break;
      }
    }
  }

  // The last frame, at the origin without its offsets: `anim` leaves it on the stage and on
  // PB; `animq` decodes it and draws nothing.
  void FinalFrame() {
    const AnimationFrame& last = entry_.frames.back();
    reader_.Seek(archive_->EntryOffset() + last.offset);
    if (!Decode(last.size) || doubled_) return;
    const Bitmap24& picture = reader_.Picture();
    CopyRect(picture, 0, 0, picture.Width(), picture.Height(), parts_.stage.Buffers().StageBuffer,
             x_, y_);
    if (DrawOnPb(picture, parts_.pb, x_, y_)) parts_.host.Present();
  }

  bool Decode(uint64_t size) {
    if (reader_.ReadAndDecode(size)) return true;
    ++undecoded_;
    return false;
  }

  // A key frame, or a key frame drawn again by a catch-up frame: at the origin.
  bool DrawWhole(uint64_t size) {
    if (!Decode(size)) return false;
    return Show(0, 0);
  }

  bool DrawPartial(const AnimationFrame& frame) {
    if (!Decode(frame.size)) return false;
    return Show(frame.x, frame.y);
  }

  // The decoded picture at an offset from the origin: straight on PB for `anim`, into the
  // frame picture and enlarged onto PB for `animq`.
  bool Show(int dx, int dy) {
    const Bitmap24& picture = reader_.Picture();
    if (!doubled_) {
      return DrawOnPb(picture, parts_.pb, DrawingPosition(int64_t{x_} + dx),
                      DrawingPosition(int64_t{y_} + dy));
    }
    CopyRect(picture, 0, 0, picture.Width(), picture.Height(), frame_, dx, dy);
    EnlargeFrame(frame_, enlarged_, parts_.settings.AnimQuality);
    return DrawOnPb(enlarged_, parts_.pb, x_, y_);
  }

  const AnimationParts& parts_;
  std::shared_ptr<const AnimationArchive> archive_;
  AnimationFrameReader reader_;
  const AnimationEntry& entry_;
  int x_;
  int y_;
  int32_t condition_;
  bool doubled_;
  Bitmap24 frame_;     // animq: the W x H frame picture
  Bitmap24 enlarged_;  // animq: the 2W x 2H picture drawn on PB
  int undecoded_ = 0;
};

}  // namespace

void EnlargeFrame(const Bitmap24& source, Bitmap24& destination, int animQuality) {
  const int width = source.Width();
  const int height = source.Height();
  destination.Resize(2 * width, 2 * height);
  if (width == 0 || height == 0) return;
  if (animQuality == 0) {
    // Each pixel twice along the row, each row twice.
    for (int y = 0; y < height; ++y) {
      const uint8_t* from = source.Row(y);
      uint8_t* to = destination.Row(2 * y);
      for (int x = 0; x < width; ++x, from += 3, to += 6) {
        to[0] = to[3] = from[0];
        to[1] = to[4] = from[1];
        to[2] = to[5] = from[2];
      }
      std::memcpy(destination.Row(2 * y + 1), destination.Row(2 * y), destination.RowBytes());
    }
    return;
  }
  auto half = [](uint8_t v) { return static_cast<uint8_t>(v >> 1); };
  // Pass 1: the even rows, source pixels in the even columns and the mean of two neighbours
  // between them; the last source column and row are not used as a left or upper pixel.
  for (int r = 0; r + 1 < height; ++r) {
    const uint8_t* from = source.Row(r);
    uint8_t* to = destination.Row(2 * r);
    for (int x = 0; x + 1 < width; ++x, from += 3, to += 6) {
      for (int c = 0; c < 3; ++c) {
        to[c] = from[c];
        to[3 + c] = static_cast<uint8_t>(half(from[c]) + half(from[3 + c]));
      }
    }
  }
  // Pass 2: each odd row the mean of the even rows above and below it.
  const size_t bytes = static_cast<size_t>(2 * width - 2) * 3;
  for (int i = 0; i + 1 < height; ++i) {
    const uint8_t* above = destination.Row(2 * i);
    const uint8_t* below = destination.Row(2 * i + 2);
    uint8_t* to = destination.Row(2 * i + 1);
    for (size_t b = 0; b < bytes; ++b)
      to[b] = static_cast<uint8_t>(half(above[b]) + half(below[b]));
  }
}

bool DrawOnPb(const Bitmap24& picture, PaintBox& pb, int x, int y) {
  const int64_t left = std::max<int64_t>(x, 0);
  const int64_t top = std::max<int64_t>(y, 0);
  const int64_t right = std::min<int64_t>(int64_t{x} + picture.Width(), pb.Picture().Width());
  const int64_t bottom = std::min<int64_t>(int64_t{y} + picture.Height(), pb.Picture().Height());
  if (left >= right || top >= bottom) return false;
  const int width = static_cast<int>(right - left);
  const int height = static_cast<int>(bottom - top);
  Bitmap24& screen = pb.Draw(static_cast<int>(left), static_cast<int>(top), width, height);
  CopyRect(picture, static_cast<int>(left - x), static_cast<int>(top - y), width, height, screen,
           static_cast<int>(left), static_cast<int>(top));
  return true;
}

std::shared_ptr<AnimationArchive> AnimationArchive::Open(const std::filesystem::path& path,
                                                         uint64_t entryOffset, uint64_t entrySize) {
  std::optional<RegularFile> file = RegularFile::Open(path);
  if (!file) return nullptr;
  const uint64_t fileSize = file->Size();
  const uint64_t offset = std::min(entryOffset, fileSize);
  const uint64_t size = std::min(entrySize, fileSize - offset);
  return std::shared_ptr<AnimationArchive>(new AnimationArchive(std::move(*file), offset, size));
}

bool AnimationArchive::ReadAt(uint64_t position, uint8_t* data, size_t length) const {
  if (position < entryOffset_ || position - entryOffset_ > entrySize_ ||
      length > entrySize_ - (position - entryOffset_)) {
    return false;
  }
  return length == 0 || file_.ReadAt(position, data, length);
}

bool AnimationFrameReader::Read(uint64_t size, std::vector<uint8_t>& bytes) {
  const uint64_t at = position_;
  position_ = at + std::min(size, std::numeric_limits<uint64_t>::max() - at);
  if (size > archive_->EntrySize()) return false;
  bytes.resize(static_cast<size_t>(size));
  return archive_->ReadAt(at, bytes.data(), bytes.size());
}

bool AnimationFrameReader::ReadAndDecode(uint64_t size) {
  if (!Read(size, memory_)) return false;
  return DecodeJpegPicture(memory_.data(), memory_.size(), picture_, scratch_);
}

AnimationPlayer::Request AnimationPlayer::Parse(std::string_view argument) {
  Request request;
  const size_t first = argument.find(',');
  request.name = std::string(argument.substr(0, first));
  if (first == std::string_view::npos) return request;
  const std::string_view afterName = argument.substr(first + 1);
  request.x = NumberAt(afterName, 0);
  const size_t second = afterName.find(',');
  if (second == std::string_view::npos) return request;
  const std::string_view afterX = afterName.substr(second + 1);
  request.y = NumberAt(afterX, 0);
  const size_t third = afterX.find(',');
  if (third == std::string_view::npos) return request;
  request.condition = parts_.variables.EvaluateExpression(afterX.substr(third + 1));
  return request;
}

void AnimationPlayer::Refuse(bool doubled, const std::string& name, const std::string& why) {
  parts_.trace.Write(std::string(doubled ? "animq " : "anim ") + ShiftJisToUtf8Lossy(name) + ": " +
                     why + "; not played");
}

void AnimationPlayer::PlayAnimation(std::string_view argument, bool doubled) {
  const Request request = Parse(argument);
  const std::optional<ArchiveEntry> found = parts_.archives.FindAnimation(request.name);
  if (!found) {
    Refuse(doubled, request.name, "no such animation");
    return;
  }
  const std::shared_ptr<const AnimationArchive> archive = AnimationArchive::Open(
      parts_.archives.GameDirectory() / found->archive, found->offset, found->size);
  if (!archive) {
    Refuse(doubled, request.name, found->archive + " cannot be read");
    return;
  }

  // The header first, then the header and the frame arrays it announces, as far as the entry
  // holds them; the reader refuses what is missing.
  const uint64_t entrySize = archive->EntrySize();
  std::vector<uint8_t> table(
      static_cast<size_t>(std::min<uint64_t>(kAnimationHeaderBytes, entrySize)));
  if (!archive->ReadAt(archive->EntryOffset(), table.data(), table.size())) table.clear();
  if (const std::optional<uint32_t> count = AnimationFrameCount(table)) {
    const uint64_t tableBytes = AnimationTableBytes(*count);
    if (tableBytes <= entrySize) {
      table.resize(static_cast<size_t>(tableBytes));
      if (!archive->ReadAt(archive->EntryOffset(), table.data(), table.size())) table.clear();
    }
  }
  std::string why;
  std::string soundFault;
  const std::optional<AnimationEntry> entry =
      ReadAnimationEntry(table, entrySize, why, &soundFault);
  if (!entry) {
    Refuse(doubled, request.name, why);
    return;
  }
  if (doubled && (entry->width == 0 || entry->height == 0 ||
                  entry->width > static_cast<uint32_t>(kScreenWidth) ||
                  entry->height > static_cast<uint32_t>(kScreenHeight))) {
    Refuse(doubled, request.name,
           "a frame size of " + std::to_string(entry->width) + "x" + std::to_string(entry->height) +
               " cannot be enlarged onto the screen");
    return;
  }
  const std::string label =
      std::string(doubled ? "animq " : "anim ") + ShiftJisToUtf8Lossy(request.name) + ": ";
  if (!soundFault.empty()) parts_.trace.Write(label + soundFault + "; played without it");

  AnimationSound sound(parts_.sound, parts_.music);
  sound.Start(archive, *entry);
  Playback playback(parts_, archive, *entry, request.x, request.y, request.condition, doubled);
  const int undecoded = playback.Run(sound);
  if (undecoded > 0) {
    parts_.trace.Write(label + std::to_string(undecoded) +
                       " reads of frame data gave no JPEG picture and drew nothing");
  }
}

}  // namespace tolven
