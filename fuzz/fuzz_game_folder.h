#pragma once

// What the fuzz targets that play an input as a game's file share: a folder of their own and
// an archive holding the input as its one entry.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace tolven::fuzz {

// A game folder of its own in a memory-backed file system where there is one. It exists only
// while an input is played, since libFuzzer ends without running exit handlers.
inline std::filesystem::path MakeFolder(const std::string& prefix) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path base =
      fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
  std::string pattern = (base / (prefix + "-XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  return fs::path(pattern);
}

inline void PutU32(std::vector<uint8_t>& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A layout B archive holding the input as its one entry, named by one letter.
inline void WriteOneEntryArchive(const std::filesystem::path& path, char name, const uint8_t* data,
                                 size_t size) {
  std::vector<uint8_t> archive;
  PutU32(archive, 1);
  PutU32(archive, 2);
  archive.push_back(static_cast<uint8_t>(name));
  archive.push_back(0);
  PutU32(archive, 8 + 2 + 8);
  PutU32(archive, static_cast<uint32_t>(size));
  archive.insert(archive.end(), data, data + size);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr || std::fwrite(archive.data(), 1, archive.size(), file) != archive.size() ||
      std::fclose(file) != 0) {
    std::abort();
  }
}

}  // namespace tolven::fuzz
