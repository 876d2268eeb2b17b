#include "tools/file_io.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace tolven::tools {

std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    throw ToolError(path.string() + ": no such file");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ToolError(path.string() + ": cannot be read");
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
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
