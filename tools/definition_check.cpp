#include "tools/definition_check.h"

#include <string>
#include <string_view>
#include <vector>

#include "base/text_encoding.h"
#include "graphics/objects_and_effects.h"
#include "resources/archive_index.h"
#include "resources/definition_text.h"
#include "screens/recollection_list.h"
#include "screens/viewer_definition.h"
#include "script/choices.h"
#include "script/command_table.h"
#include "script/interpreter.h"

namespace tolven::tools {
namespace {

constexpr int kSceneLimit = 2000;       // scene flags
constexpr int kPageEntryLimit = 149;    // lines under one page marker
constexpr size_t kPlaceNameLimit = 64;  // bytes of a clickmap place's name

std::string Shown(std::string_view shiftJis) {
  return "\"" + ShiftJisToUtf8Lossy(shiftJis) + "\"";
}

DefinitionText Reader(const GameText& text) {
  DefinitionText reader;
  reader.Assign(std::vector<uint8_t>(text.image.begin(), text.image.end()));
  return reader;
}

// One line of a definition text with where it stands.
struct NumberedLine {
  std::string text;
  int number = 0;
};

std::vector<NumberedLine> Lines(const DefinitionText& reader) {
  std::vector<NumberedLine> lines;
  for (uint32_t position = 0; position < reader.DefinitionSize();) {
    lines.push_back({reader.ReadDefLine(position), static_cast<int>(lines.size()) + 1});
  }
  return lines;
}

// The first line from `from` on whose upper-case text holds the needle; `from` when none does.
int LineMentioning(const std::vector<NumberedLine>& lines, int from, std::string_view needle) {
  for (size_t i = static_cast<size_t>(from); i <= lines.size(); ++i) {
    if (UpperCaseName(lines[i - 1].text).find(needle) != std::string::npos)
      return lines[i - 1].number;
  }
  return from;
}

// ---- view
// -----------------------------------------------------------------------------------------

class ViewCheck {
 public:
  ViewCheck(const GameContents& game, const GameText& text, Findings& findings)
      : game_(game),
        text_(text),
        findings_(findings),
        reader_(Reader(text)),
        lines_(Lines(reader_)) {}

  void Run() {
    for (const NumberedLine& line : lines_) {
      const std::string upper = UpperCaseName(line.text);
      if (upper.starts_with(":VIEW_") && upper != ":VIEW_0") View(upper.substr(1), line.number);
    }
  }

 private:
  void View(const std::string& name, int header) {
    Header(name, header);
    ViewLayout layout;
    std::array<ViewPage, kViewPages> pages;
    if (!ReadView(reader_, name, ViewFlags{}, layout, pages)) return;
    Picture(layout.plate, header);
    for (int p = 0; p < layout.pageCount; ++p) {
      const ViewPage& page = pages[static_cast<size_t>(p)];
      for (const std::string& picture : page.pictures) Picture(picture, header);
      for (const ViewThumbnail& thumbnail : page.thumbnails)
        Thumbnail(layout.type, thumbnail, header);
    }
  }

  // The header block, up to its first '}': the page count and the thumbnail numbers.
  void Header(const std::string& name, int header) {
    for (const DefinitionEntry& entry : reader_.FindSection(name)) {
      const int at = LineMentioning(lines_, header, entry.key + ":");
      if (entry.key == "SET") {
        const int pages = FieldNumber(entry.value, 0);
        if (pages < 1 || pages > kViewPages)
          Report(at, "SET " + std::to_string(pages) + ": a view has 1-10 pages");
      } else if (!entry.key.empty() &&
                 entry.key.find_first_not_of("0123456789") == std::string::npos) {
        const int n = FieldNumber(entry.key, 0);
        if (n < 1 || n > kViewThumbnails)
          Report(at, "thumbnail " + entry.key + ": a view has thumbnails 1-30");
      }
    }
  }

  void Thumbnail(int type, const ViewThumbnail& thumbnail, int header) {
    if (thumbnail.status == kUndefined) return;
    if (type == 0) {
      for (const std::string& name : thumbnail.names) Picture(name, header);
      if (!Field(thumbnail.text, kNamesPerThumbnail).empty()) {
        Report(LineMentioning(lines_, header, thumbnail.text),
               "more than 50 pictures on one thumbnail: the rest are not shown");
      }
    } else if (type == 1) {
      Scene(thumbnail.text, header);
    }
  }

  // A replayed scene: a script, then optionally ':' and a label.
  void Scene(const std::string& scene, int header) {
    const size_t colon = scene.find(':');
    const std::string script = scene.substr(0, colon);
    const int at = LineMentioning(lines_, header, scene);
    const GameText* target = game_.FindText(script);
    if (target == nullptr) return Report(at, "no script " + Shown(script));
    if (colon == std::string::npos) return;
    const std::string label = scene.substr(colon + 1);
    uint64_t work = 0;
    if (FindLabelIn(target->image, label, work) < 0) {
      Report(at, "no label " + Shown(label) + " in script " + Shown(target->name));
    }
  }

