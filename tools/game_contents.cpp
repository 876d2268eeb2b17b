#include "tools/game_contents.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <system_error>

#include "resources/archive_index.h"
#include "resources/archives.h"
#include "resources/script_source.h"
#include "script/command_table.h"
#include "tools/file_io.h"
#include "tools/script_text.h"

namespace tolven::tools {
namespace {

namespace fs = std::filesystem;

using NameSet = std::set<std::string, std::less<>>;

GameContents::NameLookup LookUpIn(NameSet names) {
  return [names = std::move(names)](std::string_view name) {
    return names.contains(UpperCaseName(name));
  };
}

void AddStems(NameSet& names, const fs::path& dir, std::initializer_list<const char*> extensions) {
  for (const fs::path& file : FilesIn(dir, extensions)) {
    names.insert(UpperCaseName(file.stem().string()));
  }
}

// An animation is a folder of sources or a finished NAME.anim file, as build-game takes them.
NameSet AnimationNames(const fs::path& dir) {
  NameSet names;
  AddStems(names, dir, {".anim"});
  if (TypeOf(dir) != fs::file_type::directory) return names;
  std::error_code error;
  for (fs::directory_iterator item(dir, error), end; !error && item != end; item.increment(error)) {
    if (TypeOf(item->path()) == fs::file_type::directory) {
      names.insert(UpperCaseName(item->path().filename().string()));
    }
  }
  if (error) throw ToolError(dir.string() + ": cannot be read (" + error.message() + ")");
  return names;
}

GameText SourceText(const fs::path& folder, const fs::path& file, Findings& findings) {
  const std::string shown = fs::relative(file, folder).string();
  const std::vector<uint8_t> bytes = ReadWholeFile(file);
  const std::vector<uint8_t> image = ScriptFromUtf8Lines(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
      [&](int line, const std::string& why) { findings.Add(shown, line, why); });
  return {file.stem().string(), shown, std::string(image.begin(), image.end())};
}

}  // namespace

int GameText::LineAt(size_t position) const {
  const size_t end = std::min(position, image.size());
  return 1 +
         static_cast<int>(std::count(image.begin(), image.begin() + static_cast<long>(end), '\0'));
}

const GameText* GameContents::FindText(std::string_view name) const {
  const auto found = std::find_if(texts_.begin(), texts_.end(), [&](const GameText& text) {
    return EqualIgnoringCase(text.name, name);
  });
  return found == texts_.end() ? nullptr : &*found;
}

bool GameContents::HasMusic(int number) const {
  char name[16];
  std::snprintf(name, sizeof name, "M%02d", number);
  return music_(name);
}

bool GameContents::HasMovie(std::string_view path) const {
  std::error_code error;
  return !path.empty() && fs::is_regular_file(movieRoot_ / std::string(path), error);
}

GameContents GameContents::Open(const fs::path& folder, Findings& findings) {
  if (TypeOf(folder) != fs::file_type::directory) {
    throw ToolError(folder.string() + ": no such folder");
  }
  if (TypeOf(folder / "scripts") == fs::file_type::directory) {
    return OpenSourceFolder(folder, findings);
  }
  if (TypeOf(folder / kDataArchive) == fs::file_type::regular ||
      TypeOf(folder / kData2Archive) == fs::file_type::regular) {
    return OpenGameFolder(folder);
  }
  throw ToolError(folder.string() + ": neither a game folder (" + kDataArchive +
                  ") nor a source folder (scripts/)");
}

// Entries of the newer script archive hide those of the same name in the older one, as they do
// for the engine.
GameContents GameContents::OpenGameFolder(const fs::path& folder) {
  auto archives = std::make_shared<Archives>(folder);
  archives->LoadScriptIndexes();
  archives->LoadMediaIndexes();
  GameContents game;
  NameSet seen;
  for (const char* archive : {kData2Archive, kDataArchive}) {
    for (const std::string& name : archives->Index(archive).names) {
      if (!seen.insert(name).second) continue;
      std::optional<std::vector<uint8_t>> image = ReadScriptEntry(*archives, name);
      if (!image)
        throw ToolError(folder.string() + "/" + archive + ": entry " + name + " cannot be read");
      game.texts_.push_back({name, name, std::string(image->begin(), image->end())});
    }
  }
  game.picture_ = [archives](std::string_view name) {
    return archives->FindPicture(name).has_value();
  };
  game.sound_ = [archives](std::string_view name) { return archives->FindSound(name).has_value(); };
  game.animation_ = [archives](std::string_view name) {
    return archives->FindAnimation(name).has_value();
  };
  game.music_ = [archives](std::string_view name) {
    return FindEntry(archives->Index(kMusicArchive), name) >= 0;
  };
  game.movieRoot_ = folder;
  return game;
}

GameContents GameContents::OpenSourceFolder(const fs::path& folder, Findings& findings) {
  GameContents game;
  for (const fs::path& file : FilesIn(folder / "scripts", {".txt"})) {
    game.texts_.push_back(SourceText(folder, file, findings));
  }
  NameSet pictures;
  AddStems(pictures, folder / "pictures", {".png", ".jpg", ".jpeg"});
  NameSet sounds;
  AddStems(sounds, folder / "voices", {".wav", ".ogg"});
  AddStems(sounds, folder / "effects", {".wav"});
  AddStems(sounds, folder / "effects" / "loop", {".wav"});
  NameSet music;
  AddStems(music, folder / "music", {".wav"});
  game.picture_ = LookUpIn(std::move(pictures));
  game.sound_ = LookUpIn(std::move(sounds));
  game.music_ = LookUpIn(std::move(music));
  game.animation_ = LookUpIn(AnimationNames(folder / "anim"));
  game.movieRoot_ = folder;
  return game;
}

}  // namespace tolven::tools
