#include "graphics/stage.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "base/engine_values.h"
#include "graphics/blending.h"
#include "graphics/picture_copy.h"
#include "resources/archive_index.h"

namespace tolven {
namespace {

// `gra` and `grb` read their argument from a buffer of this many characters.
constexpr size_t kPictureArgumentLimit = 64;
constexpr size_t kDirectNameLimit = 31;
// The colour ptset leaves out: red 0, green 255, blue 255.
constexpr uint8_t kTransparent[3] = {255, 255, 0};
// The sepia fade: the weight of the new picture starts here and grows per 20 ms.
constexpr int kSepiaStartWeight = 48;
constexpr int kSepiaWeightStep = 8;
constexpr uint32_t kSepiaInterval = 20;
// Direct waits in slices so the window stays responsive.
constexpr uint32_t kDirectSlice = 30;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// A picture command's argument: the name, then the items after it.
struct PictureArgument {
  std::string name;
  int transition = -1;  // none given
  char place = 0;       // 'L' or 'R' for a character at the left or right place
};

PictureArgument ParsePictureArgument(std::string_view text) {
  text = text.substr(0, std::min(text.size(), kPictureArgumentLimit));
  PictureArgument argument;
  size_t i = 0;
  while (i < text.size() && text[i] != ' ' && text[i] != ',' && text[i] != ']') ++i;
  argument.name = std::string(text.substr(0, i));
  while (i < text.size() && text[i] != ']') {
    if (IsDigit(text[i])) {
      int number = 0;
      for (; i < text.size() && IsDigit(text[i]); ++i) number = number * 10 + (text[i] - '0');
      argument.transition = number;
      continue;
    }
    if (text[i] == 'L' || text[i] == 'l') argument.place = 'L';
    if (text[i] == 'R' || text[i] == 'r') argument.place = 'R';
    ++i;
  }
  return argument;
}

// The leading number of a text, 0 when it has none; it cannot overflow.
int LeadingNumber(std::string_view text) {
  int number = 0;
  for (size_t i = 0; i < text.size() && IsDigit(text[i]) && number < 100000000; ++i) {
    number = number * 10 + (text[i] - '0');
  }
  return number;
}

// Every pixel to its grey level g: plain grey, or the sepia tone (g / 4, 3g / 4, g).
void ToneGrey(Bitmap24& picture, bool sepia) {
  uint8_t* bytes = picture.Data();
  for (size_t i = 0; i + 2 < picture.SizeBytes(); i += 3) {
    const int g = (bytes[i] + bytes[i + 1] + bytes[i + 2]) / 3;
    bytes[i] = static_cast<uint8_t>(sepia ? g >> 2 : g);
    bytes[i + 1] = static_cast<uint8_t>(sepia ? 3 * g >> 2 : g);
    bytes[i + 2] = static_cast<uint8_t>(g);
  }
}

}  // namespace

Stage::Stage(Host& host, FrameClock& clock, PaintBox& pb, const Archives& archives,
             ScriptState& state, EngineFlags& flags, RandomGenerator& random, Trace& trace)
    : host_(host),
      clock_(clock),
      pb_(pb),
      state_(state),
      flags_(flags),
      trace_(trace),
      loader_(archives),
      transitions_(host, clock, pb, buffers_, state, flags, random) {}

// ---- Composition ------------------------------------------------------------------------------

void Stage::RefreshStage(int transition) {
  flags_.Busy = true;
  int32_t& hide = state_.S(sv::kHideWindow);
  if (hide == 0 || hide == 1) {
    CopyPicture(buffers_.StageBuffer, buffers_.PreviousBuffer);
  } else if (hide == 2) {
    // A character shown over the scene takes the message window away at once, unanimated.
    CopyPicture(buffers_.SceneBuffer, buffers_.PreviousBuffer);
    CopyPicture(buffers_.SceneBuffer, pb_.Draw());
    host_.Present();
    hide = 1;
    flags_.WindowShown = false;
  }
  BuildScene();
  ApplySceneFilter();
  BuildStage();
  transitions_.RunTransition(transition);
}

// The scene keeps the screen's size: a background larger than the screen shows its top-left
// area, so the screen, the shots and the thumbnails stay 800x600.
void Stage::BuildScene() {
  CopyTopLeftArea(buffers_.BackgroundBuffer, buffers_.SceneBuffer);
  const bool reversed = state_.S(sv::kCharacterOrder) != 0;
  auto centre = [this](int i) { return state_.S(sv::kStandingCentres + i); };
  switch (shownCount_) {
    case 1:
      DrawCharacter(0, centre(0));
      break;
    case 2:
      // Two and four characters overlap in the order S024 chooses.
      for (int position : reversed ? std::array{1, 0} : std::array{0, 1}) {
        DrawCharacter(position, centre(1 + position));
      }
      break;
    case 3:
      // The middle one is always on top.
      for (int position : {0, 2, 1}) DrawCharacter(position, centre(3 + position));
      break;
    case 4:
      for (int position : reversed ? std::array{3, 2, 0, 1} : std::array{0, 1, 3, 2}) {
        DrawCharacter(position, centre(6 + position));
      }
      break;
    default:
      break;
  }
}

void Stage::DrawCharacter(int position, int centre) {
  if (positions_[position].empty()) return;
  const CharacterSlot& slot = slots_[positionSlots_[position]];
  MaskedDraw(buffers_.SceneBuffer, slot.face, slot.mask, 0, centre - slot.face.Width() / 2);
}

void Stage::ApplySceneFilter() {
  Bitmap24& scene = buffers_.SceneBuffer;
  uint8_t* bytes = scene.Data();
  const size_t size = scene.SizeBytes();
  switch (state_.S(sv::kSceneFilter)) {
    case 1: {
      const uint32_t brightness = static_cast<uint32_t>(state_.S(sv::kSceneBrightness));
      for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(brightness * bytes[i] >> 4);
      break;
    }
    case 2:
    case 3:
      ToneGrey(scene, state_.S(sv::kSceneFilter) == 2);
      break;
    case 4:
      // Turned by 180 degrees: the upper half trades places with the lower half, mirrored.
      for (int y = 0; y < scene.Height() / 2; ++y) {
        uint8_t* top = scene.Row(y);
        uint8_t* bottom = scene.Row(scene.Height() - 1 - y);
        for (int x = 0; x < scene.Width(); ++x) {
          std::swap_ranges(top + 3 * x, top + 3 * x + 3, bottom + 3 * (scene.Width() - 1 - x));
        }
      }
      break;
    default:
      break;
  }
}

void Stage::BuildStage() {
  if (state_.S(sv::kTextMode) != 0) {
    // S009: 0 starts the text over on the new scene, 1 keeps it (a loaded game's page comes
    // back this way), any other value leaves the stage as the script drew it.
    const int rule = state_.S(sv::kFullScreenBackground);
    if (rule == 0) clearPage();
    if (rule == 0 || rule == 1) {
      Darken(buffers_.SceneBuffer, buffers_.StageBuffer,
             DarknessFactor(state_.S(sv::kWindowDarkness)));
    }
    if (rule == 1) redrawPage();
  } else {
    CopyPicture(buffers_.SceneBuffer, buffers_.StageBuffer);
  }
  if (buildWindowPicture) buildWindowPicture();
  OverlayWindow();
}

// The message window puts its picture, the text page, the quick buttons and the item counter on
// the stage.
void Stage::OverlayWindow() {
  if (overlayWindow) overlayWindow();
}

// ---- Characters -------------------------------------------------------------------------------

int Stage::ShowCharacters(std::string_view specification) {
  const std::string upper = UpperCaseName(specification);
  size_t start = 0;
  // Positions past the last field are emptied: a shorter specification leaves no earlier name
  // behind to be counted as a character or read as its transition number.
  for (int i = 0; i < kCharacterPositions; ++i) {
    if (start > upper.size()) {
      positions_[i].clear();
      continue;
    }
    const size_t comma = std::min(upper.find(',', start), upper.size());
    const std::string_view field = std::string_view(upper).substr(start, comma - start);
    if (field != "-") positions_[i] = std::string(field);
    start = comma + 1;
  }
  int last = kCharacterPositions - 1;
  while (last >= 0 && positions_[last].empty()) --last;
  if (upper.empty() || last < 0) {
    shownCount_ = 0;
    return 0;
  }
  int transition = 1;
  if (IsDigit(positions_[last][0])) {
    transition = LeadingNumber(positions_[last]);
    shownCount_ = last;
  } else {
    shownCount_ = last + 1;
  }
  if (upper.back() == ',') ++shownCount_;
  LoadCharacterSlots();
  return transition;
}

// Every shown position gets a slot holding its picture; a name not in any slot replaces the
// oldest one (round robin) and the search starts again, as that may have taken a slot an
// earlier position was using. With five slots and at most five names this settles quickly.
void Stage::LoadCharacterSlots() {
  const int shown = std::min(shownCount_, kCharacterPositions);
  for (int round = 0; round < 4 * kCharacterSlots; ++round) {
    bool settled = true;
    for (int position = 0; position < shown && settled; ++position) {
      const std::string& name = positions_[position];
      if (name.empty()) continue;
      const auto found = std::find_if(slots_.begin(), slots_.end(),
                                      [&](const CharacterSlot& slot) { return slot.name == name; });
      if (found != slots_.end()) {
        positionSlots_[position] = static_cast<int>(found - slots_.begin());
        continue;
      }
      CharacterSlot& slot = slots_[nextSlot_];
      slot.name = name;
      LoadPicture(name, slot.face);
      std::string maskName = name;  // the same name with "M" for its first letter
      maskName[0] = 'M';
      LoadPicture(maskName, slot.mask);
      nextSlot_ = (nextSlot_ + 1) % kCharacterSlots;
      settled = false;
    }
    if (settled) return;
  }
}

// A picture that cannot be loaded leaves its buffer as it was; the author learns of it from the
// developer trace.
bool Stage::LoadPicture(std::string_view name, Bitmap24& bitmap) {
  if (loader_.LoadPicture(name, bitmap)) return true;
  if (trace_.Enabled()) trace_.WriteGameText("picture not found: " + std::string(name));
  return false;
}

void Stage::RemoveCharacters() {
  shownCount_ = 0;
  for (std::string& name : positions_) name.clear();
  characterSpecification_.clear();
}

// ---- Picture commands -------------------------------------------------------------------------

void Stage::Gra(std::string_view text, bool present) {
  if (onLayersChanged) onLayersChanged();
  const PictureArgument argument = ParsePictureArgument(text);
  if (argument.name.empty()) return;
  switch (argument.name[0]) {
    case 'A':
    case 'a': {
      const std::string upper = UpperCaseName(argument.name);
      if (onBackgroundShown) onBackgroundShown(upper);
      backgroundName_ = argument.name;
      if (flags_.SkipState == 3) return;
      if (!LoadPicture(argument.name, buffers_.BackgroundBuffer) || !present) return;
      RemoveCharacters();
      RefreshStage(argument.transition);
      return;
    }
    case 'B':
    case 'b': {
      if (argument.place == 'L') {
        positions_[0] = argument.name;
      } else if (argument.place == 'R') {
        if (shownCount_ == 1) positions_[0].clear();
        positions_[1] = argument.name;
      }
      if (argument.place != 0) {
        characterSpecification_ = positions_[0] + "," + positions_[1];
      } else {
        for (std::string& name : positions_) name.clear();
        characterSpecification_ = argument.name;
      }
      ShowCharacters(characterSpecification_);
      if (!present) return;
      if (state_.S(sv::kHideWindow) != 0) state_.S(sv::kHideWindow) = 2;
      RefreshStage(argument.transition);
      return;
    }
    case 'S':
    case 's':
      FillSolidColour(argument.name);
      backgroundName_ = argument.name;
      if (!present) return;
      RemoveCharacters();
      RefreshStage(argument.transition);
      return;
    default:
      return;
  }
}

void Stage::RestoreSpecs(std::string background, std::string characters,
                         const std::array<std::string, kCharacterPositions>& positions) {
  backgroundName_ = std::move(background);
  characterSpecification_ = std::move(characters);
  positions_ = positions;
  if (onLayersChanged) onLayersChanged();
}

void Stage::RebuildFromSpecs(int transition) {
  if (!backgroundName_.empty() && (backgroundName_[0] == 'S' || backgroundName_[0] == 's')) {
    FillSolidColour(backgroundName_);
  } else if (!backgroundName_.empty()) {
    LoadPicture(backgroundName_, buffers_.BackgroundBuffer);
  }
  ShowCharacters(characterSpecification_);
  if (onLayersChanged) onLayersChanged();
  RefreshStage(transition);
}

void Stage::FillSolidColour(std::string_view name) {
  std::array<uint8_t, 3> colour{};
  for (size_t i = 0; i < 3; ++i) colour[i] = i + 1 < name.size() ? ColourDigit(name[i + 1]) : 0;
  FillPicture(buffers_.BackgroundBuffer, colour);
}

void Stage::Clrb(std::string_view text) {
  if (onLayersChanged) onLayersChanged();
  const size_t end = text.find_last_not_of(' ');
  const char last = end == std::string_view::npos ? 0 : text[end];
  if (last == 'L' || last == 'l' || last == 'R' || last == 'r') {
    positions_[last == 'L' || last == 'l' ? 0 : 1].clear();
    characterSpecification_ = positions_[0] + "," + positions_[1];
    ShowCharacters(characterSpecification_);
  } else {
    RemoveCharacters();
  }
  RefreshStage(LeadingNumber(text));
}

void Stage::Tati(std::string_view text) {
  if (onLayersChanged) onLayersChanged();
  const int transition = ShowCharacters(text);
  characterSpecification_ = std::string(text);
  RefreshStage(transition);
}

void Stage::Partsload(std::string_view text) {
  const size_t comma = text.find(',');
  if (comma == std::string_view::npos) {
    LoadPicture(text, buffers_.PartsSheet);
    state_.S(sv::kClickmapPressed) = 0;
    return;
  }
  LoadPicture(text.substr(0, comma), buffers_.PartsSheet);
  // The second picture lies over the screen, where the clickmap takes its places from; the
  // work buffer keeps the screen's size, as the transitions that share it expect.
  Bitmap24 second;
  if (LoadPicture(text.substr(comma + 1), second)) CopyTopLeftArea(second, buffers_.WorkBuffer);
  state_.S(sv::kClickmapPressed) = 1;
}

// A rectangle reaching past the parts sheet or the screen is cut to both.
void Stage::Ptset(int x1, int y1, int x2, int y2, int dx, int dy) {
  const int64_t width = int64_t{x2} - x1;
  const int64_t height = int64_t{y2} - y1;
  if (width <= 0 || height <= 0 || width > kScreenWidth * 4 || height > kScreenHeight * 4) return;
  CopyRectKeyed(buffers_.PartsSheet, x1, y1, static_cast<int>(width), static_cast<int>(height),
                pb_.Draw(), dx, dy, kTransparent);
  host_.Present();
}

void Stage::Direct(std::string_view text) {
  const uint32_t start = host_.Ticks();
  std::string_view fields[4];
  for (int i = 0; i < 4; ++i) {
    const size_t comma = std::min(text.find(','), text.size());
    fields[i] = text.substr(0, comma);
    text = comma < text.size() ? text.substr(comma + 1) : std::string_view();
  }
  const std::string_view name = fields[0].substr(0, std::min(fields[0].size(), kDirectNameLimit));
  const uint32_t duration = static_cast<uint32_t>(LeadingNumber(fields[1]));
  if (LoadPicture(name, buffers_.PartsSheet)) {
    const Bitmap24& sheet = buffers_.PartsSheet;
    CopyRect(sheet, 0, 0, sheet.Width(), sheet.Height(), pb_.Draw(), LeadingNumber(fields[2]),
             LeadingNumber(fields[3]));
    host_.Present();
  }
  for (;;) {
    const uint32_t passed = host_.Ticks() - start;
    if (passed >= duration) break;
    host_.Sleep(std::min(kDirectSlice, duration - passed));
    host_.ProcessMessages();
  }
}

void Stage::Fix() {
  CopyPicture(pb_.Picture(), buffers_.SceneBuffer);
  CopyPicture(buffers_.SceneBuffer, buffers_.StageBuffer);
  state_.S(sv::kFixed) = 0;
}

void Stage::SepiaFadeIn() {
  flags_.Busy = true;
  ToneGrey(buffers_.SceneBuffer, true);
  CopyPicture(buffers_.SceneBuffer, buffers_.StageBuffer);
  OverlayWindow();
  clock_.StartFrameClock();
  const size_t bytesPerPicture = buffers_.StageBuffer.SizeBytes();
  for (int weight = kSepiaStartWeight; weight < 256;
       weight += kSepiaWeightStep * static_cast<int>(clock_.WaitFrames(kSepiaInterval))) {
    WeightedMix(buffers_.StageBuffer.Data(), buffers_.PreviousBuffer.Data(), weight,
                buffers_.WorkBuffer.Data(), bytesPerPicture);
    CopyPicture(buffers_.WorkBuffer, pb_.Draw());
    host_.Present();
  }
  CopyPicture(buffers_.StageBuffer, pb_.Draw());
  host_.Present();
  flags_.Busy = false;
}

}  // namespace tolven
