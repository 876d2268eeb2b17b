#include "script/variables.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace tolven {
namespace {

using namespace std::string_view_literals;

constexpr std::string_view kInvalid = "無効数式\n";
constexpr std::string_view kAssignError = "代入エラー\n";
// Shift-JIS names for the family-name rule.
constexpr std::string_view kYamada = "\x8E\x52\x93\x63";
constexpr std::string_view kSato = "\x8D\xB2\x93\xA1";
constexpr std::string_view kYamadaTa = "\x8E\x52\x93\x63\x91\xBE";

class VariablesTest : public ::testing::Test {
 protected:
  VariablesTest() { trace.Attach(&traceOutput); }

  std::string TakeTrace() {
    std::string text = traceOutput.str();
    traceOutput.str("");
    return text;
  }

  static bool BitOf(const uint8_t* bytes, int index) {
    return (bytes[index / 8] >> (index % 8)) & 1;
  }
  static void SetBitOf(uint8_t* bytes, int index) { bytes[index / 8] |= 1 << (index % 8); }

  // Reads a variable by its script name straight from the banks.
  int32_t Read(std::string_view name) const {
    const int index = std::stoi(std::string(name.substr(1)));
    switch (name[0]) {
      case 'V':
        return state.V(index);
      case 'P':
        return state.P(index);
      case 'S':
        return state.S(index);
      case 'G':
        return state.G(index);
      case 'F':
        return BitOf(state.F.data(), index);
      case 'E':
        return BitOf(state.E.data(), index);
      case 'T':
        return BitOf(state.T.data(), index);
    }
    ADD_FAILURE() << "no bank " << name;
    return 0;
  }

  ScriptState state;
  RandomGenerator random{1};
  std::ostringstream traceOutput;
  Trace trace;
  Variables variables{state, random, trace};
};

// ---- Expressions ------------------------------------------------------------------------------

TEST_F(VariablesTest, EvaluatesExpressionsLeftToRight) {
  state.V(1) = 7;
  state.V(2) = -1;
  state.V(3) = INT32_MIN;
  state.V(999) = 2;
  state.P(2) = -3;
  state.S(3) = 100;
  state.G(1) = 4;
  SetBitOf(state.F.data(), 5);
  SetBitOf(state.E.data(), 6);
  SetBitOf(state.T.data(), 7);
  SetBitOf(state.E.data(), 1000);

  struct Case {
    std::string_view text;
    int32_t expected;
    bool invalid;
  };
  const Case cases[] = {
      {"", 0, false},
      {"123", 123, false},
      // No precedence; an operator after another meets an empty operand.
      {"2+3*4", 20, false},
      {"7/-2", -2, false},
      {"5*-3", -3, false},
      {"-5", -5, false},
      {"-7/2", -3, false},
      {"-7%2", -1, false},
      {"7%P002", 1, false},
      {"-7%P002", -1, false},
      {"7/P002", -2, false},
      {"7%-2", -2, false},
      {"5%0", 0, false},
      {"5/0", 0, false},
      {"12_&10", 8, false},
      {"12_|3", 15, false},
      {"12_X10", 6, false},
      {"1_2", 12, false},
      {"7_", 7, false},
      // Variables sit in the operand like literals; following digits continue them.
      {"V001", 7, false},
      {"V0015", 75, false},
      {"V001+P002", 4, false},
      {"S003/V001", 14, false},
      {"G1*V999", 8, false},
      {"10-G1", 6, false},
      {"F005+E006+T0007", 3, false},
      {"F004+E005+T0006", 0, false},
      {"E1000", 0, false},  // E100 followed by a digit, never bit 1000
      // Terminators end the walk with the pending operation applied.
      {"2+3=9", 5, false},
      {"2+3<9", 5, false},
      {"2+3>9", 5, false},
      {"2+3!9", 5, false},
      {"2+3&9", 5, false},
      {"2+3|9", 5, false},
      {"2+3;9", 5, false},
      {"2+3,9", 5, false},
      {"2+3]9", 5, false},
      {"2+3\0"
       "9"sv,
       5, false},
      // 32-bit wrap-around.
      {"2147483647+1", INT32_MIN, false},
      {"2147483648", INT32_MIN, false},
      {"4294967301", 5, false},
      {"65536*65536", 0, false},
      {"V003/V002", INT32_MIN, false},
      {"V003%V002", 0, false},
      // R without a usable range reads as 0.
      {"5+R", 5, false},
      {"5+R0", 5, false},
      // Anything else spoils the whole expression.
      {"1 + 2", 0, true},
      {"3+a", 0, true},
      {"v001", 0, true},
      {"(1)", 0, true},
      {"[1", 0, true},
      {"X", 0, true},
      {"\x82\x4F", 0, true},  // full-width digit
      // Indexes that are not plain decimal numbers, or cut short by the end.
      {"V0A1", 0, true},
      {"V-01", 0, true},
      {"V+01", 0, true},
      {"V01", 0, true},
      {"5+V1", 0, true},
      {"G", 0, true},
      {"T123", 0, true},
      {"F00", 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    EXPECT_EQ(variables.EvaluateExpression(c.text), c.expected);
    EXPECT_EQ(TakeTrace(), c.invalid ? kInvalid : "");
  }
}

TEST_F(VariablesTest, ExpressionTagPrintsTheValueAsWritten) {
  state.V(1) = 7;
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"V001", "7"},
      {"-5", "-5"},
      {"2147483648", "-2147483648"},
      {"v001 = 12 ; p002 = 3", "0"},  // tags are not normalised
  };
  for (const auto& [inner, expected] : cases) {
    SCOPED_TRACE(std::string(inner));
    EXPECT_EQ(variables.ExpressionTag(inner), expected);
  }
  EXPECT_EQ(TakeTrace(), kInvalid);
}

