#include "tools/resource_check.h"

#include <algorithm>
#include <utility>

#include "base/text_encoding.h"
#include "resources/archive_index.h"
#include "resources/definition_text.h"
#include "screens/picture_scroll.h"
#include "script/command_table.h"

namespace tolven::tools {
namespace {

using Messages = std::vector<std::string>;

std::string Shown(std::string_view shiftJis) {
  return "\"" + ShiftJisToUtf8Lossy(shiftJis) + "\"";
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string_view BeforeComma(std::string_view text) {
  return text.substr(0, std::min(text.find(','), text.size()));
}

void Picture(const GameContents& game, std::string_view name, Messages& out) {
  if (!name.empty() && !game.HasPicture(name)) out.push_back("no picture " + Shown(name));
}

// A character picture comes with its mask.
void CharacterPicture(const GameContents& game, std::string_view name, Messages& out) {
  for (const std::string& picture : CharacterPictures(name)) Picture(game, picture, out);
}

// `gra` and `grb`: a background (A…), a character (B…) or a solid colour (S…); the name ends
// at a blank, a comma or ']'.
void Gra(const GameContents& game, std::string_view line, Messages& out) {
  const std::string_view text = TextAt(line, 5);
  const std::string_view name = text.substr(0, std::min(text.find_first_of(" ,]"), text.size()));
  if (name.empty()) return;
  switch (name[0]) {
    case 'A':
    case 'a':
      return Picture(game, name, out);
    case 'B':
    case 'b':
      return CharacterPicture(game, name, out);
    case 'S':
    case 's':
      return;
    default:
      out.push_back(Shown(name) + " is no background (A…), character (B…) or colour (S…): " +
                    "the command does nothing");
  }
}

void Tati(const GameContents& game, std::string_view line, Messages& out) {
  for (const std::string& picture : CharacterPictures(TextAt(line, 6))) {
    Picture(game, picture, out);
  }
}

// One picture for the clickmap's hover look, and after a comma one for its pressed look.
void Partsload(const GameContents& game, std::string_view line, Messages& out) {
  const std::string_view text = TextAt(line, 11);
  const size_t comma = text.find(',');
  Picture(game, text.substr(0, comma), out);
  if (comma != std::string_view::npos) Picture(game, text.substr(comma + 1), out);
}

void Direct(const GameContents& game, std::string_view line, Messages& out) {
  Picture(game, BeforeComma(TextAt(line, 8)), out);
}

void Scroll(const GameContents& game, std::string_view line, Messages& out) {
  Picture(game, PictureScroll::Parse(TextAt(line, 8)).picture, out);
}

// `obj_load n,NAME` loads an object's picture; the other object commands name none.
void Obj(const GameContents& game, std::string_view line, Messages& out) {
  const std::string_view text = TextAt(line, 5);
  if (text.size() < 5 || UpperCaseName(text.substr(0, 5)) != "LOAD ") return;
  const size_t comma = text.find(',');
  if (comma != std::string_view::npos) Picture(game, text.substr(comma + 1), out);
}

void Sound(const GameContents& game, std::string_view name, Messages& out) {
  if (!name.empty() && !game.HasSound(name)) out.push_back("no sound " + Shown(name));
}

void Voice(const GameContents& game, std::string_view line, Messages& out) {
  Sound(game, TextAt(line, 7), out);
}

// "SEH4…" effects have a character raised by the player's settings before they play, so their
// real name is only known then.
void Effect(const GameContents& game, std::string_view name, Messages& out) {
  const std::string upper = UpperCaseName(name);
  if (upper.size() > 3 && upper.starts_with("SEH") && upper[3] == '4') return;
  Sound(game, name, out);
}

void Se(const GameContents& game, std::string_view line, Messages& out) {
  Effect(game, TextAt(line, 4), out);
}

void Seloop(const GameContents& game, std::string_view line, Messages& out) {
  Effect(game, TextAt(line, 8), out);
}

void Music(const GameContents& game, std::string_view line, Messages& out) {
  const int32_t track = NumberAt(line, 7);
  if (track > 0 && !game.HasMusic(track)) out.push_back("no music track " + std::to_string(track));
}

void Movie(const GameContents& game, std::string_view line, Messages& out) {
  const std::string_view path = TextAt(line, 7);
  if (!game.HasMovie(path)) out.push_back("no movie file " + Shown(path));
}

void Anim(const GameContents& game, std::string_view line, Messages& out) {
  const bool doubled = line.size() > 5 && (line[5] == 'q' || line[5] == 'Q');
  const std::string_view name = BeforeComma(TextAt(line, doubled ? 7 : 6));
  if (!game.HasAnimation(name)) out.push_back("no animation " + Shown(name));
}

void DefinitionText(const GameContents& game, std::string_view name, Messages& out) {
  if (game.FindText(name) == nullptr) out.push_back("no definition text " + Shown(name));
}

// A section ":NAME" of a definition text, found as the engine's reader finds it.
void Section(const GameContents& game, std::string_view text, std::string_view name,
             Messages& out) {
  const GameText* definition = game.FindText(text);
  if (definition == nullptr) return DefinitionText(game, text, out);
  tolven::DefinitionText reader;
  reader.Assign(std::vector<uint8_t>(definition->image.begin(), definition->image.end()));
  if (!reader.FindSectionStart(name)) {
    out.push_back("no section " + Shown(name) + " in " + Shown(text));
  }
}

// The map's section is matched as a prefix: ":NAME" starts the line.
void Clickmap(const GameContents& game, std::string_view line, Messages& out) {
  const std::string_view name = TextAt(line, 10);
  const GameText* map = game.FindText("map");
  if (map == nullptr) return DefinitionText(game, "map", out);
  tolven::DefinitionText reader;
  reader.Assign(std::vector<uint8_t>(map->image.begin(), map->image.end()));
  const std::string wanted = ":" + std::string(name);
  for (uint32_t position = 0; position < reader.DefinitionSize();) {
    const std::string mapLine = reader.ReadDefLine(position);
    if (mapLine.size() >= wanted.size() &&
        EqualIgnoringCase(std::string_view(mapLine).substr(0, wanted.size()), wanted)) {
      return;
    }
  }
  out.push_back("no section " + Shown(name) + " in \"map\"");
}

void Viewer(const GameContents& game, std::string_view line, Messages& out) {
  Section(game, "view", TextAt(line, 8), out);
}

void EffectSection(const GameContents& game, std::string_view line, Messages& out) {
  Section(game, "effect", TextAt(line, 8), out);
}

void Roll(const GameContents& game, std::string_view line, Messages& out) {
  DefinitionText(game, TextAt(line, 6), out);
}

// Sequences 0-6; the end credits (5) roll the text "endroll".
void Special(const GameContents& game, std::string_view line, Messages& out) {
  const std::string_view text = TextAt(line, 9);
  if (text.empty() || text[0] < '0' || text[0] > '6') {
    out.push_back("no special sequence " + Shown(text));
  } else if (text[0] == '5') {
    DefinitionText(game, "endroll", out);
  }
}

void Sroll(const GameContents& game, std::string_view, Messages& out) {
  DefinitionText(game, "sroll", out);
}

void Kaisou(const GameContents& game, std::string_view, Messages& out) {
  DefinitionText(game, "sys_flashbak", out);
}

void Seltree(const GameContents& game, std::string_view, Messages& out) {
  DefinitionText(game, "seltree", out);
}

using Check = void (*)(const GameContents&, std::string_view, Messages&);

constexpr std::pair<std::string_view, Check> kChecks[] = {
    {"gra ", Gra},        {"grb ", Gra},           {"tati ", Tati},    {"partsload ", Partsload},
    {"direct ", Direct},  {"scroll ", Scroll},     {"obj_", Obj},      {"voice", Voice},
    {"se ", Se},          {"seloop ", Seloop},     {"music ", Music},  {"movie ", Movie},
    {"anim", Anim},       {"clickmap ", Clickmap}, {"viewer", Viewer}, {"effect", EffectSection},
    {"roll ", Roll},      {"special ", Special},   {"sroll", Sroll},   {"kaisou", Kaisou},
    {"seltree", Seltree},
};

}  // namespace

std::vector<std::string> CharacterPictures(std::string_view characters) {
  std::vector<std::string> pictures;
  while (!characters.empty()) {
    const std::string_view field = BeforeComma(characters);
    characters.remove_prefix(std::min(field.size() + 1, characters.size()));
    if (field.empty() || field == "-" || IsDigit(field[0])) continue;
    std::string mask = UpperCaseName(field);
    mask[0] = 'M';
    pictures.emplace_back(field);
    pictures.push_back(std::move(mask));
  }
  return pictures;
}

std::vector<std::string> MissingResources(const GameContents& game, std::string_view keyword,
                                          std::string_view line) {
  Messages out;
  for (const auto& [word, check] : kChecks) {
    if (word == keyword) check(game, line, out);
  }
  return out;
}

}  // namespace tolven::tools
