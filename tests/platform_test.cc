#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "platform/dos_time.h"
#include "platform/platform.h"
#include "platform/posix_paths.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "platform/wildcard.h"
#include "support/temp_dir.h"

namespace quarvel {
namespace {

TEST(Cp932, RoundTripsKanjiWithTrailByte5C) {
  const std::string hyo = "\x95\x5c";  // 表
  std::string utf8, back;
  ASSERT_TRUE(Cp932ToUtf8(hyo + "A", &utf8));
  EXPECT_EQ(utf8, "\xE8\xA1\xA8" "A");
  ASSERT_TRUE(Utf8ToCp932(utf8, &back));
  EXPECT_EQ(back, hyo + "A");
  EXPECT_FALSE(Utf8ToCp932("\xF0\x9F\x98\x80", &back));  // an emoji has no CP932 form
  EXPECT_TRUE(EndsWithSingleByte("a\\", '\\'));
  EXPECT_FALSE(EndsWithSingleByte(hyo, '\\'));
  EXPECT_EQ(SjisAsciiUpper("ab\x82" "a.sst"), "AB\x82" "a.SST");
}

TEST(Wildcard, MatchesWholeNameWithoutRegardToCase) {
  EXPECT_TRUE(WildcardMatch("*.SST", "menu.sst"));
  EXPECT_FALSE(WildcardMatch("*.SST", "menu.sstx"));
  EXPECT_TRUE(WildcardMatch("*.*", "NODOT"));
  EXPECT_TRUE(WildcardMatch("*", "a.b.c"));
  EXPECT_FALSE(WildcardMatch("", "a"));
  EXPECT_TRUE(WildcardMatch("A?C", "a\x95\x5c" "c"));  // ? takes a double-byte character whole
  EXPECT_FALSE(WildcardMatch("A??C", "a\x95\x5c" "c"));
  EXPECT_TRUE(WildcardMatch("*.K*G", "x.KAAG"));
}

TEST(DosStamp, RoundTripsAndClampsBefore1980) {
  const std::uint32_t stamp = MakeDosStamp(2024, 2, 29, 13, 45, 58);
  EXPECT_EQ(DosStampFromTime(TimeFromDosStamp(stamp)), stamp);
  EXPECT_EQ(DosStampFromTime(0), MakeDosStamp(1980, 1, 1, 0, 0, 0));
  EXPECT_EQ(TimeFromDosStamp(MakeDosStamp(2024, 13, 1, 0, 0, 0)), static_cast<std::time_t>(-1));
}

TEST(Profile, FindsKeysAsPrivateProfilesDo) {
  const std::string text =
      "; comment\n[Other]\nGL_sys_dir=wrong\n[ tovlin ]\n  gl_SYS_dir  =  /menu/dir  \n"
      "GL_sys_dir=second\nGL_sys_fname=\"quoted name\"\nempty=\n";
  std::string v;
  ASSERT_TRUE(ParseProfileValue(text, "Tovlin", "GL_sys_dir", &v));
  EXPECT_EQ(v, "/menu/dir");
  ASSERT_TRUE(ParseProfileValue(text, "Tovlin", "GL_sys_fname", &v));
  EXPECT_EQ(v, "quoted name");
  ASSERT_TRUE(ParseProfileValue(text, "Tovlin", "empty", &v));
  EXPECT_EQ(v, "");
  EXPECT_FALSE(ParseProfileValue(text, "Tovlin", "missing", &v));
}

TEST(PosixPlatform, ResolvesLastComponentWithoutRegardToCase) {
  TempDir dir;
  WriteFile(dir.path() + "Menu.SST", "x");
  Platform& host = NativePlatform();
  std::uint32_t attrs = 0;
  EXPECT_EQ(host.GetAttributes(dir.path() + "MENU.sst", &attrs), 0);
  const int fd = host.Open(dir.path() + "menu.sst", OpenMode::kRead);
  ASSERT_GE(fd, 0);
  host.Close(fd);
  // Creating under another case opens the existing file instead of making a second one.
  const int w = host.Open(dir.path() + "MENU.SST", OpenMode::kReadWriteCreate);
  ASSERT_GE(w, 0);
  host.Close(w);
  EXPECT_FALSE(Exists(dir.path() + "MENU.SST"));
  // A rename never replaces, also not a name that differs in case only.
  WriteFile(dir.path() + "other", "y");
  EXPECT_NE(host.Rename(dir.path() + "other", dir.path() + "menu.sst"), 0);
  EXPECT_EQ(ReadFile(dir.path() + "Menu.SST"), "x");
  EXPECT_EQ(host.ReplaceFile(dir.path() + "other", dir.path() + "menu.sst"), 0);
  EXPECT_EQ(ReadFile(dir.path() + "Menu.SST"), "y");
  EXPECT_EQ(host.Remove(dir.path() + "MENU.SST"), 0);
  EXPECT_EQ(host.Remove(dir.path() + "MENU.SST"), kPlatformNotFound);
}

TEST(PosixPlatform, CaseResolutionFollowsChangesOfTheDirectory) {
  TempDir dir;
  const std::string d = dir.Sub("menu");
  WriteFile(d + "Menu.SST", "x");
  const auto age = [&](int seconds) {
    std::filesystem::last_write_time(d, std::filesystem::file_time_type::clock::now() - std::chrono::seconds(seconds));
  };
  age(100);
  Platform& host = NativePlatform();
  std::uint32_t attrs = 0;
  ASSERT_EQ(host.GetAttributes(d + "MENU.SST", &attrs), 0);  // indexes the still directory
  // A change made behind the platform's back shows in the directory's time.
  std::filesystem::rename(d + "Menu.SST", d + "mENU.sst");
  age(50);
  const int fd = host.Open(d + "MENU.SST", OpenMode::kRead);
  ASSERT_GE(fd, 0);
  host.Close(fd);
  EXPECT_EQ(host.Rename(d + "menu.sst", d + "Other.KKK"), 0);
  EXPECT_TRUE(Exists(d + "Other.KKK"));
  // The platform's own changes keep the index right.
  EXPECT_EQ(host.GetAttributes(d + "menu.sst", &attrs), kPlatformNotFound);
  EXPECT_EQ(host.GetAttributes(d + "OTHER.kkk", &attrs), 0);
  const int w = host.Open(d + "New.SST", OpenMode::kReadWriteCreate);
  ASSERT_GE(w, 0);
  host.Close(w);
  EXPECT_EQ(host.GetAttributes(d + "NEW.sst", &attrs), 0);
  EXPECT_EQ(host.Remove(d + "new.SST"), 0);
  EXPECT_EQ(host.GetAttributes(d + "NEW.sst", &attrs), kPlatformNotFound);
}

TEST(PosixPlatform, FindFilesListsRegularVisibleFilesSorted) {
  TempDir dir;
  for (const char* n : {"b.sst", "A.SST", "a.SST", ".hidden.sst", "c.ssd", "C.SST"}) WriteFile(dir.path() + n, "");
  dir.Sub("d.sst");
  std::vector<FoundFile> found;
  ASSERT_EQ(NativePlatform().FindFiles(dir.path() + "*.SST", &found), 0);
  std::vector<std::string> names;
  for (const auto& f : found) names.push_back(f.name);
  EXPECT_EQ(names, (std::vector<std::string>{"A.SST", "a.SST", "b.sst", "C.SST"}));
  ASSERT_EQ(NativePlatform().FindFiles(dir.path() + "missing/*.*", &found), 0);
  EXPECT_TRUE(found.empty());
}

TEST(PosixPlatform, AttributesAndStampsMapOntoModeAndTime) {
  TempDir dir;
  const std::string f = dir.path() + "f";
  WriteFile(f, "data");
  Platform& host = NativePlatform();
  ASSERT_EQ(host.SetAttributes(f, kAttrReadOnly), 0);
  std::uint32_t attrs = 0;
  ASSERT_EQ(host.GetAttributes(f, &attrs), 0);
  EXPECT_EQ(attrs, kAttrReadOnly);
  ASSERT_EQ(host.SetAttributes(f, 0), 0);
  ASSERT_EQ(host.GetAttributes(f, &attrs), 0);
  EXPECT_EQ(attrs, 0u);
  const std::uint32_t stamp = MakeDosStamp(2001, 7, 4, 9, 30, 12);
  SetStamp(f, stamp);
  std::uint32_t got = 0;
  ASSERT_EQ(host.GetStamp(f, &got), 0);
  EXPECT_EQ(got, stamp);
  EXPECT_EQ(host.GetAttributes(dir.path() + "nope", &attrs), kPlatformNotFound);
}

}  // namespace
}  // namespace quarvel