// ---- Random numbers ---------------------------------------------------------------------------

TEST(RandomGeneratorTest, FollowsTheClassicSequenceForASeed) {
  RandomGenerator generator(1);
  for (int expected : {41, 18467, 6334, 26500, 19169}) EXPECT_EQ(generator.Next(), expected);

  RandomGenerator first(987654321);
  RandomGenerator second(987654321);
  for (int i = 0; i < 100000; ++i) {
    const int value = first.Next();
    ASSERT_EQ(value, second.Next());
    ASSERT_GE(value, 0);
    ASSERT_LE(value, 32767);
  }
}

TEST_F(VariablesTest, RandomOperandDrawsOnceAndStaysBelowItsRange) {
  // Seed 1 draws 41, then 18467.
  EXPECT_EQ(variables.EvaluateExpression("R100+R100"), 41 + 67);

  // The range takes at most seven digits; an eighth continues the operand.
  RandomGenerator fresh(1);
  RandomGenerator sameSeed(1);
  Variables other(state, fresh, trace);
  EXPECT_EQ(other.EvaluateExpression("R12345678"), 41 * 10 + 8);

  // No range: no draw.
  EXPECT_EQ(other.EvaluateExpression("R0+R"), 0);
  sameSeed.Next();
  EXPECT_EQ(fresh.Next(), sameSeed.Next());

  bool seen[6] = {};
  for (int i = 0; i < 600; ++i) {
    const int32_t value = other.EvaluateExpression("R6");
    ASSERT_EQ(value, sameSeed.Next() % 6);
    seen[value] = true;
  }
  for (bool s : seen) EXPECT_TRUE(s);
  EXPECT_EQ(TakeTrace(), "");
}

// ---- Assignments ------------------------------------------------------------------------------

TEST_F(VariablesTest, NormalisesAssignmentTextWithoutBreakingDoubleByteCharacters) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"v001 = 1 ; p002\t=\t2", "V001=1;P002=2"},
      {"\x81\x40"
       "f001\x81\x40",
       "F001"},  // full-width spaces go
      {"\x83\x61"
       "a",
       "\x83\x61"
       "A"},                             // a second byte in the a-z range stays
      {"\x88\x81\x40", "\x88\x81\x40"},  // 0x81 0x40 here is a second byte, then '@'
      {"\x83\x40", "\x83\x40"},          // only 0x81 0x40 is the full-width space
      {"\xB1"
       "b",
       "\xB1"
       "B"},  // half-width katakana is single-byte
      {"\x83 a",
       "\x83"
       "A"},  // a stray first byte does not swallow a blank
      {"a\x83", "A\x83"},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(std::string(text));
    EXPECT_EQ(Variables::NormaliseAssignment(text), expected);
  }
}

