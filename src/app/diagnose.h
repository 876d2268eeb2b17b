#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

namespace tolven {

// The program's version and the versions of the libraries it runs with, one a line: what
// --version prints.
std::string VersionText();

// Where a diagnosis looks: the same folders a run with these arguments would use.
struct DiagnoseRequest {
  std::filesystem::path gameDirectory;
  std::optional<std::filesystem::path> configDirectory;
  std::optional<std::filesystem::path> saveDirectory;
};

// What a player pastes into a bug report: the versions, the game's archives with their entry
// counts, the save folder and the settings file a run would use, the font chosen for each face
// the engine draws with, and SDL's video and audio drivers. Works without a display or a sound
// device: it then says what it could not start and lists the drivers there are.
void WriteDiagnosis(const DiagnoseRequest& request, std::ostream& out);

}  // namespace tolven
