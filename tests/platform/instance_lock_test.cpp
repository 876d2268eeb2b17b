// The single-instance lock: one holder per file, released with its holder.
#include "platform/instance_lock.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace tolven {
namespace {

using Outcome = InstanceLock::Outcome;

TEST(InstanceLockTest, SecondLockOnTheSameFileFailsUntilTheFirstGoes) {
  testing::TempDir dir;
  const auto file = dir / InstanceLock::kFileName;
  {
    InstanceLock first(file);
    ASSERT_EQ(first.State(), Outcome::Taken);
    EXPECT_EQ(InstanceLock(file).State(), Outcome::HeldElsewhere);
    // Moving the lock keeps it held; only the last owner releases it.
    InstanceLock moved(std::move(first));
    EXPECT_EQ(InstanceLock(file).State(), Outcome::HeldElsewhere);
  }
  EXPECT_EQ(InstanceLock(file).State(), Outcome::Taken);
}

TEST(InstanceLockTest, AFolderThatCannotHoldTheFileIsUnavailable) {
  testing::TempDir dir;
  EXPECT_EQ(InstanceLock(dir / "missing" / InstanceLock::kFileName).State(), Outcome::Unavailable);
}

TEST(InstanceLockTest, UsesTheRuntimeFolderWhenGiven) {
  testing::TempDir dir;
  InstanceLock held(dir / InstanceLock::kFileName);
  ASSERT_EQ(held.State(), Outcome::Taken);
  EXPECT_EQ(InstanceLock::ForUser(dir.Path().c_str()).State(), Outcome::HeldElsewhere);
}

TEST(InstanceLockTest, FallsBackToTmpWhenTheRuntimeFolderIsUnusable) {
  testing::TempDir dir;
  const std::string missing = (dir / "missing").string();
  for (const char* runtime : {missing.c_str(), "relative/folder", ""}) {
    // Another run on this machine may hold the /tmp lock: then it is held elsewhere.
    EXPECT_NE(InstanceLock::ForUser(runtime).State(), Outcome::Unavailable) << runtime;
  }
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path("/tmp") / InstanceLock::kFileName));
}

}  // namespace
}  // namespace tolven
