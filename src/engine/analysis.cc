#include "engine/analysis.h"

#include <unordered_map>

#include "fileio/fileio.h"
#include "menufiles/headers.h"
#include "menufiles/libindex.h"
#include "menufiles/listings.h"
#include "platform/dos_time.h"
#include "platform/platform.h"

namespace quarvel {

namespace {

constexpr std::size_t kMaxExtension = 255;

// Positions of every entry of a list by name, in list order.
template <typename T, typename Name>
std::unordered_map<std::string, std::vector<std::size_t>> IndexByName(const std::vector<T>& list, Name name) {
  std::unordered_map<std::string, std::vector<std::size_t>> index;
  index.reserve(list.size());
  for (std::size_t i = 0; i < list.size(); ++i) index[name(list[i])].push_back(i);
  return index;
}

bool HasLibraryExtension(const std::string& upper) {
  return upper.find(".SST") != std::string::npos || upper.find(".SSD") != std::string::npos ||
         upper.find(".SSV") != std::string::npos;
}

FLXAry ListDirectory(const std::string& dir, const std::string& extension, FileKind kind) {
  std::vector<FoundFile> found;
  FindMenuDirFiles(dir + "*." + extension, &found);
  FLXAry list;
  list.reserve(found.size());
  for (FoundFile& f : found) {
    FLX entry;
    entry.name = std::move(f.name);
    StrUpperSjis(entry.name);
    if (kind == OtherFile && HasLibraryExtension(entry.name)) continue;
    if (dir.size() + entry.name.size() > kMaxPath) continue;
    entry.time = DosTimeOf(f.stamp);
    entry.date = DosDateOf(f.stamp);
    list.push_back(std::move(entry));
  }
  return list;
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

}  // namespace

int CompareKind(const std::string& currentDir, const std::string& oldDir, SBNdtAry& changes,
                const std::string& extension, FileKind kind, StringAry* changedLibraries) {
  if (extension.size() > kMaxExtension) return 0;
  for (const std::string* dir : {&currentDir, &oldDir}) {
    if (dir->size() + 2 + extension.size() > kMaxPath) return 0;
  }
  FLXAry current = ListDirectory(currentDir, extension, kind);
  FLXAry old = ListDirectory(oldDir, extension, kind);

  // Every pair of equal names counts, as in a nested loop: the last old match sets the current state.
  const auto old_by_name = IndexByName(old, [](const FLX& f) { return f.name; });
  for (FLX& c : current) {
    const auto it = old_by_name.find(c.name);
    if (it == old_by_name.end()) continue;
    const FLX& o = old[it->second.back()];
    c.state = c.time == o.time && c.date == o.date ? 1 : 2;
    for (std::size_t i : it->second) old[i].state = 1;
  }

  auto record = [&](std::int32_t op, const std::string& dir, const FLX& f) {
    changes.push_back({op, kind, f.name, TitleOf(kind, dir + f.name), ""});
  };
  if (changedLibraries != nullptr) {
    for (const FLX& c : current) {
      if (c.state == 0) record(kOpAddOrReplace, currentDir, c);
    }
    for (const FLX& c : current) {
      if (c.state == 2) changedLibraries->push_back(c.name);
    }
  } else {
    for (const FLX& c : current) {
      if (c.state != 1) record(kOpAddOrReplace, currentDir, c);
    }
  }
  for (const FLX& o : old) {
    if (o.state == 0) record(kOpDelete, oldDir, o);
  }
  return 0;
}

void CompareLibraryDocuments(const std::string& currentDir, const std::string& oldDir, SBNdtAry& changes,
                             const StringAry& changedLibraries) {
  for (const std::string& lib : changedLibraries) {
    SSDocInfoAry a, b;
    std::string title_a, title_b;
    const int fa = ReadLibIndex(SSDlib{}, a, &title_a, currentDir + lib);
    if (fa < 0) continue;
    const int fb = ReadLibIndex(SSDlib{}, b, &title_b, oldDir + lib);
    if (fb < 0) {
      FileClose(fa);
      continue;
    }
    // ReadLibIndex cleared the error word with its open; from here a failed read stays set, so that
    // it counts as a difference for the rest of this pair, as the chunked compare intends.
    const auto b_by_name = IndexByName(b, [](const SSDocInfo& d) { return d.name; });
    for (SSDocInfo& doc : a) {
      const auto it = b_by_name.find(doc.name);
      if (it == b_by_name.end()) continue;
      for (std::size_t i : it->second) {
        SSDocInfo& other = b[i];
        if (doc.length == other.length) {
          FileSeek(fa, doc.offset);
          FileSeek(fb, other.offset);
          doc.word = FilesEqual(fa, fb, doc.length) ? 1 : 2;
        }
        other.word = 1;
      }
    }
    for (const SSDocInfo& doc : a) {
      if (doc.word != 1) changes.push_back({kOpAddOrReplace, DocumentLibrary, lib, title_a, doc.name});
    }
    for (const SSDocInfo& doc : b) {
      if (doc.word == 0) changes.push_back({kOpDelete, DocumentLibrary, lib, title_b, doc.name});
    }
    FileClose(fa);
    FileClose(fb);
  }
}

int AnalyseMenuDirs(const std::string& currentDir, const std::string& oldDir, SBNdtAry& changes,
                    const std::string& extensions) {
  changes.clear();
  CompareKind(currentDir, oldDir, changes, "SST", MenuFile, nullptr);
  StringAry changed_libraries;
  CompareKind(currentDir, oldDir, changes, "SSD", DocumentLibrary, &changed_libraries);
  if (!changed_libraries.empty()) CompareLibraryDocuments(currentDir, oldDir, changes, changed_libraries);
  CompareKind(currentDir, oldDir, changes, "SSV", CommonLibrary, nullptr);
  std::size_t start = 0;
  while (start <= extensions.size()) {
    std::size_t comma = extensions.find(',', start);
    if (comma == std::string::npos) comma = extensions.size();
    const std::string token = extensions.substr(start, comma - start);
    if (!token.empty()) CompareKind(currentDir, oldDir, changes, token, OtherFile, nullptr);
    start = comma + 1;
  }
  return 0;
}

}  // namespace quarvel
