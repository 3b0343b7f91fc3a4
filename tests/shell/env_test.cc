#include "shell/env.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "shell/paths.h"
#include "support/temp_dir.h"
#include "support/host_rules.h"

namespace quarvel {
namespace {

// Points the settings file at a scratch directory and restores the environment afterwards.
class EnvTest : public ::testing::Test {
 protected:
#ifdef _WIN32
  // Windows reads the settings file from its own directory.
  void SetUp() override {
    const char* windows = std::getenv("WINDIR");
    settings_ = std::string(windows != nullptr ? windows : "C:\\windows") + "\\";
    std::remove((settings_ + "TOVLIN.INI").c_str());
    saved_ = Env();
  }
  void TearDown() override {
    std::remove((settings_ + "TOVLIN.INI").c_str());
    Env() = saved_;
  }
#else
  void SetUp() override {
    settings_ = dir_.path();
    const char* old = std::getenv("XDG_CONFIG_HOME");
    had_xdg_ = old != nullptr;
    if (had_xdg_) old_xdg_ = old;
    setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
    saved_ = Env();
  }
  void TearDown() override {
    if (had_xdg_) {
      setenv("XDG_CONFIG_HOME", old_xdg_.c_str(), 1);
    } else {
      unsetenv("XDG_CONFIG_HOME");
    }
    Env() = saved_;
  }
#endif
  void Args(std::vector<const char*> a) {
    a.insert(a.begin(), "quarvel");
    StoreArguments(static_cast<int>(a.size()), a.data());
  }
  TempDir dir_;
  std::string settings_;  // where the settings file is read from
  bool had_xdg_ = false;
  std::string old_xdg_;
  Environment saved_;
};

TEST_F(EnvTest, DefaultsToProgramDirectoryWithoutSettings) {
  Args({});
  EXPECT_FALSE(EnvInit());
  EXPECT_FALSE(Env().programDir.empty());
  EXPECT_EQ(Env().programDir.back(), kDirSep);
  EXPECT_EQ(Env().GL_sys_dir, Env().programDir);
  EXPECT_EQ(Env().GL_sys_fname, "");
  EXPECT_FALSE(IsOldPlatform());
}

TEST_F(EnvTest, SwitchesWinOverSettingsAndMatchExactly) {
  WriteFile(settings_ + "TOVLIN.INI", "[Tovlin]\nGL_sys_dir=" + HostPath("/From/ini") + "\nGL_sys_fname=name\n");
  const std::string other = "-m" + HostPath("/lower"), menu = "-M" + HostPath("/Menu/Dir");
  Args({other.c_str(), menu.c_str(), "-Sfile"});
  EXPECT_TRUE(EnvInit());
#ifdef _WIN32
  EXPECT_EQ(Env().GL_sys_dir, HostPath("/menu/dir/"));  // separator added; lower case, as Windows ignores case
#else
  EXPECT_EQ(Env().GL_sys_dir, "/Menu/Dir/");  // separator added; case kept
#endif
  EXPECT_EQ(Env().GL_sys_fname, "file");

  Args({});
  EXPECT_TRUE(ReadSettings());
  EXPECT_EQ(Env().GL_sys_dir, HostPath("/From/ini"));  // a settings value is taken as it stands
  EXPECT_EQ(MenuPath("A", "SST"), HostPath("/From/ini/A.SST"));
  EXPECT_EQ(MenuPath("A", ".SSV"), HostPath("/From/ini/A.SSV"));
  EXPECT_EQ(MenuPath("", ""), HostPath("/From/ini/"));
}

TEST_F(EnvTest, OverlongSwitchIsIgnored) {
  const std::string longer = "-M/" + std::string(300, 'x');
  Args({longer.c_str()});
  std::string v = "kept";
  EXPECT_FALSE(FindSwitch('M', &v));
  EXPECT_EQ(v, "kept");
}

TEST_F(EnvTest, MenuPathAddsRealSeparatorAfterTrailByte5C) {
  Env().GL_sys_dir = HostPath("/menu\x95\x5c");
  EXPECT_EQ(MenuPath("A", "SST"), HostPath("/menu\x95\x5c/A.SST"));
  Env().GL_sys_dir = "";
  EXPECT_EQ(MenuPath("A", "SST"), "A.SST");
}

TEST_F(EnvTest, SetMenuDirFromPathSplitsDirectoryAndName) {
  SetMenuDirFromPath("/work/menu/");
  EXPECT_EQ(Env().GL_sys_dir, "/work/menu/");
  EXPECT_EQ(Env().GL_sys_fname, "");
  SetMenuDirFromPath("/work/menu/MAIN.SST");
  EXPECT_EQ(Env().GL_sys_dir, "/work/menu/");
  EXPECT_EQ(Env().GL_sys_fname, "MAIN");
}

TEST(Paths, TrailingSeparatorRespectsDoubleByteCharacters) {
  std::string p;
  AddTrailingSeparator(p);
  EXPECT_EQ(p, std::string(1, kDirSep));
  p = HostPath("/menu\x95\x5c");
  RemoveTrailingSeparator(p);
  EXPECT_EQ(p, HostPath("/menu\x95\x5c"));
  AddTrailingSeparator(p);
  EXPECT_EQ(p, HostPath("/menu\x95\x5c/"));
  RemoveTrailingSeparator(p);
  EXPECT_EQ(p, HostPath("/menu\x95\x5c"));
  EXPECT_EQ(DirectoryPart(HostPath("/a/b\x95\x5c" "c")), HostPath("/a/"));
  EXPECT_EQ(NamePart(HostPath("/a/b\x95\x5c" "c")), "b\x95\x5c" "c");
}

}  // namespace
}  // namespace quarvel
