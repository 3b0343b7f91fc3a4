#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/dos_time.h"
#include "platform/platform.h"
#include "platform/posix_paths.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "platform/wildcard.h"
#include "support/temp_dir.h"
#include "support/host_rules.h"

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

// Code page 932 holds some characters twice: the NEC-selected IBM extensions (lead bytes 0xED, 0xEE)
// and NEC row 13 (0x87) repeat characters of the IBM extensions (0xFA-0xFC) and of the JIS rows.
// Either spelling opens the file, as both convert to one Unicode character; a listing gives the name in
// the one form that converts back, on both hosts alike: an IBM extension over its NEC-selected
// twin, NEC row 13 and JIS over an IBM extension.
TEST(Cp932, DuplicateCharactersComeBackFromAListingInTheirCanonicalForm) {
  const struct {
    const char* made;
    const char* listed;
  } cases[] = {
      {"\xED\x40", "\xFA\x5C"},  // 纊, NEC-selected IBM extension: listed as the IBM one
      {"\xFA\x5C", "\xFA\x5C"},  // 纊, IBM extension (its trail byte is "\")
      {"\xFA\x4A", "\x87\x54"},  // Ⅰ, IBM extension: listed as NEC row 13
      {"\xEE\xF9", "\x81\xCA"},  // ¬, NEC-selected IBM extension: listed as JIS
      {"\xFA\x54", "\x81\xCA"},  // ¬, IBM extension: listed as JIS
  };
  Platform& host = NativePlatform();
  for (const auto& c : cases) {
    SCOPED_TRACE(Cp932ToUtf8Lossy(c.made));
    std::string utf8, back;
    ASSERT_TRUE(Cp932ToUtf8(c.made, &utf8));
    ASSERT_TRUE(Utf8ToCp932(utf8, &back));
    EXPECT_EQ(back, c.listed);
    TempDir dir;
    const std::string made = std::string(c.made) + "A.TXT";
    const std::string listed = std::string(c.listed) + "A.TXT";
    const int fd = host.Open(dir.path() + made, OpenMode::kCreateNew);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(host.Close(fd), 0);
    std::vector<FoundFile> found;
    ASSERT_EQ(host.FindFiles(dir.path() + "*.*", &found), 0);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, listed);
    // Looked up under either spelling, the file is the one of the listing.
    for (const std::string& name : {made, listed}) {
      std::vector<std::string> names;
      ASSERT_EQ(host.FindNames(dir.path() + name, &names), 0);
      EXPECT_EQ(names, std::vector<std::string>{listed});
      std::uint32_t attrs = 1;
      EXPECT_EQ(host.GetAttributes(dir.path() + name, &attrs), 0);
      const int r = host.Open(dir.path() + name, OpenMode::kRead);
      EXPECT_GE(r, 0);
      if (r >= 0) host.Close(r);
      EXPECT_LT(host.Open(dir.path() + name, OpenMode::kCreateNew), 0);
    }
    EXPECT_EQ(host.Remove(dir.path() + made), 0);
    EXPECT_EQ(host.Remove(dir.path() + listed), kPlatformNotFound);
  }
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

std::vector<std::string> ListedNames(const std::string& pattern) {
  std::vector<FoundFile> found;
  NativePlatform().FindFiles(pattern, &found);
  std::vector<std::string> names;
  for (const FoundFile& f : found) names.push_back(f.name);
  return names;
}

