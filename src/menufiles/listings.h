// Listings of the current menu directory by kind, for the creation dialog.
#pragma once

#include <string>
#include <vector>

#include "model/records.h"
#include "platform/platform.h"

namespace quarvel {

// ReadFailure's code for a file that opens but does not read as the library it must be: another
// magic, or a header or index that is damaged or cut short. No platform code has this value.
constexpr int kReadNotLibrary = -100;

// What could not be read while a menu directory was listed or compared: the path (a directory, or a
// file of it) and the platform's code (kPlatformNotFound, kPlatformDenied or kPlatformFailed) or
// kReadNotLibrary. An empty path: nothing failed.
struct ReadFailure {
  std::string path;
  int code = 0;
  bool failed() const { return !path.empty(); }
};

// The files of a menu directory that match `pattern` (a directory and a mask), as the platform's
// search finds them, less the program's own work files (IsWorkFileName): an interrupted import's
// leftovers are never listed, compared or carried into a diff.
int FindMenuDirFiles(const std::string& pattern, std::vector<FoundFile>* out);
// The same for several masks of one directory (`dir` ends with a separator), searched once.
int FindMenuDirFilesAny(const std::string& dir, const std::vector<std::string>& masks,
                        std::vector<FoundFile>* out);

// Each empties `list`, then appends {header number, name up to its first ".", title} for every file of
// the kind's extension whose header the kind's opener accepts, in directory-search order. Returns the
// number appended, or the platform's negative code (and an empty list) when the directory cannot be
// listed: a directory that cannot be read never lists as an empty one. The holder is not used.
int ListMenuFiles(const SSMenu& holder, TDicAry& list);
int ListDocLibs(const SSDlib& holder, TDicAry& list);
int ListComLibs(const SSVlib& holder, TDicAry& list);

// True for a name that the other-files listing shows: one whose extension, everything after its first
// ".", is none of SSM, SST, SSD, SSV (ignoring case). "A.B.SST" is listed, "data.ssv" is not, and a
// name without "." is listed.
bool IsOtherFileName(const std::string& name);
// Empties `names`, then appends, in directory-search order, every name of the menu directory that
// matches `mask` (the directory and mask cut to 259 bytes) and that IsOtherFileName accepts.
// Returns the number appended, or the platform's negative code as the kinds' listings do.
int ListOtherFiles(const std::string& mask, StringAry& names);

}  // namespace quarvel
