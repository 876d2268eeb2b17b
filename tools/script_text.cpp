#include "tools/script_text.h"

#include "base/text_encoding.h"
#include "tools/file_io.h"

namespace tolven::tools {

std::vector<uint8_t> ScriptFromUtf8Lines(std::string_view utf8, const LineFault& onFault) {
  if (utf8.starts_with("\xEF\xBB\xBF")) utf8.remove_prefix(3);
  std::vector<uint8_t> script;
  int lineNumber = 0;
  while (!utf8.empty()) {
    ++lineNumber;
    size_t end = utf8.find('\n');
    std::string_view line = utf8.substr(0, end);
    utf8.remove_prefix(end == std::string_view::npos ? utf8.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    std::optional<std::string> converted;
    if (line.find('\0') != std::string_view::npos) {
      onFault(lineNumber, "line holds a zero byte");
    } else if (!(converted = Utf8ToShiftJis(line))) {
      onFault(lineNumber, "not UTF-8, or a character Shift-JIS cannot hold");
    }
    if (converted) script.insert(script.end(), converted->begin(), converted->end());
    script.push_back(0);
  }
  return script;
}

std::vector<uint8_t> ScriptFromUtf8(std::string_view utf8, const std::string& fileName) {
  return ScriptFromUtf8Lines(utf8, [&](int line, const std::string& why) {
    throw ToolError(fileName + ":" + std::to_string(line) + ": " + why);
  });
}

std::string ScriptToUtf8(const std::vector<uint8_t>& script, const std::string& entryName) {
  std::string text;
  size_t start = 0;
  while (start < script.size()) {
    size_t end = start;
    while (end < script.size() && script[end] != 0) ++end;
    std::string_view line(reinterpret_cast<const char*>(script.data()) + start, end - start);
    std::optional<std::string> converted = ShiftJisToUtf8(line);
    if (!converted) throw ToolError(entryName + ": not Shift-JIS text");
    text += *converted;
    text += '\n';
    start = end + 1;
  }
  return text;
}

}  // namespace tolven::tools
