#include "cli/output.h"

#include <cstdio>

#include "engine/diff/diff_check.h"
#include "engine/import/dir_lock.h"
#include "engine/diff/diff_writer.h"
#include "fileio/copy_progress.h"
#include "fileio/fileio.h"
#include "fileio/work_names.h"
#include "model/list_line.h"
#include "platform/dos_time.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "shell/paths.h"

namespace quarvel::kmd {

std::string Utf8(const std::string& cp932) {
  // A control character in a name (a newline, an escape) would forge or colour the lines around it.
  std::string text;
  for (const char c : Cp932ToUtf8Lossy(cp932)) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", b);
      text += escaped;
    } else {
      text += c;
    }
  }
  return text;
}

std::string ShownName(const std::string& cp932) {
  std::string text;
  for (const char c : Utf8(cp932)) {
    if (c == '\\') text += '\\';
    text += c;
  }
  if (text.size() <= kShownNameBytes) return text;
  std::size_t cut = kShownNameBytes;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // a UTF-8 continuation byte
  return text.substr(0, cut) + "\xE2\x80\xA6";
}

bool FromArg(const std::string& arg, const char* what, std::string* cp932) {
  if (Utf8ToCp932(arg, cp932)) return true;
  Fail(kExitUsage, std::string(what) + " has characters that the menu directory cannot name: " + arg);
  return false;
}

int DirArg(const std::string& arg, const char* what, std::string* dir) {
  // An empty path would become the root once its separator is added.
  if (arg.empty()) return Fail(kExitUsage, std::string(what) + " must not be empty");
  if (!FromArg(arg, what, dir)) return kExitUsage;
  AddTrailingSeparator(*dir);
  if (const int r = CheckDirectory(*dir); r != 0) {
    return Fail(kExitFailed, arg + (r == kPlatformNotFound ? ": no such directory" : ": not a directory"));
  }
  return kExitOk;
}

std::string ShownDirectory(const std::string& dir) {
  if (dir.empty()) return ".";
  std::string shown = dir;
  if (shown.size() > 1) RemoveTrailingSeparator(shown);
  return Utf8(shown);
}

int OutputArg(const std::string& arg, const std::vector<std::string>& dirs, std::string* path) {
  if (arg.empty()) return Fail(kExitUsage, "the output path (-o) must not be empty");
  if (!FromArg(arg, "output path", path)) return kExitUsage;
  // The directory is split off at the last single-byte separator: a trail byte 0x5C is none.
  const std::string parent = DirectoryPart(*path);
  for (const std::string& dir : dirs) {
    std::string cp932Dir;
    if (Utf8ToCp932(dir, &cp932Dir) && Host().SameFile(parent.empty() ? "." : parent, cp932Dir)) {
      return Fail(kExitUsage, "the output " + arg + " lies in " + dir +
                                  ", whose files the diff describes; write it somewhere else");
    }
  }
  return IdleDir(parent, ShownDirectory(parent), false);
}

bool IsDirectoryFault(DiffFault fault) {
  switch (fault) {
    case DiffFault::kImportRunning:
    case DiffFault::kRecoveryPending:
    case DiffFault::kLockInTheWay:
    case DiffFault::kLockIsDirectory:
    case DiffFault::kLockIsSpecial:
    case DiffFault::kLockOfOtherUser:
    case DiffFault::kLockLinked:
      return true;
    default:
      return false;
  }
}

std::string BusyText(DiffFault fault, const std::string& shown) {
  if (fault == DiffFault::kImportRunning) return "another import is running in " + shown;
  if (fault == DiffFault::kRecoveryPending) {
    return "an interrupted import awaits recovery in " + shown + "; run kmd recover " + shown;
  }
  // A lock file in the way says where and what to do; only the user can tell whether to remove it.
  const bool ends = !shown.empty() && (shown.back() == '/' || shown.back() == kDirSep);
  const std::string lock = shown + (ends ? "" : std::string(1, kDirSep)) + kLockName;
  switch (fault) {
    case DiffFault::kLockOfOtherUser:
      return "a lock file of another user's import is left in " + shown + ": " + lock +
             " is not this user's; if no import runs there, that user's kmd recover " + shown +
             " or removing the file clears it";
    case DiffFault::kLockLinked:
      return std::string(DiffFaultText(fault)) + " in " + shown + ", so it is not written to; remove " + lock +
             " (its other names stay)";
    case DiffFault::kLockInTheWay:
    case DiffFault::kLockIsDirectory:
    case DiffFault::kLockIsSpecial:
      return std::string(DiffFaultText(fault)) + " in " + shown + "; remove or rename " + lock;
    default:
      break;
  }
  return std::string(DiffFaultText(fault)) + ": " + shown;
}

int IdleDir(const std::string& dir, const std::string& shown, bool whole) {
  const DiffFault f = MenuDirBusy(dir);
  if (f == DiffFault::kNone || (f == DiffFault::kRecoveryPending && !whole)) return kExitOk;
  return Fail(kExitFailed, BusyText(f, shown));
}

std::string Names(const StringAry& names) {
  std::string text;
  for (const std::string& n : names) text += (text.empty() ? "" : ", ") + ShownName(n);
  return text;
}

std::string ReadFailureText(const ReadFailure& failure) {
  const char* cause = "it cannot be read (an input/output error)";
  if (failure.code == kPlatformNotFound) cause = "it does not exist";
  if (failure.code == kPlatformDenied) cause = "permission denied";
  if (failure.code == kReadNotLibrary) cause = "it is not a library, or its header or index is damaged";
  return "cannot read " + Utf8(failure.path) + ": " + cause;
}

