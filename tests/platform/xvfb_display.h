#pragma once

// An X server of a test's own: Xvfb with one screen of a given size, on a display number it
// picks itself. It is ready when the constructor returns: Xvfb writes its display number to a
// pipe once it takes clients, and the constructor waits for that line, not for a time.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace tolven::testing {

class XvfbDisplay {
 public:
  XvfbDisplay(int width, int height) {
    int ready[2];
    if (pipe(ready) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      const std::string fd = std::to_string(ready[1]);
      const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
      // Its complaints about fonts and keymaps are no business of the test's.
      const int quiet = open("/dev/null", O_WRONLY);
      if (quiet >= 0) dup2(quiet, STDERR_FILENO);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
             "tcp", "-noreset", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(ready[1]);
    char c;
    while (pid_ > 0 && read(ready[0], &c, 1) == 1 && c != '\n') number_ += c;
    close(ready[0]);
  }
  ~XvfbDisplay() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  XvfbDisplay(const XvfbDisplay&) = delete;
  XvfbDisplay& operator=(const XvfbDisplay&) = delete;

  // Empty when Xvfb could not be started.
  std::string Name() const { return number_.empty() ? std::string() : ":" + number_; }

 private:
  pid_t pid_ = -1;
  std::string number_;
};

}  // namespace tolven::testing
