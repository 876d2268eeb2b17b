#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tolven::tools {

// A script or definition text written by an author as UTF-8 lines becomes the engine's form:
// Shift-JIS lines, each ended by a zero byte (not yet negated). Throws ToolError naming the
// file and line of a character that Shift-JIS cannot hold.
std::vector<uint8_t> ScriptFromUtf8(std::string_view utf8, const std::string& fileName);

// The same conversion, telling each line that cannot be converted (numbered from 1) to onFault
// and leaving it empty, so the lines after it keep their numbers.
using LineFault = std::function<void(int line, const std::string& why)>;
std::vector<uint8_t> ScriptFromUtf8Lines(std::string_view utf8, const LineFault& onFault);

// The reverse, for reading: zero bytes become line ends. Throws ToolError when the text is not
// valid Shift-JIS.
std::string ScriptToUtf8(const std::vector<uint8_t>& script, const std::string& entryName);

}  // namespace tolven::tools
