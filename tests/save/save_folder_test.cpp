#include "save/save_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "test_support.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;

class SaveFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr) savedDataHome_ = data;
    setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
  }
  void TearDown() override {
    if (savedDataHome_) {
      setenv("XDG_DATA_HOME", savedDataHome_->c_str(), 1);
    } else {
      unsetenv("XDG_DATA_HOME");
    }
    std::error_code error;
    fs::permissions(dir_ / "locked", fs::perms::owner_all, error);
  }

  testing::TempDir dir_;
  std::optional<std::string> savedDataHome_;
};

TEST_F(SaveFolderTest, TheArgumentWinsThenTheGameFolderThenTheDataHome) {
  fs::create_directories(dir_ / "game");
  fs::create_directories(dir_ / "filed");
  testing::WriteFileText(dir_ / "filed" / "save", "not a folder");
  EXPECT_EQ(ResolveSaveFolder(dir_ / "mine", dir_ / "game"), dir_ / "mine");
  EXPECT_EQ(ResolveSaveFolder(std::nullopt, dir_ / "game"), dir_ / "game" / "save")
      << "a writable game folder holds the saves even before the folder exists";
  EXPECT_FALSE(fs::exists(dir_ / "game" / "save")) << "nothing is created";
  EXPECT_EQ(ResolveSaveFolder(std::nullopt, dir_ / "filed"), dir_ / "data" / "tolven" / "filed")
      << "a file named save is not a folder to save in";
  EXPECT_EQ(ResolveSaveFolder(fs::path(), dir_ / "game"), dir_ / "game" / "save")
      << "an empty argument counts as none";
}

TEST_F(SaveFolderTest, AGameFolderThePlayerCannotWriteSendsSavesToTheDataHome) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  fs::create_directories(dir_ / "locked");
  fs::permissions(dir_ / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_EQ(ResolveSaveFolder(std::nullopt, dir_ / "locked"), dir_ / "data" / "tolven" / "locked");
  EXPECT_EQ(ResolveSaveFolder(std::nullopt, dir_ / "locked" / "."),
            dir_ / "data" / "tolven" / "locked")
      << "the folder's own name, not the dot";
}

}  // namespace
}  // namespace tolven
