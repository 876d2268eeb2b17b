#include "engine/settings_store.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <map>

#include "base/text_encoding.h"
#include "test_support.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

std::string Sjis(const std::string& utf8) {
  return Utf8ToShiftJis(utf8).value();
}

std::string ReadText(const fs::path& path) {
  const std::vector<uint8_t> bytes = testing::ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

struct stat StatusOf(const fs::path& path) {
  struct stat status {};
  EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
  return status;
}

size_t EntriesIn(const fs::path& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

std::map<std::string, std::string> EntryMap(const Settings& settings) {
  const auto entries = SettingsEntries(settings);
  return {entries.begin(), entries.end()};
}

enum class Kind { kInteger, kString };

struct Value {
  const char* name;
  Kind kind;
  const char* defaultText;  // as the state dump shows it
};

// Every value in start-up order with its default; GameDir as read with "/start/here".
const std::vector<Value> kValues = {
    {"CDDir", Kind::kString, "NULL"},
    {"GameDir", Kind::kString, "/start/here/"},
    {"CDDA_DRV", Kind::kString, ""},
    {"Left", Kind::kInteger, "-2147483648"},
    {"Top", Kind::kInteger, "-2147483648"},
    {"BGM", Kind::kInteger, "0"},
    {"Wave", Kind::kInteger, "0"},
    {"Delay", Kind::kInteger, "0"},
    {"GMode", Kind::kInteger, "0"},
    {"SMode", Kind::kInteger, "0"},
    {"Clear", Kind::kInteger, "0"},
    {"Seen", Kind::kInteger, "1"},
    {"SkipMode", Kind::kInteger, "0"},
    {"BreakonSelect", Kind::kInteger, "1"},
    {"FontName", Kind::kString, "ＭＳ 明朝"},
    {"DirectSoundGlobal", Kind::kInteger, "0"},
    {"AnimQuality", Kind::kInteger, "0"},
    {"CVABORT", Kind::kInteger, "1"},
    {"TXWStyle", Kind::kInteger, "0"},
    {"SE0", Kind::kInteger, "1"},
    {"SE1", Kind::kInteger, "1"},
    {"SE2", Kind::kInteger, "1"},
    {"SE3", Kind::kInteger, "1"},
    {"SE4", Kind::kInteger, "1"},
    {"SE_LVL0", Kind::kInteger, "0"},
    {"SE_LVL1", Kind::kInteger, "0"},
    {"SE_LVL2", Kind::kInteger, "0"},
    {"SE_LVL3", Kind::kInteger, "0"},
    {"SE_LVL4", Kind::kInteger, "0"},
    {"Vol1", Kind::kInteger, "0"},
    {"Vol2", Kind::kInteger, "-800"},
    {"Vol3", Kind::kInteger, "-1200"},
    {"Vol4", Kind::kInteger, "-800"},
    {"FONTAA", Kind::kInteger, "0"},
    {"FONTSIZE", Kind::kInteger, "21"},
    {"FONTBOLD", Kind::kInteger, "0"},
    {"PlayerName", Kind::kString, "山田"},
    {"PlayerName2", Kind::kString, "太郎"},
    {"GV00", Kind::kInteger, "0"},
    {"GV01", Kind::kInteger, "0"},
    {"GV02", Kind::kInteger, "0"},
    {"GV03", Kind::kInteger, "0"},
    {"GV04", Kind::kInteger, "0"},
    {"GV05", Kind::kInteger, "0"},
    {"GV06", Kind::kInteger, "0"},
    {"GV07", Kind::kInteger, "0"},
    {"GV08", Kind::kInteger, "0"},
    {"GV09", Kind::kInteger, "0"},
    {"TXBG_R", Kind::kInteger, "0"},
    {"TXBG_G", Kind::kInteger, "0"},
    {"TXBG_B", Kind::kInteger, "0"},
    {"TXBG_A", Kind::kInteger, "90"},
    {"OnMemoryMode", Kind::kInteger, "1"},
};

class SettingsStoreTest : public ::testing::Test {
 protected:
  void WriteFile(const std::string& text) { testing::WriteFileText(store_.FilePath(), text); }
  std::string FileText() const { return ReadText(store_.FilePath()); }

  Settings ReadAll() const {
    Settings settings;
    ReadStartupPaths(store_, settings, "/start/here");
    ReadStartupSettings(store_, settings);
    return settings;
  }

  TempDir dir_;
  SettingsStore store_{dir_.Path()};
};

TEST_F(SettingsStoreTest, WithoutAFileEveryValueReadsItsDefaultAndNothingIsWritten) {
  std::vector<std::pair<std::string, std::string>> expected;
  for (const Value& value : kValues) expected.emplace_back(value.name, value.defaultText);

  EXPECT_EQ(SettingsEntries(ReadAll()), expected);
  EXPECT_FALSE(fs::exists(store_.FilePath()));
}

// The [Tolven] section beside [PELUNA2]: read by its own names, never mixed with [PELUNA2]'s
// values of the same name, and kept whole when [PELUNA2]'s values are written.
TEST_F(SettingsStoreTest, TheOwnSectionIsReadApartAndKeptThroughWrites) {
  WriteFile("[PELUNA2]\nFilter=old\n[tolven]\nfilter = sharp-bilinear\nCopyText=\nKey.Log=L\n");
  const SettingsStore::Snapshot snapshot = store_.Read();
  EXPECT_EQ(snapshot.ReadOwn("FILTER"), "sharp-bilinear");
  EXPECT_EQ(snapshot.ReadOwn("CopyText"), std::nullopt) << "empty reads as absent";
  EXPECT_EQ(snapshot.ReadOwn("Missing"), std::nullopt);
  EXPECT_EQ(snapshot.ReadString("Filter", "x"), "old");
  const std::vector<std::pair<std::string, std::string>> own = {
      {"filter", "sharp-bilinear"}, {"CopyText", ""}, {"Key.Log", "L"}};
  EXPECT_EQ(snapshot.OwnEntries(), own);
  ASSERT_TRUE(store_.WriteInteger("TextSpd", 3));
  EXPECT_EQ(store_.Read().OwnEntries(), own);
  EXPECT_TRUE(SettingsStore(dir_.Path() / "none").Read().OwnEntries().empty());
}

TEST_F(SettingsStoreTest, EveryStoredValueLandsInItsOwnField) {
  // Distinct values in lower-case names: two names sharing a field, or a name read from the
  // wrong spelling, shows up as a wrong value.
  std::string file = "[PELUNA2]\n";
  std::vector<std::pair<std::string, std::string>> expected;
  for (size_t i = 0; i < kValues.size(); ++i) {
    std::string lower = kValues[i].name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string stored =
        kValues[i].kind == Kind::kInteger ? std::to_string(100 + i) : "値" + std::to_string(i);
    file += lower + "=" + stored + "\n";
    expected.emplace_back(kValues[i].name, stored);
  }
  WriteFile(file);
  expected.back().second = "1";  // OnMemoryMode is never read at start-up

  const Settings settings = ReadAll();

  EXPECT_EQ(SettingsEntries(settings), expected);
  // The ends of each array, read from the fields themselves rather than through the listing.
  auto stored = [&](const std::string& name) {
    for (const auto& [entryName, value] : expected) {
      if (entryName == name) return value;
    }
    return std::string("missing");
  };
  const std::pair<int, const char*> fields[] = {
      {settings.Left, "Left"},         {settings.SE[0], "SE0"},         {settings.SE[4], "SE4"},
      {settings.SE_LVL[0], "SE_LVL0"}, {settings.SE_LVL[4], "SE_LVL4"}, {settings.GV[0], "GV00"},
      {settings.GV[9], "GV09"},        {settings.TXBG_A, "TXBG_A"},
  };
  for (const auto& [field, name] : fields) EXPECT_EQ(std::to_string(field), stored(name)) << name;
  EXPECT_EQ(settings.PlayerName2, Sjis(stored("PlayerName2")));
}

TEST_F(SettingsStoreTest, IntegersAreWholeDecimalNumbersInThe32BitRange) {
  constexpr int kDefault = -7;
  const struct {
    const char* stored;
    int expected;
  } cases[] = {
      {"12", 12},
      {" 7 ", 7},
      {"+7", 7},
      {"-800", -800},
      {"010", 10},
      {"7 ; a note", 7},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"2147483648", kDefault},
      {"-2147483649", kDefault},
      {"99999999999", kDefault},
      {"99999999999999999999999", kDefault},
      {"12abc", kDefault},
      {"0x10", kDefault},
      {"1 2", kDefault},
      {"1.5", kDefault},
      {"-", kDefault},
      {"+-1", kDefault},
      {"１２", kDefault},
      {"", kDefault},
  };
  for (const auto& c : cases) {
    WriteFile(std::string("[PELUNA2]\nBGM=") + c.stored + "\n");
    EXPECT_EQ(store_.ReadInteger("BGM", kDefault), c.expected) << '"' << c.stored << '"';
  }
}

TEST_F(SettingsStoreTest, StringsAreUtf8InTheFileAndShiftJisInside) {
  ASSERT_TRUE(store_.WriteString("PlayerName", Sjis("綾瀬")));
  ASSERT_TRUE(store_.WriteString("CDDA_DRV", ""));
  EXPECT_EQ(FileText(), "[PELUNA2]\nPlayerName=綾瀬\nCDDA_DRV=\n");
  EXPECT_EQ(store_.ReadString("playername", "x"), Sjis("綾瀬"));
  EXPECT_EQ(store_.ReadString("CDDA_DRV", "x"), "");

  WriteFile("[PELUNA2]\nFontName=ＭＳ ゴシック\nPlayerName=😀\n");
  EXPECT_EQ(store_.ReadString("FontName", "x"), Sjis("ＭＳ ゴシック"));
  EXPECT_EQ(store_.ReadString("PlayerName", "x"), "x");  // no Shift-JIS form
}

TEST_F(SettingsStoreTest, BrokenFileReadsDefaultsOnlyForTheBrokenValues) {
  WriteFile(
      "no equals sign before any section\n"
      "[PELUNA2]\n"
      "BGM=1\n"
      "Wave=loud\n"
      "\x01\x02\xff\xfe binary junk\n"
      "\xff\xfe=\x80\n"
      "Delay=12abc\n"
      "[Sound\n"  // a header without "]" leaves the section as it was
      "GMode=1\n"
      "FONTSIZE=18\n"
      "fontsize=30\n"
      "FontName=\xff\xfe\n"
      "PlayerName=綾瀬\n"
      "Unknown=5\n"
      "[Other]\n"
      "SMode=1\n"
      "[peluna2]\n"
      "Vol3=-300\n");
  const auto entries = EntryMap(ReadAll());

  const std::pair<const char*, const char*> expected[] = {
      {"BGM", "1"},           {"Wave", "0"},      {"Delay", "0"},
      {"GMode", "1"},         {"FONTSIZE", "18"}, {"FontName", "ＭＳ 明朝"},
      {"PlayerName", "綾瀬"}, {"SMode", "0"},     {"Vol3", "-300"},
  };
  for (const auto& [name, value] : expected) EXPECT_EQ(entries.at(name), value) << name;
}

TEST_F(SettingsStoreTest, EachWriteRewritesTheFileAtOnce) {
  testing::WriteFileText(dir_ / "a" / "b" / "peluna2.ini",
                         "; a comment\n"
                         "[Other]\nx = 1\n"
                         "[PELUNA2]\nFONTBOLD=0\nBGM=1\nfontbold=5\nVol1=-100\nVOL1=-200\n");
  SettingsStore store(dir_ / "a" / "b");
  const fs::path folder = store.FilePath().parent_path();
  const struct {
    std::function<bool(SettingsStore&)> write;
    const char* file;
  } steps[] = {
      {[](SettingsStore& s) { return s.WriteInteger("FONTBold", 1); },
       "[Other]\nx=1\n[PELUNA2]\nFONTBold=1\nBGM=1\nVol1=-100\n"},
      {[](SettingsStore& s) { return s.WriteString("FontName", Sjis("游明朝")); },
       "[Other]\nx=1\n[PELUNA2]\nFONTBold=1\nBGM=1\nVol1=-100\nFontName=游明朝\n"},
      {[](SettingsStore& s) { return s.WriteInteger("bgm", -1); },
       "[Other]\nx=1\n[PELUNA2]\nFONTBold=1\nbgm=-1\nVol1=-100\nFontName=游明朝\n"},
  };
  for (const auto& step : steps) {
    ASSERT_TRUE(step.write(store));
    EXPECT_EQ(ReadText(store.FilePath()), step.file);
    EXPECT_EQ(EntriesIn(folder), 1u);  // no temporary file left behind
  }
  EXPECT_EQ(store.ReadInteger("FONTBOLD", 0), 1);

  SettingsStore fresh(dir_ / "new" / "folder");
  EXPECT_EQ(fresh.ReadInteger("Seen", 1), 1);
  EXPECT_FALSE(fs::exists(dir_ / "new"));  // reading creates nothing
  ASSERT_TRUE(fresh.WriteInteger("Seen", 0));
  EXPECT_EQ(ReadText(fresh.FilePath()), "[PELUNA2]\nSeen=0\n");
}

TEST_F(SettingsStoreTest, StringsReadBackExactlyAsWritten) {
  // Plain values look as they always did; the rest are quoted so that no blank, quote, comment
  // starter or line break is lost or breaks the line.
  const struct {
    std::string value;  // UTF-8
    std::string line;   // as it appears in the file
  } cases[] = {
      {"佐藤", "PlayerName=佐藤"},
      {" 佐藤", "PlayerName=\" 佐藤\""},
      {"佐藤  ", "PlayerName=\"佐藤  \""},
      {"\t佐 藤\t", "PlayerName=\"\t佐 藤\t\""},
      {"", "PlayerName="},
      {" ", "PlayerName=\" \""},
      {"\"引用\"", R"(PlayerName="\"引用\"")"},
      {"\"", R"(PlayerName="\"")"},
      {"a\"b\"", R"(PlayerName=a"b")"},
      {R"(C:\Games\)", R"(PlayerName=C:\Games\)"},
      {R"( \ " )", R"(PlayerName=" \\ \" ")"},
      {"名 ;注", "PlayerName=\"名 ;注\""},
      {"名\t;注", "PlayerName=\"名\t;注\""},
      {"名;注", "PlayerName=名;注"},
      {";名", "PlayerName=;名"},
      {"#名", "PlayerName=#名"},
      {"名 #注", "PlayerName=名 #注"},
      {"=名:[x]", "PlayerName==名:[x]"},
      {"二行\n目", R"(PlayerName="二行\n目")"},
      {"\r\n", R"(PlayerName="\r\n")"},
      {R"(\n)", R"(PlayerName=\n)"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(store_.WriteString("PlayerName", Sjis(c.value))) << c.value;
    EXPECT_EQ(FileText(), "[PELUNA2]\n" + c.line + "\n") << c.value;
    EXPECT_EQ(store_.ReadString("PlayerName", "default"), Sjis(c.value)) << c.value;
  }
}

TEST_F(SettingsStoreTest, QuotedValuesFollowTheRulesOrReadAsPlainText) {
  const struct {
    const char* stored;  // everything after "PlayerName="
    const char* expected;
  } cases[] = {
      {R"(" a ")", " a "},
      {R"(  " a "  )", " a "},
      {R"(" a " ; a note)", " a "},
      {R"("\\\"\n")", "\\\"\n"},
      {R"("")", ""},
      {R"(" a ";no note)", R"(" a ";no note)"},
      {R"(" a " b)", R"(" a " b)"},
      {R"(" a)", R"(" a)"},
      {R"(" a\")", R"(" a\")"},
      {R"("C:\Games")", R"("C:\Games")"},  // an unknown escape: written by hand, not by us
      {R"(" a" ;x " b")", " a"},
      {R"(a " b ")", R"(a " b ")"},
  };
  for (const auto& c : cases) {
    WriteFile(std::string("[PELUNA2]\nPlayerName=") + c.stored + "\n");
    EXPECT_EQ(store_.ReadString("PlayerName", "default"), c.expected) << c.stored;
  }
}

TEST_F(SettingsStoreTest, OddFilesAreRewrittenWithTheirValuesIntact) {
  const struct {
    std::string file;
    const char* name;       // a value that must read the same before and after
    const char* value;      // UTF-8
    std::string rewritten;  // after writing BGM=1
  } cases[] = {
      {"[PELUNA2]\r\nCDDir=\r\n  b ;c\r\n", "CDDir", "b ;c", "[PELUNA2]\nCDDir=\"b ;c\"\nBGM=1\n"},
      {"[PELUNA2]\nCDDir=\"C:\\CD\"\n", "CDDir", "\"C:\\CD\"",
       "[PELUNA2]\nCDDir=\"\\\"C:\\\\CD\\\"\"\nBGM=1\n"},
      {std::string("[PELUNA2]\nCDDir=a\0b\n", 20), "CDDir", "a", "[PELUNA2]\nCDDir=a\nBGM=1\n"},
      {"\xEF\xBB\xBF[PELUNA2]\nCDDir=x\n", "CDDir", "x", "[PELUNA2]\nCDDir=x\nBGM=1\n"},
      // A byte order mark that is not at the start of the file belongs to the name.
      {"\n\xEF\xBB\xBF"
       "a=1\n",
       "CDDir", "NULL",
       "[]\n\xEF\xBB\xBF"
       "a=1\n[PELUNA2]\nBGM=1\n"},
  };
  for (const auto& c : cases) {
    WriteFile(c.file);
    EXPECT_EQ(store_.ReadString(c.name, "NULL"), Sjis(c.value)) << c.file;
    ASSERT_TRUE(store_.WriteInteger("BGM", 1)) << c.file;
    EXPECT_EQ(FileText(), c.rewritten) << c.file;
    EXPECT_EQ(store_.ReadString(c.name, "NULL"), Sjis(c.value)) << c.file;
  }
}

TEST_F(SettingsStoreTest, WritesTheFileCannotHoldExactlyAreRefused) {
  WriteFile("[PELUNA2]\nBGM=1\n");
  const std::string before = FileText();
  const std::pair<const char*, std::string> refused[] = {
      {"PlayerName", "\x82"},                  // cut-off Shift-JIS
      {"PlayerName", std::string("a\0b", 3)},  // engine strings end at a zero byte
      {"A=B", "1"},
      {"[X]", "1"},
      {" Wave", "1"},
      {"#Wave", "1"},
      {"Wa ;ve", "1"},
      {"Wa\nve", "1"},
  };
  for (const auto& [name, value] : refused) {
    EXPECT_FALSE(store_.WriteString(name, value)) << name << " = " << value;
    EXPECT_EQ(FileText(), before);
  }
}

TEST_F(SettingsStoreTest, WritingTheValueAlreadyStoredLeavesTheFileAlone) {
  const std::string file =
      "[PELUNA2]\nBGM=1\nPlayerName=綾瀬\nCDDA_DRV=\n; kept only if untouched\n";
  const struct {
    const char* name;
    std::function<bool(SettingsStore&)> write;
    bool changes;
  } cases[] = {
      {"same integer", [](SettingsStore& s) { return s.WriteInteger("BGM", 1); }, false},
      {"other spelling", [](SettingsStore& s) { return s.WriteInteger("bgm", 1); }, false},
      {"same string", [](SettingsStore& s) { return s.WriteString("PlayerName", Sjis("綾瀬")); },
       false},
      {"same empty string", [](SettingsStore& s) { return s.WriteString("CDDA_DRV", ""); }, false},
      {"other integer", [](SettingsStore& s) { return s.WriteInteger("BGM", 2); }, true},
      {"new name", [](SettingsStore& s) { return s.WriteString("GameDir", ""); }, true},
  };
  for (const auto& c : cases) {
    WriteFile(file);
    const ino_t inode = StatusOf(store_.FilePath()).st_ino;

    EXPECT_TRUE(c.write(store_)) << c.name;

    // A rewrite always makes a new file, so an unchanged inode means nothing was written.
    EXPECT_EQ(StatusOf(store_.FilePath()).st_ino != inode, c.changes) << c.name;
    EXPECT_EQ(FileText() != file, c.changes) << c.name;
  }
}

TEST_F(SettingsStoreTest, AFileOfManyValuesKeepsEveryOneThroughWrites) {
  constexpr int kCount = 32000;
  std::string file = "[PELUNA2]\n";
  for (int i = 0; i < kCount; ++i) {
    file += "Key" + std::to_string(i) + "=value " + std::to_string(i) + "\n";
  }
  WriteFile(file);

  ASSERT_TRUE(store_.WriteInteger("BGM", 7));
  ASSERT_TRUE(store_.WriteString("key16000", "changed"));

  std::string expected = file + "BGM=7\n";
  const std::string old = "Key16000=value 16000\n";
  expected.replace(expected.find(old), old.size(), "key16000=changed\n");
  EXPECT_EQ(FileText(), expected);
  const SettingsStore::Snapshot snapshot = store_.Read();
  EXPECT_EQ(snapshot.ReadString("KEY31999", ""), "value 31999");
  EXPECT_EQ(snapshot.ReadString("Key16000", ""), "changed");
}

TEST_F(SettingsStoreTest, LongLinesAreReadWhole) {
  // Cut after 199 bytes, this line would end in a value "BGM=1" of its own.
  WriteFile("[PELUNA2]\nGameDir=" + std::string(191, 'x') + "BGM=1\n");
  EXPECT_EQ(store_.ReadInteger("BGM", 0), 0);
  EXPECT_EQ(store_.ReadString("GameDir", ""), std::string(191, 'x') + "BGM=1");

  const std::string path = "/" + std::string(998, 'p') + "/";
  ASSERT_TRUE(store_.WriteString("GameDir", path));
  EXPECT_EQ(FileText(), "[PELUNA2]\nGameDir=" + path + "\n");
  EXPECT_EQ(store_.ReadString("GameDir", ""), path);
}

TEST_F(SettingsStoreTest, WritesKeepTheFileModeAndASymbolicLink) {
  ASSERT_TRUE(store_.WriteInteger("BGM", 1));
  ASSERT_EQ(chmod(store_.FilePath().c_str(), 0640), 0);
  ASSERT_TRUE(store_.WriteInteger("BGM", 2));
  EXPECT_EQ(StatusOf(store_.FilePath()).st_mode & 07777, 0640u);

  const mode_t oldMask = umask(022);
  SettingsStore fresh(dir_ / "fresh");
  const bool written = fresh.WriteInteger("BGM", 1);
  umask(oldMask);
  ASSERT_TRUE(written);
  EXPECT_EQ(StatusOf(fresh.FilePath()).st_mode & 07777, 0644u);  // as any new file

  testing::WriteFileText(dir_ / "dotfiles" / "peluna2.ini", "[PELUNA2]\nBGM=1\n");
  fs::create_directories(dir_ / "linked");
  fs::create_symlink("../dotfiles/peluna2.ini", dir_ / "linked" / "peluna2.ini");
  SettingsStore linked(dir_ / "linked");
  ASSERT_TRUE(linked.WriteInteger("BGM", 3));
  EXPECT_TRUE(fs::is_symlink(linked.FilePath()));
  EXPECT_EQ(ReadText(dir_ / "dotfiles" / "peluna2.ini"), "[PELUNA2]\nBGM=3\n");
}

TEST_F(SettingsStoreTest, AWriteRemovesTemporariesThatInterruptedWritesLeft) {
  testing::WriteFileText(dir_ / ".peluna2.ini.Ab3dEf", "[PELUNA2]\nBG");
  fs::last_write_time(dir_ / ".peluna2.ini.Ab3dEf",
                      fs::file_time_type::clock::now() - std::chrono::hours(2));
  testing::WriteFileText(dir_ / ".peluna2.ini.Gh5jKl", "[PELUNA2]\nBG");  // may be in progress

  ASSERT_TRUE(store_.WriteInteger("BGM", 1));

  EXPECT_FALSE(fs::exists(dir_ / ".peluna2.ini.Ab3dEf"));
  EXPECT_TRUE(fs::exists(dir_ / ".peluna2.ini.Gh5jKl"));
}

TEST_F(SettingsStoreTest, FailedWriteLeavesTheOldFileWhole) {
  ASSERT_TRUE(store_.WriteInteger("BGM", 1));
  const std::string before = FileText();

  // A file size limit stops the new file part-way through, whoever runs the test.
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit limited = old;
  limited.rlim_cur = before.size();
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const bool written = store_.WriteString("GameDir", std::string(100, 'x'));
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(written);
  EXPECT_EQ(FileText(), before);
  EXPECT_EQ(EntriesIn(dir_.Path()), 1u);
}

TEST_F(SettingsStoreTest, UnwritableFolderFailsAndKeepsTheOldFile) {
  testing::WriteFileText(dir_ / "plain-file", "x");
  SettingsStore impossible(dir_ / "plain-file" / "velmora");
  EXPECT_FALSE(impossible.WriteInteger("BGM", 1));

  if (geteuid() == 0) return;  // permissions do not stop root; the case above covers it
  ASSERT_TRUE(store_.WriteInteger("BGM", 1));
  const std::string before = FileText();
  fs::permissions(dir_.Path(), fs::perms::owner_read | fs::perms::owner_exec);
  const bool written = store_.WriteInteger("BGM", 0);
  fs::permissions(dir_.Path(), fs::perms::owner_all);
  EXPECT_FALSE(written);
  EXPECT_EQ(FileText(), before);
}

// Sets environment variables for one scope; nullptr unsets.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::initializer_list<std::pair<const char*, const char*>> values) {
    for (const auto& [name, value] : values) {
      const char* old = std::getenv(name);
      saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
      Set(name, value);
    }
  }
  ~ScopedEnvironment() {
    for (const auto& [name, value] : saved_) Set(name.c_str(), value ? value->c_str() : nullptr);
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  static void Set(const char* name, const char* value) {
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(SettingsFolderTest, ArgumentBeatsEnvironmentBeatsXdgBeatsHome) {
  const struct {
    std::optional<fs::path> argument;
    const char* tolvenConfigDir;
    const char* xdgConfigHome;
    const char* expected;
  } cases[] = {
      {"/arg", "/env", "/xdg", "/arg"},
      {std::nullopt, "/env", "/xdg", "/env"},
      {"", "/env", "/xdg", "/env"},
      {std::nullopt, nullptr, "/xdg", "/xdg/velmora"},
      {std::nullopt, "", "", "/home/u/.config/velmora"},
      {std::nullopt, nullptr, "relative/xdg", "/home/u/.config/velmora"},
  };
  for (const auto& c : cases) {
    ScopedEnvironment environment({{"TOLVEN_CONFIG_DIR", c.tolvenConfigDir},
                                   {"XDG_CONFIG_HOME", c.xdgConfigHome},
                                   {"HOME", "/home/u"}});
    EXPECT_EQ(SettingsStore::ForUser(c.argument).FilePath(), fs::path(c.expected) / "peluna2.ini")
        << c.expected;
  }
}

}  // namespace
}  // namespace tolven
