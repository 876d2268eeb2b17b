#include "tools/tool_commands.h"

#include <algorithm>
#include <map>
#include <optional>
#include <span>

#include "base/text_encoding.h"
#include "resources/archives.h"
#include "resources/jpeg_picture.h"
#include "resources/packed_picture.h"
#include "resources/script_source.h"
#include "tools/animation_tool.h"
#include "tools/archive_writer.h"
#include "tools/file_io.h"
#include "tools/png_file.h"
#include "tools/script_text.h"
#include "tools/sound_files.h"

namespace tolven::tools {
namespace {

namespace fs = std::filesystem;

enum class EntryKind {
  Raw,
  Script,
  PackedPicture,
  JpegPicture,
  BlockSound,  // voices and effects
  ByteSound,   // music
  Animation,   // frames, and a byte-coded sound at an offset inside the entry
};

// The engine never asks an entry which coding it uses; the archive it lives in decides, and
// so it does here.
EntryKind KindOfArchive(const fs::path& archive, ArchiveLayout layout) {
  const std::string name = UpperCaseName(archive.filename().string());
  if (layout == ArchiveLayout::A) return EntryKind::Script;
  if (name.starts_with("QE_GRA")) return EntryKind::PackedPicture;
  if (name.starts_with("QE_GJP")) return EntryKind::JpegPicture;
  if (name.starts_with("QE_WAV") || name.starts_with("QE_SE")) return EntryKind::BlockSound;
  if (name.starts_with("QE_BGM")) return EntryKind::ByteSound;
  if (name.starts_with("QE_ANIM")) return EntryKind::Animation;
  return EntryKind::Raw;
}

// The index exactly as the engine reads it, plus the archive's bytes for the entries.
struct OpenArchive {
  ArchiveIndex index;
  std::vector<uint8_t> bytes;
};

// Where the engine would quietly drop entries, a tool refuses the archive and says why: an
// author needs to know the file is damaged, not to get a listing with holes in it.
OpenArchive ReadArchive(const fs::path& archive, std::optional<ArchiveLayout> layout,
                        ArchiveLayout& chosen) {
  chosen = layout.value_or(LayoutForArchiveName(archive.filename().string()));
  OpenArchive open;
  open.bytes = ReadWholeFile(archive);
  ArchiveIndexFaults faults;
  open.index = CheckArchiveIndex(open.bytes.data(), open.bytes.size(), chosen, faults);
  if (faults.Any()) {
    const std::string file = archive.string();
    std::string message = file + ": damaged archive index (read as layout " +
                          (chosen == ArchiveLayout::A ? "A" : "B") + ")";
    for (const std::string& fault : faults.listed) message += "\n" + file + ": " + fault;
    if (faults.unlisted > 0) {
      message += "\n" + file + ": and " + std::to_string(faults.unlisted) + " more faults";
    }
    throw ToolError(message);
  }
  return open;
}

// Creates a folder and its parents, or says why it cannot.
void CreateFolder(const fs::path& dir) {
  std::error_code error;
  fs::create_directories(dir, error);
  if (error) throw ToolError(dir.string() + ": cannot create folder (" + error.message() + ")");
}

// Entry names become file names: nothing may lead outside the output folder.
std::string SafeFileName(const std::string& entryName) {
  std::string name = ShiftJisToUtf8Lossy(entryName);
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
      name.find('\\') != std::string::npos) {
    throw ToolError("entry name \"" + name + "\" cannot be used as a file name");
  }
  return name;
}

struct OutputFile {
  fs::path path;
  std::vector<uint8_t> bytes;
};

uint32_t ReadU32(const std::vector<uint8_t>& bytes, size_t at) {
  return uint32_t{bytes[at]} | uint32_t{bytes[at + 1]} << 8 | uint32_t{bytes[at + 2]} << 16 |
         uint32_t{bytes[at + 3]} << 24;
}

// An animation's sound as a wave file beside the entry, which is written as it is: its frames
// stay the engine's business. Nothing when the animation is silent.
std::optional<OutputFile> AnimationSound(const std::string& fileName,
                                         const std::vector<uint8_t>& data, const fs::path& outDir) {
  constexpr size_t kSizeAt = 16;
  constexpr size_t kOffsetAt = 20;
  if (data.size() < kOffsetAt + 4) throw ToolError(fileName + ": damaged animation entry");
  const uint64_t size = ReadU32(data, kSizeAt);
  const uint64_t offset = ReadU32(data, kOffsetAt);
  if (size == 0) return std::nullopt;
  if (offset + size > data.size()) {
    throw ToolError(fileName + ": damaged animation entry: its sound lies past the entry's end");
  }
  const std::span<const uint8_t> sound(data.data() + offset, static_cast<size_t>(size));
  return OutputFile{outDir / (fileName + ".wav"),
                    WavOfWady(sound, WadyCoding::Byte, fileName + " (its sound)")};
}

std::vector<OutputFile> ConvertEntry(const std::string& entryName, std::vector<uint8_t> data,
                                     EntryKind kind, const fs::path& outDir,
                                     const ExtractOptions& options) {
  const std::string fileName = SafeFileName(entryName);
  std::vector<OutputFile> files;
  if (kind == EntryKind::Script) {
    NegateBytes(data);
    if (!options.utf8) {
      files.push_back({outDir / fileName, std::move(data)});
      return files;
    }
    std::string text = ScriptToUtf8(data, fileName);
    files.push_back({outDir / (fileName + ".txt"), std::vector<uint8_t>(text.begin(), text.end())});
    return files;
  }
  if (options.png && (kind == EntryKind::PackedPicture || kind == EntryKind::JpegPicture)) {
    Bitmap24 bitmap;
    const bool decoded = kind == EntryKind::PackedPicture
                             ? DecodePackedPicture(data.data(), data.size(), bitmap)
                             : DecodeJpegPicture(data.data(), data.size(), bitmap);
    if (!decoded) throw ToolError(fileName + ": damaged picture entry");
    files.push_back({outDir / (fileName + ".png"), PngBytes(bitmap)});
    return files;
  }
  if (options.wav && (kind == EntryKind::BlockSound || kind == EntryKind::ByteSound)) {
    const WadyCoding coding = kind == EntryKind::ByteSound ? WadyCoding::Byte : WadyCoding::Block;
    files.push_back({outDir / (fileName + ".wav"), WavOfWady(data, coding, fileName)});
    return files;
  }
  if (options.wav && kind == EntryKind::Animation) {
    if (std::optional<OutputFile> sound = AnimationSound(fileName, data, outDir)) {
      files.push_back(std::move(*sound));
    }
  }
  files.push_back({outDir / fileName, std::move(data)});
  return files;
}

std::string EntryName(const fs::path& file) {
  return file.stem().string();
}

ArchiveInput PictureInput(const fs::path& file) {
  const std::string extension = UpperCaseName(file.extension().string());
  if (extension == ".PNG") return {EntryName(file), EncodePackedPicture(ReadPng(file))};
  std::vector<uint8_t> jpeg = ReadWholeFile(file);
  Bitmap24 check;
  if (!DecodeJpegPicture(jpeg.data(), jpeg.size(), check)) {
    throw ToolError(file.string() + ": not a readable JPEG picture");
  }
  return {EntryName(file), std::move(jpeg)};
}

using ArchiveFiles = std::map<std::string, std::vector<uint8_t>>;

// Adds an archive of these entries, unless there are none.
void AddArchive(ArchiveFiles& archives, const char* name,
                const std::vector<ArchiveInput>& entries) {
  if (!entries.empty()) archives[name] = BuildArchive(ArchiveLayout::B, entries);
}

// Voices go to the first WADY and Ogg archives, effects to the first effect archive and the
// looping ones to the archive whose effects loop, music to the music archive.
void AddSoundArchives(const fs::path& sourceDir, ArchiveFiles& archives) {
  std::vector<ArchiveInput> waves;
  std::vector<ArchiveInput> oggs;
  for (const fs::path& file : FilesIn(sourceDir / "voices", {".wav", ".ogg"})) {
    const bool isOgg = UpperCaseName(file.extension().string()) == ".OGG";
    (isOgg ? oggs : waves).push_back(VoiceInput(file));
  }
  std::vector<ArchiveInput> effects;
  for (const fs::path& file : FilesIn(sourceDir / "effects", {".wav"})) {
    effects.push_back(EffectInput(file));
  }
  std::vector<ArchiveInput> loops;
  for (const fs::path& file : FilesIn(sourceDir / "effects" / "loop", {".wav"})) {
    loops.push_back(EffectInput(file));
  }
  std::vector<ArchiveInput> music;
  for (const fs::path& file : FilesIn(sourceDir / "music", {".wav"})) {
    music.push_back(MusicInput(file));
  }
  AddArchive(archives, "qe_wav1.tvk", waves);
  AddArchive(archives, "qe_ogg1.tvk", oggs);
  AddArchive(archives, "qe_se0.tvk", effects);
  AddArchive(archives, "qe_se2.tvk", loops);
  AddArchive(archives, kMusicArchive, music);
}

// Scripts name a movie by its path from the game folder ("movies/ending.webm"), and the engine
// plays whatever the file holds, so movies are copied as they are, keeping their folder.
void AddMovies(const fs::path& sourceDir, ArchiveFiles& files) {
  const fs::path dir = sourceDir / "movies";
  const fs::file_type type = TypeOf(dir);
  if (type == fs::file_type::not_found) return;
  if (type != fs::file_type::directory) throw ToolError(dir.string() + ": not a folder");
  std::error_code error;
  for (fs::directory_iterator item(dir, error), end; !error && item != end; item.increment(error)) {
    if (TypeOf(item->path()) != fs::file_type::regular) continue;
    files[(fs::path("movies") / item->path().filename()).string()] = ReadWholeFile(item->path());
  }
  if (error) throw ToolError(dir.string() + ": cannot be read (" + error.message() + ")");
}

}  // namespace

