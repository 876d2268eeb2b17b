#include "base/text_encoding.h"

#include <iconv.h>

#include <cerrno>

namespace tolven {
namespace {

// Windows code page 932 rather than plain Shift_JIS: it keeps 0x5C as the yen-less backslash
// that scripts use as the page mark and has the NEC and IBM extension rows.
constexpr const char* kGameEncoding = "CP932";

class Converter {
 public:
  Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~Converter() {
    if (handle_ != reinterpret_cast<iconv_t>(-1)) iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts as much as possible; stops at the first byte that cannot be converted and reports
  // how many input bytes were consumed.
  bool Convert(std::string_view input, std::string& output, size_t& consumed) {
    consumed = 0;
    if (handle_ == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char buffer[1024];
    while (inLeft > 0) {
      char* out = buffer;
      size_t outLeft = sizeof buffer;
      size_t done = iconv(handle_, &in, &inLeft, &out, &outLeft);
      output.append(buffer, static_cast<size_t>(out - buffer));
      if (done == static_cast<size_t>(-1) && errno != E2BIG) {
        consumed = input.size() - inLeft;
        return false;
      }
    }
    consumed = input.size();
    return true;
  }

 private:
  iconv_t handle_;
};

std::optional<std::string> ConvertWhole(const char* to, const char* from, std::string_view text) {
  Converter converter(to, from);
  std::string output;
  size_t consumed = 0;
  if (!converter.Convert(text, output, consumed)) return std::nullopt;
  return output;
}

}  // namespace

std::optional<std::string> ShiftJisToUtf8(std::string_view shiftJis) {
  return ConvertWhole("UTF-8", kGameEncoding, shiftJis);
}

std::optional<std::string> Utf8ToShiftJis(std::string_view utf8) {
  return ConvertWhole(kGameEncoding, "UTF-8", utf8);
}

std::string ShiftJisToUtf8Lossy(std::string_view shiftJis) {
  Converter converter("UTF-8", kGameEncoding);
  std::string output;
  while (!shiftJis.empty()) {
    size_t consumed = 0;
    if (converter.Convert(shiftJis, output, consumed)) break;
    output += '?';
    shiftJis.remove_prefix(consumed + 1 <= shiftJis.size() ? consumed + 1 : shiftJis.size());
  }
  return output;
}

}  // namespace tolven
