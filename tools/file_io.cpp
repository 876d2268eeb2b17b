#include "tools/file_io.h"

#include <optional>
#include <system_error>
#include <utility>

#include "base/file_writer.h"

namespace tolven::tools {

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

}  // namespace tolven::tools