void ListArchive(const fs::path& archive, std::optional<ArchiveLayout> layout, std::ostream& out) {
  ArchiveLayout chosen;
  OpenArchive open = ReadArchive(archive, layout, chosen);
  for (size_t i = 0; i < open.index.Size(); ++i) {
    out << i << ' ' << ShiftJisToUtf8Lossy(open.index.names[i]) << ' ' << open.index.offsets[i]
        << ' ' << open.index.sizes[i] << '\n';
  }
}

void ExtractArchive(const fs::path& archive, const std::vector<std::string>& names,
                    const fs::path& outDir, const ExtractOptions& options) {
  ArchiveLayout chosen;
  OpenArchive open = ReadArchive(archive, options.layout, chosen);
  const EntryKind kind = KindOfArchive(archive, chosen);
  std::vector<size_t> wanted;
  if (names.empty()) {
    for (size_t i = 0; i < open.index.Size(); ++i) wanted.push_back(i);
  }
  for (const std::string& name : names) {
    int entry = FindEntry(open.index, name);
    if (entry < 0) throw ToolError(archive.string() + ": no entry named " + name);
    wanted.push_back(static_cast<size_t>(entry));
  }
  // Every file is prepared before the first is written: bad input leaves nothing behind.
  std::map<fs::path, OutputFile> outputs;
  for (size_t i : wanted) {
    const uint8_t* begin = open.bytes.data() + open.index.offsets[i];
    std::vector<uint8_t> data(begin, begin + open.index.sizes[i]);
    // Among entries of the same name the engine uses the first; so does extraction.
    for (OutputFile& file :
         ConvertEntry(open.index.names[i], std::move(data), kind, outDir, options)) {
      outputs.try_emplace(file.path, std::move(file));
    }
  }
  CreateFolder(outDir);
  for (const auto& [path, file] : outputs) WriteOutputFile(path, file.bytes);
}

