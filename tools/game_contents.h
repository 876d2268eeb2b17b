#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "tools/check_findings.h"

namespace tolven::tools {

// What a game holds that its scripts name: its scripts and definition texts, and whether a
// picture, sound, music track, animation or movie of a name is there. Read from a game folder
// through the engine's archives, or from a source folder as `build-game` would take it.
class GameContents {
 public:
  using NameLookup = std::function<bool(std::string_view)>;

  const std::vector<GameText>& Texts() const { return texts_; }
  // By entry name, letter case ignored, as the engine loads a script; null when absent.
  const GameText* FindText(std::string_view name) const;

  bool HasPicture(std::string_view name) const { return picture_(name); }
  bool HasSound(std::string_view name) const { return sound_(name); }
  bool HasAnimation(std::string_view name) const { return animation_(name); }
  // Track n is the entry "Mnn" of the music archive.
  bool HasMusic(int number) const;
  // Movies are files, named by their path from the game folder.
  bool HasMovie(std::string_view path) const;

  // A game folder holds the script archive; a source folder holds scripts/. Anything else is
  // a ToolError. Source lines that Shift-JIS cannot hold are findings, and are read as empty.
  static GameContents Open(const std::filesystem::path& folder, Findings& findings);

 private:
  static GameContents OpenGameFolder(const std::filesystem::path& folder);
  static GameContents OpenSourceFolder(const std::filesystem::path& folder, Findings& findings);

  std::vector<GameText> texts_;
  NameLookup picture_;
  NameLookup sound_;
  NameLookup animation_;
  NameLookup music_;  // by entry name
  std::filesystem::path movieRoot_;
};

}  // namespace tolven::tools
