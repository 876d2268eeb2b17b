#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "resources/archives.h"

namespace tolven {

// One KEY:value line of a definition section.
struct DefinitionEntry {
  std::string key;    // text before the first ':', upper case
  std::string value;  // text after it, as written
};

// The one definition-text buffer: screens laid out by text (the viewer, the selection tree,
// rolls, effects) load their text here and read it line by line with their own position.
class DefinitionText {
 public:
  // Loads a definition text by name (the script archives' search order). False when no archive
  // holds it; the previous text is then kept.
  bool Load(const Archives& archives, std::string_view name);
  // Replaces the text with bytes already negated back (for tests and tools).
  void Assign(std::vector<uint8_t> text) { text_ = std::move(text); }

  uint32_t DefinitionSize() const { return static_cast<uint32_t>(text_.size()); }

  // The line starting at the position, up to its zero byte or the end of the text; the position
  // moves past the zero byte. At or beyond the end it returns an empty line and stays there.
  std::string ReadDefLine(uint32_t& position) const;

  // The position just past the line ":NAME", looked for from the start of the text with both
  // sides in upper case; none when no line names the section.
  std::optional<uint32_t> FindSectionStart(std::string_view name) const;
  // The section's lines as written, from its header up to its "}" line or the end of the text,
  // without empty lines and "{" lines: what each screen reads in its own layout.
  std::vector<std::string> SectionLines(std::string_view name) const;
  // The body of the section ":NAME" (names and keys compared in upper case); empty when the
  // section is absent.
  std::vector<DefinitionEntry> FindSection(std::string_view name) const;

 private:
  std::vector<uint8_t> text_;
};

// The n-th comma-separated field (from 0); empty when the text has fewer fields.
std::string Field(std::string_view text, int n);
// The leading decimal integer of the n-th field (an optional sign, then digits), 0 when it has
// none; values beyond an int's range stop at its ends.
int FieldNumber(std::string_view text, int n);

}  // namespace tolven
