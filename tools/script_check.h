#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>

#include "tools/check_findings.h"
#include "tools/expression_probe.h"
#include "tools/game_contents.h"

namespace tolven::tools {

// The texts of the game that screens read rather than the interpreter runs, by upper-case
// name: those the engine loads by a fixed name and every text a `roll` names.
std::set<std::string, std::less<>> DefinitionTextNames(const GameContents& game);

// Walks a script line by line as the interpreter would read it and reports what would fail or
// misbehave when it runs: commands the table does not know, jumps and calls that lead nowhere,
// groups without their closing line, texts beyond their limits, expressions the engine cannot
// read, and every resource a command names that the game lacks.
class ScriptChecker {
 public:
  ScriptChecker(const GameContents& game, Findings& findings) : game_(game), findings_(findings) {}

  void Check(const GameText& script);

 private:
  void CheckLine(std::string_view line);
  void CheckCommand(std::string_view line);
  void CheckControl(std::string_view keyword, std::string_view line);
  void CheckLabelLine(std::string_view line);

  void Label(const GameText& target, std::string_view label);
  void Transfer(std::string_view script, std::string_view label);
  void If(std::string_view line);
  void Select();
  void Answer(uint32_t open);
  void Switch(std::string_view line);
  void SwitchBranch(uint32_t open, std::string_view name);
  void Closed(std::string_view command);
  void StringRow(std::string_view line);
  void Mark(std::string_view line);
  void Ptset(std::string_view line);
  void Fits(std::string_view text, std::string_view command);

  void Expression(std::string_view text, uint32_t at);
  void Condition(std::string_view text, uint32_t at);
  void Assignments(std::string_view text);

  std::string_view LineAt(uint32_t position) const;
  int LineNumberOf(uint32_t position) const;
  void Report(std::string message) { ReportAt(lineStart_, std::move(message)); }
  void ReportAt(uint32_t position, std::string message);

  const GameContents& game_;
  Findings& findings_;
  ExpressionProbe probe_;
  std::unordered_map<std::string, bool> labels_;  // "script\nLABEL" → found
  uint64_t work_ = 0;                             // what the searches count; unused here

  const GameText* script_ = nullptr;
  std::string_view image_;
  uint32_t lineStart_ = 0;
  uint32_t nextLine_ = 0;
  int lineNumber_ = 0;
};

}  // namespace tolven::tools
