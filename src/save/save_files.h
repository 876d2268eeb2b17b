#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace tolven {

// What became of reading one of the save folder's files.
struct FileRead {
  enum class Outcome {
    Missing,  // there is no such file
    Read,     // bytes holds the file, or its first maxBytes bytes
    Failed,   // the file is there but could not be read: it must not be overwritten blindly
  };
  Outcome outcome = Outcome::Missing;
  std::vector<uint8_t> bytes;
};

// Reads at most maxBytes from the start of the file: a record never needs more, and a huge file
// put in its place then costs no more memory than a good one.
FileRead ReadFilePrefix(const std::filesystem::path& path, size_t maxBytes);

// Creates the folder and its parents when missing; false when it cannot be made.
bool EnsureFolder(const std::filesystem::path& folder);

}  // namespace tolven
