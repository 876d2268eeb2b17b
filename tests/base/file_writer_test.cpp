#include "base/file_writer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <set>
#include <vector>

#include "test_support.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

std::string ReadText(const fs::path& path) {
  const std::vector<uint8_t> bytes = testing::ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

std::set<std::string> NamesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

mode_t ModeOf(const fs::path& path) {
  struct stat status {};
  EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
  return status.st_mode & 07777;
}

void MakeOld(const fs::path& path) {
  fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(2));
}

// Sets the umask for one scope.
class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask) : old_(umask(mask)) {}
  ~ScopedUmask() { umask(old_); }
  ScopedUmask(const ScopedUmask&) = delete;
  ScopedUmask& operator=(const ScopedUmask&) = delete;

 private:
  mode_t old_;
};

TEST(WriteFileAtomicallyTest, ReplacesTheWholeContentAndLeavesNothingElse) {
  const struct {
    const char* name;
    std::optional<std::string> before;
    std::string after;
  } cases[] = {
      {"new file", std::nullopt, "fresh\n"},
      {"longer", "old", "a longer new content\n"},
      {"shorter", "a long old content that must not linger", "new"},
      {"empty", "old", ""},
      {"empty new file", std::nullopt, ""},
      {"binary", "old", std::string("\0\xff\n\r\0", 5)},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const fs::path file = dir / "f.dat";
    if (c.before) testing::WriteFileText(file, *c.before);
    std::string error = "untouched";

    EXPECT_TRUE(WriteFileAtomically(file, c.after, &error)) << c.name << ": " << error;

    EXPECT_EQ(ReadText(file), c.after) << c.name;
    EXPECT_EQ(error, "untouched") << c.name;
    EXPECT_EQ(NamesIn(dir.Path()), std::set<std::string>{"f.dat"}) << c.name;
  }

  TempDir dir;
  const std::vector<uint8_t> bytes = {0, 1, 2, 254, 255};
  ASSERT_TRUE(WriteFileAtomically(dir / "b", std::span<const uint8_t>(bytes)));
  EXPECT_EQ(testing::ReadFileBytes(dir / "b"), bytes);
}

TEST(WriteFileAtomicallyTest, AFailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
  const bool root = geteuid() == 0;
  const struct {
    const char* name;
    std::function<fs::path(const fs::path& dir)> setUp;  // returns the path to write
    bool needsNonRoot = false;                           // root ignores permission bits
    bool sizeLimit = false;  // a file size limit stops the write part-way, whoever runs this
  } cases[] = {
      {"missing folder", [](const fs::path& dir) { return dir / "missing" / "f"; }, false},
      {"target is a folder",
       [](const fs::path& dir) {
         fs::create_directory(dir / "f");
         return dir / "f";
       },
       false},
      {"path names a folder", [](const fs::path& dir) { return dir / ""; }, false},
      {"links in a loop",
       [](const fs::path& dir) {
         fs::create_symlink("b", dir / "a");
         fs::create_symlink("a", dir / "b");
         return dir / "a";
       },
       false},
      {"file size limit reached part-way",
       [](const fs::path& dir) {
         testing::WriteFileText(dir / "f", "old");
         return dir / "f";
       },
       false, true},
      {"read-only folder",
       [](const fs::path& dir) {
         testing::WriteFileText(dir / "f", "old");
         fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
         return dir / "f";
       },
       true},
      {"read-only file",
       [](const fs::path& dir) {
         testing::WriteFileText(dir / "f", "old");
         fs::permissions(dir / "f", fs::perms::owner_read);
         return dir / "f";
       },
       true},
  };
  for (const auto& c : cases) {
    if (c.needsNonRoot && root) continue;
    TempDir dir;
    const fs::path path = c.setUp(dir.Path());
    const std::set<std::string> namesBefore = NamesIn(dir.Path());
    std::error_code ignored;
    const bool hadFile = fs::is_regular_file(path, ignored);
    const std::string before = hadFile ? ReadText(path) : "";

    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit limited = old;
    if (c.sizeLimit) limited.rlim_cur = 100;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    std::string error;
    const bool written = WriteFileAtomically(path, std::string(1000, 'n'), &error);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    fs::permissions(dir.Path(), fs::perms::owner_all);

    EXPECT_FALSE(written) << c.name;
    EXPECT_TRUE(error.starts_with(path.string() + ": cannot be written (")) << c.name << error;
    EXPECT_TRUE(error.ends_with(")")) << c.name << error;
    if (hadFile) {
      EXPECT_EQ(ReadText(path), before) << c.name;
    }
    EXPECT_EQ(NamesIn(dir.Path()), namesBefore) << c.name;
  }

  TempDir dir;
  std::string error;
  EXPECT_FALSE(WriteFileAtomically(dir / "no" / "f", "x", &error));
  EXPECT_EQ(error, (dir / "no" / "f").string() + ": cannot be written (No such file or directory)");
  EXPECT_FALSE(WriteFileAtomically(dir / "no" / "f", "x"));  // no place for the reason is fine
}

TEST(WriteFileAtomicallyTest, KeepsThePermissionsAnOverwriteWouldKeep) {
  for (const mode_t mode : {0600, 0640, 0644, 0664, 0755, 0604}) {
    TempDir dir;
    testing::WriteFileText(dir / "f", "old");
    ASSERT_EQ(chmod((dir / "f").c_str(), mode), 0);
    ASSERT_TRUE(WriteFileAtomically(dir / "f", "new"));
    EXPECT_EQ(ModeOf(dir / "f"), mode) << std::oct << mode;
  }

  // A new file is made as open(O_CREAT, 0666) makes one.
  for (const mode_t mask : {022, 027, 077, 002}) {
    TempDir dir;
    ScopedUmask scoped(mask);
    ASSERT_TRUE(WriteFileAtomically(dir / "f", "new"));
    EXPECT_EQ(ModeOf(dir / "f"), 0666 & ~mask) << std::oct << mask;
  }
}

