#include "script/command_table.h"

#include <algorithm>
#include <string>

#include "base/engine_flags.h"
#include "base/engine_values.h"
#include "base/script_state.h"
#include "base/trace.h"
#include "graphics/stage.h"
#include "resources/archive_index.h"
#include "script/interpreter.h"
#include "script/interpreter_host.h"
#include "script/screen_commands.h"
#include "script/variables.h"

namespace tolven {
namespace {

constexpr size_t kIfScanLimit = 200;    // `if` looks no further for its action
constexpr size_t kIfActionLimit = 200;  // longest action moved to the line start, NUL included
constexpr int32_t kIdleStepMs = 30;     // sleep counts idle steps of at least 30 ms
constexpr int32_t kSleepUntilClick = -1;
constexpr int kGameClearedFlag = 999;  // E999: the game was completed at least once

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

char LowerCase(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The name ends at a blank, a ':' or the line end, looked for from scanFrom on; at scanLimit
// the search gives up and the name ends there.
ScriptAndLabel SplitScriptAndLabel(std::string_view line, size_t nameAt, size_t scanFrom,
                                   size_t scanLimit) {
  if (nameAt >= line.size()) return {};
  size_t stop = scanFrom;
  while (stop < line.size() && stop < scanLimit && line[stop] != ' ' && line[stop] != ':') ++stop;
  stop = std::min(stop, line.size());
  ScriptAndLabel target{line.substr(nameAt, stop - nameAt), {}};
  if (stop < line.size() && line[stop] == ':') target.label = line.substr(stop + 1);
  return target;
}

// ---- Commands ---------------------------------------------------------------------------------

CommandOutcome Go(CommandContext& c, std::string& line) {
  c.interpreter.JumpToLabel(TextAt(line, 4));
  return kTableResult;
}

CommandOutcome Chain(CommandContext& c, std::string& line) {
  const ScriptAndLabel target = ChainTarget(line);
  c.interpreter.Chain(target.script, target.label);
  return kTableResult;
}

CommandOutcome WaitVoiceEnd(CommandContext& c, std::string&) {
  if (c.host.SoundDevicePresent()) c.flags.VoiceWait = true;
  return kTableResult;
}

CommandOutcome Voice(CommandContext& c, std::string& line) {
  c.host.Voice(TextAt(line, 7));
  return kTableResult;
}

CommandOutcome Se(CommandContext& c, std::string& line) {
  c.host.Effect(TextAt(line, 4));
  return kTableResult;
}

CommandOutcome Seloop(CommandContext& c, std::string& line) {
  c.host.Effect(TextAt(line, 8));
  return kTableResult;
}

CommandOutcome Seoff(CommandContext& c, std::string&) {
  c.host.StopLoopingSound();
  return kTableResult;
}

CommandOutcome Music(CommandContext& c, std::string& line) {
  c.host.Music(NumberAt(line, 7));
  return kTableResult;
}

CommandOutcome Movie(CommandContext& c, std::string& line) {
  c.host.Movie(TextAt(line, 7));
  return kTableResult;
}

CommandOutcome String(CommandContext& c, std::string& line) {
  const int32_t row = NumberAt(line, 8);
  if (!c.variables.SetStringRow(row, TextAt(line, 10))) return kTableResult;
  if (row == sr::kFamilyName) c.host.StoreFamilyName(c.variables.StringRow(sr::kFamilyName));
  return kTableResult;
}

CommandOutcome Calc(CommandContext& c, std::string& line) {
  c.variables.ExecuteAssignments(TextAt(line, 6));
  return kTableResult;
}

// A true condition runs the action after the ')': a command or calculation is moved to the
// start of the line buffer and examined as a line of its own, anything else names a label.
CommandOutcome If(CommandContext& c, std::string& line) {
  if (!c.variables.TestCondition(TextAt(line, 4))) return kYield;
  size_t i = 4;
  while (i < kIfScanLimit && i < line.size() && line[i] != ')') ++i;
  if (i < line.size() && line[i] == ')') ++i;
  while (i < kIfScanLimit && i < line.size() && IsBlank(line[i])) ++i;
  if (i >= kIfScanLimit) return kYield;
  const std::string_view action = TextAt(line, i);
  const bool statement =
      !action.empty() && (action[0] == '*' || action[0] == '@' || action[0] == '!');
  if (!statement) {
    c.interpreter.JumpToLabel(action);
    return kYield;
  }
  if (action.size() + 1 > kIfActionLimit) return kYield;
  line.erase(0, i);
  return kReexamine;
}

CommandOutcome Call(CommandContext& c, std::string& line) {
  const ScriptAndLabel target = CallTarget(line);
  if (TextAt(line, 6).starts_with('$')) {
    // "$d": the script named by string row d.
    const int row = line.size() > 7 && IsDigit(line[7]) ? line[7] - '0' : 0;
    c.interpreter.Call(c.variables.StringRow(row), target.label);
  } else {
    c.interpreter.Call(target.script, target.label);
  }
  return kTableResult;
}

CommandOutcome End(CommandContext& c, std::string&) {
  if (!c.interpreter.ReturnFromCall()) c.interpreter.ReturnFromReplay();
  return kTableResult;
}

CommandOutcome Gameinit(CommandContext& c, std::string&) {
  c.variables.Gameinit();
  return kTableResult;
}

// The flag goes in before the count is stored, since storing the count flushes the global
// progress and the flag belongs in that flush.
CommandOutcome Gameclr(CommandContext& c, std::string&) {
  c.variables.SetBit('E', kGameClearedFlag);
  c.banks.S(sv::kClearCount) = c.host.CountGameClear();
  return kTableResult;
}

CommandOutcome Cgfull(CommandContext& c, std::string&) {
  c.host.MarkAllGalleryPictures();
  return kTableResult;
}

CommandOutcome Save(CommandContext& c, std::string&) {
  c.host.OpenSlotDialog(true);
  return kTableResult;
}

CommandOutcome Setname(CommandContext& c, std::string&) {
  c.host.SetName();
  return kTableResult;
}

CommandOutcome Load(CommandContext& c, std::string&) {
  c.host.OpenSlotDialog(false);
  return kTableResult;
}

// A passage shown before turns the read flag on; the first showing marks it, and with the Seen
// setting on it counts as unread text, which stops skipping.
CommandOutcome Mark(CommandContext& c, std::string& line) {
  const int32_t passage = NumberAt(line, 6);
  if (passage < 0 || passage >= ReadMarks::kCount) return kTableResult;
  ReadMarks& marks = c.interpreter.Marks();
  if (marks.Test(passage)) {
    c.flags.ReadFlag = true;
    return kTableResult;
  }
  marks.Set(passage);
  if (c.host.SeenSetting()) {
    c.flags.ReadFlag = false;
    c.flags.SkipState = 0;
    c.banks.S(sv::kSkipButton) = 0;
    c.host.QuickButtonsChanged();
  }
  return kTableResult;
}

CommandOutcome Sleep(CommandContext& c, std::string& line) {
  const int32_t steps = NumberAt(line, 7) / kIdleStepMs;
  c.flags.SleepCounter = steps != 0 ? steps : kSleepUntilClick;
  return kTableResult;
}

CommandOutcome Break(CommandContext& c, std::string&) {
  c.host.StopSkipAndAuto(true);
  return kTableResult;
}

CommandOutcome Title(CommandContext& c, std::string& line) {
  c.variables.SetStringRow(sr::kChapterTitle, TextAt(line, 7));
  return kTableResult;
}

CommandOutcome Backto(CommandContext& c, std::string&) {
  c.banks.S(sv::kResumePoint) = static_cast<int32_t>(c.interpreter.State().ReadPos);
  return kTableResult;
}

// After a picture's transition the player may have cut it short; a close request then asks
// whether to quit. Either way the step ends there.
CommandOutcome AfterTransition(CommandContext& c) {
  const Interrupt request = c.flags.InterruptRequest;
  c.flags.InterruptRequest = Interrupt::None;
  if (request == Interrupt::None) return kTableResult;
  if (request == Interrupt::Close) c.host.ConfirmQuitAfterEffect();
  return kYield;
}

CommandOutcome Gra(CommandContext& c, std::string& line) {
  c.stage.SetGrbMark(false);
  c.stage.Gra(TextAt(line, 5), true);
  return AfterTransition(c);
}

CommandOutcome Grb(CommandContext& c, std::string& line) {
  c.stage.SetGrbMark(true);
  c.stage.Gra(TextAt(line, 5), false);
  return kTableResult;
}

CommandOutcome Clrb(CommandContext& c, std::string& line) {
  c.stage.Clrb(TextAt(line, 6));
  return kTableResult;
}

CommandOutcome Tati(CommandContext& c, std::string& line) {
  c.stage.Tati(TextAt(line, 6));
  return kTableResult;
}

CommandOutcome Partsload(CommandContext& c, std::string& line) {
  c.stage.Partsload(TextAt(line, 11));
  return kTableResult;
}

// Six expressions separated by commas: the rectangle's corners and where it goes.
CommandOutcome Ptset(CommandContext& c, std::string& line) {
  std::string_view text = TextAt(line, 7);
  int32_t values[6] = {};
  for (int32_t& value : values) {
    const size_t comma = std::min(text.find(','), text.size());
    value = c.variables.EvaluateExpression(UpperCaseName(text.substr(0, comma)));
    text = comma < text.size() ? text.substr(comma + 1) : std::string_view();
  }
  c.stage.Ptset(values[0], values[1], values[2], values[3], values[4], values[5]);
  return kTableResult;
}

// The script is held while the picture shows, so the frame loop does not read on meanwhile.
CommandOutcome Direct(CommandContext& c, std::string& line) {
  c.interpreter.State().ScriptRunning = false;
  c.stage.Direct(TextAt(line, 8));
  c.interpreter.State().ScriptRunning = true;
  return kTableResult;
}

CommandOutcome Fix(CommandContext& c, std::string&) {
  c.stage.Fix();
  return kTableResult;
}

// The screen closes to black, then a black background replaces the picture and characters.
CommandOutcome Iris(CommandContext& c, std::string&) {
  c.stage.Effects().Iris();
  c.stage.Gra("S000,0", true);
  c.flags.Busy = false;
  return kTableResult;
}

// mode[,amplitude[,interval]]
CommandOutcome Shake(CommandContext& c, std::string& line) {
  constexpr int32_t kDefaultAmplitude = 20;
  constexpr int32_t kDefaultInterval = 50;
  const std::string_view text = TextAt(line, 7);
  const size_t first = text.find(',');
  const size_t second = first == std::string_view::npos ? first : text.find(',', first + 1);
  const int32_t amplitude =
      first == std::string_view::npos ? kDefaultAmplitude : NumberAt(text, first + 1);
  const int32_t interval =
      second == std::string_view::npos ? kDefaultInterval : NumberAt(text, second + 1);
  c.stage.Effects().Shake(NumberAt(text, 0), amplitude,
                          static_cast<uint32_t>(std::max(0, interval)));
  return kTableResult;
}

// `return ` and `chgprm` are accepted and change nothing.
CommandOutcome NoEffect(CommandContext&, std::string&) {
  return kTableResult;
}

CommandOutcome Cjmp(CommandContext& c, std::string& line) {
  const int32_t selector =
      line.size() > 5 ? c.variables.EvaluateExpression(TextAt(line, 6)) : c.banks.G(1);
  c.interpreter.CaseJump(selector);
  return kTableResult;
}

CommandOutcome Exitgame(CommandContext& c, std::string&) {
  c.host.RequestClose();
  return kTableResult;
}

CommandOutcome TwSet(CommandContext& c, std::string& line) {
  c.host.TwSet(NumberAt(line, 8));
  return kTableResult;
}

CommandOutcome WinOpen(CommandContext& c, std::string&) {
  c.host.WinOpen();
  return kTableResult;
}

CommandOutcome WinClose(CommandContext& c, std::string&) {
  c.host.WinClose();
  return kTableResult;
}

CommandOutcome Mode(CommandContext& c, std::string& line) {
  c.host.Mode(NumberAt(line, 6));
  return kTableResult;
}

// ---- Choices -----------------------------------------------------------------------------------

CommandOutcome Select(CommandContext& c, std::string&) {
  c.banks.S(sv::kSelectCleared) = 0;
  c.host.BeforeChoice();
  c.interpreter.State().NeedLine = true;
  c.host.OpenSelect();
  return kTableResult;
}

CommandOutcome Clickmap(CommandContext& c, std::string& line) {
  c.host.BeforeChoice();
  c.host.OpenClickmap(TextAt(line, 10));
  return kTableResult;
}

CommandOutcome Seltree(CommandContext& c, std::string& line) {
  c.host.OpenSeltree(NumberAt(line, 9));
  return kTableResult;
}

// The text of the line starting at `at`, without its zero byte.
std::string_view LineAt(std::string_view image, uint32_t at) {
  if (at >= image.size()) return {};
  const size_t end = std::min(image.find('\0', at), image.size());
  return image.substr(at, end - at);
}

uint32_t AfterLine(std::string_view image, uint32_t at) {
  return static_cast<uint32_t>(std::min(at + LineAt(image, at).size() + 1, image.size()));
}

// The branch a switch line opens, when it is taken: the bare "{" always, "{(condition)" when
// the condition holds. `name` is empty for a plain switch; a named one reads "{:name" first.
bool SwitchBranchTaken(CommandContext& c, std::string_view branch, std::string_view name) {
  branch.remove_prefix(1);
  if (!name.empty()) {
    if (branch.size() < name.size() + 1 || branch[0] != ':' ||
        !EqualIgnoringCase(branch.substr(1, name.size()), name)) {
      return false;
    }
    branch.remove_prefix(1 + name.size());
  }
  if (branch.empty()) return true;
  if (branch[0] != '(') return false;
  const size_t close = std::min(branch.find(')'), branch.size());
  return c.variables.TestCondition(branch.substr(1, close - 1));
}

CommandOutcome Switch(CommandContext& c, std::string& line) {
  const std::string name(line.size() > 7 ? TextAt(line, 8) : std::string_view());
  Interpreter& script = c.interpreter;
  const std::string_view image = script.Image();
  const uint32_t from = script.State().ReadPos;
  const uint32_t end =
      name.empty() ? script.SkipToLine(from, '}') : script.SkipToNamedEnd(from, name);
  for (uint32_t open = script.SkipToLine(from, '{'); open != kNoLine && open < end;
       open = script.SkipToLine(AfterLine(image, open), '{')) {
    if (SwitchBranchTaken(c, LineAt(image, open), name)) {
      script.State().ReadPos = AfterLine(image, open);
      script.State().NeedLine = true;
      return kTableResult;
    }
  }
  script.State().ReadPos = end == kNoLine ? script.ScriptSize() : AfterLine(image, end);
  script.State().NeedLine = true;
  return kTableResult;
}

CommandOutcome Exit(CommandContext& c, std::string&) {
  c.interpreter.ReturnFromReplay();
  return kTableResult;
}

// ---- Screens: each hands its argument on as the table reads it -------------------------------

CommandOutcome Special(CommandContext& c, std::string& line) {
  c.screens.Special(TextAt(line, 9));
  return kTableResult;
}

CommandOutcome Shop(CommandContext& c, std::string& line) {
  c.screens.Shop(TextAt(line, 6));
  return kTableResult;
}

CommandOutcome Roll(CommandContext& c, std::string& line) {
  c.screens.Roll(TextAt(line, 6));
  return kTableResult;
}

// `animq` plays doubled; byte 5 tells the two forms apart.
CommandOutcome Anim(CommandContext& c, std::string& line) {
  const bool doubled = line.size() > 5 && LowerCase(line[5]) == 'q';
  c.screens.Anim(TextAt(line, doubled ? 7 : 6), doubled);
  return kTableResult;
}

CommandOutcome Subtitle(CommandContext& c, std::string& line) {
  c.screens.Subtitle(TextAt(line, 10));
  return kTableResult;
}

CommandOutcome Viewer(CommandContext& c, std::string& line) {
  c.screens.Viewer(TextAt(line, 8));
  return kTableResult;
}

CommandOutcome Rec(CommandContext& c, std::string&) {
  c.screens.Rec();
  return kTableResult;
}

CommandOutcome Obj(CommandContext& c, std::string& line) {
  c.screens.Obj(TextAt(line, 5));
  return kTableResult;
}

CommandOutcome Sroll(CommandContext& c, std::string&) {
  c.screens.Sroll();
  return kTableResult;
}

CommandOutcome Scroll(CommandContext& c, std::string& line) {
  c.screens.Scroll(TextAt(line, 8));
  return kTableResult;
}

CommandOutcome Kaisou(CommandContext& c, std::string&) {
  c.screens.Kaisou();
  return kTableResult;
}

CommandOutcome Effect(CommandContext& c, std::string& line) {
  c.screens.Effect(TextAt(line, 8));
  return kTableResult;
}

CommandOutcome Item(CommandContext& c, std::string& line) {
  c.screens.Item(NumberAt(line, 6));
  return kTableResult;
}

// The table in the order the keywords are tried.
constexpr std::array<CommandRow, kCommandCount> kCommandTable = {{
    {"gra ", Gra, kReadOn},
    {"music ", Music, kReadOn},  // number at 7
    {"voice", Voice, kReadOn},   // text at 7
    {"go ", Go, kReadOn},
    {"clrb", Clrb, kReadOn},
    {"select", Select, kYield},       // choice lines follow
    {"clickmap ", Clickmap, kYield},  // text at 10
    {"switch", Switch, kYield},       // text at 8, at 7 when the line ends at 7
    {"chain ", Chain, kYield},
    {"wait_v_end", WaitVoiceEnd, kYield},
    {"string ", String, kReadOn},
    {"calc ", Calc, kReadOn},
    {"if ", If, kYield},
    {"ptset ", Ptset, kReadOn},
    {"call ", Call, kYield},
    {"end", End, kYield},
    {"mode ", Mode, kYield},
    {"load", Load, kYield},
    {"gameinit", Gameinit, kReadOn},
    {"grb ", Grb, kReadOn},
    {"win_close", WinClose, kReadOn},
    {"special ", Special, kYield},
    {"gameclr", Gameclr, kReadOn},
    {"partsload ", Partsload, kReadOn},
    {"movie ", Movie, kYield},  // text at 7
    {"mark ", Mark, kReadOn},
    {"iris", Iris, kReadOn},
    {"fix", Fix, kReadOn},
    {"sleep ", Sleep, kYield},
    {"seltree", Seltree, kYield},  // number at 9
    {"tati ", Tati, kReadOn},
    {"direct ", Direct, kReadOn},
    {"save", Save, kYield},
    {"break", Break, kYield},
    {"win_open", WinOpen, kReadOn},
    {"title ", Title, kReadOn},
    {"backto", Backto, kReadOn},
    {"shop ", Shop, kYield},
    {"return ", NoEffect, kReadOn},
    {"roll ", Roll, kYield},
    {"anim", Anim, kYield},
    {"shake", Shake, kYield},
    {"cjmp", Cjmp, kReadOn},
    {"setname", Setname, kYield},
    {"subtitle", Subtitle, kYield},
    {"viewer", Viewer, kYield},
    {"se ", Se, kReadOn},          // text at 4
    {"seloop ", Seloop, kReadOn},  // text at 8
    {"seoff", Seoff, kReadOn},
    {"exitgame", Exitgame, kYield},
    {"rec", Rec, kReadOn},
    {"tw_set ", TwSet, kReadOn},
    {"exit", Exit, kYield},
    {"obj_", Obj, kReadOn},
    {"sroll", Sroll, kYield},
    {"scroll ", Scroll, kYield},
    {"kaisou", Kaisou, kYield},
    {"chgprm", NoEffect, kYield},
    {"cgfull", Cgfull, kYield},
    {"effect", Effect, kYield},
    {"item ", Item, kYield},
}};

// Every keyword has its handler; a row without one would be a line silently dropped.
constexpr bool EveryRowHasAHandler() {
  for (const CommandRow& row : kCommandTable) {
    if (row.handler == nullptr) return false;
  }
  return true;
}
static_assert(EveryRowHasAHandler());

}  // namespace

ScriptAndLabel ChainTarget(std::string_view line) {
  return SplitScriptAndLabel(line, 7, 7, 99);
}

ScriptAndLabel CallTarget(std::string_view line) {
  return SplitScriptAndLabel(line, 6, 7, 100);
}

std::span<const CommandRow, kCommandCount> CommandTable() {
  return kCommandTable;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerCase(a[i]) != LowerCase(b[i])) return false;
    // The trail byte of a double-byte character may look like a letter, but folding it would
    // make different characters equal (ア and ヂ differ only in a trail byte 'A' or 'a').
    if (IsShiftJisLeadByte(static_cast<uint8_t>(a[i])) && i + 1 < a.size()) {
      ++i;
      if (a[i] != b[i]) return false;
    }
  }
  return true;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualIgnoringCase(text.substr(0, prefix.size()), prefix);
}

