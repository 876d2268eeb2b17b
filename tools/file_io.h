#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

#include "resources/regular_file.h"

namespace tolven::tools {

// A fault in the input of a tool command: the message names the file and what is wrong.
class ToolError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file opened for reading; one that is missing, not a regular file or unreadable is a
// ToolError naming it.
RegularFile OpenInputFile(const std::filesystem::path& path);

std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path);

// What the path is, where "absent" is a fine answer and being unable to tell is a ToolError.
std::filesystem::file_type TypeOf(const std::filesystem::path& path);

// Writes the whole file or nothing (through the engine's one file writer); a failure is a
// ToolError naming the file and the reason.
void WriteOutputFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// The files of a source folder with the given extensions, in name order. An absent folder has
// none; one that is there but cannot be read is an error, since skipping it would build a game
// without its scripts or pictures.
std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& dir,
                                           std::initializer_list<const char*> extensions);

}  // namespace tolven::tools
