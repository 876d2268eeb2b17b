#include "engine/event_file.h"

#include <charconv>
#include <fstream>
#include <map>
#include <sstream>

#include "engine/input_map.h"
#include "save/save_slot.h"

namespace tolven {
namespace {

using Kind = EventCommand::Kind;

constexpr int kDefaultUntilLimit = 60000;

bool ToInt(const std::string& word, int& value) {
  const char* end = word.data() + word.size();
  auto [rest, error] = std::from_chars(word.data(), end, value);
  return error == std::errc() && rest == end;
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  std::string word;
  while (in >> word) words.push_back(word);
  return words;
}

// Parses the words after the command name; returns an error text or "".
class LineParser {
 public:
  LineParser(const std::vector<std::string>& words, EventCommand& command)
      : words_(words), command_(command) {}

  std::string Parse() {
    static const std::map<std::string, Kind> kinds = {
        {"wait", Kind::Wait},     {"until", Kind::Until},        {"click", Kind::Click},
        {"move", Kind::Move},     {"wheel", Kind::Wheel},        {"key", Kind::Key},
        {"button", Kind::Button}, {"answer", Kind::Answer},      {"set", Kind::Set},
        {"press", Kind::Press},   {"shot", Kind::Shot},          {"shot-window", Kind::ShotWindow},
        {"choose", Kind::Choose}, {"save-slot", Kind::SaveSlot}, {"load-slot", Kind::LoadSlot},
        {"dump", Kind::Dump},     {"quit", Kind::Quit}};
    auto found = kinds.find(words_[0]);
    if (found == kinds.end()) return "unknown command \"" + words_[0] + "\"";
    command_.kind = found->second;
    switch (command_.kind) {
      case Kind::Wait:
        return Count(1, 1) + Number(1, command_.amount, 0);
      case Kind::Until:
        return Until();
      case Kind::Click:
        return Click();
      case Kind::Move:
        return Count(2, 2) + Number(1, command_.x) + Number(2, command_.y);
      case Kind::Wheel:
        return Count(1, 1) + Number(1, command_.amount);
      case Kind::Key:
        return Key();
      case Kind::Button:
        return Button();
      case Kind::Answer:
        return Answer();
      case Kind::Set:
        return Set();
      case Kind::Press:
        return Press();
      case Kind::Shot:
      case Kind::ShotWindow:
      case Kind::Dump:
        return Count(1, 1) + Word(1, command_.text);
      case Kind::Choose:
        return Count(1, 1) + Number(1, command_.amount, 1);
      case Kind::SaveSlot:
      case Kind::LoadSlot:
        return Slot();
      case Kind::Quit:
        return Count(0, 0);
    }
    return "";
  }

 private:
  std::string Count(size_t least, size_t most) const {
    const size_t given = words_.size() - 1;
    if (given < least || given > most) return "wrong number of arguments to " + words_[0];
    return "";
  }
  std::string Number(size_t at, int& value, int minimum = INT32_MIN) const {
    if (at >= words_.size()) return "";
    if (!ToInt(words_[at], value) || value < minimum) return "bad number \"" + words_[at] + "\"";
    return "";
  }
  std::string Word(size_t at, std::string& value) const {
    if (at < words_.size()) value = words_[at];
    return "";
  }
  std::string Until() {
    command_.amount = kDefaultUntilLimit;
    if (words_.size() >= 2 && words_[1] == "dialog") {
      std::string error = Count(2, 3) + Word(1, command_.word) + Word(2, command_.text) +
                          Number(3, command_.amount, 0);
      return error;
    }
    std::string error = Count(1, 2) + Word(1, command_.word) + Number(2, command_.amount, 0);
    if (!error.empty()) return error;
    static const char* const kStates[] = {"page", "choice", "input", "movie", "no-movie"};
    for (const char* state : kStates) {
      if (command_.word == state) return "";
    }
    return "until needs page, choice, input, movie, no-movie or dialog NAME";
  }
  std::string Slot() {
    std::string error = Count(1, 1) + Number(1, command_.amount);
    if (error.empty() && (command_.amount < kFirstSlot || command_.amount > kLastSlot)) {
      return "slot numbers run from 1 to 99";
    }
    return error;
  }
  std::string Click() {
    std::string error = Count(2, 3) + Number(1, command_.x) + Number(2, command_.y);
    if (!error.empty()) return error;
    if (words_.size() == 4) {
      if (words_[3] != "right") return "click takes only \"right\" after the position";
      command_.right = true;
    }
    return "";
  }
  std::string Key() {
    std::string error = Count(1, 2) + Word(1, command_.word) + Word(2, command_.direction);
    if (!error.empty()) return error;
    if (!command_.direction.empty() && command_.direction != "down" && command_.direction != "up") {
      return "key direction must be down or up";
    }
    return "";
  }
  // SDL's names of a controller's buttons.
  std::string Button() {
    std::string error = Key();
    if (!error.empty())
      return error == "key direction must be down or up" ? "button direction must be down or up"
                                                         : error;
    if (!PadButtonByName(command_.word)) return "unknown button \"" + command_.word + "\"";
    return "";
  }
  std::string Answer() {
    std::string error = Count(1, 1) + Word(1, command_.word);
    if (error.empty() && command_.word != "ok" && command_.word != "cancel") {
      return "answer must be ok or cancel";
    }
    return error;
  }
  // The control, and for set the rest of the line as its value (which may be empty, to clear
  // a field).
  std::string Set() {
    if (words_.size() < 2) return "set needs a control and a value";
    command_.word = words_[1];
    command_.text = Rest(2);
    return "";
  }
  // A list's parts take a word after the name: "press ListView1.column 3".
  std::string Press() {
    if (words_.size() < 2) return "press needs a control";
    command_.word = Rest(1);
    return "";
  }
  std::string Rest(size_t from) const {
    std::string rest;
    for (size_t i = from; i < words_.size(); ++i) rest += (i > from ? " " : "") + words_[i];
    return rest;
  }

  const std::vector<std::string>& words_;
  EventCommand& command_;
};

}  // namespace

std::optional<std::vector<EventCommand>> ParseEvents(const std::string& text,
                                                     const std::string& fileName,
                                                     std::string& error) {
  std::vector<EventCommand> commands;
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    const size_t hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    std::vector<std::string> words = Words(line);
    if (words.empty()) continue;
    EventCommand command;
    command.line = number;
    std::string why = LineParser(words, command).Parse();
    if (!why.empty()) {
      error = fileName + ":" + std::to_string(number) + ": " + why;
      return std::nullopt;
    }
    commands.push_back(std::move(command));
  }
  return commands;
}

std::optional<std::vector<EventCommand>> ReadEventFile(const std::filesystem::path& path,
                                                       std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path.string() + ": cannot be read";
    return std::nullopt;
  }
  std::stringstream text;
  text << in.rdbuf();
  return ParseEvents(text.str(), path.string(), error);
}

}  // namespace tolven
