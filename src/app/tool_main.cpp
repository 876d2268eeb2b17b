// tolven-tool: archives, pictures and whole game folders for authors and translators.
#include <CLI/CLI.hpp>

#include <iostream>

#include "app/command_line.h"
#include "tools/file_io.h"
#include "tools/tool_commands.h"

namespace {

using tolven::ArchiveLayout;
namespace tools = tolven::tools;

constexpr int kExitBadInput = 1;

std::optional<ArchiveLayout> ParseLayout(const std::string& text) {
  if (text.empty()) return std::nullopt;
  return text == "A" || text == "a" ? ArchiveLayout::A : ArchiveLayout::B;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"tolven-tool: list, extract and build game archives; convert pictures"};
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

  CLI::App* buildGame = app.add_subcommand("build-game", "a game folder from sources");
  buildGame->add_option("SRC_DIR", in)->required();
  buildGame->add_option("OUT_DIR", out)->required();

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
