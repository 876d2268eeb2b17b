#include "tools/save_tool.h"

#include <bit>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/script_state.h"
#include "base/text_encoding.h"
#include "resources/regular_file.h"
#include "tools/file_io.h"
#include "tools/png_file.h"

namespace tolven::tools {
namespace {

namespace fs = std::filesystem;

// Texts of the slot are Shift-JIS; shown quoted, so that empty texts and blanks at either end
// are visible, and with control bytes escaped, so that a damaged field cannot break the lines.
std::string Quoted(std::string_view shiftJis) {
  std::string text = "\"";
  for (const char c : ShiftJisToUtf8Lossy(shiftJis)) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      text += '\\';
      text += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      text += escape;
    } else {
      text += c;
    }
  }
  return text + '"';
}

void Line(std::ostream& out, std::string_view name, std::string_view value) {
  out << name << " =";
  if (!value.empty()) out << ' ' << value;
  out << '\n';
}

std::string Indexed(std::string_view name, size_t index) {
  return std::string(name) + "[" + std::to_string(index) + "]";
}

// Bit n is bit n mod 8 of byte n / 8, as the engine keeps every flag set.
std::string SetBits(std::span<const uint8_t> bits) {
  std::string list;
  for (size_t n = 0; n < bits.size() * 8; ++n) {
    if ((bits[n / 8] >> (n % 8) & 1) == 0) continue;
    if (!list.empty()) list += ' ';
    list += std::to_string(n);
  }
  return list;
}

template <size_t N>
void NonZeroValues(std::ostream& out, char bank, const std::array<int32_t, N>& values) {
  for (size_t i = 0; i < N; ++i) {
    if (values[i] == 0) continue;
    char name[16];
    std::snprintf(name, sizeof name, "%c%03zu", bank, i);
    Line(out, name, std::to_string(values[i]));
  }
}

// In record order; CallPositions (indexes 1-9) follow CallDepth.
constexpr std::pair<const char*, int32_t SlotState::*> kStateValues[] = {
    {"windowOpen", &SlotState::windowOpen},
    {"WaitTicks", &SlotState::WaitTicks},
    {"CharDelay", &SlotState::CharDelay},
    {"PageWait", &SlotState::PageWait},
    {"EngineState", &SlotState::EngineState},
    {"lastPictureGrb", &SlotState::lastPictureGrb},
    {"TextColumn", &SlotState::TextColumn},
    {"TextRow", &SlotState::TextRow},
    {"TextSize", &SlotState::TextSize},
    {"TextColour", &SlotState::TextColour},
    {"backlogLineCount", &SlotState::backlogLineCount},
    {"backlogWritePos", &SlotState::backlogWritePos},
    {"ScriptRunning", &SlotState::ScriptRunning},
    {"NeedLine", &SlotState::NeedLine},
    {"LineStart", &SlotState::LineStart},
    {"resumePos", &SlotState::resumePos},
    {"ScriptSize", &SlotState::ScriptSize},
    {"LinePos", &SlotState::LinePos},
    {"textMode", &SlotState::textMode},
    {"historyCount", &SlotState::historyCount},
    {"messagePageFlag", &SlotState::messagePageFlag},
};

// In record order; CallNames come first and layerSpecs last.
constexpr std::pair<const char*, std::string SlotNames::*> kNameTexts[] = {
    {"CurrentScript", &SlotNames::CurrentScript},
    {"LoadedScriptName", &SlotNames::LoadedScriptName},
    {"background", &SlotNames::background},
    {"characters", &SlotNames::characters},
    {"pageCleared", &SlotNames::pageCleared},
    {"recordScript", &SlotNames::recordScript},
    {"loopingEffect", &SlotNames::loopingEffect},
    {"lastVoice", &SlotNames::lastVoice},
};

// The values are those a load would use: ReadSlotRecord has already brought the call depth,
// the window flag and the backlog and look-back counts within the engine's limits.
void ShowState(const SlotState& state, std::ostream& out) {
  out << "[state]\n";
  Line(out, "CallDepth", std::to_string(state.CallDepth));
  for (size_t i = 0; i < state.CallPositions.size(); ++i) {
    Line(out, Indexed("CallPositions", i), std::to_string(state.CallPositions[i]));
  }
  for (const auto& [name, value] : kStateValues) Line(out, name, std::to_string(state.*value));
}

void ShowNames(const SlotNames& names, std::ostream& out) {
  out << "[names]\n";
  for (size_t i = 0; i < names.CallNames.size(); ++i) {
    Line(out, Indexed("CallNames", i), Quoted(names.CallNames[i]));
  }
  for (const auto& [name, text] : kNameTexts) Line(out, name, Quoted(names.*text));
  for (size_t i = 0; i < names.layerSpecs.size(); ++i) {
    Line(out, Indexed("layerSpecs", i), Quoted(names.layerSpecs[i]));
  }
}

void ShowStrings(const SlotRecord& record, std::ostream& out) {
  out << "[strings]\n";
  for (int row = 0; row < kStringRows; ++row) {
    const std::string_view bytes(reinterpret_cast<const char*>(record.strings.data()) +
                                     static_cast<size_t>(row * kStringRowBytes),
                                 kStringRowBytes);
    const std::string_view text = bytes.substr(0, bytes.find('\0'));
    if (!text.empty()) Line(out, "row " + std::to_string(row), Quoted(text));
  }
}

// Every set bit of the block counts, also any past the last mark the engine sets: the tool
// shows the file as it is.
size_t SetBitCount(std::span<const uint8_t> bits) {
  size_t count = 0;
  for (const uint8_t byte : bits) count += static_cast<size_t>(std::popcount(byte));
  return count;
}

}  // namespace

std::unique_ptr<SlotRecord> ReadSlotFile(const fs::path& path) {
  RegularFile file = OpenInputFile(path);
  // Checked before reading: the record reader would take a short file as a slot with zeros
  // at its end, and a tool must not show a guess as the file's content.
  if (file.Size() != kSlotFileBytes) {
    throw ToolError(path.string() + ": " + std::to_string(file.Size()) +
                    " bytes; a save slot file has exactly " + std::to_string(kSlotFileBytes));
  }
  std::vector<uint8_t> bytes(kSlotFileBytes);
  if (!file.ReadAt(0, bytes.data(), bytes.size())) {
    throw ToolError(path.string() + ": cannot be read");
  }
  auto record = std::make_unique<SlotRecord>();
  ReadSlotRecord(bytes, *record);
  return record;
}

void ShowSlot(const SlotRecord& record, std::ostream& out) {
  out << "[header]\n";
  Line(out, "description", Quoted(record.description));
  Line(out, "comment", Quoted(record.comment));
  out << '\n';
  ShowState(record.state, out);
  out << '\n';
  ShowNames(record.names, out);
  out << "\n[variables]\n";
  NonZeroValues(out, 'V', record.V);
  NonZeroValues(out, 'S', record.S);
  out << "\n[flags]\n";
  Line(out, "F", SetBits(record.F));
  Line(out, "T", SetBits(record.T));
  out << '\n';
  ShowStrings(record, out);
  out << "\n[read marks]\n";
  Line(out, "set", std::to_string(SetBitCount(record.readMarks)));
}

void ShowSlotFile(const fs::path& path, std::ostream& out) {
  ShowSlot(*ReadSlotFile(path), out);
}

void WriteSlotThumbnail(const fs::path& path, const fs::path& outPng) {
  WriteOutputFile(outPng, PngBytes(ThumbnailPicture(*ReadSlotFile(path))));
}

}  // namespace tolven::tools
