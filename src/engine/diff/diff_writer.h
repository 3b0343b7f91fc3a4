// Writing a diff file from a change list and the files of a menu directory.
#pragma once

#include <string>

#include "model/records.h"

namespace quarvel {

// Why WriteDiffFile failed.
enum class WriteFault {
  kNone,
  kNothingToWrite,  // the list is empty
  kNotCarried,      // the list, or a name or title, is longer than the format holds
  kUnsafeName,      // an entry's name is one that no import would take
  kBadOp,           // an entry's op or kind is not one of the format's
  kCannotCreate,    // the diff (its work file beside `path`) cannot be made there
  kSourceMissing,   // an entry's file cannot be read, or its document is not in its library
  kTooLarge,        // an entry's bytes are more than the format's 2 GB limit for a block
  kWriteFailed,     // writing, flushing or putting the diff in place failed (a full disk)
  kStopped,         // the user stopped the write (RequestCopyStop)
};
struct WriteFailure {
  WriteFault fault = WriteFault::kNone;
  int entry = -1;  // the entry concerned, -1 for the file as a whole
};

// How a diff is written.
struct WriteOptions {
  bool seal = true;     // false: the base format alone, byte for byte as a writer without seals wrote it
  std::string baseDir;  // the old side of an analysis (ends with a separator): each entry's base is
                        // read from there into the seal; empty: the seal records no base
};

// Writes the diff for `changes`, streaming each file or document from `menuDir` (which ends with a
// separator). The diff is written under a work name beside `path` and put in its place only when it is
// complete and flushed, so a failure leaves whatever stood at `path` untouched. Returns 0, or -1 when
// the list is empty or too long, a string too long, an op other than 0, 1 or -1 (such as one with the
// excluded mark), a name unsafe for an import (FirstUnsafeEntry), a
// source missing, a document not in its library, or any read, write, flush, close or replace failed;
// no work file remains then. `why` (may be null) tells which, and the entry.
// Sealed (the default), the digests are taken from the work file as it is written, by helper threads,
// and the trailer follows the last block; the bases are read before the first block, and an item of
// the old side that cannot be read gets no base.
int WriteDiffFile(const std::string& path, const std::string& menuDir, const SBNdtAry& changes,
                  const std::string* description, WriteFailure* why = nullptr, const WriteOptions& options = {});

}  // namespace quarvel
