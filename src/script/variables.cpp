#include "script/variables.h"

#include <algorithm>
#include <cstdint>
#include <span>

#include "base/engine_values.h"

namespace tolven {
namespace {

constexpr std::string_view kInvalidExpressionMessage = "無効数式";
constexpr std::string_view kAssignmentErrorMessage = "代入エラー";
constexpr std::string_view kDefaultFamilyName = "\x8E\x52\x93\x63";  // 山田
constexpr size_t kStringCopyLimit = 63;
constexpr size_t kConditionBufferSize = 100;
constexpr size_t kRandomMaxDigits = 7;
constexpr int kGameinitClearedV = 800;  // V800-V999 carry over into a new game

enum class Operator { kAdd, kSubtract, kMultiply, kDivide, kRemainder, kAnd, kOr, kXor };

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsLeadByte(uint8_t byte) {
  return (byte >= 0x81 && byte <= 0x9F) || byte >= 0xE0;
}
bool IsTrailByte(uint8_t byte) {
  return byte >= 0x40 && byte <= 0xFC && byte != 0x7F;
}

// 1 or 2: a lead byte only pairs with a byte that can follow it, so a stray lead byte cannot
// swallow the blank or bracket after it.
size_t CharacterLength(std::string_view text, size_t i) {
  if (i + 1 < text.size() && IsLeadByte(static_cast<uint8_t>(text[i])) &&
      IsTrailByte(static_cast<uint8_t>(text[i + 1]))) {
    return 2;
  }
  return 1;
}

char UpperCase(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsExpressionTerminator(char c) {
  switch (c) {
    case '=':
    case '<':
    case '>':
    case '!':
    case '&':
    case '|':
    case ';':
    case ',':
    case ']':
      return true;
    default:
      return false;
  }
}

// The characters that end a comparison's left side or its right side in a condition chain.
bool IsConditionStop(char c) {
  switch (c) {
    case '!':
    case '&':
    case ',':
    case '<':
    case '=':
    case '>':
    case '|':
      return true;
    default:
      return false;
  }
}

std::optional<Operator> ArithmeticOperator(char c) {
  switch (c) {
    case '+':
      return Operator::kAdd;
    case '-':
      return Operator::kSubtract;
    case '*':
      return Operator::kMultiply;
    case '/':
      return Operator::kDivide;
    case '%':
      return Operator::kRemainder;
    default:
      return std::nullopt;
  }
}

std::optional<Operator> BitwiseOperator(char c) {
  switch (c) {
    case '&':
      return Operator::kAnd;
    case '|':
      return Operator::kOr;
    case 'X':
      return Operator::kXor;
    default:
      return std::nullopt;
  }
}

// Scripts count on 32-bit wrap-around, so the arithmetic runs unsigned and converts back.
int32_t Apply(Operator op, int32_t a, int32_t x) {
  const uint32_t ua = static_cast<uint32_t>(a);
  const uint32_t ux = static_cast<uint32_t>(x);
  switch (op) {
    case Operator::kAdd:
      return static_cast<int32_t>(ua + ux);
    case Operator::kSubtract:
      return static_cast<int32_t>(ua - ux);
    case Operator::kMultiply:
      return static_cast<int32_t>(ua * ux);
    case Operator::kDivide:
      if (x == 0) return 0;
      if (x == -1) return static_cast<int32_t>(0u - ua);  // INT_MIN / -1 wraps to INT_MIN
      return a / x;
    case Operator::kRemainder:
      if (x == 0 || x == -1) return 0;
      return a % x;
    case Operator::kAnd:
      return a & x;
    case Operator::kOr:
      return a | x;
    case Operator::kXor:
      return a ^ x;
  }
  return 0;
}

int32_t AppendDigit(int32_t value, char digit) {
  return static_cast<int32_t>(static_cast<uint32_t>(value) * 10u +
                              static_cast<uint32_t>(digit - '0'));
}

// How many index characters follow a bank letter in the script's fixed-width names.
size_t IndexWidth(char bank) {
  switch (bank) {
    case 'T':
      return 4;
    case 'G':
      return 1;
    default:
      return 3;
  }
}

bool IsVariableLetter(char c) {
  return std::string_view("VPSGFET").find(c) != std::string_view::npos;
}

// The index characters must all be there and all be digits; a sign, a letter or a name cut
// short by the end of the text is not an index.
std::optional<int> ParseIndex(std::string_view text, size_t start, size_t width) {
  if (start > text.size() || text.size() - start < width) return std::nullopt;
  int index = 0;
  for (size_t i = start; i < start + width; ++i) {
    if (!IsDigit(text[i])) return std::nullopt;
    index = index * 10 + (text[i] - '0');
  }
  return index;
}

std::optional<int> IntegerBankBase(char bank) {
  switch (bank) {
    case 'V':
      return kVBase;
    case 'P':
      return kPBase;
    case 'S':
      return kSBase;
    case 'G':
      return kGBase;
    default:
      return std::nullopt;
  }
}

std::string_view Tail(std::string_view text, size_t from) {
  return from < text.size() ? text.substr(from) : std::string_view();
}

// The first stop character after position p (p itself is never taken); text.size() for the end.
size_t NextConditionStop(std::string_view text, size_t p) {
  for (size_t i = p + 1; i < text.size(); ++i) {
    if (IsConditionStop(text[i])) return i;
  }
  return text.size();
}

bool Compare(char comparison, bool orEqual, int32_t left, int32_t right) {
  switch (comparison) {
    case '!':
      return left != right;
    case '=':
      return left == right;
    case '<':
      return orEqual ? left <= right : left < right;
    case '>':
      return orEqual ? left >= right : left > right;
    default:
      return false;  // the clause had no comparison at all
  }
}

// The chain after one optional '(' up to the first ')', small letters raised and blanks
// dropped, cut to the engine's fixed work buffer. Double-byte characters need no care here:
// any of them makes its clause invalid whatever happens to its second byte.
std::string ConditionWorkText(std::string_view text) {
  if (!text.empty() && text.front() == '(') text.remove_prefix(1);
  std::string work;
  for (size_t i = 0; i < text.size() && work.size() < kConditionBufferSize; ++i) {
    if (text[i] == ')') break;
    if (text[i] != ' ') work += UpperCase(text[i]);
  }
  return work;
}

// The bytes of a bit bank by its letter; empty for any other letter, so every index is outside.
std::span<uint8_t> BitBank(ScriptState& state, char bank) {
  switch (bank) {
    case 'F':
      return state.F;
    case 'E':
      return state.E;
    case 'T':
      return state.T;
    default:
      return {};
  }
}

// Callers may hand in a view of a fixed line buffer; the text ends at its first NUL.
std::string_view CText(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

}  // namespace

Variables::Variables(ScriptState& state, RandomGenerator& random, Trace& trace)
    : state_(state), random_(random), trace_(trace) {}

int32_t Variables::InvalidExpression() {
  trace_.Write(kInvalidExpressionMessage);
  return 0;
}

void Variables::AssignmentError() {
  trace_.Write(kAssignmentErrorMessage);
}

void Variables::SetBit(char bank, int index) {
  const std::span<uint8_t> bytes = BitBank(state_, bank);
  if (index < 0 || static_cast<size_t>(index) >= bytes.size() * 8) return;
  bytes[index / 8] = static_cast<uint8_t>(bytes[index / 8] | (1u << (index % 8)));
}

void Variables::ClearBit(char bank, int index) {
  const std::span<uint8_t> bytes = BitBank(state_, bank);
  if (index < 0 || static_cast<size_t>(index) >= bytes.size() * 8) return;
  bytes[index / 8] = static_cast<uint8_t>(bytes[index / 8] & ~(1u << (index % 8)));
}

bool Variables::TestBit(char bank, int index) const {
  const std::span<uint8_t> bytes = BitBank(state_, bank);
  if (index < 0 || static_cast<size_t>(index) >= bytes.size() * 8) return false;
  return (bytes[index / 8] >> (index % 8)) & 1u;
}

int32_t Variables::ReadVariable(char bank, int index) const {
  if (const std::optional<int> base = IntegerBankBase(bank)) {
    return state_.integers[*base + index];
  }
  return TestBit(bank, index) ? 1 : 0;
}

int32_t Variables::EvaluateExpression(std::string_view text) {
  text = CText(text);
  int32_t accumulator = 0;
  int32_t operand = 0;
  Operator pending = Operator::kAdd;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (IsExpressionTerminator(c)) break;
    if (IsDigit(c)) {
      operand = AppendDigit(operand, c);
      ++i;
    } else if (const std::optional<Operator> op = ArithmeticOperator(c)) {
      accumulator = Apply(pending, accumulator, operand);
      operand = 0;
      pending = *op;
      ++i;
    } else if (c == '_') {
      // Only "_&", "_|" and "_X" mean something; a lone '_' is passed over.
      const std::optional<Operator> op =
          i + 1 < text.size() ? BitwiseOperator(text[i + 1]) : std::nullopt;
      if (op) {
        accumulator = Apply(pending, accumulator, operand);
        operand = 0;
        pending = *op;
        i += 2;
      } else {
        ++i;
      }
    } else if (c == 'R') {
      ++i;
      int32_t range = 0;
      for (size_t digits = 0; digits < kRandomMaxDigits && i < text.size() && IsDigit(text[i]);
           ++digits, ++i) {
        range = AppendDigit(range, text[i]);
      }
      // No range, or a range of 0, cannot be drawn from; it reads as 0 and costs no draw.
      operand = range > 0 ? random_.Next() % range : 0;
    } else if (IsVariableLetter(c)) {
      const size_t width = IndexWidth(c);
      const std::optional<int> index = ParseIndex(text, i + 1, width);
      if (!index) return InvalidExpression();
      operand = ReadVariable(c, *index);
      i += 1 + width;
    } else {
      return InvalidExpression();
    }
  }
  return Apply(pending, accumulator, operand);
}

std::string Variables::NormaliseAssignment(std::string_view text) {
  std::string normalised;
  normalised.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t length = CharacterLength(text, i);
    if (length == 2) {
      const std::string_view character = text.substr(i, 2);
      if (character != "\x81\x40") normalised += character;  // full-width space
    } else if (text[i] != ' ' && text[i] != '\t') {
      normalised += UpperCase(text[i]);
    }
    i += length;
  }
  return normalised;
}

void Variables::Store(char bank, std::optional<int> index, int32_t value) {
  if (!IsVariableLetter(bank) || !index) {
    AssignmentError();
    return;
  }
  if (const std::optional<int> base = IntegerBankBase(bank)) {
    state_.integers[*base + *index] = value;
    if (bank == 'S' && *index == sv::kSaveAvailability && onSaveAvailabilityChanged) {
      onSaveAvailabilityChanged();
    }
    return;
  }
  if (value == 0) {
    ClearBit(bank, *index);
  } else if (value == 1) {
    SetBit(bank, *index);
  } else if (bank != 'F') {
    AssignmentError();
  }
}

void Variables::ExecuteAssignments(std::string_view text) {
  const std::string normalised = NormaliseAssignment(CText(text));
  std::string_view rest = normalised;
  for (;;) {
    const char bank = rest.empty() ? '\0' : rest.front();
    const size_t width = IndexWidth(bank);
    const std::optional<int> index = ParseIndex(rest, 1, width);
    // Whatever follows the index is taken for the '=', so "V001+=5" assigns "=5", which is 0.
    rest.remove_prefix(std::min(rest.size(), 1 + width + 1));
    Store(bank, index, EvaluateExpression(rest));
    const size_t separator = rest.find(';');
    if (separator == std::string_view::npos) return;
    rest.remove_prefix(separator + 1);
  }
}

bool Variables::TestCondition(std::string_view text) {
  const std::string work = ConditionWorkText(CText(text));
  const std::string_view chain = work;
  size_t p = 0;
  for (;;) {
    const int32_t left = EvaluateExpression(Tail(chain, p));
    size_t position = NextConditionStop(chain, p);
    const char comparison = position < chain.size() ? chain[position] : '\0';
    bool orEqual = false;
    if (position + 1 < chain.size() && chain[position + 1] == '=') {
      orEqual = true;
      ++position;
    }
    const int32_t right = EvaluateExpression(Tail(chain, position + 1));
    const size_t connectorPosition = NextConditionStop(chain, position);
    const bool result = Compare(comparison, orEqual, left, right);
    if (connectorPosition >= chain.size()) return result;
    const char connector = chain[connectorPosition];
    if (connector == '&' && !result) return false;
    if (connector == '|' && result) return true;
    p = connectorPosition + 1;
    // A connector at the very end opens no further clause; the last clause decides.
    if (p >= chain.size()) return result;
  }
}

void Variables::Gameinit() {
  state_.F.fill(0);
  state_.T.fill(0);
  std::fill_n(state_.integers.begin() + kVBase, kGameinitClearedV, 0);
}

bool Variables::SetStringRow(int row, std::string_view text) {
  if (row < 0 || row >= sr::kScriptRows) return false;
  const size_t start = static_cast<size_t>(row) * kStringRowBytes;
  text = CText(text).substr(0, kStringCopyLimit);
  // Rows 0-9 always leave room for 63 bytes and the NUL; the cut only guards the bank's end.
  text = text.substr(0, std::min(text.size(), state_.strings.size() - start - 1));
  std::copy(text.begin(), text.end(), state_.strings.begin() + start);
  state_.strings[start + text.size()] = 0;
  if (row == sr::kFamilyName) {
    state_.S(sv::kNameChanged) = text == kDefaultFamilyName ? 0 : 1;
  }
  return true;
}

void Variables::RestoreFamilyName(std::string_view name) {
  name = CText(name).substr(0, kStringRowBytes - 1);
  std::fill_n(state_.strings.begin(), kStringRowBytes, 0);
  std::copy(name.begin(), name.end(), state_.strings.begin());
  state_.S(sv::kNameChanged) = name == kDefaultFamilyName ? 0 : 1;
}

std::string Variables::StringRow(int row) const {
  if (row < 0 || row >= kStringRows) return {};
  const auto begin = state_.strings.begin() + row * kStringRowBytes;
  return std::string(begin, std::find(begin, state_.strings.end(), 0));
}

std::string Variables::ExpressionTag(std::string_view inner) {
  return std::to_string(EvaluateExpression(inner));
}

std::string Variables::StringTag(int n) const {
  return n >= 0 && n < sr::kScriptRows ? StringRow(n) : std::string();
}

}  // namespace tolven