TEST(WriteFileAtomicallyTest, WritesThroughSymbolicLinksAndKeepsThem) {
  const struct {
    const char* name;
    std::vector<std::pair<const char*, const char*>> links;  // link name, what it holds
    const char* finalTarget;
    bool targetExists;
  } cases[] = {
      {"relative", {{"config/f", "../data/real"}}, "data/real", true},
      {"absolute", {{"config/f", "@/data/real"}}, "data/real", true},
      {"chain", {{"config/f", "g"}, {"config/g", "../data/real"}}, "data/real", true},
      {"dangling", {{"config/f", "../data/real"}}, "data/real", false},
  };
  for (const auto& c : cases) {
    TempDir dir;
    fs::create_directories(dir / "config");
    fs::create_directories(dir / "data");
    if (c.targetExists) {
      testing::WriteFileText(dir / c.finalTarget, "old");
      ASSERT_EQ(chmod((dir / c.finalTarget).c_str(), 0640), 0);
    }
    for (const auto& [link, holds] : c.links) {
      const std::string text = holds[0] == '@' ? (dir.Path() / (holds + 2)).string() : holds;
      fs::create_symlink(text, dir / link);
    }

    ASSERT_TRUE(WriteFileAtomically(dir / "config/f", "new")) << c.name;

    EXPECT_EQ(ReadText(dir / c.finalTarget), "new") << c.name;
    for (const auto& [link, holds] : c.links) {
      EXPECT_TRUE(fs::is_symlink(dir / link)) << c.name << " " << link;
    }
    if (c.targetExists) {
      EXPECT_EQ(ModeOf(dir / c.finalTarget), 0640u) << c.name;
    }
    EXPECT_EQ(NamesIn(dir / "data"), std::set<std::string>{"real"}) << c.name;
    EXPECT_EQ(NamesIn(dir / "config").size(), c.links.size()) << c.name;
  }
}

TEST(RemoveStaleTemporariesTest, RemovesOnlyOldTemporariesOfThatFile) {
  TempDir dir;
  testing::WriteFileText(dir / "f.ini", "content");
  const struct {
    const char* name;
    bool directory;
    bool old;
    bool removed;
  } entries[] = {
      {".f.ini.Ab3dEf", false, true, true},  // ours, interrupted long ago
      {".f.ini.ZZZZZZ", false, true, true},
      {".f.ini.Gh5jKl", false, false, false},  // ours, but perhaps a write in progress
      {".f.ini.Ab3dE", false, true, false},    // one character short
      {".f.ini.Ab3dEf7", false, true, false},  // one character long
      {".f.ini.Ab-dEf", false, true, false},   // not from the random alphabet
      {".g.ini.Ab3dEf", false, true, false},   // another file's
      {"f.ini.Ab3dEf", false, true, false},    // not hidden
      {".f.ini.Mn6pQr", true, true, false},    // a folder
  };
  for (const auto& entry : entries) {
    if (entry.directory) {
      fs::create_directory(dir / entry.name);
    } else {
      testing::WriteFileText(dir / entry.name, "partial");
    }
    if (entry.old) MakeOld(dir / entry.name);
  }
  fs::create_symlink("f.ini", dir / ".f.ini.St7vWx");  // a link is never one of ours

  EXPECT_EQ(RemoveStaleTemporaries(dir / "f.ini"), 2u);

  for (const auto& entry : entries) {
    EXPECT_EQ(fs::exists(dir / entry.name), !entry.removed) << entry.name;
  }
  EXPECT_TRUE(fs::is_symlink(dir / ".f.ini.St7vWx"));
  EXPECT_EQ(ReadText(dir / "f.ini"), "content");
}

TEST(RemoveStaleTemporariesTest, LooksBesideTheFileALinkLeadsTo) {
  TempDir dir;
  fs::create_directories(dir / "config");
  fs::create_directories(dir / "data");
  testing::WriteFileText(dir / "data/real", "content");
  fs::create_symlink("../data/real", dir / "config/f");
  testing::WriteFileText(dir / "data/.real.Ab3dEf", "partial");
  MakeOld(dir / "data/.real.Ab3dEf");

  EXPECT_EQ(RemoveStaleTemporaries(dir / "config/f"), 1u);
  EXPECT_EQ(NamesIn(dir / "data"), std::set<std::string>{"real"});
  EXPECT_EQ(RemoveStaleTemporaries(dir / "missing" / "f"), 0u);
}

// Age is measured against the file itself, whose time the file system set when it was written.
TEST(RemoveStaleTemporariesTest, AgeCountsFromTheFilesOwnTime) {
  TempDir dir;
  testing::WriteFileText(dir / "f.ini", "content");
  testing::WriteFileText(dir / ".f.ini.Ab3dEf", "partial");
  MakeOld(dir / ".f.ini.Ab3dEf");
  MakeOld(dir / "f.ini");
  EXPECT_EQ(RemoveStaleTemporaries(dir / "f.ini"), 0u) << "as old as the file: not stale";
  testing::WriteFileText(dir / "f.ini", "rewritten");
  EXPECT_EQ(RemoveStaleTemporaries(dir / "f.ini"), 1u);
}

}  // namespace
}  // namespace tolven
