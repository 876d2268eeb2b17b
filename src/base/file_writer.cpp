#include "base/file_writer.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>

namespace tolven {
namespace {

namespace fs = std::filesystem;

// The same count of random characters, from the same alphabet, as mkstemp uses, so that
// temporaries of older versions that did use mkstemp are recognised too.
constexpr size_t kRandomLength = 6;
constexpr std::string_view kRandomAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr int kMaxLinkHops = 40;  // the kernel's own limit when it follows links
constexpr time_t kStaleAfterSeconds = 60 * 60;

struct Target {
  fs::path path;  // never a symbolic link
  bool exists = false;
  struct stat status {};
};

// Follows the links at the end of path as open() would, so that the file a link leads to is the
// one replaced. Links in the folders above it need no care: rename follows those itself.
// Returns 0 or an errno value.
int ResolveTarget(const fs::path& path, Target& target) {
  target.path = path;
  for (int hops = 0;; ++hops) {
    if (lstat(target.path.c_str(), &target.status) != 0) {
      if (errno != ENOENT) return errno;
      target.exists = false;  // a new file, or a link that leads nowhere yet
      return 0;
    }
    if (!S_ISLNK(target.status.st_mode)) {
      target.exists = true;
      return 0;
    }
    if (hops == kMaxLinkHops) return ELOOP;
    std::error_code error;
    const fs::path next = fs::read_symlink(target.path, error);
    if (error) return error.value();
    target.path = next.is_absolute() ? next : target.path.parent_path() / next;
  }
}

fs::path FolderOf(const fs::path& file) {
  return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

// Built by appending: GCC 12 warns falsely (-Wrestrict) about "." + string in optimised builds.
std::string TemporaryPrefix(const fs::path& file) {
  std::string prefix(1, '.');
  prefix += file.filename().string();
  prefix += '.';
  return prefix;
}

std::string RandomSuffix() {
  thread_local std::mt19937_64 generator{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, kRandomAlphabet.size() - 1);
  std::string suffix(kRandomLength, ' ');
  for (char& c : suffix) c = kRandomAlphabet[pick(generator)];
  return suffix;
}

// mkstemp would do, but it makes the file 0600, and a new file should get 0666 less the umask
// (and the folder's default ACL) as any created file does. The umask cannot be read without
// changing it for every thread at once, so the kernel applies it here instead.
int CreateTemporary(const fs::path& target, mode_t mode, std::string& temporary) {
  const fs::path folder = FolderOf(target);
  const std::string prefix = TemporaryPrefix(target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = (folder / (prefix + RandomSuffix())).string();
    const int fd = open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (written == 0) {
      errno = EIO;
      return false;
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

bool Fail(const fs::path& path, std::string_view reason, std::string* error) {
  if (error != nullptr) {
    *error = path.string() + ": cannot be written (" + std::string(reason) + ")";
  }
  return false;
}

bool FailWithErrno(const fs::path& path, int errorNumber, std::string* error) {
  return Fail(path, std::strerror(errorNumber), error);
}

}  // namespace

bool WriteFileAtomically(const fs::path& path, std::span<const uint8_t> bytes, std::string* error) {
  if (!path.has_filename()) return FailWithErrno(path, EISDIR, error);
  Target target;
  if (const int resolveError = ResolveTarget(path, target); resolveError != 0) {
    return FailWithErrno(path, resolveError, error);
  }
  if (target.exists) {
    if (S_ISDIR(target.status.st_mode)) return FailWithErrno(path, EISDIR, error);
    if (!S_ISREG(target.status.st_mode)) return Fail(path, "not a regular file", error);
    // Renaming over a read-only file would succeed where writing into it fails; a file the
    // player made read-only stays as it is.
    if (faccessat(AT_FDCWD, target.path.c_str(), W_OK, AT_EACCESS) != 0) {
      return FailWithErrno(path, errno, error);
    }
  }

  std::string temporary;
  const int fd = CreateTemporary(target.path, target.exists ? 0600 : 0666, temporary);
  if (fd < 0) return FailWithErrno(path, errno, error);
  bool written = true;
  if (target.exists) written = fchmod(fd, target.status.st_mode & 07777) == 0;
  written = written && WriteAll(fd, bytes.data(), bytes.size()) && fsync(fd) == 0;
  int errorNumber = written ? 0 : errno;
  if (close(fd) != 0 && written) {
    written = false;
    errorNumber = errno;
  }
  if (written && rename(temporary.c_str(), target.path.c_str()) != 0) {
    written = false;
    errorNumber = errno;
  }
  if (!written) {
    unlink(temporary.c_str());
    return FailWithErrno(path, errorNumber, error);
  }

  // The rename only survives a power cut once the folder is on disk too. The new content is in
  // place whatever happens here, so a failure changes nothing the caller could act on.
  if (const int folder = open(FolderOf(target.path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      folder >= 0) {
    fsync(folder);
    close(folder);
  }
  return true;
}

bool WriteFileAtomically(const fs::path& path, std::string_view text, std::string* error) {
  return WriteFileAtomically(
      path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), error);
}

size_t RemoveStaleTemporaries(const fs::path& path) {
  Target target;
  if (!path.has_filename() || ResolveTarget(path, target) != 0) return 0;
  const std::string prefix = TemporaryPrefix(target.path);
  const std::unique_ptr<DIR, int (*)(DIR*)> folder(opendir(FolderOf(target.path).c_str()),
                                                   &closedir);
  if (!folder) return 0;
  struct stat written {};
  if (stat(target.path.c_str(), &written) != 0) return 0;
  const time_t staleBefore = written.st_mtime - kStaleAfterSeconds;
  size_t removed = 0;
  while (const dirent* entry = readdir(folder.get())) {
    const std::string_view name = entry->d_name;
    if (name.size() != prefix.size() + kRandomLength || !name.starts_with(prefix)) continue;
    if (name.substr(prefix.size()).find_first_not_of(kRandomAlphabet) != std::string_view::npos) {
      continue;
    }
    struct stat status {};
    if (fstatat(dirfd(folder.get()), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(status.st_mode) || status.st_mtime > staleBefore) continue;
    if (unlinkat(dirfd(folder.get()), entry->d_name, 0) == 0) ++removed;
  }
  return removed;
}

}  // namespace tolven