int Fail(int code, const std::string& message) {
  std::fprintf(stderr, "kmd: %s\n", message.c_str());
  return code;
}

const char* WriteFaultText(WriteFault fault) {
  switch (fault) {
    case WriteFault::kNone: return "ok";
    case WriteFault::kNothingToWrite: return "there is nothing to write";
    case WriteFault::kNotCarried: return "the list, or a name or title in it, is longer than a diff holds";
    case WriteFault::kUnsafeName: return "an entry's name is one that no import would take";
    case WriteFault::kBadOp: return "an entry's operation is not one a diff holds";
    case WriteFault::kCannotCreate: return "it cannot be created in that directory";
    case WriteFault::kSourceMissing: return "a file or document of the menu directory cannot be read";
    case WriteFault::kTooLarge: return "a file or document is larger than a diff's 2 GB limit for one entry";
    case WriteFault::kWriteFailed: return "writing it failed (is the disk full?)";
    case WriteFault::kStopped: return "it was stopped";
  }
  return "failed";
}

int WriteDiff(const std::string& path, const std::string& menuDir, const SBNdtAry& changes,
              const std::string& comment, const std::string& shown, const WriteOptions& options) {
  if (const int bad = FirstUnsafeEntry(changes); bad >= 0) {
    return Fail(kExitFailed, "cannot carry " + Utf8(changes[static_cast<std::size_t>(bad)].name) +
                                 ": no import would take that name; nothing was written");
  }
  Progress progress("writing");
  WriteFailure why;
  if (WriteDiffFile(path, menuDir, changes, &comment, &why, options) != 0) {
    std::string text = "could not write the diff file " + shown + ": " + WriteFaultText(why.fault);
    if (why.entry >= 0 && static_cast<std::size_t>(why.entry) < changes.size()) {
      text += " (entry " + std::to_string(why.entry) + ": " + Utf8(changes[static_cast<std::size_t>(why.entry)].name) + ")";
    }
    return Fail(kExitFailed, text);
  }
  return kExitOk;
}

std::string EntryName(const SBNdt& entry) {
  return IsDocumentLevel(entry) ? Utf8(entry.name) + "/" + Utf8(entry.member) : Utf8(entry.name);
}

std::string ShownEntry(const SBNdt& entry) {
  return IsDocumentLevel(entry) ? ShownName(entry.name) + "/" + ShownName(entry.member) : ShownName(entry.name);
}

nlohmann::json ItemJson(const EntryBase& item) {
  static const char* const kKinds[] = {"unknown", "missing", "file", "document"};
  nlohmann::json j = {{"kind", kKinds[static_cast<int>(item.kind)]}};
  if (item.kind == BaseKind::kFile) {
    j["size"] = item.size;
    j["stamp"] = DosStampText(item.stamp);
    j["read_only"] = item.readOnly;
  }
  return j;
}

std::string ItemText(const EntryBase& item) {
  switch (item.kind) {
    case BaseKind::kAbsent: return "missing";
    case BaseKind::kFile:
      return std::to_string(item.size) + " bytes, " + DosStampText(item.stamp) + (item.readOnly ? ", read-only" : "");
    case BaseKind::kDocument:
    case BaseKind::kNone: break;
  }
  return "present";
}

void PrintBaseCheck(const BaseCheck& bases, const SBNdtAry& list, bool forced) {
  for (const int i : bases.applied) {
    std::printf("already applied %s\n", ShownEntry(list[static_cast<std::size_t>(i)]).c_str());
  }
  for (const BaseConflict& c : bases.conflicts) {
    // Two documents differ in their bytes alone: "present" against "present" would say nothing.
    const bool both = c.base.kind == BaseKind::kDocument && c.found.kind == BaseKind::kDocument;
    const SBNdt& e = list[static_cast<std::size_t>(c.entry)];
    const std::string found = c.libraryMissing ? "no library " + Utf8(e.name) : both ? "it with other bytes" : ItemText(c.found);
    std::printf("%s %s: the diff was made against %s; the menu directory holds %s\n", forced ? "overwrite" : "conflict",
                ShownEntry(e).c_str(), ItemText(c.base).c_str(), found.c_str());
  }
}

std::string ChangeLine(const SBNdt& change) {
  std::string line;
  if (CommandListLine(change, &line)) return Utf8(line);
  return "op " + std::to_string(change.op) + " type " + std::to_string(change.type) + " " + Utf8(change.name);
}

namespace {
constexpr std::uint64_t kLongWork = 16u << 20;  // bytes before progress shows
}  // namespace

Progress::Progress(const char* verb) : verb_(verb), last_(std::chrono::steady_clock::now()) {
  if (Host().StderrIsTerminal()) SetCopyProgress([this](std::uint64_t bytes) { Add(bytes); });
}

Progress::~Progress() {
  SetCopyProgress(nullptr);
  if (shown_) std::fprintf(stderr, "\r%s: %.1f MB done\n", verb_, static_cast<double>(bytes_) / (1 << 20));
}

void Progress::Add(std::uint64_t bytes) {
  bytes_ += bytes;
  const auto now = std::chrono::steady_clock::now();
  if (bytes_ < kLongWork || now - last_ < std::chrono::milliseconds(200)) return;
  last_ = now;
  shown_ = true;
  std::fprintf(stderr, "\r%s: %.1f MB", verb_, static_cast<double>(bytes_) / (1 << 20));
  std::fflush(stderr);
}

}  // namespace quarvel::kmd
