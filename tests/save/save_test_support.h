#pragma once

#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tolven::testing {

// Little-endian integers and NUL-padded texts placed into an expected file image by hand, so
// golden images come from the layout tables and not from the code under test.
inline void PutInt32(std::vector<uint8_t>& bytes, size_t offset, int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  for (size_t i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<uint8_t>(bits >> (8 * i));
}

inline void PutText(std::vector<uint8_t>& bytes, size_t offset, const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) bytes.at(offset + i) = static_cast<uint8_t>(text[i]);
}

// Files may grow to limitBytes for one scope: a write beyond stops part-way, as on a full disk.
class ScopedFileSizeLimit {
 public:
  explicit ScopedFileSizeLimit(rlim_t limitBytes) : oldHandler_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limited = old_;
    limited.rlim_cur = limitBytes;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~ScopedFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
  ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*oldHandler_)(int);
};

}  // namespace tolven::testing
