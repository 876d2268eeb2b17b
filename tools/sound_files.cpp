#include "tools/sound_files.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <string>

#include "audio/music_stream.h"
#include "audio/ogg_sound.h"
#include "audio/wav_file.h"
#include "resources/archive_index.h"
#include "tools/file_io.h"
#include "tools/wady_encoder.h"

namespace tolven::tools {
namespace {

namespace fs = std::filesystem;

Pcm ReadWav(const fs::path& file) {
  const std::vector<uint8_t> bytes = ReadWholeFile(file);
  std::string fault;
  std::optional<Pcm> pcm = ParseWav(bytes, &fault);
  if (!pcm) throw ToolError(file.string() + ": " + fault);
  return *pcm;
}

WadyCoding GuessCoding(const WadyHeader& header) {
  const uint64_t samples = uint64_t{header.frames} * header.channels;
  return samples > 0 && header.codedSize == samples ? WadyCoding::Byte : WadyCoding::Block;
}

// The frame a loop start in seconds names; ToolError for anything but a time within the sound.
size_t LoopFrame(const fs::path& file, const Pcm& pcm, double seconds) {
  const double frame = std::round(seconds * pcm.rate);
  if (!std::isfinite(seconds) || seconds < 0 || frame >= static_cast<double>(pcm.Frames())) {
    throw ToolError(file.string() + ": the loop start " + std::to_string(seconds) +
                    " s lies outside the sound (" +
                    std::to_string(static_cast<double>(pcm.Frames()) / pcm.rate) + " s)");
  }
  return static_cast<size_t>(frame);
}

std::vector<uint8_t> Encode(const fs::path& file, const Pcm& pcm,
                            const WadyEncodeOptions& options) {
  try {
    return EncodeWady(pcm, options);
  } catch (const ToolError& error) {
    throw ToolError(file.string() + ": " + error.what());
  }
}

std::optional<double> ReadLoopSeconds(const fs::path& musicFile) {
  fs::path loopFile = musicFile;
  loopFile.replace_extension(".loop");
  std::error_code error;
  if (!fs::exists(loopFile, error)) return std::nullopt;
  const std::vector<uint8_t> bytes = ReadWholeFile(loopFile);
  std::string text(bytes.begin(), bytes.end());
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  double seconds = 0;
  const auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (fault != std::errc() || end != text.data() + text.size()) {
    throw ToolError(loopFile.string() + ": not a number of seconds");
  }
  return seconds;
}

bool IsMusicName(const std::string& name) {
  return name.size() == 3 && (name[0] == 'M' || name[0] == 'm') && std::isdigit(name[1]) &&
         std::isdigit(name[2]);
}

}  // namespace

std::vector<uint8_t> WavOfWady(std::span<const uint8_t> entry, std::optional<WadyCoding> coding,
                               const std::string& what) {
  const std::optional<WadyHeader> header = ReadWadyHeader(entry);
  if (!header) throw ToolError(what + ": not a WADY sound");
  // Codes that end before the header's decoded size are no reason to refuse: the engine plays
  // the sound, silent where the codes ran out (a stereo sound whose right block ends early, a
  // block cut short), and the wave file holds the same.
  std::optional<Pcm> pcm = DecodeWadySound(entry, coding.value_or(GuessCoding(*header)));
  if (!pcm) {
    throw ToolError(what +
                    ": not a playable WADY sound (its format or its decoded size is damaged)");
  }
  return WavBytes(*pcm);
}

void DecodeSoundFile(const fs::path& in, const fs::path& outWav, std::optional<WadyCoding> coding) {
  WriteOutputFile(outWav, WavOfWady(ReadWholeFile(in), coding, in.string()));
}

void EncodeSoundFile(const fs::path& inWav, const fs::path& out, WadyCoding coding,
                     std::optional<double> loopStartSeconds) {
  const Pcm pcm = ReadWav(inWav);
  WadyEncodeOptions options;
  options.coding = coding;
  if (loopStartSeconds) options.loopFrame = LoopFrame(inWav, pcm, *loopStartSeconds);
  WriteOutputFile(out, Encode(inWav, pcm, options));
}

ArchiveInput VoiceInput(const fs::path& file) {
  if (UpperCaseName(file.extension().string()) != ".OGG") return EffectInput(file);
  std::vector<uint8_t> bytes = ReadWholeFile(file);
  if (!DecodeOggSound(bytes)) throw ToolError(file.string() + ": not a playable Ogg Vorbis sound");
  return {file.stem().string(), std::move(bytes)};
}

ArchiveInput EffectInput(const fs::path& file) {
  return {file.stem().string(), Encode(file, ReadWav(file), WadyEncodeOptions{})};
}

ArchiveInput MusicInput(const fs::path& file) {
  const std::string name = file.stem().string();
  if (!IsMusicName(name)) throw ToolError(file.string() + ": music files are named M00 to M99");
  const Pcm pcm = ReadWav(file);
  if (pcm.rate * pcm.channels > MusicStream::kMaxSamplesPerSecond) {
    throw ToolError(file.string() + ": music may have at most " +
                    std::to_string(MusicStream::kMaxSamplesPerSecond) +
                    " samples a second (44,100 Hz stereo)");
  }
  WadyEncodeOptions options;
  options.coding = WadyCoding::Byte;
  if (const std::optional<double> seconds = ReadLoopSeconds(file)) {
    options.loopFrame = LoopFrame(file, pcm, *seconds);
  }
  return {UpperCaseName(name), Encode(file, pcm, options)};
}

}  // namespace tolven::tools
