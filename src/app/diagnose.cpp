#include "app/diagnose.h"

#include <SDL.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <jpeglib.h>
#include <mpv/client.h>
#include <vorbis/codec.h>

#include <algorithm>
#include <array>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "base/settings.h"
#include "base/text_encoding.h"
#include "engine/settings_store.h"
#include "platform/sdl_audio_device.h"
#include "platform/sdl_library.h"
#include "resources/archives.h"
#include "save/save_folder.h"
#include "text/font_lookup.h"

#ifndef TOLVEN_VERSION
#define TOLVEN_VERSION "unknown"
#endif

namespace tolven {
namespace {

namespace fs = std::filesystem;

#define TOLVEN_STRINGIFY_VALUE(x) #x
#define TOLVEN_STRINGIFY(x) TOLVEN_STRINGIFY_VALUE(x)

// The Windows faces the engine draws with besides the player's text font: the story text's
// fallback and the rolls, credits and subtitles (明朝), the recollection screen, the scrolling
// text and the completion rate (ゴシック), the dialogs (Ｐゴシック); scripts may name Ｐ明朝.
constexpr std::array<const char*, 4> kEngineFaces = {"ＭＳ 明朝", "ＭＳ Ｐ明朝", "ＭＳ ゴシック",
                                                     "ＭＳ Ｐゴシック"};

std::string FreeTypeVersion() {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return "(cannot start)";
  FT_Int major = 0, minor = 0, patch = 0;
  FT_Library_Version(library, &major, &minor, &patch);
  FT_Done_FreeType(library);
  return std::to_string(major) + '.' + std::to_string(minor) + '.' + std::to_string(patch);
}

std::string FontconfigVersion() {
  const int version = FcGetVersion();
  return std::to_string(version / 10000) + '.' + std::to_string(version / 100 % 100) + '.' +
         std::to_string(version % 100);
}

std::string FontLine(const std::optional<FontFile>& file) {
  if (!file) return "not installed";
  std::string line = file->path.string();
  if (file->index != 0) line += " (face " + std::to_string(file->index) + ")";
  return line;
}

// Only the archives' own indexes count: a file of the right name whose index is damaged has no
// entries the engine can use, which is what a bug report needs to show.
void WriteArchives(const fs::path& gameDirectory, std::ostream& out) {
  std::error_code error;
  if (!fs::is_directory(gameDirectory, error)) {
    out << "archives: none (the game folder does not exist or is no folder)\n";
    return;
  }
  Archives archives(gameDirectory);
  archives.LoadScriptIndexes();
  archives.LoadMediaIndexes();
  std::vector<std::string> names;
  for (fs::directory_iterator it(gameDirectory, error), end; !error && it != end;
       it.increment(error)) {
    const fs::path& path = it->path();
    if (path.extension() == ".tvk" && it->is_regular_file(error)) {
      names.push_back(path.filename().string());
    }
  }
  std::sort(names.begin(), names.end());
  out << "archives:" << (names.empty() ? " none (no .tvk files in the game folder)" : "") << '\n';
  for (const std::string& name : names) {
    const size_t entries = archives.Index(name).Size();
    out << "  " << name << ": ";
    if (entries == 0) {
      out << "no entries the engine reads (an unknown name, or a damaged index)\n";
    } else {
      out << entries << (entries == 1 ? " entry\n" : " entries\n");
    }
  }
}

void WriteFonts(const Settings& settings, std::ostream& out) {
  out << "fonts:\n";
  const std::string textFace =
      ShiftJisToUtf8(settings.FontName).value_or(ShiftJisToUtf8Lossy(settings.FontName));
  const std::optional<FontFile> textFont = FindFontFace(textFace);
  out << "  text font \"" << textFace << "\" -> " << StandInFamily(textFace) << ": "
      << (textFont ? FontLine(textFont) : "not installed, the text uses ＭＳ 明朝") << '\n';
  for (const char* face : kEngineFaces) {
    out << "  " << face << " -> " << StandInFamily(face) << ": " << FontLine(FindFontFace(face))
        << '\n';
  }
}

std::string DriverList(int count, const char* (*name)(int)) {
  std::string list;
  for (int i = 0; i < count; ++i) {
    if (i > 0) list += ' ';
    list += name(i);
  }
  return list.empty() ? "none" : list;
}

// A machine without a display or a sound card still gets an answer: what failed, and the
// drivers SDL could have tried.
void WriteDrivers(std::ostream& out) {
  out << "video driver: ";
  try {
    // The window's own start-up, so a display it would refuse shows as refused here too.
    const SdlLibrary video;
    out << SDL_GetCurrentVideoDriver() << '\n';
  } catch (const std::runtime_error& error) {
    out << "none (" << error.what() << ")\n";
  }
  out << "  available: " << DriverList(SDL_GetNumVideoDrivers(), SDL_GetVideoDriver) << '\n';
  out << "audio driver: ";
  {
    const SdlAudioDevice audio;
    const char* driver = SDL_GetCurrentAudioDriver();
    if (driver == nullptr) {
      out << "none (" << SDL_GetError() << "): the game runs silent\n";
    } else if (!audio.Present()) {
      out << driver << ", no output opens: the game runs silent\n";
    } else {
      out << driver << (audio.Audible() ? "\n" : ", heard nowhere\n");
    }
  }
  out << "  available: " << DriverList(SDL_GetNumAudioDrivers(), SDL_GetAudioDriver) << '\n';
  SDL_Quit();
}

}  // namespace

std::string VersionText() {
  SDL_version sdl;
  SDL_GetVersion(&sdl);
  const unsigned long mpv = mpv_client_api_version();
  std::ostringstream text;
  text << "tolven " TOLVEN_VERSION "\n"
       << "SDL " << int{sdl.major} << '.' << int{sdl.minor} << '.' << int{sdl.patch} << '\n'
       << "FreeType " << FreeTypeVersion() << '\n'
       << "fontconfig " << FontconfigVersion() << '\n'
#ifdef LIBJPEG_TURBO_VERSION
       << "libjpeg-turbo " TOLVEN_STRINGIFY(LIBJPEG_TURBO_VERSION) " (libjpeg API "
       << JPEG_LIB_VERSION / 10 << '.' << JPEG_LIB_VERSION % 10 << ")\n"
#else
       << "libjpeg " << JPEG_LIB_VERSION / 10 << '.' << JPEG_LIB_VERSION % 10 << '\n'
#endif
       << "libvorbis " << vorbis_version_string() << '\n'
       << "libmpv client API " << (mpv >> 16) << '.' << (mpv & 0xffff) << '\n';
  return text.str();
}

void WriteDiagnosis(const DiagnoseRequest& request, std::ostream& out) {
  out << VersionText() << '\n';
  std::error_code error;
  const fs::path absolute = fs::absolute(request.gameDirectory, error);
  out << "game folder: " << (error ? request.gameDirectory : absolute).string() << '\n';
  WriteArchives(request.gameDirectory, out);

  const fs::path saves = ResolveSaveFolder(request.saveDirectory, request.gameDirectory);
  out << "save folder: " << saves.string()
      << (fs::is_directory(saves, error) ? "" : " (not made yet)") << '\n';

  const SettingsStore store = SettingsStore::ForUser(request.configDirectory);
  out << "settings file: " << store.FilePath().string()
      << (fs::exists(store.FilePath(), error) ? "" : " (not written yet: defaults)") << '\n';
  Settings settings;
  ReadStartupSettings(store, settings);
  WriteFonts(settings, out);

  WriteDrivers(out);
}

}  // namespace tolven
