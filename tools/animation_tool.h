#pragma once

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "tools/archive_writer.h"

namespace tolven::tools {

// An animation entry from a folder of sources:
//
// - frame pictures named by their number (000.png, 001.jpg, ...), numbered from 0 without
//   gaps or repeats; a PNG frame is encoded to JPEG, a JPEG frame is stored as it is once it
//   is known to decode. The first frame's size is the size in the header.
// - an optional anim.txt, one statement a line, '#' starting a comment:
//     period MS         milliseconds per frame, at least 1 (default 100)
//     loop SECONDS      where a sound that streams as music goes on after its end (default 0)
//     N KIND [X,Y]      frame N: key, partial (drawn at the offsets X,Y) or catch-up
//   A frame without a line is a key frame. A catch-up frame has no picture of its own: it
//   points at the key frame before it, which is what the player redraws after skipping.
// - an optional wave file of 16-bit PCM (any name), byte-coded as music is. Above
//   kLargestEmbeddedEffect bytes it streams as looping music; otherwise it plays once.
//
// Throws ToolError naming the file (and the line of anim.txt) for anything unusable.
std::vector<uint8_t> BuildAnimation(const std::filesystem::path& folder);

// `anim build`: the entry of the folder written as one file, or nothing.
void BuildAnimationFile(const std::filesystem::path& folder, const std::filesystem::path& out);

// An entry that someone else built, checked before it goes into a game: the player's reader
// must take it with its sound, the period must be non-zero, every drawn frame must decode and
// the sound must be a WADY sound the player can use. Throws ToolError naming `what`.
void CheckAnimation(std::span<const uint8_t> entry, const std::string& what);

// `anim show`: the header and the frame table, one line each. An entry the player's reader
// refuses is a ToolError with its reason; a sound the player would drop is said on its line.
void ShowAnimationFile(const std::filesystem::path& file, std::ostream& out);

// The entries of a game's anim/ folder, named by file stem or folder name: every NAME.anim
// checked and taken as it is, every sub-folder built. None for an absent folder.
std::vector<ArchiveInput> AnimationInputs(const std::filesystem::path& dir);

}  // namespace tolven::tools
