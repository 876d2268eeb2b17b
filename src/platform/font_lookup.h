#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tolven {

struct FontFile {
  std::filesystem::path path;
  int index = 0;  // the face inside a font collection
};

// The installed font file of a family, looked up for Japanese text. fontconfig always offers
// some font; when the family it offers is not the one asked for, the answer is nothing.
std::optional<FontFile> FindFontFamily(const std::string& family);

}  // namespace tolven
