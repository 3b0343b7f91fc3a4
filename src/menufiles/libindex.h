// The document index of a library: listing, reading and lookup. The index is read in blocks, record by
// record; a record cut short or a string with a negative count rejects the library.
#pragma once

#include <string>

#include "model/records.h"

namespace quarvel {

// Size of one index record on disk.
std::uint32_t IndexRecordSize(const SSDocInfo& doc);

// Lists the documents of the holder's library as {word, name, secondName}. 0, or -1 with an empty list.
int ListLibDocuments(const SSDlib& holder, TDicAry& list);

// Reads the whole index of the library at `path`: every entry with source 0, word 0 (the slot is the
// analysis' working state), storedWord as the index holds it, and its absolute data offset. Returns the
// descriptor, open and positioned at the data area, which the caller closes; or -1, with the file closed.
int ReadLibIndex(const SSDlib& holder, SSDocInfoAry& entries, std::string* title, const std::string& path);

// Finds the first document named `name` (exact bytes). Returns the open descriptor, which the caller
// moves to entry->offset and closes; or -1 (not found, not a library, index cut short), file closed.
int FindLibDocument(const SSDlib& holder, SSDocInfo* entry, std::string* title, const std::string& path,
                    const std::string& name);

}  // namespace quarvel
