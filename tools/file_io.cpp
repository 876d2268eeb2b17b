#include "tools/file_io.h"

#include <algorithm>
#include <optional>
#include <system_error>
#include <utility>

#include "base/file_writer.h"
#include "resources/archive_index.h"

namespace tolven::tools {

namespace fs = std::filesystem;

RegularFile OpenInputFile(const std::filesystem::path& path) {
  FileOpenFault fault = FileOpenFault::None;
  std::string why;
  std::optional<RegularFile> file = RegularFile::Open(path, &fault, &why);
  if (file) return std::move(*file);
  switch (fault) {
    case FileOpenFault::Absent:
      throw ToolError(path.string() + ": no such file");
    case FileOpenFault::NotRegular:
      throw ToolError(path.string() + ": not a regular file");
    default:
      throw ToolError(path.string() + ": cannot be read (" + why + ")");
  }
}

std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path) {
  RegularFile file = OpenInputFile(path);
  std::vector<uint8_t> bytes(static_cast<size_t>(file.Size()));
  if (!file.ReadAt(0, bytes.data(), bytes.size())) {
    throw ToolError(path.string() + ": cannot be read");
  }
  return bytes;
}

void WriteOutputFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::string error;
  if (!tolven::WriteFileAtomically(path, bytes, &error)) throw ToolError(error);
}

std::filesystem::file_type TypeOf(const std::filesystem::path& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (error && status.type() != std::filesystem::file_type::not_found) {
    throw ToolError(path.string() + ": cannot be examined (" + error.message() + ")");
  }
  return status.type();
}

std::vector<fs::path> FilesIn(const fs::path& dir, std::initializer_list<const char*> extensions) {
  std::vector<fs::path> files;
  const fs::file_type type = TypeOf(dir);
  if (type == fs::file_type::not_found) return files;
  if (type != fs::file_type::directory) throw ToolError(dir.string() + ": not a folder");
  std::error_code error;
  for (fs::directory_iterator item(dir, error), end; !error && item != end; item.increment(error)) {
    const std::string extension = UpperCaseName(item->path().extension().string());
    const bool wanted =
        std::any_of(extensions.begin(), extensions.end(),
                    [&](const char* candidate) { return extension == UpperCaseName(candidate); });
    if (wanted && TypeOf(item->path()) == fs::file_type::regular) files.push_back(item->path());
  }
  if (error) throw ToolError(dir.string() + ": cannot be read (" + error.message() + ")");
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace tolven::tools
