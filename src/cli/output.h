// What kmd prints: UTF-8 text from CP932 records and one-line errors.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "engine/diff/diff_check.h"
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
// A directory part (CP932, "" for the current directory) as messages name it: UTF-8, no last separator.
std::string ShownDirectory(const std::string& dir);

// "cannot read PATH: the cause" for what a listing or comparison could not read (PATH in UTF-8).
std::string ReadFailureText(const ReadFailure& failure);

// Prints "kmd: " + message to standard error and returns `code`.
int Fail(int code, const std::string& message);

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

}  // namespace quarvel::kmd
