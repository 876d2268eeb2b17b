// tolven-tool: archives, pictures, sounds, animations, save slots and whole game folders for
// authors and translators.
#include <CLI/CLI.hpp>

#include <iostream>

#include "app/command_line.h"
#include "tools/animation_tool.h"
#include "tools/file_io.h"
#include "tools/game_check.h"
#include "tools/save_tool.h"
#include "tools/sound_files.h"
#include "tools/tool_commands.h"

namespace {

using tolven::ArchiveLayout;
namespace tools = tolven::tools;

constexpr int kExitBadInput = 1;

std::optional<ArchiveLayout> ParseLayout(const std::string& text) {
  if (text.empty()) return std::nullopt;
  return text == "A" || text == "a" ? ArchiveLayout::A : ArchiveLayout::B;
}

std::optional<tolven::WadyCoding> ParseCoding(const std::string& text) {
  if (text.empty()) return std::nullopt;
  return text == "byte" ? tolven::WadyCoding::Byte : tolven::WadyCoding::Block;
}

// The sound subcommands' arguments.
struct SoundArguments {
  std::string in;
  std::string out;
  std::string coding;
  std::optional<double> loopStart;
  CLI::App* decode = nullptr;
  CLI::App* encode = nullptr;
};

void AddSoundCommands(CLI::App& app, SoundArguments& sound) {
  CLI::App* command = app.add_subcommand("sound", "WADY sound <-> WAV");
  command->require_subcommand(1);
  const auto codings = CLI::IsMember({"block", "byte"});
  sound.decode = command->add_subcommand("decode", "WADY sound to WAV");
  sound.decode->add_option("IN", sound.in)->required();
  sound.decode->add_option("OUT", sound.out)->required();
  sound.decode->add_option("--coding", sound.coding, "block or byte (default: from the data)")
      ->check(codings);
  sound.encode = command->add_subcommand("encode", "16-bit PCM WAV to WADY sound");
  sound.encode->add_option("IN", sound.in)->required();
  sound.encode->add_option("OUT", sound.out)->required();
  sound.encode->add_option("--coding", sound.coding, "block (voices, effects) or byte (music)")
      ->required()
      ->check(codings);
  sound.encode->add_option("--loop-start", sound.loopStart,
                           "byte coding: seconds from the start where the music loops back to");
}

// Runs a sound subcommand; a loop start only means something for byte coding.
int RunSoundCommand(const SoundArguments& sound) {
  if (sound.decode->parsed()) {
    tools::DecodeSoundFile(sound.in, sound.out, ParseCoding(sound.coding));
    return 0;
  }
  if (sound.loopStart && sound.coding != "byte") {
    std::cerr << "tolven-tool: --loop-start needs --coding byte\n";
    return tolven::kExitUsage;
  }
  tools::EncodeSoundFile(sound.in, sound.out, *ParseCoding(sound.coding), sound.loopStart);
  return 0;
}

// The save subcommands' arguments.
struct SaveArguments {
  std::string slot;
  std::string png;
  CLI::App* show = nullptr;
  CLI::App* thumbnail = nullptr;
};

void AddSaveCommands(CLI::App& app, SaveArguments& save) {
  CLI::App* command = app.add_subcommand("save", "read a save slot file");
  command->require_subcommand(1);
  save.show = command->add_subcommand("show", "the slot as readable text");
  save.show->add_option("FILE", save.slot)->required();
  save.thumbnail = command->add_subcommand("thumbnail", "the slot's 160x120 thumbnail as PNG");
  save.thumbnail->add_option("FILE", save.slot)->required();
  save.thumbnail->add_option("OUT", save.png)->required();
}

// The anim subcommands' arguments.
struct AnimArguments {
  std::string folder;
  std::string file;
  CLI::App* build = nullptr;
  CLI::App* show = nullptr;
};

void AddAnimCommands(CLI::App& app, AnimArguments& anim) {
  CLI::App* command = app.add_subcommand("anim", "build and read animation entries");
  command->require_subcommand(1);
  anim.build = command->add_subcommand("build", "an animation entry from a folder of sources");
  anim.build
      ->add_option("FOLDER", anim.folder,
                   "frames 000.png, 001.jpg, ...; optional anim.txt and one WAV")
      ->required();
  anim.build->add_option("OUT", anim.file, "entry file to write (e.g. NAME.anim)")->required();
  anim.show = command->add_subcommand("show", "an animation entry's header and frame table");
  anim.show->add_option("FILE", anim.file)->required();
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "tolven-tool: list, extract and build game archives; convert pictures and sounds; build "
      "animations; read save slots; check a game's scripts"};
  app.require_subcommand(1);
  std::string layoutText;
  std::string archive;
  std::string outPath;
  std::vector<std::string> names;
  tools::ExtractOptions extractOptions;
  tools::PackOptions packOptions;
  std::string in;
  std::string out;
  std::vector<std::string> files;

