#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "audio/wady.h"
#include "tools/archive_writer.h"

namespace tolven::tools {

// WADY to a wave file, as the engine decodes it. Without a coding, byte coding is assumed when
// the coded data holds exactly one byte per sample, as byte coding always does, and block
// coding otherwise. Throws ToolError, writing nothing, for a sound the engine would not play.
void DecodeSoundFile(const std::filesystem::path& in, const std::filesystem::path& outWav,
                     std::optional<WadyCoding> coding);

// The wave file of a WADY entry held in memory, by the same rules; `what` names the entry in
// the ToolError.
std::vector<uint8_t> WavOfWady(std::span<const uint8_t> entry, std::optional<WadyCoding> coding,
                               const std::string& what);

// A wave file of 16-bit PCM to WADY. The loop start, in seconds from the beginning, is where a
// byte-coded music stream goes on after its end.
void EncodeSoundFile(const std::filesystem::path& inWav, const std::filesystem::path& out,
                     WadyCoding coding, std::optional<double> loopStartSeconds);

// Archive entries for a game's sound sources; the entry is named after the file. Each throws
// ToolError naming the file when it cannot be used.
//
// A voice or effect wave file becomes a block-coded WADY entry; an Ogg Vorbis voice is stored
// as it is once it is known to decode.
ArchiveInput VoiceInput(const std::filesystem::path& file);
ArchiveInput EffectInput(const std::filesystem::path& file);
// Music files are named M00 to M99 and must fit the music stream (rate times channels at most
// 88,200). A text file beside one, of the same name with the extension ".loop", holds its loop
// start in seconds; without it the whole piece loops.
ArchiveInput MusicInput(const std::filesystem::path& file);

}  // namespace tolven::tools
