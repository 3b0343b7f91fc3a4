// The names of the program's own work files in a directory: the import's backups, library work
// files, journal and lock, and the diff writer's work files.
#pragma once

#include <string>

#include "model/records.h"

namespace quarvel {

// A name (no directory) of the shape PREFIXab.cde, an 8.3 name, of which no file exists in `dir`;
// `prefix` has four characters. Empty when none could be found.
std::string MakeWorkName(const std::string& dir, const std::string& prefix);

// The fixed names of an import's journal, of the journal while it is written, and of the menu
// directory's lock.
constexpr char kJournalName[] = "QUARVEL.JNL";
constexpr char kJournalWorkName[] = "QUARVEL.JNW";
constexpr char kLockName[] = "QUARVEL.LCK";

// True for a name of the shape of the program's own work files, which no listing shows and no diff
// carries: the import's "XXXXXX.TMP", "SBN0" backups and "SBN1" library work files, its journal and
// lock, and the diff writer's "KMDW" work files (8.3 names: the prefix, two characters, ".", three
// characters). Case is ignored.
bool IsWorkFileName(const std::string& name);

// Returns the index of the entry whose name equals `name`; else makes a work file from "SBN1XXXXXX",
// creates it empty, appends {name, tempName, title} and returns its index. -1 when no unused name could
// be made or the file could not be created; then nothing is created and nothing is appended.
int RegisterTempFile(SFTbl& table, const std::string& dir, const std::string& name, const std::string& title);

}  // namespace quarvel
