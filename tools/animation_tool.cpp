#include "tools/animation_tool.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <sstream>

#include "audio/music_stream.h"
#include "audio/wady.h"
#include "audio/wav_file.h"
#include "resources/animation_entry.h"
#include "resources/archive_index.h"
#include "resources/jpeg_picture.h"
#include "tools/file_io.h"
#include "tools/jpeg_encoder.h"
#include "tools/png_file.h"
#include "tools/wady_encoder.h"

namespace tolven::tools {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kDefaultPeriod = 100;

// The items of a folder in name order, so that every message about them comes out the same on
// every run.
std::vector<fs::path> ItemsIn(const fs::path& dir) {
  std::vector<fs::path> items;
  std::error_code error;
  for (fs::directory_iterator item(dir, error), end; !error && item != end; item.increment(error)) {
    items.push_back(item->path());
  }
  if (error) throw ToolError(dir.string() + ": cannot be read (" + error.message() + ")");
  std::sort(items.begin(), items.end());
  return items;
}

void RequireFolder(const fs::path& dir) {
  const fs::file_type type = TypeOf(dir);
  if (type == fs::file_type::not_found) throw ToolError(dir.string() + ": no such folder");
  if (type != fs::file_type::directory) throw ToolError(dir.string() + ": not a folder");
}

bool IsPictureExtension(const std::string& upperExtension) {
  return upperExtension == ".PNG" || upperExtension == ".JPG" || upperExtension == ".JPEG";
}

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

template <typename Number>
std::optional<Number> ParseNumber(std::string_view text) {
  Number value{};
  const auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (fault != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The sources an animation folder holds.
struct FolderContents {
  std::map<uint32_t, fs::path> pictures;  // by frame number
  std::optional<fs::path> description;
  std::optional<fs::path> sound;
};

// Any other file in the folder is left alone (notes, an editor's project file), except those
// that look like a frame but cannot be one: a typo there would otherwise drop a frame unseen.
FolderContents ScanFolder(const fs::path& folder) {
  RequireFolder(folder);
  FolderContents contents;
  for (const fs::path& item : ItemsIn(folder)) {
    if (TypeOf(item) != fs::file_type::regular) continue;
    const std::string file = item.string();
    const std::string extension = UpperCaseName(item.extension().string());
    const std::string stem = item.stem().string();
    if (UpperCaseName(item.filename().string()) == "ANIM.TXT") {
      contents.description = item;
    } else if (extension == ".WAV") {
      if (contents.sound) {
        throw ToolError(file + ": a second sound beside " + contents.sound->filename().string() +
                        "; an animation has at most one");
      }
      contents.sound = item;
    } else if (AllDigits(stem)) {
      if (!IsPictureExtension(extension)) {
        throw ToolError(file + ": a frame picture must be a PNG or JPEG file");
      }
      const std::optional<uint32_t> number = ParseNumber<uint32_t>(stem);
      if (!number) throw ToolError(file + ": frame number too large");
      const auto [other, added] = contents.pictures.try_emplace(*number, item);
      if (!added) {
        throw ToolError(file + ": frame " + stem + " is also " + other->second.filename().string());
      }
    } else if (IsPictureExtension(extension)) {
      throw ToolError(file + ": frame pictures are named by their number (000.png, 001.jpg, ...)");
    }
  }
  return contents;
}

struct FrameLine {
  AnimationFrameKind kind = AnimationFrameKind::Key;
  int16_t x = 0;
  int16_t y = 0;
  int line = 0;
};

struct Description {
  fs::path file;
  uint32_t period = kDefaultPeriod;
  int periodLine = 0;
  std::optional<double> loopSeconds;
  int loopLine = 0;
  std::map<uint32_t, FrameLine> frames;

  [[noreturn]] void Fail(int line, const std::string& what) const {
    throw ToolError(file.string() + ":" + std::to_string(line) + ": " + what);
  }
};

std::optional<AnimationFrameKind> KindOfName(std::string_view name) {
  if (name == "key") return AnimationFrameKind::Key;
  if (name == "partial") return AnimationFrameKind::Partial;
  if (name == "catch-up") return AnimationFrameKind::CatchUp;
  return std::nullopt;
}

std::string NameOfKind(int16_t kind) {
  switch (static_cast<AnimationFrameKind>(kind)) {
    case AnimationFrameKind::Key:
      return "key";
    case AnimationFrameKind::Partial:
      return "partial";
    case AnimationFrameKind::CatchUp:
      return "catch-up";
  }
  return "unknown(" + std::to_string(kind) + ")";
}

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream stream(line);
  for (std::string word; stream >> word;) words.push_back(word);
  return words;
}

void ReadFrameLine(Description& description, int line, const std::vector<std::string>& words) {
  const std::optional<uint32_t> number = ParseNumber<uint32_t>(words[0]);
  if (!number) description.Fail(line, "frame number " + words[0] + " too large");
  if (words.size() < 2 || words.size() > 3) {
    description.Fail(line, "a frame line is NUMBER KIND [X,Y]");
  }
  const std::optional<AnimationFrameKind> kind = KindOfName(words[1]);
  if (!kind) {
    description.Fail(line, "unknown frame kind \"" + words[1] + "\" (key, partial or catch-up)");
  }
  FrameLine frame{*kind, 0, 0, line};
  if (words.size() == 3) {
    // Only a partial frame is drawn at its offsets; on any other kind they would be a silent
    // no-op that the author surely did not mean.
    if (*kind != AnimationFrameKind::Partial) {
      description.Fail(line, "only a partial frame has offsets");
    }
    const std::string& offsets = words[2];
    const size_t comma = offsets.find(',');
    const std::optional<int16_t> x =
        comma == std::string::npos ? std::nullopt : ParseNumber<int16_t>(offsets.substr(0, comma));
    const std::optional<int16_t> y =
        comma == std::string::npos ? std::nullopt : ParseNumber<int16_t>(offsets.substr(comma + 1));
    if (!x || !y) {
      description.Fail(line, "offsets \"" + offsets + "\" are not X,Y within -32768 to 32767");
    }
    frame.x = *x;
    frame.y = *y;
  }
  const auto [earlier, added] = description.frames.try_emplace(*number, frame);
  if (!added) {
    description.Fail(line, "frame " + words[0] + " is already described on line " +
                               std::to_string(earlier->second.line));
  }
}

Description ReadDescription(const fs::path& file) {
  Description description;
  description.file = file;
  const std::vector<uint8_t> bytes = ReadWholeFile(file);
  std::string text(bytes.begin(), bytes.end());
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  std::istringstream stream(text);
  int line = 0;
  for (std::string content; std::getline(stream, content);) {
    ++line;
    content = content.substr(0, content.find('#'));
    const std::vector<std::string> words = Words(content);
    if (words.empty()) continue;
    if (words[0] == "period") {
      if (description.periodLine != 0) {
        description.Fail(
            line, "the period is already given on line " + std::to_string(description.periodLine));
      }
      // The player divides by the period to count skipped frames, so 0 is refused.
      const std::optional<uint32_t> period =
          words.size() == 2 ? ParseNumber<uint32_t>(words[1]) : std::nullopt;
      if (!period || *period == 0) {
        description.Fail(line, "the period is a whole number of milliseconds, at least 1");
      }
      description.period = *period;
      description.periodLine = line;
    } else if (words[0] == "loop") {
      if (description.loopLine != 0) {
        description.Fail(line, "the loop start is already given on line " +
                                   std::to_string(description.loopLine));
      }
      const std::optional<double> seconds =
          words.size() == 2 ? ParseNumber<double>(words[1]) : std::nullopt;
      if (!seconds || !std::isfinite(*seconds) || *seconds < 0) {
        description.Fail(line, "the loop start is a number of seconds, 0 or more");
      }
      description.loopSeconds = *seconds;
      description.loopLine = line;
    } else if (AllDigits(words[0])) {
      ReadFrameLine(description, line, words);
    } else {
      description.Fail(line,
                       "unknown statement \"" + words[0] + "\" (period, loop or a frame number)");
    }
  }
  return description;
}

// A frame's JPEG bytes and the size it decodes to.
struct FramePicture {
  std::vector<uint8_t> jpeg;
  int width = 0;
  int height = 0;
};

FramePicture ReadFramePicture(const fs::path& file) {
  if (UpperCaseName(file.extension().string()) == ".PNG") {
    const Bitmap24 bitmap = ReadPng(file);
    return {EncodeJpeg(bitmap), bitmap.Width(), bitmap.Height()};
  }
  FramePicture picture{ReadWholeFile(file), 0, 0};
  Bitmap24 check;
  if (!DecodeJpegPicture(picture.jpeg.data(), picture.jpeg.size(), check)) {
    throw ToolError(file.string() + ": not a readable JPEG picture");
  }
  picture.width = check.Width();
  picture.height = check.Height();
  return picture;
}

// The byte-coded sound of the folder's wave file. A loop start is only refused where it would
// mean nothing: a sound small enough to play once as an effect never loops.
std::vector<uint8_t> EncodeSound(const fs::path& file, const Description& description) {
  const std::vector<uint8_t> bytes = ReadWholeFile(file);
  std::string fault;
  const std::optional<Pcm> pcm = ParseWav(bytes, &fault);
  if (!pcm) throw ToolError(file.string() + ": " + fault);
  if (pcm->Frames() == 0) throw ToolError(file.string() + ": the sound is empty");
  WadyEncodeOptions options;
  options.coding = WadyCoding::Byte;
  if (description.loopSeconds) {
    const double seconds = *description.loopSeconds;
    const double frame = std::round(seconds * pcm->rate);
    if (frame >= static_cast<double>(pcm->Frames())) {
      description.Fail(description.loopLine,
                       "the loop start " + std::to_string(seconds) + " s lies outside the sound (" +
                           std::to_string(static_cast<double>(pcm->Frames()) / pcm->rate) + " s)");
    }
    options.loopFrame = static_cast<size_t>(frame);
  }
  std::vector<uint8_t> sound;
  try {
    sound = EncodeWady(*pcm, options);
  } catch (const ToolError& error) {
    throw ToolError(file.string() + ": " + error.what());
  }
  if (sound.size() > kLargestEmbeddedEffect) {
    if (pcm->rate * pcm->channels > MusicStream::kMaxSamplesPerSecond) {
      throw ToolError(file.string() + ": a sound of more than " +
                      std::to_string(kLargestEmbeddedEffect) +
                      " bytes streams as music, which takes at most " +
                      std::to_string(MusicStream::kMaxSamplesPerSecond) +
                      " samples a second (44,100 Hz stereo)");
    }
  } else if (description.loopSeconds) {
    description.Fail(description.loopLine,
                     "the sound (" + std::to_string(sound.size()) +
                         " bytes coded) plays once as an effect and never loops; only one of more "
                         "than " +
                         std::to_string(kLargestEmbeddedEffect) +
                         " bytes streams as looping music");
  }
  return sound;
}

uint32_t Read32(std::span<const uint8_t> bytes, size_t at) {
  return uint32_t{bytes[at]} | uint32_t{bytes[at + 1]} << 8 | uint32_t{bytes[at + 2]} << 16 |
         uint32_t{bytes[at + 3]} << 24;
}

}  // namespace

std::vector<uint8_t> BuildAnimation(const fs::path& folder) {
  const FolderContents contents = ScanFolder(folder);
  Description description;
  description.file = folder / "anim.txt";
  if (contents.description) description = ReadDescription(*contents.description);

  // A frame is either a picture or a catch-up line; together they number 0, 1, 2, ...
  std::vector<uint32_t> numbers;
  for (const auto& [number, file] : contents.pictures) numbers.push_back(number);
  for (const auto& [number, frame] : description.frames) {
    const auto picture = contents.pictures.find(number);
    if (frame.kind == AnimationFrameKind::CatchUp) {
      if (picture != contents.pictures.end()) {
        description.Fail(frame.line, "frame " + std::to_string(number) +
                                         " is a catch-up frame, which has no picture of its own (" +
                                         picture->second.filename().string() + ")");
      }
      numbers.push_back(number);
    } else if (picture == contents.pictures.end()) {
      description.Fail(frame.line, "frame " + std::to_string(number) + " has no picture");
    }
  }
  if (numbers.empty()) {
    throw ToolError(folder.string() + ": no frame pictures (000.png, 001.jpg, ...)");
  }
  std::sort(numbers.begin(), numbers.end());
  for (size_t i = 0; i < numbers.size(); ++i) {
    if (numbers[i] != i) {
      throw ToolError(folder.string() + ": there is no frame " + std::to_string(i) +
                      " before frame " + std::to_string(numbers[i]) +
                      " (frames are numbered from 0 without gaps)");
    }
  }

  const auto count = static_cast<uint32_t>(numbers.size());
  AnimationEntry entry;
  entry.period = description.period;
  entry.frames.resize(count);
  std::vector<uint8_t> data;  // the frames' pictures, in frame order after the table
  const uint64_t tableBytes = AnimationTableBytes(count);
  std::optional<uint32_t> lastKey;
  for (uint32_t i = 0; i < count; ++i) {
    AnimationFrame& frame = entry.frames[i];
    const auto line = description.frames.find(i);
    if (line != description.frames.end()) {
      frame.kind = static_cast<int16_t>(line->second.kind);
      frame.x = line->second.x;
      frame.y = line->second.y;
    }
    if (frame.kind == static_cast<int16_t>(AnimationFrameKind::CatchUp)) {
      // After skipped frames the player reads the skipped key frame's size from this frame's
      // own offset, so the catch-up frame points at that key frame's bytes.
      if (!lastKey) {
        description.Fail(line->second.line, "frame " + std::to_string(i) +
                                                " is a catch-up frame, but no key frame comes "
                                                "before it");
      }
      frame.offset = entry.frames[*lastKey].offset;
      frame.size = entry.frames[*lastKey].size;
      continue;
    }
    const FramePicture picture = ReadFramePicture(contents.pictures.at(i));
    if (i == 0) {
      entry.width = static_cast<uint32_t>(picture.width);
      entry.height = static_cast<uint32_t>(picture.height);
    }
    const uint64_t offset = tableBytes + data.size();
    if (offset + picture.jpeg.size() > std::numeric_limits<uint32_t>::max()) {
      throw ToolError(folder.string() +
                      ": the frames take more than 4 GiB, more than an entry "
                      "can hold");
    }
    frame.offset = static_cast<uint32_t>(offset);
    frame.size = static_cast<uint32_t>(picture.jpeg.size());
    data.insert(data.end(), picture.jpeg.begin(), picture.jpeg.end());
    if (frame.kind == static_cast<int16_t>(AnimationFrameKind::Key)) lastKey = i;
  }
  // The player leaves the last frame on screen drawn at the origin, without its offsets.
  const AnimationFrame& last = entry.frames.back();
  if (last.kind == static_cast<int16_t>(AnimationFrameKind::Partial) &&
      (last.x != 0 || last.y != 0)) {
    description.Fail(description.frames.at(count - 1).line,
                     "the last frame stays on screen drawn without its offsets, so it cannot be a "
                     "partial frame at " +
                         std::to_string(last.x) + "," + std::to_string(last.y));
  }
  if (description.loopSeconds && !contents.sound) {
    description.Fail(description.loopLine, "a loop start needs a sound (a .wav file beside it)");
  }

  std::vector<uint8_t> sound;
  if (contents.sound) sound = EncodeSound(*contents.sound, description);
  const uint64_t soundOffset = tableBytes + data.size();
  if (soundOffset + sound.size() > std::numeric_limits<uint32_t>::max()) {
    throw ToolError(folder.string() +
                    ": the animation takes more than 4 GiB, more than an entry "
                    "can hold");
  }
  if (!sound.empty()) {
    entry.soundSize = static_cast<uint32_t>(sound.size());
    entry.soundOffset = static_cast<uint32_t>(soundOffset);
  }

  std::vector<uint8_t> bytes = WriteAnimationTable(entry);
  bytes.insert(bytes.end(), data.begin(), data.end());
  bytes.insert(bytes.end(), sound.begin(), sound.end());
  return bytes;
}

void BuildAnimationFile(const fs::path& folder, const fs::path& out) {
  WriteOutputFile(out, BuildAnimation(folder));
}

void CheckAnimation(std::span<const uint8_t> entry, const std::string& what) {
  auto fail = [&what](const std::string& reason) {
    throw ToolError(what + ": damaged animation: " + reason);
  };
  std::string why;
  std::string soundFault;
  const std::optional<AnimationEntry> read =
      ReadAnimationEntry(entry, entry.size(), why, &soundFault);
  if (!read) fail(why);
  if (!soundFault.empty()) fail(soundFault);
  if (read->period == 0) fail("its period is 0 ms");
  Bitmap24 check;
  for (size_t i = 0; i < read->frames.size(); ++i) {
    const AnimationFrame& frame = read->frames[i];
    const bool drawn = frame.kind == static_cast<int16_t>(AnimationFrameKind::Key) ||
                       frame.kind == static_cast<int16_t>(AnimationFrameKind::Partial);
    if (drawn && !DecodeJpegPicture(entry.data() + frame.offset, frame.size, check)) {
      fail("frame " + std::to_string(i) + " is not a readable JPEG picture");
    }
  }
  if (read->soundSize == 0) return;
  const std::span<const uint8_t> sound = entry.subspan(read->soundOffset, read->soundSize);
  const std::optional<WadyHeader> header = ReadWadyHeader(sound);
  if (!header || !DecodeWadySound(sound, WadyCoding::Byte)) {
    fail("its sound is not a playable byte-coded WADY sound");
  }
  if (read->soundSize > kLargestEmbeddedEffect &&
      uint64_t{header->rate} * header->channels > MusicStream::kMaxSamplesPerSecond) {
    fail("its sound streams as music but has more than " +
         std::to_string(MusicStream::kMaxSamplesPerSecond) + " samples a second");
  }
}

void ShowAnimationFile(const fs::path& file, std::ostream& out) {
  const std::vector<uint8_t> bytes = ReadWholeFile(file);
  std::string why;
  std::string soundFault;
  const std::optional<AnimationEntry> entry =
      ReadAnimationEntry(bytes, bytes.size(), why, &soundFault);
  if (!entry) throw ToolError(file.string() + ": damaged animation: " + why);
  out << "frames " << entry->frames.size() << '\n';
  out << "period " << entry->period << " ms\n";
  out << "size " << entry->width << 'x' << entry->height << '\n';
  if (!soundFault.empty()) {
    out << "sound " << Read32(bytes, 16) << " bytes at " << Read32(bytes, 20)
        << ", dropped by the player: " << soundFault << '\n';
  } else if (entry->soundSize == 0) {
    out << "sound none\n";
  } else {
    out << "sound " << entry->soundSize << " bytes at " << entry->soundOffset
        << (entry->soundSize > kLargestEmbeddedEffect ? ", streams as looping music"
                                                      : ", plays once as an effect")
        << '\n';
  }
  out << "frame kind x y offset size\n";
  for (size_t i = 0; i < entry->frames.size(); ++i) {
    const AnimationFrame& frame = entry->frames[i];
    out << i << ' ' << NameOfKind(frame.kind) << ' ' << frame.x << ' ' << frame.y << ' '
        << frame.offset << ' ' << frame.size << '\n';
  }
}

std::vector<ArchiveInput> AnimationInputs(const fs::path& dir) {
  std::vector<ArchiveInput> entries;
  const fs::file_type type = TypeOf(dir);
  if (type == fs::file_type::not_found) return entries;
  if (type != fs::file_type::directory) throw ToolError(dir.string() + ": not a folder");
  // The engine finds an animation by name whatever its case, so two sources that differ only
  // in case would leave one of them unreachable.
  std::map<std::string, fs::path> sources;
  for (const fs::path& item : ItemsIn(dir)) {
    const fs::file_type itemType = TypeOf(item);
    std::string name;
    if (itemType == fs::file_type::directory) {
      name = item.filename().string();
    } else if (itemType == fs::file_type::regular &&
               UpperCaseName(item.extension().string()) == ".ANIM") {
      name = item.stem().string();
    } else {
      continue;
    }
    const auto [other, added] = sources.try_emplace(UpperCaseName(name), item);
    if (!added) {
      throw ToolError(item.string() + ": " + other->second.string() + " is already the animation " +
                      name);
    }
    if (itemType == fs::file_type::directory) {
      entries.push_back({name, BuildAnimation(item)});
    } else {
      std::vector<uint8_t> bytes = ReadWholeFile(item);
      CheckAnimation(bytes, item.string());
      entries.push_back({name, std::move(bytes)});
    }
  }
  return entries;
}

}  // namespace tolven::tools
