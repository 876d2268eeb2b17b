#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tolven {

// Inside the engine every text is Shift-JIS bytes (code page 932); UTF-8 only at the edges.
// Both return nothing when the input cannot be converted.
std::optional<std::string> ShiftJisToUtf8(std::string_view shiftJis);
std::optional<std::string> Utf8ToShiftJis(std::string_view utf8);

// As above, but a byte that cannot be converted becomes '?', so a dump or trace always has text.
std::string ShiftJisToUtf8Lossy(std::string_view shiftJis);

}  // namespace tolven