TEST_F(VariablesTest, ExecutesAssignmentLists) {
  struct Case {
    std::string_view text;
    std::vector<std::pair<std::string_view, int32_t>> expected;
    std::string_view trace;
  };
  const std::vector<Case> cases = {
      {"V001=2+3*4", {{"V001", 20}}, ""},
      {"V001=7/-2", {{"V001", -2}}, ""},
      {"V001=5%0", {{"V001", 0}}, ""},
      {"V001=5/0", {{"V001", 0}}, ""},
      {"v001 = 12 ; p002\t=\t3", {{"V001", 12}, {"P002", 3}}, ""},
      {"V001\x81\x40=\x81\x40"
       "4",
       {{"V001", 4}},
       ""},
      // The character after the index is skipped, whatever it is.
      {"V001+=5", {{"V001", 0}}, ""},
      {"V001:7", {{"V001", 7}}, ""},
      {"V002=V0015", {{"V002", 995}}, ""},
      {"G1=9;G2=8", {{"G1", 9}, {"G2", 8}}, ""},
      {"S999=-1", {{"S999", -1}}, ""},
      {"T0012=1;V001=3", {{"T0012", 1}, {"V001", 3}}, ""},
      {"V001=1;V002=2;P002=3", {{"V001", 1}, {"V002", 2}, {"P002", 3}}, ""},
      {"V001=1,V002=2", {{"V001", 1}, {"V002", 99}}, ""},
      {"V001=1+Q", {{"V001", 0}}, kInvalid},
      // Bits take 0 and 1 only.
      {"F010=0;E010=0;T0010=0", {{"F010", 0}, {"E010", 0}, {"T0010", 0}}, ""},
      {"F011=1;E011=1;T9999=1", {{"F011", 1}, {"E011", 1}, {"T9999", 1}}, ""},
      {"F010=2", {{"F010", 1}}, ""},
      {"E010=2", {{"E010", 1}}, kAssignError},
      {"T0010=-1", {{"T0010", 1}}, kAssignError},
      // Unknown banks and unreadable indexes store nothing; later clauses still run.
      {"X001=1;V001=5", {{"V001", 5}}, kAssignError},
      {"V0A1=5;V002=6", {{"V000", 0}, {"V001", 99}, {"V002", 6}}, kAssignError},
      {"V-01=5", {{"V001", 99}}, kAssignError},
      {"F0A1=1", {{"F000", 0}, {"F001", 0}}, kAssignError},
      {"V01", {{"V000", 0}, {"V001", 99}}, kAssignError},
      {"V001=1;", {{"V001", 1}}, kAssignError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    state = ScriptState{};
    state.V(1) = 99;
    state.V(2) = 99;
    state.P(2) = 99;
    SetBitOf(state.F.data(), 10);
    SetBitOf(state.E.data(), 10);
    SetBitOf(state.T.data(), 10);
    variables.ExecuteAssignments(c.text);
    for (const auto& [name, value] : c.expected) EXPECT_EQ(Read(name), value) << name;
    EXPECT_EQ(TakeTrace(), c.trace);
  }
}

TEST_F(VariablesTest, StoringIntoS000ReappliesSaveAvailability) {
  std::vector<int32_t> seen;
  variables.onSaveAvailabilityChanged = [&] { seen.push_back(state.S(0)); };
  const std::pair<std::string_view, std::vector<int32_t>> cases[] = {
      {"S000=1", {1}},
      {"S000=2;S000=3", {2, 3}},
      {"S001=1;P000=1;V000=1;G0=1", {}},
      {"S0A0=1", {}},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(std::string(text));
    seen.clear();
    variables.ExecuteAssignments(text);
    EXPECT_EQ(seen, expected);
  }
}

// ---- Conditions -------------------------------------------------------------------------------

TEST_F(VariablesTest, TestsConditionChains) {
  state.V(1) = 3;
  state.V(2) = -4;
  SetBitOf(state.F.data(), 1);
  SetBitOf(state.F.data(), 3);

  const std::pair<std::string, bool> cases[] = {
      {"(V001>=3&F001=1)", true},
      {"(V001>=3&F002=1)", false},
      {"(V001>=4&F001=1)", false},
      // Left to right with short cut, no grouping.
      {"(F001=1|F002=1&F003=1)", true},
      {"(F002=1|F001=1&F003=1)", true},
      {"(F002=1&F001=1|F001=1)", false},
      {"(F002=1|F001=0|F003=1)", true},
      {"(V001=4,V001=3)", true},
      {"(V001=3,V001=4)", false},
      // Every comparison spelling.
      {"(V001==3)", true},
      {"(V001=3)", true},
      {"(V001!=3)", false},
      {"(V001!3)", false},
      {"(V001!4)", true},
      {"(V001<3)", false},
      {"(V001<4)", true},
      {"(V001<=3)", true},
      {"(V001>3)", false},
      {"(V001>2)", true},
      {"(V001>=3)", true},
      {"(V002=-4)", true},
      {"(V001+1=4)", true},
      // "<>" compares with 0: the '>' ends the right side.
      {"(V002<>)", true},
      {"(V001<>)", false},
      // Small letters and blanks; the chain ends at the first ')'.
      {"(v001 = 3)", true},
      {"(V001=3 5)", false},
      {"V001=3", true},
      {"(V001=3)gra", true},
      {"(V001=4)|V001=3", false},
      {"((V001=3)", false},
      // No comparison: false. A trailing connector adds no clause.
      {"(V001)", false},
      {"()", false},
      {"", false},
      {"(V001=3&)", true},
      {"(V001=4|)", false},
      // The work buffer holds 100 characters, counted after blanks are dropped.
      {"(" + std::string(97, '0') + "1=1)", true},
      {"(" + std::string(98, '0') + "1=1)", false},
      {"(" + std::string(200, ' ') + "V001=3)", true},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(variables.TestCondition(text), expected);
  }
}

TEST_F(VariablesTest, ConditionStopsEvaluatingOnceDecided) {
  SetBitOf(state.F.data(), 1);
  // The random operand shows whether a clause was evaluated: each evaluation draws once.
  const std::tuple<std::string_view, bool, bool> cases[] = {
      {"(F002=1&R100=100)", false, false},
      {"(F001=1|R100=100)", true, false},
      {"(F001=1&R100=100)", false, true},
  };
  for (const auto& [text, expected, drawn] : cases) {
    SCOPED_TRACE(std::string(text));
    RandomGenerator mine(7);
    RandomGenerator reference(7);
    Variables other(state, mine, trace);
    EXPECT_EQ(other.TestCondition(text), expected);
    if (drawn) reference.Next();
    EXPECT_EQ(mine.Next(), reference.Next());
  }
}

// ---- Bits and new games -----------------------------------------------------------------------

TEST_F(VariablesTest, BitOperationsIgnoreIndexesOutsideTheBank) {
  const std::pair<char, int> banks[] = {{'F', 1024}, {'E', 1024}, {'T', 10000}};
  for (const auto& [bank, size] : banks) {
    SCOPED_TRACE(std::string(1, bank));
    state = ScriptState{};
    variables.SetBit(bank, size - 1);
    EXPECT_TRUE(variables.TestBit(bank, size - 1));
    const ScriptState before = state;
    variables.SetBit(bank, size);
    variables.SetBit(bank, -1);
    variables.ClearBit(bank, size);
    EXPECT_EQ(std::memcmp(&before, &state, sizeof state), 0);
    EXPECT_FALSE(variables.TestBit(bank, size));
    EXPECT_FALSE(variables.TestBit(bank, -1));
    variables.ClearBit(bank, size - 1);
    EXPECT_FALSE(variables.TestBit(bank, size - 1));
  }

  state = ScriptState{};
  variables.SetBit('F', 10);  // least significant bit first
  EXPECT_EQ(state.F[1], 0x04);
  variables.SetBit('X', 1);
  EXPECT_FALSE(variables.TestBit('X', 1));
  EXPECT_EQ(state.F[0], 0);
}

TEST_F(VariablesTest, GameinitClearsPerGameStateOnly) {
  state.integers.fill(5);
  state.F.fill(0xFF);
  state.E.fill(0xFF);
  state.T.fill(0xFF);
  state.strings.fill('x');
  const ScriptState before = state;

  variables.Gameinit();

  for (int i = 0; i < 800; ++i) ASSERT_EQ(state.V(i), 0) << i;
  for (int i = 800; i < 1000; ++i) ASSERT_EQ(state.V(i), 5) << i;
  EXPECT_TRUE(std::equal(state.integers.begin() + kPBase, state.integers.end(),
                         before.integers.begin() + kPBase));
  EXPECT_EQ(state.F, decltype(state.F){});
  EXPECT_EQ(state.T, decltype(state.T){});
  EXPECT_EQ(state.E, before.E);
  EXPECT_EQ(state.strings, before.strings);
}

// ---- String rows ------------------------------------------------------------------------------

TEST_F(VariablesTest, StringRowsCopyAtMost63BytesAndRunOn) {
  state.strings.fill('x');
  std::string text;
  for (int i = 0; i < 100; ++i) text += static_cast<char>('A' + i % 26);

  ASSERT_TRUE(variables.SetStringRow(9, text));
  EXPECT_EQ(variables.StringRow(9), text.substr(0, 63));
  EXPECT_EQ(variables.StringRow(10), text.substr(32, 31));
  EXPECT_EQ(state.strings[9 * 32 + 63], 0);
  // Row 11 is untouched and, with no NUL left in the bank, reads up to the bank's end.
  EXPECT_EQ(variables.StringRow(11), std::string(640 - 11 * 32, 'x'));
  EXPECT_EQ(variables.StringRow(19), std::string(32, 'x'));
  EXPECT_EQ(variables.StringRow(20), "");
  EXPECT_EQ(variables.StringRow(-1), "");

  ASSERT_TRUE(variables.SetStringRow(3, "ab\0cd"sv));
  EXPECT_EQ(variables.StringRow(3), "ab");
}

TEST_F(VariablesTest, StringRowsOutsideTheScriptRangeAreRefused) {
  state.strings.fill('x');
  const ScriptState before = state;
  for (int row : {-1, 10, 12, 19, 20}) {
    SCOPED_TRACE(row);
    EXPECT_FALSE(variables.SetStringRow(row, "abc"));
  }
  EXPECT_EQ(state.strings, before.strings);
}

TEST_F(VariablesTest, StringTagPrintsScriptRowsOnly) {
  variables.SetStringRow(3, "three");
  std::memcpy(&state.strings[10 * 32], "ten", 4);
  std::memcpy(&state.strings[12 * 32], "twelve", 7);
  const std::pair<int, std::string_view> cases[] = {
      {3, "three"}, {4, ""}, {10, ""}, {12, ""}, {-1, ""},
  };
  for (const auto& [n, expected] : cases) {
    SCOPED_TRACE(n);
    EXPECT_EQ(variables.StringTag(n), expected);
  }
}

TEST_F(VariablesTest, FamilyNameRowSetsS006) {
  struct Case {
    int row;
    std::string_view text;
    int32_t s006;
  };
  const Case cases[] = {
      {0, kYamada, 0}, {0, kSato, 1}, {0, kYamadaTa, 1}, {0, "", 1}, {1, kYamada, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    state.S(6) = 7;
    variables.SetStringRow(c.row, c.text);
    EXPECT_EQ(state.S(6), c.s006);
    EXPECT_EQ(variables.StringRow(c.row), c.text);
  }
}

}  // namespace
}  // namespace tolven
