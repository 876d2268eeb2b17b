#pragma once

#include <cstdint>
#include <filesystem>
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

}  // namespace tolven::tools