// Windows' file system ignores case; POSIX resolves the last component of a path to match.
TEST(HostPlatform, ResolvesLastComponentWithoutRegardToCase) {
  TempDir dir;
  WriteFile(dir.path() + "Menu.SST", "x");
  Platform& host = NativePlatform();
  std::uint32_t attrs = 0;
  EXPECT_EQ(host.GetAttributes(dir.path() + "MENU.sst", &attrs), 0);
  const int fd = host.Open(dir.path() + "menu.sst", OpenMode::kRead);
  ASSERT_GE(fd, 0);
  host.Close(fd);
  EXPECT_EQ(host.Open(dir.path() + "nothing.sst", OpenMode::kRead), kPlatformNotFound);
  // Creating under another case opens the existing file instead of making a second one.
  const int w = host.Open(dir.path() + "MENU.SST", OpenMode::kReadWriteCreate);
  ASSERT_GE(w, 0);
  host.Close(w);
  EXPECT_EQ(ListedNames(dir.path() + "*.*"), std::vector<std::string>{"Menu.SST"});
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
  POSIX_HOST_ONLY("the POSIX index of names by case (Windows' file system resolves case itself)");
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
  POSIX_HOST_ONLY("names that differ in case only, which one Windows directory cannot hold");
  TempDir dir;
  for (const char* n : {"b.sst", "A.SST", "a.SST", ".hidden.sst", "c.ssd", "C.SST"}) WriteFile(dir.path() + n, "");
  dir.Sub("d.sst");
  std::vector<FoundFile> found;
  ASSERT_EQ(NativePlatform().FindFiles(dir.path() + "*.SST", &found), 0);
  std::vector<std::string> names;
  for (const auto& f : found) names.push_back(f.name);
  EXPECT_EQ(names, (std::vector<std::string>{"A.SST", "a.SST", "b.sst", "C.SST"}));
  // A missing directory is no empty one.
  ASSERT_EQ(NativePlatform().FindFiles(dir.path() + "missing/*.*", &found), kPlatformNotFound);
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


// CP932 of ﾃｽﾄ (half-width kana), 見積 (kanji) and テスト (full-width kana).
const char kHalfKana[] = "\xC3\xBD\xC4";
const char kKanji[] = "\x8C\xA9\x90\xCF";
const char kKana[] = "\x83\x65\x83\x58\x83\x67";

TEST(HostPlatform, NamesMixingKanaKanjiAndLettersResolveInEitherCase) {
  TempDir dir;
  Platform& host = NativePlatform();
  std::uint32_t attrs = 0;
  const std::string d = dir.path();
  for (const std::string& name : {std::string(kHalfKana) + "a.csv", std::string(kKanji) + "b.Txt",
                                  "x" + std::string(kKana) + "y.dat"}) {
    const int fd = host.Open(d + name, OpenMode::kCreateNew);
    ASSERT_GE(fd, 0) << name;
    host.Close(fd);
  }
  for (const std::string& name : {std::string(kHalfKana) + "A.CSV", std::string(kKanji) + "B.TXT",
                                  "X" + std::string(kKana) + "Y.DAT", std::string(kHalfKana) + "a.csv"}) {
    EXPECT_EQ(host.GetAttributes(d + name, &attrs), 0) << name;
    const int fd = host.Open(d + name, OpenMode::kRead);
    EXPECT_GE(fd, 0) << name;
    if (fd >= 0) host.Close(fd);
  }
  // Creating under the upper-cased name opens the existing file rather than making a second one.
  const int w = host.Open(d + kHalfKana + "A.CSV", OpenMode::kReadWriteCreate);
  ASSERT_GE(w, 0);
  host.Close(w);
  EXPECT_EQ(ListedNames(d + "*.csv"), std::vector<std::string>{std::string(kHalfKana) + "a.csv"});
  EXPECT_EQ(AsciiUpper("ﾃｽﾄa.csv"), "ﾃｽﾄA.CSV");
}

TEST(PosixPlatform, LinksAreNamesOfTheirOwnAndNeverFollowed) {
  POSIX_HOST_ONLY("symbolic links, which a Windows user without the privilege cannot make");
  TempDir dir;
  const std::string d = dir.Sub("menu");
  const std::string outside = dir.path() + "outside";
  WriteFile(outside, "outside bytes");
  std::filesystem::permissions(outside, std::filesystem::perms::owner_read);
  std::filesystem::create_symlink(outside, d + "TO.CSV");
  std::filesystem::create_symlink(dir.path() + "nowhere", d + "DANGLING.CSV");
  std::filesystem::create_directory(d + "SUB.CSV");
  Platform& host = NativePlatform();
  std::uint32_t attrs = 0;
  ASSERT_EQ(host.GetAttributes(d + "TO.CSV", &attrs), 0);
  EXPECT_EQ(attrs, kAttrLink);  // not read-only: that is the target's, not the name's
  ASSERT_EQ(host.GetAttributes(d + "DANGLING.CSV", &attrs), 0);
  EXPECT_EQ(attrs, kAttrLink);
  ASSERT_EQ(host.GetAttributes(d + "SUB.CSV", &attrs), 0);
  EXPECT_EQ(attrs, kAttrDirectory);
  for (OpenMode mode : {OpenMode::kRead, OpenMode::kReadWriteCreate, OpenMode::kCreateNew}) {
    for (const char* name : {"TO.CSV", "DANGLING.CSV", "SUB.CSV"}) {
      EXPECT_LT(host.Open(d + name, mode), 0) << name;
    }
  }
  EXPECT_NE(host.SetAttributes(d + "TO.CSV", 0), 0);
  EXPECT_FALSE(Exists(dir.path() + "nowhere"));
  EXPECT_EQ(std::filesystem::status(outside).permissions(), std::filesystem::perms::owner_read);
  std::vector<FoundFile> found;
  host.FindFiles(d + "*.*", &found);
  EXPECT_TRUE(found.empty());
  // A link can still be renamed and removed, as the name it is.
  EXPECT_EQ(host.Rename(d + "TO.CSV", d + "MOVED.CSV"), 0);
  EXPECT_EQ(host.Remove(d + "MOVED.CSV"), 0);
  EXPECT_EQ(ReadFile(outside), "outside bytes");
  // An exclusive create refuses any name in use; a new name gets a regular file.
  WriteFile(d + "A.CSV", "a");
  EXPECT_LT(host.Open(d + "a.csv", OpenMode::kCreateNew), 0);
  const int fd = host.Open(d + "NEW.CSV", OpenMode::kCreateNew);
  ASSERT_GE(fd, 0);
  host.Close(fd);
  EXPECT_TRUE(Exists(d + "NEW.CSV"));
}

TEST(HostPlatform, NameFitsTheFileSystemsLimit) {
  TempDir dir;
  Platform& host = NativePlatform();
  std::string kana;
  for (int i = 0; i < 200; ++i) kana += '\xB1';
#ifdef _WIN32
  // Windows counts UTF-16 units, one per half-width kana: 255 for a name, and fewer than MAX_PATH
  // (260) for the whole path.
  const std::size_t room = 259 - dir.path().size();
  ASSERT_LT(room, 255u);
  EXPECT_TRUE(host.NameFits(dir.path(), kana.substr(0, room)));
  EXPECT_TRUE(host.NameFits(dir.path(), std::string(room, 'A')));
  EXPECT_FALSE(host.NameFits(dir.path(), std::string(room + 1, 'A')));
  EXPECT_FALSE(host.NameFits(dir.path(), std::string(256, 'A')));
#else
  // 200 half-width kana are 200 bytes of CP932 but 600 of UTF-8.
  EXPECT_FALSE(host.NameFits(dir.path(), kana));
  EXPECT_TRUE(host.NameFits(dir.path(), kana.substr(0, 80)));
  EXPECT_TRUE(host.NameFits(dir.path(), std::string(255, 'A')));
  EXPECT_FALSE(host.NameFits(dir.path(), std::string(256, 'A')));
#endif
}

TEST(HostPlatform, SmallFilesFoldersAndTheSameFileUnderTwoSpellings) {
  TempDir dir;
  Platform& host = NativePlatform();
  const std::string sep(1, kDirSep);
  // 差分 テスト\表A (the kanji ends in the byte of a backslash)
  const std::string deep = dir.path() + "\x8D\xB7\x95\xAA \x83\x65\x83\x58\x83\x67" + sep + "\x95\x5C" "A";
  ASSERT_EQ(host.MakeDirectories(deep), 0);
  EXPECT_EQ(host.MakeDirectories(deep + sep), 0);  // there already, with its separator too
  std::uint32_t attrs = 0;
  ASSERT_EQ(host.GetAttributes(deep, &attrs), 0);
  EXPECT_EQ(attrs, kAttrDirectory);

  const std::string file = deep + sep + "a.txt";
  ASSERT_EQ(host.WriteSmallFile(file, "first"), 0);
  ASSERT_EQ(host.WriteSmallFile(file, "second, longer"), 0);
  const int fd = host.Open(file, OpenMode::kRead);
  ASSERT_GE(fd, 0);
  char text[32] = {};
  EXPECT_EQ(host.Read(fd, text, sizeof text), 14);
  host.Close(fd);
  EXPECT_EQ(std::string(text), "second, longer");
  std::vector<FoundFile> found;
  ASSERT_EQ(host.FindFiles(deep + sep + "*", &found), 0);
  ASSERT_EQ(found.size(), 1u);  // no part file left beside it
  EXPECT_EQ(found[0].name, "a.txt");
  // A file in the way of a folder, and a folder in the way of the file.
  EXPECT_NE(host.MakeDirectories(file + sep + "sub"), 0);
  EXPECT_NE(host.WriteSmallFile(deep, "x"), 0);
  EXPECT_NE(host.WriteSmallFile(dir.path() + "missing" + sep + "a.txt", "x"), 0);

  EXPECT_TRUE(host.SameFile(deep, deep + sep + "." + sep));
  EXPECT_TRUE(host.SameFile(file, deep + sep + ".." + sep + "\x95\x5C" "A" + sep + "a.txt"));
  EXPECT_FALSE(host.SameFile(file, deep));
  EXPECT_FALSE(host.SameFile(file, file + ".missing"));
  EXPECT_FALSE(host.SameFile(file + ".missing", file + ".missing"));
}

}  // namespace
}  // namespace quarvel
