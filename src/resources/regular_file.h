#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

namespace tolven {

// Why a file could not be opened for reading.
enum class FileOpenFault {
  None,
  Absent,      // no such file, or a path leading through something that is not a folder
  NotRegular,  // a folder, a FIFO, a device or a socket
  Unreadable,  // anything else: permissions, symbolic link loops, names over the system limit
};

// A regular file opened for reading by position. Opening neither blocks nor throws: a FIFO or
// device where an archive should be is refused before anything waits on it.
class RegularFile {
 public:
  // Nothing when the path is not a regular file that can be read; the fault says why, and
  // errorText the system's own words for it.
  static std::optional<RegularFile> Open(const std::filesystem::path& path,
                                         FileOpenFault* fault = nullptr,
                                         std::string* errorText = nullptr);

  RegularFile(RegularFile&& other) noexcept;
  RegularFile& operator=(RegularFile&& other) noexcept;
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;
  ~RegularFile();

  // The size when the file was opened.
  uint64_t Size() const { return size_; }
  // Reads exactly length bytes at the offset; false when the file ends first or a read fails.
  bool ReadAt(uint64_t offset, uint8_t* data, size_t length) const;

 private:
  RegularFile(int descriptor, uint64_t size) : descriptor_(descriptor), size_(size) {}

  int descriptor_ = -1;
  uint64_t size_ = 0;
};

inline std::optional<RegularFile> RegularFile::Open(const std::filesystem::path& path,
                                                    FileOpenFault* fault, std::string* errorText) {
  auto fail = [&](FileOpenFault why, int error) -> std::optional<RegularFile> {
    if (fault) *fault = why;
    if (errorText) *errorText = std::generic_category().message(error);
    return std::nullopt;
  };
  // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come. Checking the
  // type on the open descriptor rather than on the name leaves no moment in which the name
  // could be swapped for something else.
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (descriptor < 0) {
    const int error = errno;
    const bool absent = error == ENOENT || error == ENOTDIR;
    return fail(absent ? FileOpenFault::Absent : FileOpenFault::Unreadable, error);
  }
  struct stat status;
  if (::fstat(descriptor, &status) != 0) {
    const int error = errno;
    ::close(descriptor);
    return fail(FileOpenFault::Unreadable, error);
  }
  if (!S_ISREG(status.st_mode)) {
    ::close(descriptor);
    return fail(FileOpenFault::NotRegular, S_ISDIR(status.st_mode) ? EISDIR : EINVAL);
  }
  if (fault) *fault = FileOpenFault::None;
  return RegularFile(descriptor, static_cast<uint64_t>(status.st_size));
}

inline RegularFile::RegularFile(RegularFile&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)), size_(other.size_) {}

inline RegularFile& RegularFile::operator=(RegularFile&& other) noexcept {
  if (this != &other) {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = std::exchange(other.descriptor_, -1);
    size_ = other.size_;
  }
  return *this;
}

inline RegularFile::~RegularFile() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

inline bool RegularFile::ReadAt(uint64_t offset, uint8_t* data, size_t length) const {
  while (length > 0) {
    if (offset > static_cast<uint64_t>(INT64_MAX)) return false;
    const ssize_t got = ::pread(descriptor_, data, length, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    data += got;
    offset += static_cast<uint64_t>(got);
    length -= static_cast<size_t>(got);
  }
  return true;
}

}  // namespace tolven
