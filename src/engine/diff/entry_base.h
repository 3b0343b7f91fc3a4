// What a menu directory holds under a diff entry's name, as a seal's base record: read from the old
// side when an analysis writes its diff, and from the target when an import checks it.
#pragma once

#include <string>

#include "engine/diff/diff_seal.h"
#include "menufiles/library_lookup.h"
#include "model/records.h"

namespace quarvel {

// `dir` ends with a separator. A file entry: kAbsent when nothing has the name, else kFile with the
// file's size, stamp, read-only flag and the digest of its bytes. A document entry: kAbsent when the
// library is missing or holds no such document, else kDocument (DocumentDigest). Never through a
// symbolic link. 0; -1 when something stands under the name that cannot be read as such (a link, a
// directory, a library that cannot be read, a failed read).
int ReadEntryBase(const std::string& dir, const SBNdt& entry, LibraryLookup& libraries, EntryBase* base);

// The digest of a document of the open library `lib` as a diff's block carries it: word, second name
// (an LString), data length, data; the block without its length field. False when it could not be read.
bool DocumentDigest(int lib, const SSDocInfo& doc, Sha256Digest* digest);

}  // namespace quarvel
