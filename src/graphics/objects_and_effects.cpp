#include "graphics/objects_and_effects.h"

#include <algorithm>
#include <utility>

#include "base/engine_values.h"
#include "graphics/blending.h"
#include "graphics/picture_copy.h"

namespace tolven {
namespace {

constexpr int kMaxCodePairs = 100;
constexpr int kMaxLineEntries = 99;

uint32_t Duration(std::string_view line, int field) {
  return static_cast<uint32_t>(std::max(0, FieldNumber(line, field)));
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    const char a = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
    if (a != prefix[i]) return false;
  }
  return true;
}

// Adds an entry unless the sequence is full; the first one left out is reported.
class SequenceBuilder {
 public:
  explicit SequenceBuilder(std::vector<std::string>& refused) : refused_(refused) {}

  void Add(const EffectEntry& entry) {
    if (entries_.size() < kMaxEffectEntries) {
      entries_.push_back(entry);
    } else if (!full_) {
      full_ = true;
      refused_.push_back("more than " + std::to_string(kMaxEffectEntries) +
                         " entries: the rest is left out");
    }
  }
  void Refuse(std::string why) { refused_.push_back(std::move(why)); }
  std::vector<EffectEntry> Take() { return std::move(entries_); }

 private:
  std::vector<std::string>& refused_;
  std::vector<EffectEntry> entries_;
  bool full_ = false;
};

// Codes and durations in turn: "F" shows the stage, "Frgb" a colour, "Frgba" a tint. A code of
// another length has no defined meaning, and reading its digits would run past its end.
void ReadFlashLine(std::string_view line, SequenceBuilder& sequence) {
  for (int pair = 0; pair < kMaxCodePairs; ++pair) {
    const std::string code = Field(line, 2 * pair);
    if (code.empty() || code[0] != 'F') return;
    EffectEntry entry;
    entry.duration = Duration(line, 2 * pair + 1);
    if (code.size() == 1) {
      entry.type = EffectEntry::Type::ShowStage;
    } else if (code.size() == 4 || code.size() == 5) {
      entry.type = code.size() == 4 ? EffectEntry::Type::Fill : EffectEntry::Type::Tint;
      entry.colour = {ColourDigit(code[3]), ColourDigit(code[2]), ColourDigit(code[1])};
      if (code.size() == 5) entry.p2 = ColourDigit(code[4]);
    } else {
      sequence.Refuse("unknown code " + code);
      continue;
    }
    sequence.Add(entry);
  }
}

// Durations of negative and normal pictures in turn, starting with a negative one.
void ReadNegativeLine(std::string_view line, SequenceBuilder& sequence) {
  for (int i = 1; i <= kMaxLineEntries && !Field(line, i).empty(); ++i) {
    EffectEntry entry;
    entry.type = i % 2 == 1 ? EffectEntry::Type::Negative : EffectEntry::Type::ShowStage;
    entry.duration = Duration(line, i);
    sequence.Add(entry);
  }
}

// One duration for every step, then the window's offsets from its place in pairs.
void ReadShakeLine(std::string_view line, SequenceBuilder& sequence) {
  const uint32_t duration = Duration(line, 1);
  for (int pair = 0; pair < kMaxLineEntries; ++pair) {
    const int xField = 2 + 2 * pair;
    if (Field(line, xField).empty() || Field(line, xField + 1).empty()) return;
    EffectEntry entry;
    entry.type = EffectEntry::Type::MoveWindow;
    entry.duration = duration;
    entry.p1 = FieldNumber(line, xField);
    entry.p2 = FieldNumber(line, xField + 1);
    sequence.Add(entry);
  }
}

}  // namespace

std::vector<EffectEntry> ReadEffectSequence(const std::vector<std::string>& lines,
                                            std::vector<std::string>& refused) {
  SequenceBuilder sequence(refused);
  for (const std::string& line : lines) {
    if (line.empty()) continue;
    if (line[0] == 'F') ReadFlashLine(line, sequence);
    if (line[0] == 'N') ReadNegativeLine(line, sequence);
    if (line[0] == 'S') ReadShakeLine(line, sequence);
  }
  return sequence.Take();
}

ObjectsAndEffects::ObjectsAndEffects(Host& host, FrameClock& clock, PaintBox& pb, Stage& stage,
                                     const Archives& archives, DefinitionText& definitions,
                                     Evaluate evaluate, Trace& trace)
    : host_(host),
      clock_(clock),
      pb_(pb),
      stage_(stage),
      archives_(archives),
      definitions_(definitions),
      evaluate_(std::move(evaluate)),
      trace_(trace) {}

// ---- Objects ------------------------------------------------------------------------------------

