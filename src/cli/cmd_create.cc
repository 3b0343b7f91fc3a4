#include <cstdio>

#include "cli/arguments.h"
#include "cli/busy_dir.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "cli/write_diff.h"
#include "fileio/fileio.h"
#include "menufiles/headers.h"
#include "menufiles/library_lookup.h"
#include "platform/platform.h"

namespace quarvel::kmd {

namespace {

// The change for one ITEM, with the title its header gives, as the creation dialog's listings show it.
// Returns kExitOk, or the exit code (with the error printed) for an item that is malformed or names
// nothing in the menu directory.
int ItemChange(const std::string& menuDir, const std::string& item, LibraryLookup& libraries, SBNdt* change) {
  const std::size_t colon = item.find(':');
  const std::string kind = colon == std::string::npos ? "" : item.substr(0, colon);
  std::string rest;
  if (kind.empty() || item.size() == colon + 1) {
    return Fail(kExitUsage, "bad item '" + item + "': use menu:, lib:, doc:, common: or file: and a name");
  }
  if (!FromArg(item.substr(colon + 1), "item", &rest)) return kExitUsage;
  change->op = kOpAddOrReplace;
  change->name = rest;
  std::string missing;
  std::int32_t number = 0;
  std::uint32_t count = 0, length = 0;
  if (kind == "menu") {
    change->type = MenuFile;
    const int fd = OpenMenuFile(SSMenu{}, &number, &change->title, menuDir + rest);
    if (fd < 0) missing = "no menu file ";
    else FileClose(fd);
  } else if (kind == "lib" || kind == "doc") {
    change->type = DocumentLibrary;
    if (kind == "doc") {
      const std::size_t slash = rest.find('/');
      if (slash == std::string::npos || slash + 1 == rest.size()) {
        return Fail(kExitUsage, "bad item '" + item + "': use doc:LIBRARY.SSD/DOCUMENT");
      }
      change->name = rest.substr(0, slash);
      change->member = rest.substr(slash + 1);
      SSDocInfo doc;
      if (libraries.Find(menuDir + change->name, change->member, &doc, &change->title) < 0) {
        missing = "no document " + Utf8(change->member) + " in library ";
      }
    } else {
      const int fd = OpenDocLib(SSDlib{}, &count, &length, &number, &change->title, menuDir + rest);
      if (fd < 0) missing = "no document library ";
      else FileClose(fd);
    }
  } else if (kind == "common") {
    change->type = CommonLibrary;
    const int fd = OpenComLib(SSVlib{}, &count, &length, &number, &change->title, menuDir + rest);
    if (fd < 0) missing = "no common library ";
    else FileClose(fd);
  } else if (kind == "file") {
    change->type = OtherFile;
    std::uint32_t attrs = 0;
    if (Host().GetAttributes(menuDir + rest, &attrs) != 0 || (attrs & (kAttrDirectory | kAttrLink))) {
      missing = "no file ";
    }
  } else {
    return Fail(kExitUsage, "bad item '" + item + "': unknown kind '" + kind + "'");
  }
  if (!missing.empty()) return Fail(kExitFailed, missing + Utf8(change->name) + " in " + Utf8(menuDir));
  return kExitOk;
}

}  // namespace

int RunCreate(const CreateArgs& args) {
  std::string menuDir, output, comment;
  if (const int r = DirArg(args.menuDir, "MENU_DIR", &menuDir); r != kExitOk) return r;
  if (const int r = IdleDir(menuDir, args.menuDir, true); r != kExitOk) return r;
  if (const int r = OutputArg(args.output, {args.menuDir}, &output); r != kExitOk) return r;
  if (!FromArg(args.comment, "comment", &comment)) return kExitUsage;
  SBNdtAry changes;
  {
    LibraryLookup libraries;  // closed before the diff is written
    for (const std::string& item : args.items) {
      SBNdt change;
      if (const int code = ItemChange(menuDir, item, libraries, &change); code != kExitOk) return code;
      changes.push_back(change);
    }
  }
  if (const int r = WriteDiff(output, menuDir, changes, comment, args.output, WriteOptions{!args.plain, ""}); r != kExitOk) return r;
  for (const SBNdt& c : changes) std::printf("%s\n", ChangeLine(c).c_str());
  return kExitOk;
}

}  // namespace quarvel::kmd
