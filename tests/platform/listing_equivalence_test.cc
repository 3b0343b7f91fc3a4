// The one-search analysis, the allocation-free wildcard and name comparison, and the compact case
// index give exactly what the straightforward forms give: checked against those forms, written out
// here as references, on large and awkward inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <unordered_map>

#include "engine/analysis/analysis.h"
#include "fileio/fileio.h"
#include "menufiles/headers.h"
#include "menufiles/listings.h"
#include "platform/dos_time.h"
#include "platform/text.h"
#include "platform/wildcard.h"
#include "sample/menu_dir_builder.h"
#include "support/host_rules.h"
#include "support/temp_dir.h"

namespace quarvel {
namespace {

// The wildcard match as characters split into strings, the form it replaces.
bool ReferenceWildcard(const std::string& pattern, const std::string& name) {
  auto chars = [](const std::string& s) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < s.size(); ++i) {
      if (IsSjisLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) {
        out.push_back(s.substr(i++, 2));
      } else {
        out.push_back(s.substr(i, 1));
      }
    }
    return out;
  };
  if (pattern.empty()) return false;
  if (pattern == "*.*") return true;
  const auto p = chars(SjisAsciiUpper(pattern)), n = chars(SjisAsciiUpper(name));
  std::size_t pi = 0, ni = 0, star = std::string::npos, resume = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == "?" || p[pi] == n[ni])) {
      ++pi;
      ++ni;
    } else if (pi < p.size() && p[pi] == "*") {
      star = pi++;
      resume = ni;
    } else if (star != std::string::npos) {
      pi = star + 1;
      ni = ++resume;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == "*") ++pi;
  return pi == p.size();
}

// Short strings over an alphabet that has letters of both cases, wildcards, dots, lead and trail
// bytes (0x5C and 0x61 among them) and a lone lead byte at the end.
std::string RandomText(std::mt19937& rng, bool wildcards) {
  static const char* const pieces[] = {"a", "A", "b", "B", ".", "s", "S", "\x81", "\x82\xA0", "\x95\x5C",
                                       "\x83\x61", "\xE0\x41", "1", "_", "*", "?"};
  const int kinds = wildcards ? 16 : 14;
  std::string s;
  const int n = static_cast<int>(rng() % 7);
  for (int i = 0; i < n; ++i) s += pieces[rng() % static_cast<unsigned>(kinds)];
  return s;
}

TEST(ListingEquivalence, WildcardAndUpperCaseComparisonAgreeWithTheirReferences) {
  std::mt19937 rng(1234);
  for (int i = 0; i < 200000; ++i) {
    const std::string pattern = RandomText(rng, true), name = RandomText(rng, false);
    ASSERT_EQ(WildcardMatch(pattern, name), ReferenceWildcard(pattern, name))
        << "pattern " << Cp932ToUtf8Lossy(pattern) << " name " << Cp932ToUtf8Lossy(name);
    const int want = SjisAsciiUpper(pattern).compare(SjisAsciiUpper(name));
    const int got = CompareSjisAsciiUpper(pattern, name);
    ASSERT_EQ(got < 0, want < 0) << Cp932ToUtf8Lossy(pattern) << " / " << Cp932ToUtf8Lossy(name);
    ASSERT_EQ(got == 0, want == 0) << Cp932ToUtf8Lossy(pattern) << " / " << Cp932ToUtf8Lossy(name);
  }
}

std::string Title(FileKind kind, const std::string& path) {
  std::string title;
  if (kind == MenuFile) ReadMenuTitle(SSMenu{}, &title, path);
  if (kind == DocumentLibrary) ReadDocLibTitle(SSDlib{}, &title, path);
  if (kind == CommonLibrary) ReadComLibTitle(SSVlib{}, &title, path);
  return title;
}

// The file passes as they were: one search per kind and directory, names matched through a map.
void ReferencePass(const std::string& cur, const std::string& old, SBNdtAry& changes, const std::string& ext,
                   FileKind kind, StringAry* libraries) {
  auto list = [&](const std::string& dir) {
    std::vector<FoundFile> found;
    FindMenuDirFiles(dir + "*." + ext, &found);
    FLXAry out;
    for (FoundFile& f : found) {
      FLX e;
      e.name = SjisAsciiUpper(f.name);
      const bool own = e.name.find(".SST") != std::string::npos || e.name.find(".SSD") != std::string::npos ||
                       e.name.find(".SSV") != std::string::npos;
      if (kind == OtherFile && own) continue;
      e.time = DosTimeOf(f.stamp);
      e.date = DosDateOf(f.stamp);
      out.push_back(e);
    }
    return out;
  };
  FLXAry c = list(cur), o = list(old);
  std::unordered_map<std::string, std::vector<std::size_t>> by_name;
  for (std::size_t i = 0; i < o.size(); ++i) by_name[o[i].name].push_back(i);
  for (FLX& f : c) {
    const auto it = by_name.find(f.name);
    if (it == by_name.end()) continue;
    const FLX& last = o[it->second.back()];
    f.state = f.time == last.time && f.date == last.date ? 1 : 2;
    for (std::size_t i : it->second) o[i].state = 1;
  }
  for (const FLX& f : c) {
    if (libraries ? f.state == 0 : f.state != 1) changes.push_back({0, kind, f.name, Title(kind, cur + f.name), ""});
  }
  if (libraries) {
    for (const FLX& f : c) {
      if (f.state == 2) libraries->push_back(f.name);
    }
  }
  for (const FLX& f : o) {
    if (f.state == 0) changes.push_back({1, kind, f.name, Title(kind, old + f.name), ""});
  }
}

