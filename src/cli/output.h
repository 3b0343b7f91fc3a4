// What kmd prints: UTF-8 text from CP932 records, one-line errors, and progress on a terminal.
#pragma once

#include <chrono>
#include <nlohmann/json.hpp>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/diff/diff_check.h"
#include "engine/diff/diff_writer.h"
#include "engine/import/base_check.h"
#include "menufiles/listings.h"
#include "model/records.h"

namespace quarvel::kmd {

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// CP932 to UTF-8 for printing (bytes without a form are shown as \xNN).
// Control characters are shown as \xNN too, so that a name never breaks a line.
std::string Utf8(const std::string& cp932);
// A file or document name for a message: as Utf8 shows it, with a backslash doubled (so that a name
// holding "\x1B" as text never reads like an escaped ESC), and a name longer than kShownNameBytes cut
// there, at a character's end, with "…".
constexpr std::size_t kShownNameBytes = 200;
std::string ShownName(const std::string& cp932);
// A host path or text from the command line to CP932; false (with an error printed) when it has no form.
bool FromArg(const std::string& arg, const char* what, std::string* cp932);
// A directory argument (`what` names it in errors) in CP932 with its trailing separator. Returns
// kExitOk; kExitUsage for an empty argument or one without a CP932 form; kExitFailed when it names no
// existing directory. The error is printed.
int DirArg(const std::string& arg, const char* what, std::string* dir);
// A directory part (CP932, "" for the current directory) as messages name it: UTF-8, no last separator.
std::string ShownDirectory(const std::string& dir);
// The path of a diff file to write: not empty, and not inside any of `dirs` (a diff written there
// would replace or join the files it describes). kExitOk, or kExitUsage with the error printed;
// kExitFailed (printed) while an import runs in the directory it would be written to.
int OutputArg(const std::string& arg, const std::vector<std::string>& dirs, std::string* path);

// True for the faults that BusyText words: about the menu directory as a whole, not an entry.
bool IsDirectoryFault(DiffFault fault);
// The line for a menu directory that is busy (MenuDirBusy's kImportRunning or kRecoveryPending, or
// another DiffFault about the directory), `shown` as typed.
std::string BusyText(DiffFault fault, const std::string& shown);
// kExitOk when no import runs in `dir` (CP932, with its separator) and, with `whole`, none awaits
// recovery there (so that the directory can be read as one state); else kExitFailed, printed.
int IdleDir(const std::string& dir, const std::string& shown, bool whole);

// "cannot read PATH: the cause" for what a listing or comparison could not read (PATH in UTF-8).
std::string ReadFailureText(const ReadFailure& failure);

// Prints "kmd: " + message to standard error and returns `code`.
int Fail(int code, const std::string& message);

// Writes the diff of `changes` from `menuDir` to `path` (`shown` is the path as typed). A name that
// an import would refuse fails first, named. kExitOk, or kExitFailed with the error printed.
int WriteDiff(const std::string& path, const std::string& menuDir, const SBNdtAry& changes,
              const std::string& comment, const std::string& shown, const WriteOptions& options);

// An entry as JSON names it: NAME, or LIBRARY/DOCUMENT, in UTF-8.
std::string EntryName(const SBNdt& entry);
// The same for a message line, each name as ShownName shows it.
std::string ShownEntry(const SBNdt& entry);
// An item as a conflict names it: "missing", "N bytes, STAMP" (a file) or "present".
std::string ItemText(const EntryBase& item);
// The same as a JSON object: {"kind": "missing" | "file" | "document" | "unknown"}, with "size",
// "stamp" and "read_only" for a file.
nlohmann::json ItemJson(const EntryBase& item);
// "already applied NAME" for each entry already as the diff makes it, "conflict NAME: ..." for each
// conflict ("overwrite NAME: ..." when `forced`), on standard output.
void PrintBaseCheck(const BaseCheck& bases, const SBNdtAry& list, bool forced = false);

// Names in UTF-8 (ShownName), separated by ", ".
std::string Names(const StringAry& names);

// The list line of a change as the dialogs show it, in UTF-8; a raw description when no list shows it.
std::string ChangeLine(const SBNdt& change);

// Shows bytes moved so far on standard error while work runs long, when it is a terminal.
class Progress {
 public:
  explicit Progress(const char* verb);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

 private:
  void Add(std::uint64_t bytes);

  const char* verb_;
  std::uint64_t bytes_ = 0;
  std::chrono::steady_clock::time_point last_;
  bool shown_ = false;
};

}  // namespace quarvel::kmd