  void Picture(const std::string& name, int header) {
    if (name.empty() || game_.HasPicture(name)) return;
    Report(LineMentioning(lines_, header, name), "no picture " + Shown(name));
  }

  void Report(int line, std::string message) {
    findings_.Add(text_.file, line, std::move(message));
  }

  const GameContents& game_;
  const GameText& text_;
  Findings& findings_;
  DefinitionText reader_;
  std::vector<NumberedLine> lines_;
};

// ---- sys_flashbak
// ---------------------------------------------------------------------------------

// The scene table's lines in scene order: what it reads, without empty lines, up to ":END".
std::vector<int> SceneLines(const std::vector<NumberedLine>& lines) {
  std::vector<int> numbers;
  for (const NumberedLine& line : lines) {
    if (line.text.empty()) continue;
    if (UpperCaseName(line.text) == ":END") break;
    numbers.push_back(line.number);
  }
  return numbers;
}

void CheckRecollection(const GameContents& game, const GameText& text, Findings& findings) {
  const DefinitionText reader = Reader(text);
  SceneTable table;
  table.Load(reader);
  const std::vector<int> lineOf = SceneLines(Lines(reader));
  const auto report = [&](int scene, std::string message) {
    const size_t at = static_cast<size_t>(scene);
    findings.Add(text.file, at < lineOf.size() ? lineOf[at] : 1, std::move(message));
  };
  int marker = -1;
  for (int scene = 0; scene + 1 < table.Count(); ++scene) {
    const std::string& title = table.Title(scene);
    if (scene == kSceneLimit) report(scene, "scene 2000 and later have no scene flag");
    if (title.starts_with(':')) marker = scene;
    if (marker >= 0 && scene - marker == kPageEntryLimit + 1) {
      report(marker, "page " + Shown(table.Title(marker)) + " has more than 149 lines");
    }
    const std::string& key = table.Key(scene);
    if (key.empty()) continue;
    // Without its story script a scene is never seen, and so never replayed.
    if (game.FindText(key) == nullptr) {
      report(scene, "no script " + Shown(key) + ": the scene can never be seen");
    } else if (game.FindText("K_" + key) == nullptr) {
      report(scene, "no replay script " + Shown("K_" + key));
    }
  }
}

// ---- map
// ------------------------------------------------------------------------------------------

// Each section: a count of places, then one line a place.
void CheckMap(const GameText& text, Findings& findings) {
  const std::vector<NumberedLine> lines = Lines(Reader(text));
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    if (!lines[i].text.starts_with(':')) continue;
    const int count = FieldNumber(lines[i + 1].text, 0);
    if (count > kMaxChoiceEntries) {
      findings.Add(text.file, lines[i + 1].number,
                   "a map of " + std::to_string(count) + " places: only the first 32 are used");
    }
    for (size_t k = i + 2; k < lines.size() && k < i + 2 + static_cast<size_t>(std::max(count, 0));
         ++k) {
      if (Field(lines[k].text, 0).size() > kPlaceNameLimit) {
        findings.Add(text.file, lines[k].number, "place name longer than 64 bytes");
      }
    }
  }
}

// ---- effect
// ---------------------------------------------------------------------------------------

// Each section runs from its ":NAME" line to the next section.
void CheckEffects(const GameText& text, Findings& findings) {
  const std::vector<NumberedLine> lines = Lines(Reader(text));
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!lines[i].text.starts_with(':')) continue;
    std::vector<std::string> body;
    for (size_t k = i + 1; k < lines.size() && !lines[k].text.starts_with(':'); ++k)
      body.push_back(lines[k].text);
    std::vector<std::string> refused;
    ReadEffectSequence(body, refused);
    for (const std::string& why : refused) {
      findings.Add(text.file, lines[i].number,
                   "effect " + Shown(lines[i].text.substr(1)) + ": " + ShiftJisToUtf8Lossy(why));
    }
  }
}

}  // namespace

void CheckDefinitions(const GameContents& game, Findings& findings) {
  if (const GameText* view = game.FindText("view")) ViewCheck(game, *view, findings).Run();
  if (const GameText* scenes = game.FindText("sys_flashbak"))
    CheckRecollection(game, *scenes, findings);
  if (const GameText* map = game.FindText("map")) CheckMap(*map, findings);
  if (const GameText* effect = game.FindText("effect")) CheckEffects(*effect, findings);
}

}  // namespace tolven::tools
