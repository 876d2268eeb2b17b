#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tolven::tools {

// What `check` found: one fault at one line of one script or definition text.
struct Finding {
  std::string file;     // the script's name as the author knows it
  int line = 0;         // from 1
  std::string message;  // UTF-8
};

class Findings {
 public:
  void Add(std::string file, int line, std::string message) {
    all_.push_back({std::move(file), line, std::move(message)});
  }
  const std::vector<Finding>& All() const { return all_; }
  bool Empty() const { return all_.empty(); }
  // One line each, FILE:LINE: message, in the order they were found.
  void Print(std::ostream& out) const {
    for (const Finding& finding : all_) {
      out << finding.file << ':' << finding.line << ": " << finding.message << '\n';
    }
  }

 private:
  std::vector<Finding> all_;
};

// A script or definition text as the engine holds it: Shift-JIS lines, each ended by a zero
// byte, under its entry name.
struct GameText {
  std::string name;  // the entry name, as scripts name it
  std::string file;  // what findings call it: the entry, or the source file it comes from
  std::string image;

  // The number (from 1) of the line that holds the byte at `position`.
  int LineAt(size_t position) const;
};

}  // namespace tolven::tools
