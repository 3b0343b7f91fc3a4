#include "engine/import/undo_plan.h"

#include <cstdio>
#include <map>
#include <set>
#include <unordered_map>

#include "engine/diff/diff_check.h"
#include "engine/diff/diff_format.h"
#include "engine/import/import_plan.h"
#include "fileio/fileio.h"
#include "menufiles/headers.h"
#include "platform/dos_time.h"
#include "platform/platform.h"
#include "platform/text.h"

namespace quarvel {

namespace {

struct Planner : UndoFailure {
  Planner(const std::string& dir, UndoPlan* p) : menuDir(dir), plan(p) {}
  const std::string& menuDir;
  UndoPlan* plan;
};

// The title in the header of the file at `path`, as the analysis would read it for that kind. False
// when the file could not be read, or its header came up short although the file holds a whole one
// (`size` bytes; -1 when every header must be whole).
bool OldTitle(std::int32_t type, const std::string& path, std::int64_t size, std::string* title) {
  title->clear();
  if (type == MenuFile) ReadMenuTitle(SSMenu{}, title, path);
  if (type == DocumentLibrary) ReadDocLibTitle(SSDlib{}, title, path);
  if (type == CommonLibrary) ReadComLibTitle(SSVlib{}, title, path);
  if (type < MenuFile || type > CommonLibrary || FileErrorFlags == 0) return true;
  return FileErrorFlags == FERR_BADDATA && size >= 0 && size < static_cast<std::int64_t>(kHeaderSize);
}

// The spelling on disk of what stands under `name`, which must be a regular file; with `whole`, one
// that fits a diff's block.
bool OldFile(Planner& p, const std::string& name, bool whole, std::string* spelled, bool* readOnly,
             std::int64_t* size) {
  *size = -1;
  const std::string path = p.menuDir + name;
  std::uint32_t attrs = 0;
  if (Host().GetAttributes(path, &attrs) != 0) return p.Fail(UndoFault::kUnreadable, name);
  if (attrs & kAttrLink) return p.Fail(UndoFault::kLink, name);
  std::vector<std::string> found;
  if ((attrs & kAttrDirectory) || Host().FindNames(path, &found) != 0 || found.size() != 1) {
    return p.Fail(UndoFault::kUnreadable, name);
  }
  *spelled = found[0];
  *readOnly = (attrs & kAttrReadOnly) != 0;
  if (!whole) return true;
  const int fd = FileOpenRead(path);
  if (fd < 0) return p.Fail(UndoFault::kUnreadable, name);
  const std::int64_t bytes = Host().Size(fd);
  FileClose(fd);
  if (bytes < 0) return p.Fail(UndoFault::kUnreadable, name);
  if (bytes > static_cast<std::int64_t>(kMaxDiffData) - 8) return p.Fail(UndoFault::kTooBig, name);
  *size = bytes;
  return true;
}

UndoItem Deletion(const SBNdt& e, const std::string& member = "") {
  UndoItem item;
  item.entry = {kOpDelete, e.type, e.name, e.title, member};
  return item;
}

// The whole file `name` given back as it is now.
bool AddWholeFile(Planner& p, std::int32_t type, const std::string& name, bool library) {
  UndoItem item;
  std::int64_t size = -1;
  std::string title;
  if (!OldFile(p, name, true, &item.from, &item.readOnly, &size)) return false;
  // The title of a whole file only names it in listings; a short file has none to read.
  if (!OldTitle(type, p.menuDir + item.from, size, &title)) return p.Fail(UndoFault::kUnreadable, name);
  item.entry = {kOpAddOrReplace, type, item.from, title, ""};
  item.source = UndoSource::kFile;
  item.wholeLibrary = library;
  p.plan->items.push_back(item);
  return true;
}

// A library that document entries change, and not a file entry. `commands` are its entries in
// directory order. The documents after the import follow the import's rule: the first entry of a
// name decides for the documents of that name (replaced in place or dropped); then each added name
// that the library did not hold is appended, once, in entry order.
bool PlanLibrary(Planner& p, const std::vector<const SBNdt*>& commands) {
  const SBNdt& first = *commands.front();
  bool writes = false;
  for (const SBNdt* c : commands) writes = writes || c->op == kOpAddOrReplace;
  SSDocInfoAry docs;
  int fd = -1;
  const LibraryState state = OpenLibraryForChange(p.menuDir + first.name, &docs, &fd);
  if (fd >= 0) FileClose(fd);
  if (state == LibraryState::kUnreadable) return p.Fail(UndoFault::kUnreadable, first.name);
  if (state == LibraryState::kAbsent) {
    if (writes) p.plan->items.push_back(Deletion(first));
    return true;
  }
  // A library without documents goes back whole: rebuilt without any, it would be a file of zero bytes.
  if (state == LibraryState::kEmpty || docs.empty()) return AddWholeFile(p, DocumentLibrary, first.name, true);

  std::unordered_map<std::string, const SBNdt*> decides;
  for (const SBNdt* c : commands) decides.emplace(c->member, c);
  std::set<std::string> held;
  bool unique = true;
  for (const SSDocInfo& d : docs) unique = held.insert(d.name).second && !d.name.empty() && unique;
  std::vector<const SSDocInfo*> changed;  // replaced or dropped, in the library's order
  bool dropping = false, suffix = true;
  for (const SSDocInfo& d : docs) {
    const auto it = decides.find(d.name);
    const bool dropped = it != decides.end() && it->second->op != kOpAddOrReplace;
    if (it != decides.end()) changed.push_back(&d);
    suffix = suffix && (dropped || !dropping);
    dropping = dropping || dropped;
  }
  StringAry added;
  for (const SBNdt* c : commands) {
    if (c->op == kOpAddOrReplace && held.insert(c->member).second) added.push_back(c->member);
  }
  // With no document to give back, the import still rebuilds the library, under the diff's title:
  // only the whole file gives back its header.
  if (!unique || !suffix || (changed.empty() && added.empty())) return AddWholeFile(p, DocumentLibrary, first.name, true);

  std::string spelled, title;
  bool readOnly = false;
  std::int64_t size = -1;
  if (!OldFile(p, first.name, false, &spelled, &readOnly, &size)) return false;
  // Every entry carries the old title: the import gives a rebuilt library its first entry's title.
  if (!OldTitle(DocumentLibrary, p.menuDir + spelled, -1, &title)) return p.Fail(UndoFault::kUnreadable, first.name);
  for (const SSDocInfo* d : changed) {
    UndoItem item;
    item.entry = {kOpAddOrReplace, DocumentLibrary, spelled, title, d->name};
    item.source = UndoSource::kDocument;
    item.from = spelled;
    p.plan->items.push_back(item);
  }
  for (const std::string& member : added) {
    UndoItem item;
    item.entry = {kOpDelete, DocumentLibrary, spelled, title, member};
    p.plan->items.push_back(item);
  }
  return true;
}

bool Plan(Planner& p, const SBNdtAry& directory) {
  // File entries by name (names that differ in case only are one file), in first-entry order.
  std::map<std::string, std::size_t> names;
  std::vector<const SBNdt*> firsts;
  std::vector<bool> created;
  std::map<std::string, std::vector<const SBNdt*>> libraries;
  std::vector<std::string> libraryOrder;
  for (const SBNdt& e : directory) {
    if (IsExcluded(e)) continue;
    const std::string upper = SjisAsciiUpper(e.name);
    if (IsDocumentLevel(e)) {
      auto& commands = libraries[upper];
      if (commands.empty()) libraryOrder.push_back(upper);
      commands.push_back(&e);
      continue;
    }
    const auto [it, added] = names.emplace(upper, firsts.size());
    if (added) {
      firsts.push_back(&e);
      created.push_back(false);
    }
    if (e.op == kOpAddOrReplace) created[it->second] = true;
  }
  for (std::size_t i = 0; i < firsts.size(); ++i) {
    const SBNdt& e = *firsts[i];
    std::uint32_t attrs = 0;
    const int r = Host().GetAttributes(p.menuDir + e.name, &attrs);
    if (r == 0) {
      if (!AddWholeFile(p, e.type, e.name, false)) return false;
      continue;
    }
    if (r != kPlatformNotFound) return p.Fail(UndoFault::kUnreadable, e.name);
    // Nothing stands there: whatever the import makes there goes again.
    bool made = created[i];
    const auto lib = libraries.find(SjisAsciiUpper(e.name));
    if (lib != libraries.end()) {
      for (const SBNdt* c : lib->second) made = made || c->op == kOpAddOrReplace;
    }
    if (made) p.plan->items.push_back(Deletion(e));
  }
  for (const std::string& upper : libraryOrder) {
    // A library that a file entry also names is given back whole by that entry's undo.
    if (names.count(upper) == 0 && !PlanLibrary(p, libraries[upper])) return false;
  }
  if (p.plan->items.size() > static_cast<std::size_t>(kMaxDiffEntries)) return p.Fail(UndoFault::kTooMany, "");
  SBNdtAry entries;
  for (const UndoItem& item : p.plan->items) entries.push_back(item.entry);
  if (const int bad = FirstUnsafeEntry(entries); bad >= 0) {
    return p.Fail(UndoFault::kUnsafeName, entries[static_cast<std::size_t>(bad)].name);
  }
  return true;
}

}  // namespace

std::string UndoDescription(const std::string& diffDescription, std::time_t now) {
  const std::uint32_t stamp = DosStampFromTime(now);
  const unsigned date = DosDateOf(stamp), time = DosTimeOf(stamp);
  char head[32];
  std::snprintf(head, sizeof head, "undo %04u-%02u-%02u %02u:%02u", (date >> 9) + 1980, (date >> 5) & 15, date & 31,
                time >> 11, (time >> 5) & 63);
  return SjisCut(diffDescription.empty() ? head : head + (" " + diffDescription), kDescriptionField - 1);
}

int PlanUndo(const std::string& menuDir, const SBNdtAry& directory, const std::string& description, UndoPlan* plan,
             UndoFault* fault, std::string* name) {
  *plan = UndoPlan{};
  plan->description = description;
  Planner p(menuDir, plan);
  const bool ok = Plan(p, directory);
  *fault = p.fault;
  *name = p.name;
  if (!ok) plan->items.clear();
  return ok ? 0 : -1;
}

}  // namespace quarvel
