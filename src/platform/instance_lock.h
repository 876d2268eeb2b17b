#pragma once

#include <filesystem>

namespace tolven {

// One game window per user: an exclusive lock on a file that the system drops when the process
// ends, however it ends. Headless runs never take it, so tests may run side by side.
class InstanceLock {
 public:
  enum class Outcome {
    Taken,          // this object holds the lock
    HeldElsewhere,  // another run holds it
    Unavailable,    // the lock file cannot be opened here
  };

  static constexpr const char* kFileName = "TOLVEN_ENGINE.lock";

  explicit InstanceLock(const std::filesystem::path& file);
  ~InstanceLock();
  InstanceLock(InstanceLock&& other) noexcept;
  InstanceLock& operator=(InstanceLock&& other) noexcept;
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // The lock of this user's runs: in the runtime folder ($XDG_RUNTIME_DIR) when one is given
  // and usable, else in /tmp. A run that finds nowhere to lock plays on unguarded.
  static InstanceLock ForUser(const char* runtimeDirectory);

  Outcome State() const { return outcome_; }

 private:
  void Release();

  int fd_ = -1;
  Outcome outcome_ = Outcome::Unavailable;
};

}  // namespace tolven
