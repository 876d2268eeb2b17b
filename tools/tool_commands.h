#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "resources/archive_index.h"
#include "tools/picture_encoder.h"

namespace tolven::tools {

// Each command throws ToolError for bad input, before it writes anything.

void ListArchive(const std::filesystem::path& archive, std::optional<ArchiveLayout> layout,
                 std::ostream& out);

struct ExtractOptions {
  std::optional<ArchiveLayout> layout;
  bool utf8 = false;  // scripts and definition texts as UTF-8 text files
  bool png = false;   // pictures as PNG files
  bool wav = false;   // WADY sounds as wave files, an animation's sound beside its entry
};

void ExtractArchive(const std::filesystem::path& archive, const std::vector<std::string>& names,
                    const std::filesystem::path& outDir, const ExtractOptions& options);

void PackArchive(ArchiveLayout layout, const std::filesystem::path& archive,
                 const std::vector<std::filesystem::path>& files);

void DecodePictureFile(const std::filesystem::path& in, const std::filesystem::path& outPng);
void EncodePictureFile(const std::filesystem::path& inPng, const std::filesystem::path& out,
                       const PackOptions& options);

// A game folder from sources: scripts/*.txt, pictures/*.png and *.jpg, voices/*.wav and *.ogg,
// effects/*.wav (looping ones in effects/loop/), music/Mnn.wav (see MusicInput for loops);
// the files of movies/ are copied into the game folder's movies/. anim/ becomes qe_anim.tvk,
// one entry per animation named by file stem or folder name: every anim/NAME.anim is taken
// as it is once the player's reader accepts it (see CheckAnimation), every folder anim/NAME/
// is built as `anim build` builds it (see BuildAnimation).
void BuildGame(const std::filesystem::path& sourceDir, const std::filesystem::path& outDir);

}  // namespace tolven::tools
