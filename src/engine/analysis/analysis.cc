#include "engine/analysis/analysis.h"

#include <algorithm>
#include <system_error>
#include <thread>

#include "engine/analysis/content_compare.h"
#include "engine/analysis/library_compare.h"
#include "fileio/copy_progress.h"
#include "fileio/fileio.h"
#include "menufiles/headers.h"
#include "menufiles/libindex.h"
#include "menufiles/listings.h"
#include "platform/dos_time.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "platform/wildcard.h"

namespace quarvel {

namespace {

constexpr std::size_t kMaxExtension = 255;

bool HasLibraryExtension(const std::string& upper) {
  return upper.find(".SST") != std::string::npos || upper.find(".SSD") != std::string::npos ||
         upper.find(".SSV") != std::string::npos;
}

// A directory's listing: names as the directory holds them, in the platform's order (by upper-cased
// name). Names are upper-cased only where they are compared or recorded, so that a large directory is
// held once.
using Listing = std::vector<FoundFile>;

std::string Upper(const std::string& name) {
  std::string upper = name;
  return StrUpperSjis(upper);
}

// The files of one pass: those of the listing that the pass's mask matches, in listing order.
struct PassFile {
  const FoundFile* file;
  std::int32_t state;
};

std::vector<PassFile> Select(const Listing& all, const std::string& dir, const std::string& mask, FileKind kind) {
  std::vector<PassFile> pass;
  for (const FoundFile& f : all) {
    if (!WildcardMatch(mask, f.name)) continue;
    if (kind == OtherFile && HasLibraryExtension(Upper(f.name))) continue;
    if (dir.size() + f.name.size() > kMaxPath) continue;
    pass.push_back({&f, 0});
  }
  return pass;
}

// Positions of a pass ordered by upper-cased name (stable), without sorting when the listing was in
// that order already, as the platform lists.
std::vector<std::uint32_t> ByName(const std::vector<PassFile>& pass) {
  std::vector<std::uint32_t> order(pass.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<std::uint32_t>(i);
  const auto less = [&](std::uint32_t a, std::uint32_t b) {
    return CompareSjisAsciiUpper(pass[a].file->name, pass[b].file->name) < 0;
  };
  if (!std::is_sorted(order.begin(), order.end(), less)) std::stable_sort(order.begin(), order.end(), less);
  return order;
}

// Matching as a nested loop over every pair of equal names would do it (the last old match sets the
// current state), by one walk over both passes in name order. False when a file could not be read
// for the comparison by content (`failure` says which).
bool Match(std::vector<PassFile>& current, std::vector<PassFile>& old, const std::string& currentDir,
           const std::string& oldDir, bool content, ReadFailure* failure) {
  const std::vector<std::uint32_t> c = ByName(current), o = ByName(old);
  std::size_t i = 0, j = 0;
  const auto same_name = [](const PassFile& a, const PassFile& b) {
    return CompareSjisAsciiUpper(a.file->name, b.file->name) == 0;
  };
  // By content, the pairs are gathered first and compared together, which may take two threads.
  std::vector<PassFile*> compared;
  std::vector<ListedPair> pairs;
  while (i < c.size() && j < o.size()) {
    const PassFile& first = current[c[i]];
    const int cmp = CompareSjisAsciiUpper(first.file->name, old[o[j]].file->name);
    if (cmp < 0) {
      ++i;
      continue;
    }
    if (cmp > 0) {
      ++j;
      continue;
    }
    std::size_t j_end = j;
    while (j_end < o.size() && same_name(old[o[j_end]], first)) old[o[j_end++]].state = 1;
    const FoundFile& last = *old[o[j_end - 1]].file;
    const PassFile key = first;
    for (; i < c.size() && same_name(current[c[i]], key); ++i) {
      PassFile& f = current[c[i]];
      if (content) {
        compared.push_back(&f);
        pairs.push_back({f.file, &last});
      } else {
        f.state = f.file->stamp == last.stamp ? 1 : 2;
      }
    }
    j = j_end;
  }
  const std::vector<std::uint8_t> same = SameFilesBytes(currentDir, oldDir, pairs, failure);
  for (std::size_t k = 0; k < compared.size(); ++k) compared[k]->state = same[k] != 0 ? 1 : 2;
  return !failure->failed();
}

// The title of a file of the kind; empty when its header cannot be read.
std::string TitleOf(FileKind kind, const std::string& path) {
  std::string title;
  switch (kind) {
    case MenuFile:
      ReadMenuTitle(SSMenu{}, &title, path);
      break;
    case DocumentLibrary:
      ReadDocLibTitle(SSDlib{}, &title, path);
      break;
    case CommonLibrary:
      ReadComLibTitle(SSVlib{}, &title, path);
      break;
    default:
      break;
  }
  return title;
}

bool PassFits(const std::string& currentDir, const std::string& oldDir, const std::string& extension) {
  if (extension.size() > kMaxExtension) return false;
  for (const std::string* dir : {&currentDir, &oldDir}) {
    if (dir->size() + 2 + extension.size() > kMaxPath) return false;
  }
  return true;
}

// A mask that names a directory part of its own is searched apart, as the pattern says.
bool SearchedApart(const std::string& extension) {
  return extension.find('/') != std::string::npos || extension.find(kDirSep) != std::string::npos;
}

// One pass over listings made already: match, then record as the pass records. False (nothing
// recorded) when a file could not be read for the comparison by content.
bool ComparePass(const std::string& currentDir, const std::string& oldDir, SBNdtAry& changes,
                 const std::string& extension, FileKind kind, StringAry* changedLibraries,
                 const Listing& currentAll, const Listing& oldAll, bool content, ReadFailure* failure) {
  const std::string mask = "*." + extension;
  std::vector<PassFile> current = Select(currentAll, currentDir, mask, kind);
  std::vector<PassFile> old = Select(oldAll, oldDir, mask, kind);
  if (!Match(current, old, currentDir, oldDir, content, failure)) return false;

  auto record = [&](std::int32_t op, const std::string& dir, const PassFile& f) {
    const std::string name = Upper(f.file->name);
    changes.push_back({op, kind, name, TitleOf(kind, dir + name), ""});
  };
  if (changedLibraries != nullptr) {
    for (const PassFile& f : current) {
      if (f.state == 0) record(kOpAddOrReplace, currentDir, f);
    }
    for (const PassFile& f : current) {
      if (f.state == 2) changedLibraries->push_back(Upper(f.file->name));
    }
  } else {
    for (const PassFile& f : current) {
      if (f.state != 1) record(kOpAddOrReplace, currentDir, f);
    }
  }
  for (const PassFile& f : old) {
    if (f.state == 0) record(kOpDelete, oldDir, f);
  }
  return true;
}

// A directory that cannot be listed is a failure, never an empty directory: taken for one, it would
// make every file of the other side new or vanished.
bool Listed(int code, const std::string& dir, ReadFailure* failure) {
  if (code == 0) return true;
  *failure = {dir, code};
  return false;
}

bool ListPattern(const std::string& dir, const std::string& extension, Listing* found, ReadFailure* failure) {
  return Listed(FindMenuDirFiles(dir + "*." + extension, found), dir, failure);
}

bool ListMasks(const std::string& dir, const std::vector<std::string>& masks, Listing* found, ReadFailure* failure) {
  const int r = FindMenuDirFilesAny(dir, masks, found);
  found->shrink_to_fit();
  return Listed(r, dir, failure);
}

// Both directories searched for the masks, the old one on a second thread meanwhile when the host
// can start one. A failure of the current directory is reported before one of the old.
bool ListBoth(const std::string& currentDir, const std::string& oldDir, const std::vector<std::string>& masks,
              Listing* current, Listing* old, ReadFailure* failure) {
  ReadFailure old_failure;
  bool old_ok = false;
  std::thread worker;
  try {
    worker = std::thread([&] { old_ok = ListMasks(oldDir, masks, old, &old_failure); });
  } catch (const std::system_error&) {
    old_ok = ListMasks(oldDir, masks, old, &old_failure);
  }
  const bool current_ok = ListMasks(currentDir, masks, current, failure);
  if (worker.joinable()) worker.join();
  if (current_ok && !old_ok) *failure = old_failure;
  return current_ok && old_ok;
}

// A changed library's index for the document comparison: the descriptor, or -1 with `failure` set.
// Its documents cannot be compared without the index, and leaving the library out would pass its
// changes for none: a file that cannot be opened fails with the platform's code, one that opens but
// does not read as a library (another magic, a damaged or cut header or index) with kReadNotLibrary.
// Why the index did not read is asked only when it did not.
int OpenChangedLibrary(const std::string& path, SSDocInfoAry* docs, std::string* title, ReadFailure* failure) {
  const int fd = ReadLibIndex(SSDlib{}, *docs, title, path);
  if (fd >= 0) return fd;
  const int probe = Host().Open(path, OpenMode::kRead);
  if (probe >= 0) {
    Host().Close(probe);
    *failure = {path, kReadNotLibrary};
  } else {
    *failure = {path, probe};
  }
  return -1;
}

}  // namespace

int CompareKind(const std::string& currentDir, const std::string& oldDir, SBNdtAry& changes,
                const std::string& extension, FileKind kind, StringAry* changedLibraries, ReadFailure* failure) {
  ReadFailure ignored;
  if (failure == nullptr) failure = &ignored;
  *failure = {};
  if (!PassFits(currentDir, oldDir, extension)) return 0;
  Listing current, old;
  if (!ListPattern(currentDir, extension, &current, failure) || !ListPattern(oldDir, extension, &old, failure)) {
    return -1;
  }
  ComparePass(currentDir, oldDir, changes, extension, kind, changedLibraries, current, old, false, failure);
  return 0;
}

int CompareLibraryDocuments(const std::string& currentDir, const std::string& oldDir, SBNdtAry& changes,
                            const StringAry& changedLibraries, ReadFailure* failure) {
  ReadFailure ignored;
  if (failure == nullptr) failure = &ignored;
  *failure = {};
  for (const std::string& lib : changedLibraries) {
    SSDocInfoAry a, b;
    std::string title_a, title_b;
    // Both copies must read: without the current index its changes would be missed, without the old
    // one no document could be told changed from new.
    const int fa = OpenChangedLibrary(currentDir + lib, &a, &title_a, failure);
    if (fa < 0) return -1;
    const int fb = OpenChangedLibrary(oldDir + lib, &b, &title_b, failure);
    if (fb < 0) {
      FileClose(fa);
      return -1;
    }
    // ReadLibIndex cleared the error word with its open; from here a failed read stays set, so that
    // it counts as a difference for the rest of this pair, as the chunked compare intends.
    MatchLibraryDocuments(fa, a, fb, b);
    for (const SSDocInfo& doc : a) {
      if (doc.word != 1) changes.push_back({kOpAddOrReplace, DocumentLibrary, lib, title_a, doc.name});
    }
    for (const SSDocInfo& doc : b) {
      if (doc.word == 0) changes.push_back({kOpDelete, DocumentLibrary, lib, title_b, doc.name});
    }
    FileClose(fa);
    FileClose(fb);
  }
  return 0;
}

int AnalyseMenuDirs(const std::string& currentDir, const std::string& oldDir, SBNdtAry& changes,
                    const std::string& extensions) {
  return AnalyseMenuDirs(currentDir, oldDir, changes, extensions, AnalyseOptions{});
}

int AnalyseMenuDirs(const std::string& currentDir, const std::string& oldDir, SBNdtAry& changes,
                    const std::string& extensions, const AnalyseOptions& options, ReadFailure* failure) {
  ReadFailure ignored;
  if (failure == nullptr) failure = &ignored;
  *failure = {};
  changes.clear();
  // Half a list must never pass for the whole one.
  const auto fail = [&] {
    changes.clear();
    return -1;
  };
  struct Pass {
    std::string extension;
    FileKind kind;
  };
  std::vector<Pass> passes = {{"SST", MenuFile}, {"SSD", DocumentLibrary}, {"SSV", CommonLibrary}};
  std::size_t start = 0;
  while (start <= extensions.size()) {
    std::size_t comma = extensions.find(',', start);
    if (comma == std::string::npos) comma = extensions.size();
    std::string token = extensions.substr(start, comma - start);
    if (!token.empty()) passes.push_back({std::move(token), OtherFile});
    start = comma + 1;
  }
  // Every pass's mask in one search of each directory.
  std::vector<std::string> masks;
  for (const Pass& p : passes) {
    if (PassFits(currentDir, oldDir, p.extension) && !SearchedApart(p.extension)) masks.push_back("*." + p.extension);
  }
  Listing current_all, old_all;
  if (!ListBoth(currentDir, oldDir, masks, &current_all, &old_all, failure)) return fail();

  StringAry changed_libraries;
  for (const Pass& p : passes) {
    if (!PassFits(currentDir, oldDir, p.extension)) continue;
    StringAry* libraries = p.kind == DocumentLibrary ? &changed_libraries : nullptr;
    bool ok = true;
    if (SearchedApart(p.extension)) {
      Listing current, old;
      ok = ListPattern(currentDir, p.extension, &current, failure) && ListPattern(oldDir, p.extension, &old, failure) &&
           ComparePass(currentDir, oldDir, changes, p.extension, p.kind, libraries, current, old, options.content,
                       failure);
    } else {
      ok = ComparePass(currentDir, oldDir, changes, p.extension, p.kind, libraries, current_all, old_all,
                       options.content, failure);
    }
    if (ok && p.kind == DocumentLibrary && !changed_libraries.empty()) {
      ok = CompareLibraryDocuments(currentDir, oldDir, changes, changed_libraries, failure) == 0;
    }
    if (!ok) return fail();
    // The user stopped the analysis (its comparisons end at once): no list at all.
    if (CopyStopRequested()) return fail();
  }
  return 0;
}

}  // namespace quarvel