void ObjectsAndEffects::Obj(std::string_view argument) {
  using SubCommand = void (*)(ObjectsAndEffects&, std::string_view);
  // Matched by prefix in this order, so "set " is not taken for the board's "b_set ".
  static const std::pair<std::string_view, SubCommand> kSubCommands[] = {
      {"load ", [](ObjectsAndEffects& o, std::string_view a) { o.Load(a); }},
      {"del ", [](ObjectsAndEffects& o, std::string_view a) { o.Delete(a); }},
      {"set ", [](ObjectsAndEffects& o, std::string_view a) { o.Set(a, false); }},
      {"era ", [](ObjectsAndEffects& o, std::string_view a) { o.Erase(a); }},
      {"b_make",
       [](ObjectsAndEffects& o, std::string_view) {
         if (!o.board_) o.board_.emplace(kScreenWidth, kScreenHeight);
         o.clock_.StartFrameClock();
       }},
      {"b_end", [](ObjectsAndEffects& o, std::string_view) { o.board_.reset(); }},
      {"b_reset",
       [](ObjectsAndEffects& o, std::string_view) {
         if (!o.board_) return;
         o.clock_.StartFrameClock();
         CopyPicture(o.stage_.Buffers().StageBuffer, *o.board_);
       }},
      {"b_set ", [](ObjectsAndEffects& o, std::string_view a) { o.BoardSet(a); }},
      {"b_show", [](ObjectsAndEffects& o, std::string_view) { o.BoardShow(); }},
      {"fix", [](ObjectsAndEffects& o, std::string_view a) { o.Set(a, true); }},
  };
  for (const auto& [name, run] : kSubCommands) {
    if (StartsWithIgnoringCase(argument, name)) return run(*this, argument.substr(name.size()));
  }
}

std::optional<ObjectsAndEffects::SlotSize> ObjectsAndEffects::Slot(int n) const {
  if (n < 0 || n >= kObjectSlots || !objects_[n]) return std::nullopt;
  return SlotSize{objects_[n]->picture.Width(), objects_[n]->picture.Height()};
}

ObjectsAndEffects::Object* ObjectsAndEffects::Allocated(int n) {
  if (n < 0 || n >= kObjectSlots || !objects_[n]) return nullptr;
  return &*objects_[n];
}

// The comma-separated expressions of the arguments; missing ones count as 0. "fix" has no blank
// of its own in the command's name, so the one a script writes after it is passed over, as are
// blanks around any field.
std::vector<int> ObjectsAndEffects::Numbers(std::string_view arguments, int count) {
  std::vector<int> numbers;
  for (int i = 0; i < count; ++i) {
    const std::string field = Field(arguments, i);
    const size_t first = field.find_first_not_of(' ');
    const size_t last = field.find_last_not_of(' ');
    numbers.push_back(first == std::string::npos
                          ? 0
                          : evaluate_(std::string_view(field).substr(first, last + 1 - first)));
  }
  return numbers;
}

void ObjectsAndEffects::Load(std::string_view arguments) {
  const int n = Numbers(arguments, 1)[0];
  const size_t comma = arguments.find(',');
  if (n < 0 || n >= kObjectSlots || comma == std::string_view::npos) return;
  std::optional<Object>& slot = objects_[n];
  if (!slot) slot.emplace();
  stage_.LoadPicture(arguments.substr(comma + 1), slot->picture);
  slot->backing.Resize(slot->picture.Width(), slot->picture.Height() / 2);
}

void ObjectsAndEffects::Delete(std::string_view arguments) {
  const int n = Numbers(arguments, 1)[0];
  if (n >= 0 && n < kObjectSlots) objects_[n].reset();
}

void ObjectsAndEffects::BlendInto(Object& object) {
  const int w = object.backing.Width();
  const int h = object.backing.Height();
  // Whole 8-byte groups only, as the blend runs; the last bytes of a row keep what lay under.
  const size_t bytes = GroupBytes(static_cast<size_t>(3 * w / 8));
  for (int r = 0; r < h; ++r) {
    MaskedBlend(object.backing.Row(r), object.picture.Row(r), object.picture.Row(h + r),
                object.backing.Row(r), bytes);
  }
}

// "n,x,y[,ms]" of a drawing on the screen, which starts the frame clock; nothing when slot n
// holds no object.
std::optional<ObjectsAndEffects::Placement> ObjectsAndEffects::Place(std::string_view arguments) {
  clock_.StartFrameClock();
  const std::vector<int> n = Numbers(arguments, 4);
  Object* object = Allocated(n[0]);
  if (object == nullptr) return std::nullopt;
  return Placement{*object, n[1], n[2], object->backing.Width(), object->backing.Height(), n[3]};
}

void ObjectsAndEffects::Set(std::string_view arguments, bool fix) {
  const std::optional<Placement> at = Place(arguments);
  if (!at) return;
  Bitmap24& stage = stage_.Buffers().StageBuffer;
  // Over the stage each time, never over an object drawn before.
  CopyRect(stage, at->x, at->y, at->width, at->height, at->object.backing, 0, 0);
  BlendInto(at->object);
  ShowOnPb(at->object.backing, at->x, at->y, at->width, at->height);
  if (fix) CopyRect(at->object.backing, 0, 0, at->width, at->height, stage, at->x, at->y);
  WaitAfterDrawing(at->wait);
}

