// The lock file is the one file an import writes that the diff does not name: it must never carry its
// label into a file that something else has under that name.
#include "engine/import/dir_lock.h"

#include <gtest/gtest.h>

#include <filesystem>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "fileio/fileio.h"
#include "fileio/work_names.h"
#include "support/host_rules.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace quarvel {
namespace {

TEST(DirLock, AHardLinkUnderTheLockNameIsNeverWrittenThrough) {
  TempDir dir;
  const std::string menu = dir.Sub("menu");
  const std::string outside = dir.path() + "outside.txt";
  WriteFile(outside, "precious");
  std::error_code ec;
  std::filesystem::create_hard_link(outside, menu + kLockName, ec);
  if (ec) GTEST_SKIP() << "no hard links here: " << ec.message();
  DirLock lock;
  EXPECT_EQ(lock.Take(menu), ImportRefusal::kLockLinked);
  EXPECT_EQ(ReadFile(outside), "precious");
  EXPECT_EQ(ReadFile(menu + kLockName), "precious");
  EXPECT_EQ(lock.fd(), -1);
}

TEST(DirLock, AStaleLockOfThisUserIsTakenOverAndANewOneMadeExclusively) {
  TempDir dir;
  const std::string menu = dir.Sub("menu");
  WriteFile(menu + kLockName, "left by a crashed import");
  {
    DirLock lock;
    ASSERT_EQ(lock.Take(menu), ImportRefusal::kNone);
    EXPECT_EQ(ReadFile(menu + kLockName).compare(0, 4, "pid "), 0);
  }
  EXPECT_FALSE(Exists(menu + kLockName));
  DirLock lock;
  ASSERT_EQ(lock.Take(menu), ImportRefusal::kNone);
  DirLock second;
  EXPECT_EQ(second.Take(menu), ImportRefusal::kImportRunning);
}

TEST(DirLock, WhatStandsUnderTheLockNameIsNamedInTheRefusal) {
  POSIX_HOST_ONLY("FIFOs and files of other users");
#ifndef _WIN32
  TempDir dir;
  const std::string menu = dir.Sub("menu");
  ASSERT_EQ(::mkfifo((menu + kLockName).c_str(), 0644), 0);
  DirLock lock;
  EXPECT_EQ(lock.Take(menu), ImportRefusal::kLockIsSpecial);
  std::filesystem::remove(menu + kLockName);
  if (::geteuid() != 0) GTEST_SKIP() << "a file of another user needs root to make";
  WriteFile(menu + kLockName, "pid 1 on elsewhere");
  ASSERT_EQ(::chown((menu + kLockName).c_str(), 65534, 65534), 0);
  EXPECT_EQ(lock.Take(menu), ImportRefusal::kLockOfOtherUser);
  EXPECT_EQ(ReadFile(menu + kLockName), "pid 1 on elsewhere");
#endif
}

}  // namespace
}  // namespace quarvel
