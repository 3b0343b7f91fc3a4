#include "engine/import/import_plan.h"

#include <algorithm>
#include <set>
#include <unordered_map>
#include <utility>

#include "engine/diff/diff_reader.h"
#include "engine/diff/seal_check.h"
#include "engine/import/dir_lock.h"
#include "fileio/fileio.h"
#include "fileio/range_digests.h"
#include "menufiles/libindex.h"
#include "platform/platform.h"
#include "platform/text.h"

namespace quarvel {

namespace {

ImportCheck Refuse(PreparedDiff* out, ImportCheck why) {
  out->Close();
  return why;
}

// What the menu directory holds under an entry's name, as far as the checks care.
ImportRefusal CheckOccupant(const std::string& menuDir, const std::string& name) {
  if (!Host().NameFits(menuDir, name)) return ImportRefusal::kNameTooLong;
  // Where names differ in case only, the import could not tell which one it replaces.
  std::vector<std::string> names;
  if (Host().FindNames(menuDir + name, &names) != 0 || names.size() > 1) return ImportRefusal::kAmbiguousName;
  std::uint32_t attrs = 0;
  if (Host().GetAttributes(menuDir + name, &attrs) == 0 && (attrs & kAttrDirectory)) {
    return ImportRefusal::kDirectoryInTheWay;
  }
  return ImportRefusal::kNone;
}

ImportCheck Prepare(const std::string& diffPath, const std::string& menuDir, const SBNdtAry& list,
                  PreparedDiff* out) {
  if (list.empty()) return {ImportRefusal::kEmptyList, -1};
  if (const int d = CheckDirectory(menuDir); d != 0) {
    return {d == kPlatformNotFound ? ImportRefusal::kMenuDirMissing : ImportRefusal::kMenuDirNotDirectory, -1};
  }
  out->fd = OpenDiffFile(diffPath, out->directory, out->description);
  if (out->fd == kFileWrongMagic) return Refuse(out, {DiffFault::kNotDiff, -1});
  if (out->fd < 0) return Refuse(out, {DiffFault::kNotOpened, -1});
  SBNdtAry& dir = out->directory;
  // The directory is compared with the list only once it is known to be read whole.
  if (!DirectoryCut() && dir.size() != list.size()) return Refuse(out, {ImportRefusal::kCountMismatch, -1});
  // The file's ops are checked as the file holds them, before the list's marks are put on them.
  const DiffCheck check = CheckDiffBlocks(out->fd, dir, &out->blocks, &out->seal);
  if (!check.ok()) return Refuse(out, {check.fault, check.entry});
  // The directory that every later check reads is the seal's before anything is decided by it.
  if (out->seal.sealed && !RangeHasDigest(out->fd, 0, out->seal.headLength, out->seal.seal.head)) {
    return Refuse(out, {DiffFault::kDigestMismatch, -1});
  }
  for (std::size_t i = 0; i < dir.size() && i < list.size(); ++i) {
    if (IsExcluded(list[i])) dir[i].op |= kOpExcluded;
  }

  std::set<std::string> replaced;  // upper-cased names of files the diff itself creates
  for (std::size_t i = 0; i < dir.size(); ++i) {
    if ((menuDir + dir[i].name).size() > kMaxPath || menuDir.size() + 10 > kMaxPath) {
      return Refuse(out, {ImportRefusal::kPathTooLong, static_cast<int>(i)});
    }
    if (IsExcluded(dir[i])) continue;
    if (const ImportRefusal f = CheckOccupant(menuDir, dir[i].name); f != ImportRefusal::kNone) {
      return Refuse(out, {f, static_cast<int>(i)});
    }
    if (!IsDocumentLevel(dir[i])) replaced.insert(SjisAsciiUpper(dir[i].name));
  }
  std::set<std::string> checked;
  for (std::size_t i = 0; i < dir.size(); ++i) {
    const SBNdt& e = dir[i];
    if (IsExcluded(e) || !IsDocumentLevel(e)) continue;
    const std::string upper = SjisAsciiUpper(e.name);
    if (replaced.count(upper) != 0 || !checked.insert(upper).second) continue;
    SSDocInfoAry docs;
    int fd = -1;
    const LibraryState state = OpenLibraryForChange(menuDir + e.name, &docs, &fd);
    if (fd >= 0) FileClose(fd);
    if (state == LibraryState::kUnreadable) return Refuse(out, {ImportRefusal::kBadLibrary, static_cast<int>(i)});
  }
  return {};
}

// What importing `list` (its excluded entries left out) creates, replaces, deletes and rebuilds in
// `menuDir` as it stands now.
void SummariseImport(const std::string& menuDir, const SBNdtAry& list, ImportPlan* plan) {
  *plan = ImportPlan{};
  // Counted as the import applies them: names that differ in case only are one file, which the first
  // entry of the name moves aside; the last entry that adds it gives the file that stays, under its
  // own spelling, and with none a deletion stays. In a library the first entry for a document decides
  // (but for a deletion of a document the library does not hold, which a later addition outweighs: the
  // summary, which does not read the libraries, counts the deletion then).
  std::vector<std::pair<std::string, bool>> files;  // the name as it will stand, whether a file stays
  std::unordered_map<std::string, std::size_t> fileIndex;
  std::set<std::string> libraries, documents;
  for (const SBNdt& e : list) {
    if (IsExcluded(e)) {
      ++plan->excluded;
      continue;
    }
    const bool remove = e.op != kOpAddOrReplace;
    const std::string upper = SjisAsciiUpper(e.name);
    if (IsDocumentLevel(e)) {
      if (libraries.insert(upper).second) plan->rebuilds.push_back(e.name);
      if (documents.insert(upper + '\0' + e.member).second) plan->documents.push_back({e.name, e.member, remove});
      continue;
    }
    const auto [it, added] = fileIndex.emplace(upper, files.size());
    if (added) files.emplace_back(e.name, false);
    if (!remove) files[it->second] = {e.name, true};
  }
  for (const auto& [name, stays] : files) {
    std::uint32_t attrs = 0;
    const bool exists = Host().GetAttributes(menuDir + name, &attrs) == 0;
    StringAry& into = stays ? (exists ? plan->replaces : plan->creates) : (exists ? plan->deletes : plan->absent);
    into.push_back(name);
  }
}

}  // namespace

PreparedDiff& PreparedDiff::operator=(PreparedDiff&& other) noexcept {
  if (this != &other) {
    Close();
    fd = std::exchange(other.fd, -1);
    description = std::move(other.description);
    directory = std::move(other.directory);
    blocks = std::move(other.blocks);
    seal = std::move(other.seal);
  }
  return *this;
}

void PreparedDiff::Close() {
  if (fd >= 0) FileClose(fd);
  fd = -1;
}

LibraryState OpenLibraryForChange(const std::string& path, SSDocInfoAry* docs, int* fd) {
  *fd = -1;
  docs->clear();
  std::uint32_t attrs = 0;
  const int r = Host().GetAttributes(path, &attrs);
  if (r == kPlatformNotFound) return LibraryState::kAbsent;
  // A link is never read through, so a link under a library's name cannot be changed.
  if (r != 0 || (attrs & (kAttrDirectory | kAttrLink))) return LibraryState::kUnreadable;
  std::string title;
  *fd = ReadLibIndex(SSDlib{}, *docs, &title, path);
  if (*fd >= 0) return LibraryState::kIndexed;
  // Not a library: a file of zero bytes still counts as an empty one.
  const int probe = FileOpenRead(path);
  if (probe < 0) return LibraryState::kUnreadable;
  const std::int64_t size = Host().Size(probe);
  FileClose(probe);
  return size == 0 ? LibraryState::kEmpty : LibraryState::kUnreadable;
}

int PrepareImport(const std::string& diffPath, const std::string& menuDir, const SBNdtAry& list,
                  PreparedDiff* out, ImportCheck* why) {
  *out = PreparedDiff{};
  *why = Prepare(diffPath, menuDir, list, out);
  return why->ok() ? 0 : -1;
}

ImportRefusal TestWritable(const std::string& menuDir, StringAry* leftBehind) {
  const std::string test = menuDir + kWritabilityTestName;
  std::uint32_t attrs = 0;
  if (Host().GetAttributes(test, &attrs) != kPlatformNotFound) return ImportRefusal::kNone;
  const int fd = FileCreateNew(test);
  if (fd < 0) return ImportRefusal::kNotWritable;
  const bool closed = FileCloseWritten(fd) == 0;
  bool removed = false;
  for (int i = 0; i < 3 && !removed; ++i) removed = RemoveFileOrReadOnly(test);
  if (!removed) {
    leftBehind->push_back(kWritabilityTestName);
    return ImportRefusal::kTestFileLeft;
  }
  return closed ? ImportRefusal::kNone : ImportRefusal::kNotWritable;
}

bool RemoveFileOrReadOnly(const std::string& path) {
  int r = FileRemove(path);
  if (r == kPlatformDenied && Host().SetAttributes(path, 0) == 0) r = FileRemove(path);
  return r == 0 || r == kPlatformNotFound;
}

int CheckImportBases(const std::string& menuDir, const ImportOptions& options, PreparedDiff* prepared,
                     BaseCheck* bases, ImportCheck* why) {
  *bases = {};
  *why = {};
  if (!prepared->seal.sealed) return 0;
  CheckBases(menuDir, prepared->fd, prepared->directory, prepared->blocks, prepared->seal, bases);
  // A damaged block can look like a local change or like one already applied: those entries' blocks
  // are verified now (the import verifies the others while it stages, and leaves the applied ones out).
  std::vector<int> decided = bases->applied;
  for (const BaseConflict& c : bases->conflicts) decided.push_back(c.entry);
  std::sort(decided.begin(), decided.end());
  for (const int i : decided) {
    const DiffBlock& b = prepared->blocks[static_cast<std::size_t>(i)];
    if (!RangeHasDigest(prepared->fd, b.start, 4 + std::uint64_t{b.length}, prepared->seal.seal.blocks[static_cast<std::size_t>(i)])) {
      *bases = {};
      *why = {DiffFault::kDigestMismatch, i};
      return -1;
    }
  }
  if (!options.force && !bases->conflicts.empty()) {
    *why = {ImportRefusal::kConflicts, bases->conflicts.front().entry};
    return -1;
  }
  for (const int i : bases->applied) prepared->directory[static_cast<std::size_t>(i)].op |= kOpExcluded;
  return 0;
}

bool AnyToImport(const SBNdtAry& directory) {
  for (const SBNdt& e : directory) {
    if (!IsExcluded(e)) return true;
  }
  return false;
}

std::vector<bool> ChosenEntries(const SBNdtAry& directory) {
  std::vector<bool> chosen;
  for (const SBNdt& e : directory) chosen.push_back(!IsExcluded(e));
  return chosen;
}

int PlanImport(const std::string& diffPath, const std::string& menuDir, const SBNdtAry& list, ImportPlan* plan,
               ImportCheck* why, const ImportOptions& options, bool digests) {
  *plan = ImportPlan{};
  PreparedDiff prepared;
  if (PrepareImport(diffPath, menuDir, list, &prepared, why) != 0) return -1;
  plan->sealed = prepared.seal.sealed;
  BaseCheck bases;
  const int checked = CheckImportBases(menuDir, options, &prepared, &bases, why);
  prepared.Close();
  plan->bases = bases;  // the conflicts of a refusal too
  if (checked != 0) return -1;
  if (digests && prepared.seal.sealed) {
    SealVerifier verifier(diffPath, prepared.blocks, prepared.seal, ChosenEntries(prepared.directory));
    if (*why = verifier.Finish(); !why->ok()) return -1;
  }
  if (const ImportRefusal f = MenuDirBusy(menuDir); f != ImportRefusal::kNone) {
    *why = {f, -1};
    return -1;
  }
  // The real import's last check before its first change: the directory must take a new file.
  StringAry left;
  if (const ImportRefusal f = TestWritable(menuDir, &left); f != ImportRefusal::kNone) {
    *why = {f, -1};
    plan->leftBehind = left;
    return -1;
  }
  SummariseImport(menuDir, prepared.directory, plan);
  plan->sealed = prepared.seal.sealed;
  plan->bases = bases;
  plan->excluded -= static_cast<int>(bases.applied.size());  // left out by the check, not by the list
  return 0;
}

}  // namespace quarvel
