#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tolven {

// One command of an event file: a timed input queue that drives a run.
struct EventCommand {
  enum class Kind {
    Wait,
    Until,
    Click,
    Move,
    Wheel,
    Key,
    Button,
    Answer,
    Set,
    Press,
    Shot,
    ShotWindow,
    Choose,
    SaveSlot,
    LoadSlot,
    Dump,
    Quit
  };
  Kind kind = Kind::Wait;
  int line = 0;  // line number in the file, for messages
  int x = 0;     // click and move: PB coordinates
  int y = 0;
  bool right = false;  // click with the right button
  int amount = 0;      // wait: milliseconds; wheel: delta; choose: entry; until: limit; slot number
  std::string word;    // until: the state waited for; key, button: name; answer: ok|cancel; control
  std::string direction;  // key, button: down|up, empty for press and release
  std::string text;       // file names, set values
};

// Reads an event file; on a malformed line returns nothing and puts "FILE:LINE: why" in error.
std::optional<std::vector<EventCommand>> ReadEventFile(const std::filesystem::path& path,
                                                       std::string& error);
std::optional<std::vector<EventCommand>> ParseEvents(const std::string& text,
                                                     const std::string& fileName,
                                                     std::string& error);

}  // namespace tolven
