// Writing a diff file from a change list and the files of a menu directory.
#pragma once

#include <string>

#include "model/records.h"

namespace quarvel {

// Removes any file `path`, creates it and writes the header and the directory, the description cut to
// its first 47 bytes at a character boundary (never inside a double-byte character). Returns the descriptor,
// positioned after the directory, or -1 (nothing left at `path` when a write failed).
int CreateDiffFile(const std::string& path, const SBNdtAry& changes, const std::string& description);

// Writes the diff for `changes`, streaming each file or document from `menuDir` (which ends with a
// separator). The diff is written under a work name beside `path` and put in its place only when it is
// complete and flushed, so a failure leaves whatever stood at `path` untouched. Returns 0, or -1 when
// the list is empty or too long, a string too long, an op other than 0, 1 or -1 (such as one with the
// excluded mark), a name unsafe for an import (FirstUnsafeEntry), a
// source missing, a document not in its library, or any read, write, flush, close or replace failed;
// no work file remains then.
int WriteDiffFile(const std::string& path, const std::string& menuDir, const SBNdtAry& changes,
                  const std::string* description);

}  // namespace quarvel