// What an erase shows is the stage where the object stood: PB gets that area back.
void ObjectsAndEffects::Erase(std::string_view arguments) {
  const std::optional<Placement> at = Place(arguments);
  if (!at) return;
  CopyRect(stage_.Buffers().StageBuffer, at->x, at->y, at->width, at->height, at->object.backing, 0,
           0);
  ShowOnPb(at->object.backing, at->x, at->y, at->width, at->height);
  WaitAfterDrawing(at->wait);
}

void ObjectsAndEffects::BoardSet(std::string_view arguments) {
  const std::vector<int> n = Numbers(arguments, 3);
  Object* object = Allocated(n[0]);
  if (!board_ || object == nullptr) return;
  const int w = object->backing.Width();
  const int h = object->backing.Height();
  CopyRect(*board_, n[1], n[2], w, h, object->backing, 0, 0);
  BlendInto(*object);
  CopyRect(object->backing, 0, 0, w, h, *board_, n[1], n[2]);
}

void ObjectsAndEffects::BoardShow() {
  if (!board_) return;
  ShowOnPb(*board_, 0, 0, board_->Width(), board_->Height());
}

void ObjectsAndEffects::ShowOnPb(const Bitmap24& picture, int x, int y, int width, int height) {
  if (width <= 0 || height <= 0) return;  // a slot whose picture could not be loaded
  CopyRect(picture, 0, 0, width, height, pb_.Draw(x, y, width, height), x, y);
  host_.Present();
}

// The command ends ms after it began, or a whole number of ms later when drawing took longer.
void ObjectsAndEffects::WaitAfterDrawing(int milliseconds) {
  if (milliseconds > 0) clock_.WaitFrames(static_cast<uint32_t>(milliseconds));
}

// ---- Effects ------------------------------------------------------------------------------------

void ObjectsAndEffects::Effect(std::string_view name) {
  if (!definitions_.Load(archives_, "effect")) return;
  const std::optional<uint32_t> start = definitions_.FindSectionStart(name);
  if (!start) return;
  std::vector<std::string> lines;
  for (uint32_t position = *start; position < definitions_.DefinitionSize();) {
    std::string line = definitions_.ReadDefLine(position);
    if (!line.empty() && line[0] == ':') break;
    lines.push_back(std::move(line));
  }
  std::vector<std::string> refused;
  const std::vector<EffectEntry> sequence = ReadEffectSequence(lines, refused);
  if (trace_.Enabled()) {
    for (const std::string& why : refused)
      trace_.WriteGameText("effect " + std::string(name) + ": " + why);
  }
  RunEffect(sequence);
}

void ObjectsAndEffects::RunEffect(const std::vector<EffectEntry>& sequence) {
  ScreenBuffers& buffers = stage_.Buffers();
  const Bitmap24& stage = buffers.StageBuffer;
  bool negativeReady = false;
  bool windowMoved = false;
  clock_.StartFrameClock();
  for (const EffectEntry& entry : sequence) {
    switch (entry.type) {
      case EffectEntry::Type::MoveWindow:
        host_.ShakeWindow(entry.p1, entry.p2);
        windowMoved = true;
        break;
      case EffectEntry::Type::ShowStage:
        ShowOnPb(stage, 0, 0, stage.Width(), stage.Height());
        break;
      case EffectEntry::Type::Fill:
        FillPicture(pb_.Draw(), entry.colour);
        host_.Present();
        break;
      case EffectEntry::Type::Tint:
        FillPicture(buffers.PreviousBuffer, entry.colour);
        FillPicture(buffers.WorkBuffer, entry.colour);
        WeightedMix(buffers.WorkBuffer.Data(), stage.Data(), entry.p2, buffers.WorkBuffer.Data(),
                    std::min(stage.SizeBytes(), buffers.WorkBuffer.SizeBytes()));
        negativeReady = false;
        ShowOnPb(buffers.WorkBuffer, 0, 0, stage.Width(), stage.Height());
        break;
      case EffectEntry::Type::Negative:
        // Worked out once and shown again by the later negative steps, until a tint takes
        // the work picture.
        if (!negativeReady) {
          CopyPicture(stage, buffers.WorkBuffer);
          for (size_t i = 0; i < buffers.WorkBuffer.SizeBytes(); ++i) {
            buffers.WorkBuffer.Data()[i] = static_cast<uint8_t>(~buffers.WorkBuffer.Data()[i]);
          }
          negativeReady = true;
        }
        ShowOnPb(buffers.WorkBuffer, 0, 0, stage.Width(), stage.Height());
        break;
    }
    clock_.WaitFrames(entry.duration);
  }
  ShowOnPb(stage, 0, 0, stage.Width(), stage.Height());
  if (windowMoved) host_.ShakeWindow(0, 0);
}

}  // namespace tolven
