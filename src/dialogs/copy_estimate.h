// How many bytes a diff write or an import will copy, so that the progress of a long one has a total.
// Both only read (the diff, the sources, the libraries' indexes) and change nothing.
#pragma once

#include <cstdint>
#include <string>

#include "model/records.h"

namespace quarvel {

// The bytes that WriteDiffFile copies for `changes` from `menuDir` (ending with a separator): the size
// of each file and the data of each document that is added or replaced. A source that cannot be read
// counts 0 (the write then fails anyway).
std::uint64_t DiffWriteBytes(const std::string& menuDir, const SBNdtAry& changes);

// The bytes that ImportDiff copies when it applies the diff at `diffPath` to `menuDir` with the
// excluded marks of `list` (by position): the data of each file and document the diff adds, and for
// each library that document entries change, the documents it keeps (those no entry names). Exact
// unless the diff names one document twice or replaces a library that it also changes by document,
// where it errs high. 0 when the diff cannot be read or does not match `list`.
std::uint64_t DiffImportBytes(const std::string& diffPath, const std::string& menuDir, const SBNdtAry& list);

}  // namespace quarvel
