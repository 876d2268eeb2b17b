#include "text/font_lookup.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <array>
#include <memory>
#include <set>
#include <string_view>

namespace tolven {
namespace {

struct ConfigDeleter {
  void operator()(FcConfig* config) const { FcConfigDestroy(config); }
};
struct PatternDeleter {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
struct ObjectSetDeleter {
  void operator()(FcObjectSet* objects) const { FcObjectSetDestroy(objects); }
};
struct FontSetDeleter {
  void operator()(FcFontSet* fonts) const { FcFontSetDestroy(fonts); }
};
using ConfigPtr = std::unique_ptr<FcConfig, ConfigDeleter>;
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;
using ObjectSetPtr = std::unique_ptr<FcObjectSet, ObjectSetDeleter>;
using FontSetPtr = std::unique_ptr<FcFontSet, FontSetDeleter>;

const FcChar8* Bytes(const std::string& text) {
  return reinterpret_cast<const FcChar8*>(text.c_str());
}

// A font lists its family under several names (English, Japanese): any of them counts.
bool HasFamily(FcPattern* font, const std::string& family) {
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(font, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
    if (FcStrCmpIgnoreCase(name, Bytes(family)) == 0) return true;
  }
  return false;
}

PatternPtr BestMatch(FcConfig* config, const std::string& family) {
  PatternPtr pattern(FcPatternCreate());
  FcPatternAddString(pattern.get(), FC_FAMILY, Bytes(family));
  FcPatternAddString(pattern.get(), FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcConfigSubstitute(config, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  return PatternPtr(FcFontMatch(config, pattern.get(), &result));
}

struct StandIn {
  std::string_view windowsFace;
  std::string_view family;
};

constexpr std::array<StandIn, 6> kStandIns = {{
    {"ＭＳ 明朝", "IPAMincho"},
    {"MS Mincho", "IPAMincho"},
    {"ＭＳ Ｐ明朝", "IPAPMincho"},
    {"ＭＳ ゴシック", "IPAGothic"},
    {"MS Gothic", "IPAGothic"},
    {"ＭＳ Ｐゴシック", "IPAPGothic"},
}};

}  // namespace

std::string StandInFamily(const std::string& faceName) {
  for (const StandIn& standIn : kStandIns) {
    if (standIn.windowsFace == faceName) return std::string(standIn.family);
  }
  return faceName;
}

std::optional<FontFile> FindFontFace(const std::string& faceName) {
  return FindFontFamily(StandInFamily(faceName));
}

std::optional<FontFile> FindFontFamily(const std::string& family) {
  ConfigPtr config(FcInitLoadConfigAndFonts());
  if (!config) return std::nullopt;
  PatternPtr font = BestMatch(config.get(), family);
  FcChar8* file = nullptr;
  if (!font || !HasFamily(font.get(), family) ||
      FcPatternGetString(font.get(), FC_FILE, 0, &file) != FcResultMatch) {
    return std::nullopt;
  }
  FontFile found{reinterpret_cast<const char*>(file)};
  FcPatternGetInteger(font.get(), FC_INDEX, 0, &found.index);
  return found;
}

std::vector<std::string> ListFontFamilies() {
  ConfigPtr config(FcInitLoadConfigAndFonts());
  if (!config) return {};
  PatternPtr pattern(FcPatternCreate());
  FcPatternAddString(pattern.get(), FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  ObjectSetPtr objects(FcObjectSetBuild(FC_FAMILY, nullptr));
  FontSetPtr fonts(FcFontList(config.get(), pattern.get(), objects.get()));
  std::set<std::string> families;
  for (int font = 0; fonts && font < fonts->nfont; ++font) {
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(fonts->fonts[font], FC_FAMILY, i, &name) == FcResultMatch;
         ++i) {
      families.emplace(reinterpret_cast<const char*>(name));
    }
  }
  // Japanese Windows lists its faces under their Japanese names only.
  std::vector<std::string> windowsFaces;
  for (const StandIn& standIn : kStandIns) {
    if (families.contains(std::string(standIn.family)) &&
        std::any_of(standIn.windowsFace.begin(), standIn.windowsFace.end(),
                    [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
      windowsFaces.emplace_back(standIn.windowsFace);
    }
  }
  families.insert(windowsFaces.begin(), windowsFaces.end());
  return {families.begin(), families.end()};
}

}  // namespace tolven