SBNdtAry ReferenceAnalysis(const std::string& cur, const std::string& old, const std::string& extensions) {
  SBNdtAry changes;
  StringAry libraries;
  ReferencePass(cur, old, changes, "SST", MenuFile, nullptr);
  ReferencePass(cur, old, changes, "SSD", DocumentLibrary, &libraries);
  CompareLibraryDocuments(cur, old, changes, libraries);
  ReferencePass(cur, old, changes, "SSV", CommonLibrary, nullptr);
  std::size_t start = 0;
  while (start <= extensions.size()) {
    std::size_t comma = extensions.find(',', start);
    if (comma == std::string::npos) comma = extensions.size();
    const std::string token = extensions.substr(start, comma - start);
    if (!token.empty()) ReferencePass(cur, old, changes, token, OtherFile, nullptr);
    start = comma + 1;
  }
  return changes;
}

std::vector<std::string> Lines(const SBNdtAry& changes) {
  std::vector<std::string> lines;
  for (const SBNdt& e : changes) {
    lines.push_back(std::to_string(e.op) + " " + std::to_string(e.type) + " " + e.name + "/" + e.member + " [" +
                    e.title + "]");
  }
  return lines;
}

TEST(ListingEquivalence, HundredThousandNamesGiveTheListOfTheSearchPerKind) {
  POSIX_HOST_ONLY("names that differ in case only, which one Windows directory cannot hold");
  TempDir dir;
  const std::string cur = dir.Sub("cur"), old = dir.Sub("old");
  const std::uint32_t t1 = MakeDosStamp(2022, 1, 1, 12, 0, 0), t2 = MakeDosStamp(2023, 1, 1, 12, 0, 0);
  const char* const extensions[] = {".SST", ".sst", ".Ssv", ".CSV", ".txt", ".SSD", ".A.SST", ""};
  MenuDirBuilder c(cur), o(old);
  std::mt19937 rng(99);
  for (int i = 0; i < 100000; ++i) {
    char base[16];
    std::snprintf(base, sizeof base, (i % 3) ? "N%05d" : "n%05d", i / 2);  // names that collide upper-cased
    const std::string name = base + std::string(extensions[rng() % 8]);
    const unsigned r = rng() % 100;
    const std::string bytes = name.find(".SSD") != std::string::npos ? LibraryBytes("lib", {{"D", "", "d"}})
                                                                      : MenuFileBytes("t" + std::to_string(i % 7));
    if (r < 90) c.File(name, bytes, r < 3 ? t2 : t1);
    if (r >= 5) o.File(name, bytes, t1);
  }
  for (const std::string& ext : {std::string("CSV,*,TXT"), std::string(""), std::string(",txt,,a.sst")}) {
    SBNdtAry got;
    ASSERT_EQ(AnalyseMenuDirs(cur, old, got, ext), 0);
    const SBNdtAry want = ReferenceAnalysis(cur, old, ext);
    ASSERT_GT(want.size(), 1000u);
    EXPECT_EQ(Lines(got), Lines(want)) << "extensions " << ext;
  }
  // One search for several masks finds what one search per mask finds, in the same order.
  std::vector<FoundFile> any;
  ASSERT_EQ(FindMenuDirFilesAny(cur, {"*.SST", "*.CSV"}, &any), 0);
  std::vector<FoundFile> sst, csv;
  FindMenuDirFiles(cur + "*.SST", &sst);
  FindMenuDirFiles(cur + "*.CSV", &csv);
  ASSERT_EQ(any.size(), sst.size() + csv.size());
  std::size_t i = 0, j = 0;
  for (const FoundFile& f : any) {
    if (i < sst.size() && sst[i].name == f.name) {
      EXPECT_EQ(sst[i++].stamp, f.stamp);
    } else {
      ASSERT_LT(j, csv.size());
      EXPECT_EQ(csv[j++].name, f.name);
    }
  }
}

