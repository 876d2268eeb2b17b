#include "save/save_files.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>

namespace tolven {

FileRead ReadFilePrefix(const std::filesystem::path& path, size_t maxBytes) {
  FileRead result;
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) {
    result.outcome = errno == ENOENT ? FileRead::Outcome::Missing : FileRead::Outcome::Failed;
    return result;
  }
  result.bytes.resize(maxBytes);
  const size_t count = std::fread(result.bytes.data(), 1, maxBytes, file.get());
  // A folder opens on Linux and fails only here; so does a disk that fails mid-way.
  if (std::ferror(file.get())) {
    result.outcome = FileRead::Outcome::Failed;
    result.bytes.clear();
    return result;
  }
  result.bytes.resize(count);
  result.outcome = FileRead::Outcome::Read;
  return result;
}

bool EnsureFolder(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  return std::filesystem::is_directory(folder, error);
}

}  // namespace tolven