  auto layoutOption = [&layoutText](CLI::App* command) {
    return command->add_option("--layout", layoutText, "index layout (default: from the file name)")
        ->check(CLI::IsMember({"A", "B", "a", "b"}));
  };

  CLI::App* list = app.add_subcommand("list", "entries in index order: number, name, offset, size");
  list->add_option("ARCHIVE", archive)->required();
  layoutOption(list);

  CLI::App* extract = app.add_subcommand("extract", "entries as files");
  extract->add_option("ARCHIVE", archive)->required();
  extract->add_option("NAME", names, "entries to extract (default: all)");
  extract->add_option("-o", outPath, "output folder")->required();
  extract->add_flag("--utf8", extractOptions.utf8, "scripts and definition texts as UTF-8 text");
  extract->add_flag("--png", extractOptions.png, "pictures as PNG");
  extract->add_flag("--wav", extractOptions.wav,
                    "WADY sounds as WAV (an animation's sound as NAME.wav beside it)");
  layoutOption(extract);

  CLI::App* pack = app.add_subcommand("pack", "build an archive (layout A negates bytes)");
  layoutOption(pack)->required();
  pack->add_option("-o", outPath, "archive to write")->required();
  pack->add_option("FILE", files, "entry files; the entry name is the file name without extension")
      ->required();

  CLI::App* picture = app.add_subcommand("picture", "packed picture <-> PNG");
  picture->require_subcommand(1);
  CLI::App* decode = picture->add_subcommand("decode", "packed picture to PNG");
  decode->add_option("IN", in)->required();
  decode->add_option("OUT", out)->required();
  CLI::App* encode = picture->add_subcommand("encode", "PNG to packed picture");
  encode->add_option("IN", in)->required();
  encode->add_option("OUT", out)->required();
  bool noRle = false;
  bool noDelta = false;
  encode->add_flag("--no-rle", noRle, "do not use the run-length stage");
  encode->add_flag("--no-delta", noDelta, "do not use the delta stage");

  SoundArguments sound;
  AddSoundCommands(app, sound);

  SaveArguments save;
  AddSaveCommands(app, save);

  AnimArguments anim;
  AddAnimCommands(app, anim);

  CLI::App* buildGame = app.add_subcommand("build-game", "a game folder from sources");
  buildGame->add_option("SRC_DIR", in)->required();
  buildGame->add_option("OUT_DIR", out)->required();

  CLI::App* check = app.add_subcommand(
      "check", "report what would fail at run time, as FILE:LINE: message (exit 1 when any)");
  check->add_option("DIR", in, "a game folder, or a source folder as build-game takes it")
      ->required();

  if (auto status = tolven::ParseCommandLine(app, argc, argv)) return *status;

  try {
    if (list->parsed()) {
      tools::ListArchive(archive, ParseLayout(layoutText), std::cout);
    } else if (extract->parsed()) {
      extractOptions.layout = ParseLayout(layoutText);
      tools::ExtractArchive(archive, names, outPath, extractOptions);
    } else if (pack->parsed()) {
      std::vector<std::filesystem::path> paths(files.begin(), files.end());
      tools::PackArchive(*ParseLayout(layoutText), outPath, paths);
    } else if (decode->parsed()) {
      tools::DecodePictureFile(in, out);
    } else if (encode->parsed()) {
      packOptions.runLength = !noRle;
      packOptions.delta = !noDelta;
      tools::EncodePictureFile(in, out, packOptions);
    } else if (buildGame->parsed()) {
      tools::BuildGame(in, out);
    } else if (check->parsed()) {
      const tools::Findings findings = tools::CheckGame(in);
      findings.Print(std::cout);
      return findings.Empty() ? 0 : kExitBadInput;
    } else if (sound.decode->parsed() || sound.encode->parsed()) {
      return RunSoundCommand(sound);
    } else if (save.show->parsed()) {
      tools::ShowSlotFile(save.slot, std::cout);
    } else if (save.thumbnail->parsed()) {
      tools::WriteSlotThumbnail(save.slot, save.png);
    } else if (anim.build->parsed()) {
      tools::BuildAnimationFile(anim.folder, anim.file);
    } else if (anim.show->parsed()) {
      tools::ShowAnimationFile(anim.file, std::cout);
    }
  } catch (const tools::ToolError& error) {
    std::cerr << "tolven-tool: " << error.what() << '\n';
    return kExitBadInput;
  } catch (const std::filesystem::filesystem_error& error) {
    std::cerr << "tolven-tool: " << error.what() << '\n';
    return kExitBadInput;
  }
  return 0;
}
