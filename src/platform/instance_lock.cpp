#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace tolven {

InstanceLock::InstanceLock(const std::filesystem::path& file) {
  fd_ = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) return;
  if (flock(fd_, LOCK_EX | LOCK_NB) == 0) {
    outcome_ = Outcome::Taken;
    return;
  }
  outcome_ = errno == EWOULDBLOCK ? Outcome::HeldElsewhere : Outcome::Unavailable;
  Release();
}

InstanceLock::~InstanceLock() {
  Release();
}

InstanceLock::InstanceLock(InstanceLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), outcome_(other.outcome_) {}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = std::exchange(other.fd_, -1);
    outcome_ = other.outcome_;
  }
  return *this;
}

void InstanceLock::Release() {
  // Closing the only descriptor of the open file drops the lock.
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

InstanceLock InstanceLock::ForUser(const char* runtimeDirectory) {
  if (runtimeDirectory != nullptr && runtimeDirectory[0] == '/') {
    InstanceLock lock(std::filesystem::path(runtimeDirectory) / kFileName);
    if (lock.State() != Outcome::Unavailable) return lock;
  }
  return InstanceLock(std::filesystem::path("/tmp") / kFileName);
}

}  // namespace tolven
