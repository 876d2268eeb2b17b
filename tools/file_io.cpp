#include "tools/file_io.h"

#include <unistd.h>

#include <cstdio>
#include <optional>

#include "resources/regular_file.h"

namespace tolven::tools {

std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path) {
  FileOpenFault fault = FileOpenFault::None;
  std::string why;
  std::optional<RegularFile> file = RegularFile::Open(path, &fault, &why);
  if (!file) {
    switch (fault) {
      case FileOpenFault::Absent:
        throw ToolError(path.string() + ": no such file");
      case FileOpenFault::NotRegular:
        throw ToolError(path.string() + ": not a regular file");
      default:
        throw ToolError(path.string() + ": cannot be read (" + why + ")");
    }
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(file->Size()));
  if (!file->ReadAt(0, bytes.data(), bytes.size())) {
    throw ToolError(path.string() + ": cannot be read");
  }
  return bytes;
}

void WriteFileAtomically(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::filesystem::path temporary = path;
  temporary += ".tmp" + std::to_string(getpid());
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) throw ToolError(path.string() + ": cannot be written");
  bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  written = std::fflush(file) == 0 && written;
  written = fsync(fileno(file)) == 0 && written;
  written = std::fclose(file) == 0 && written;
  std::error_code error;
  if (written) std::filesystem::rename(temporary, path, error);
  if (!written || error) {
    std::filesystem::remove(temporary, error);
    throw ToolError(path.string() + ": cannot be written");
  }
}

}  // namespace tolven::tools
