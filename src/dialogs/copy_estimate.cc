#include "dialogs/copy_estimate.h"

#include <map>
#include <set>
#include <vector>

#include "engine/diff/diff_check.h"
#include "engine/diff/diff_format.h"
#include "engine/diff/diff_reader.h"
#include "fileio/fileio.h"
#include "menufiles/libindex.h"
#include "menufiles/library_lookup.h"
#include "platform/platform.h"
#include "platform/text.h"

namespace quarvel {

namespace {

// The data length that a document block holds; 0 when it cannot be read.
std::uint32_t DocumentDataLength(int diff, const DiffBlock& block) {
  DocumentBlockHead head;
  return ReadDocumentBlockHead(diff, block.DataStart(), &head) ? head.length : 0;
}

// A library that document entries change, under the spelling its first entry gives.
struct ChangedLibrary {
  std::string name;
  std::set<std::string> members;  // documents that entries name: the library does not keep their data
};

}  // namespace

std::uint64_t DiffWriteBytes(const std::string& menuDir, const SBNdtAry& changes) {
  std::uint64_t total = 0;
  LibraryLookup libraries;
  for (const SBNdt& e : changes) {
    if (e.op != kOpAddOrReplace) continue;
    if (IsDocumentLevel(e)) {
      SSDocInfo doc;
      std::string title;
      if (libraries.Find(menuDir + e.name, e.member, &doc, &title) >= 0) total += doc.length;
    } else {
      const int fd = FileOpenRead(menuDir + e.name);
      if (fd < 0) continue;
      const std::int64_t size = Host().Size(fd);
      if (size > 0) total += static_cast<std::uint64_t>(size);
      FileClose(fd);
    }
  }
  return total;
}

std::uint64_t DiffImportBytes(const std::string& diffPath, const std::string& menuDir, const SBNdtAry& list) {
  SBNdtAry entries;
  std::string description;
  const int diff = OpenDiffFile(diffPath, entries, description);
  if (diff < 0) return 0;
  std::vector<DiffBlock> blocks;
  if (!CheckDiffBlocks(diff, entries, &blocks).ok() || entries.size() != list.size()) {
    FileClose(diff);
    return 0;
  }
  std::uint64_t total = 0;
  std::map<std::string, ChangedLibrary> libraries;  // by upper-cased name, as the import matches them
  std::map<std::string, std::uint64_t> wholeFiles;  // upper-cased name: the bytes the diff gives it
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const SBNdt& e = entries[i];
    if (IsExcluded(list[i])) continue;
    if (IsDocumentLevel(e)) {
      ChangedLibrary& library = libraries[SjisAsciiUpper(e.name)];
      if (library.name.empty()) library.name = e.name;
      library.members.insert(e.member);
      if (e.op == kOpAddOrReplace) total += DocumentDataLength(diff, blocks[i]);
    } else {
      // A file block holds the read-only flag and the stamp before the file's bytes.
      const std::uint64_t bytes = e.op == kOpAddOrReplace ? blocks[i].FileBytes() : 0;
      wholeFiles[SjisAsciiUpper(e.name)] = bytes;
      total += bytes;
    }
  }
  FileClose(diff);
  for (const auto& [upper, library] : libraries) {
    // A library that the diff also gives whole is rebuilt from those bytes: at most all of them are kept.
    if (const auto whole = wholeFiles.find(upper); whole != wholeFiles.end()) {
      total += whole->second;
      continue;
    }
    SSDocInfoAry docs;
    std::string title;
    const int lib = ReadLibIndex(SSDlib{}, docs, &title, menuDir + library.name);
    if (lib < 0) continue;
    for (const SSDocInfo& doc : docs) {
      if (library.members.count(doc.name) == 0) total += doc.length;
    }
    FileClose(lib);
  }
  return total;
}

}  // namespace quarvel