TEST(ListingEquivalence, CaseIndexFollowsManyChangesOfALargeDirectory) {
  POSIX_HOST_ONLY("the POSIX index of names by case, and names that differ in case only");
  TempDir dir;
  const std::string d = dir.path();
  for (int i = 0; i < 3000; ++i) WriteFile(d + "f" + std::to_string(i) + ".sst", "x");
  // A directory still for a while is indexed once and the index kept up to date from then on.
  std::filesystem::last_write_time(d, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  Platform& host = NativePlatform();
  std::uint32_t attrs = 0;
  ASSERT_EQ(host.GetAttributes(d + "F1.SST", &attrs), 0);  // builds the index
  // More new names than the unsorted table holds, made and removed through the platform.
  for (int i = 0; i < 1500; ++i) {
    const int fd = host.Open(d + "g" + std::to_string(i) + ".Sst", OpenMode::kCreateNew);
    ASSERT_GE(fd, 0);
    host.Close(fd);
  }
  for (int i = 0; i < 1500; i += 3) ASSERT_EQ(host.Remove(d + "G" + std::to_string(i) + ".SST"), 0);
  ASSERT_EQ(host.Remove(d + "F7.SST"), 0);
  for (int i = 0; i < 1500; ++i) {
    EXPECT_EQ(host.GetAttributes(d + "G" + std::to_string(i) + ".SST", &attrs), i % 3 == 0 ? kPlatformNotFound : 0)
        << i;
  }
  EXPECT_EQ(host.GetAttributes(d + "F7.SST", &attrs), kPlatformNotFound);
  // Two names of one upper-cased form: the exact one, else the first of them in byte order.
  WriteFile(d + "f2999.SST", "y");
  std::vector<std::string> names;
  ASSERT_EQ(host.FindNames(d + "F2999.sst", &names), 0);
  EXPECT_EQ(names, (std::vector<std::string>{"f2999.SST", "f2999.sst"}));
}

// A listing as lines of name, stamp and size.
std::vector<std::string> ListingLines(const std::string& dir, const std::vector<std::string>& masks) {
  std::vector<FoundFile> found;
  EXPECT_EQ(NativePlatform().FindFilesAny(dir, masks, &found), 0);
  std::vector<std::string> lines;
  for (const FoundFile& f : found) lines.push_back(f.name + " " + std::to_string(f.stamp) + " " + std::to_string(f.size));
  return lines;
}

TEST(ListingEquivalence, ListingOfAnIndexedDirectoryIsTheListingOfItsEntries) {
  POSIX_HOST_ONLY("the POSIX case index");
  TempDir dir;
  const std::string d = dir.path();
  for (int i = 0; i < 2000; ++i) {
    const std::string base = (i % 2 ? "m" : "M") + std::to_string(i);
    WriteFile(d + base + (i % 3 ? ".sst" : ".SSD"), std::string(static_cast<std::size_t>(i % 5), 'x'));
  }
  // Entries that no listing shows: hidden, a directory, a link, a name without a CP932 form.
  WriteFile(d + ".hidden.sst", "");
  dir.Sub("sub.sst");
  std::filesystem::create_symlink(d + "m1.sst", d + "link.sst");
  WriteFile(d + "\xff\xfe.sst", "");
  const std::vector<std::string> masks = {"*.SST", "*.SSD", "*.KKK"};
  const auto age = [&](int seconds) {
    std::filesystem::last_write_time(d, std::filesystem::file_time_type::clock::now() - std::chrono::seconds(seconds));
  };
  age(3600);
  const std::vector<std::string> read = ListingLines(d, masks);  // no index yet: the entries read
  ASSERT_EQ(read.size(), 2000u);
  Platform& host = NativePlatform();
  std::uint32_t attrs = 0;
  ASSERT_EQ(host.GetAttributes(d + "QUARVEL.LCK", &attrs), kPlatformNotFound);  // indexes the still directory
  EXPECT_EQ(ListingLines(d, masks), read);
  // The platform's own changes: new names, removed ones, renamed ones.
  for (int i = 0; i < 50; ++i) {
    const int fd = host.Open(d + "new" + std::to_string(i) + ".Kkk", OpenMode::kCreateNew);
    ASSERT_GE(fd, 0);
    host.Close(fd);
  }
  for (int i = 0; i < 2000; i += 7) ASSERT_EQ(host.Remove(d + "M" + std::to_string(i) + (i % 3 ? ".SST" : ".SSD")), 0);
  ASSERT_EQ(host.Rename(d + "M1.SST", d + "renamed.sst"), 0);
  ASSERT_EQ(host.ReplaceFile(d + "m11.sst", d + "M13.SST"), 0);
  const std::vector<std::string> indexed = ListingLines(d, masks);
  age(7200);  // the index no longer matches the directory's time: the entries are read again
  EXPECT_EQ(indexed, ListingLines(d, masks));
  EXPECT_EQ(indexed.size(), 2000u + 50 - 286 - 1);
  // A file added behind the platform's back is listed: the directory's time changed.
  ASSERT_EQ(host.GetAttributes(d + "QUARVEL.LCK", &attrs), kPlatformNotFound);
  WriteFile(d + "behind.sst", "b");
  const std::vector<std::string> after = ListingLines(d, masks);
  EXPECT_EQ(after.size(), indexed.size() + 1);
  EXPECT_EQ(std::count_if(after.begin(), after.end(), [](const std::string& l) { return l.rfind("behind.sst ", 0) == 0; }), 1);
}

}  // namespace
}  // namespace quarvel