void PackArchive(ArchiveLayout layout, const fs::path& archive,
                 const std::vector<fs::path>& files) {
  std::vector<ArchiveInput> entries;
  for (const fs::path& file : files) entries.push_back({EntryName(file), ReadWholeFile(file)});
  WriteOutputFile(archive, BuildArchive(layout, entries));
}

void DecodePictureFile(const fs::path& in, const fs::path& outPng) {
  std::vector<uint8_t> packed = ReadWholeFile(in);
  Bitmap24 bitmap;
  if (!DecodePackedPicture(packed.data(), packed.size(), bitmap)) {
    throw ToolError(in.string() + ": damaged or not a packed picture");
  }
  WriteOutputFile(outPng, PngBytes(bitmap));
}

void EncodePictureFile(const fs::path& inPng, const fs::path& out, const PackOptions& options) {
  WriteOutputFile(out, EncodePackedPicture(ReadPng(inPng), options));
}

void BuildGame(const fs::path& sourceDir, const fs::path& outDir) {
  const fs::file_type sourceType = TypeOf(sourceDir);
  if (sourceType == fs::file_type::not_found) {
    throw ToolError(sourceDir.string() + ": no such folder");
  }
  if (sourceType != fs::file_type::directory) {
    throw ToolError(sourceDir.string() + ": not a folder");
  }
  std::vector<ArchiveInput> scripts;
  for (const fs::path& file : FilesIn(sourceDir / "scripts", {".txt"})) {
    std::vector<uint8_t> text = ReadWholeFile(file);
    std::string utf8(text.begin(), text.end());
    scripts.push_back({EntryName(file), ScriptFromUtf8(utf8, file.string())});
  }
  std::vector<ArchiveInput> packed;
  std::vector<ArchiveInput> jpeg;
  for (const fs::path& file : FilesIn(sourceDir / "pictures", {".png", ".jpg", ".jpeg"})) {
    const bool isPng = UpperCaseName(file.extension().string()) == ".PNG";
    (isPng ? packed : jpeg).push_back(PictureInput(file));
  }
  ArchiveFiles archives;
  archives["qe_data.tvk"] = BuildArchive(ArchiveLayout::A, scripts);
  AddArchive(archives, "qe_gra.tvk", packed);
  AddArchive(archives, kJpegArchive, jpeg);
  AddSoundArchives(sourceDir, archives);
  AddArchive(archives, "qe_anim.tvk", AnimationInputs(sourceDir / "anim"));
  AddMovies(sourceDir, archives);
  CreateFolder(outDir);
  for (const auto& [name, bytes] : archives) {
    CreateFolder((outDir / name).parent_path());
    WriteOutputFile(outDir / name, bytes);
  }
}

}  // namespace tolven::tools
