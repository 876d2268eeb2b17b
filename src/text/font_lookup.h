#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tolven {

struct FontFile {
  std::filesystem::path path;
  int index = 0;  // the face inside a font collection
};

// The installed font file of a family, looked up for Japanese text. fontconfig always offers
// some font; when the family it offers is not the one asked for, the answer is nothing.
std::optional<FontFile> FindFontFamily(const std::string& family);

// A face name as scripts and settings give it (UTF-8). The Windows faces the games were made
// for are not installed here: each stands for the IPA face drawn to the same design.
std::string StandInFamily(const std::string& faceName);

// FindFontFamily of the face's stand-in family.
std::optional<FontFile> FindFontFace(const std::string& faceName);

// The installed families that cover Japanese, each under every name fontconfig knows it by
// (English and Japanese, UTF-8), with the Windows faces whose stand-ins are among them; sorted,
// without duplicates. What a font list offers the player to choose from.
std::vector<std::string> ListFontFamilies();

}  // namespace tolven