int MatchCommand(std::string_view line) {
  if (line.empty()) return -1;
  const std::string_view words = line.substr(1);
  for (size_t i = 0; i < kCommandTable.size(); ++i) {
    const std::string_view keyword = kCommandTable[i].keyword;
    if (words.size() >= keyword.size() &&
        EqualIgnoringCase(words.substr(0, keyword.size()), keyword)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

int DispatchCommand(CommandContext& context, size_t index, std::string& line) {
  if (index >= kCommandTable.size()) return kReadOn;
  const CommandRow& row = kCommandTable[index];
  return row.handler(context, line).value_or(row.result);
}

int32_t NumberAt(std::string_view line, size_t n) {
  size_t i = n;
  while (i < line.size() && IsBlank(line[i])) ++i;
  bool negative = false;
  if (i < line.size() && (line[i] == '+' || line[i] == '-')) {
    negative = line[i] == '-';
    ++i;
  }
  // Wraps like the script's own arithmetic rather than overflowing.
  uint32_t value = 0;
  for (; i < line.size() && IsDigit(line[i]); ++i) {
    value = value * 10u + static_cast<uint32_t>(line[i] - '0');
  }
  return static_cast<int32_t>(negative ? 0u - value : value);
}

std::string_view TextAt(std::string_view line, size_t n) {
  return n < line.size() ? line.substr(n) : std::string_view();
}

}  // namespace tolven
