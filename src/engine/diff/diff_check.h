// Checks a diff file's whole structure before anything acts on it: the directory read in full, safe
// entry names, and every data block inside the file and consistent with its entry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/diff/diff_seal.h"
#include "model/records.h"

namespace quarvel {

enum class DiffFault {
  kNone,
  kNotOpened,           // the file is missing or unreadable
  kNotDiff,             // wrong magic or a later version
  kDirectoryCut,        // the header or directory ended early, or a count is negative
  kHeaderMismatch,      // the header's entry count or directory size is not the directory's
  kUnsafeName,          // an entry's name is not a plain file name of the menu directory
  kBlockPastEnd,        // a block (or its length field) runs past the end of the file
  kBlockTooLong,        // a block's length is above the format's limit of 2147483639 bytes
  kFileBlockShort,      // a file block shorter than its flag and stamp
  kDocumentBlockBad,    // a document block whose second name and data length do not add up to it
  kDeletionWithData,    // a deletion whose block is not empty
  kUnknownOp,           // an op that is neither add or replace (0), delete (1) nor unset (-1)
  kUnknownKind,         // a kind that is none of the four, or a document named outside a document library
  kTrailingBytes,       // bytes after the last block that are not a valid seal
  kSealMismatch,        // an intact seal that does not match the directory
  kDigestMismatch,      // bytes that differ from the seal's digest (entry -1: the header or directory)
  kDiffChanged,         // the diff file was replaced or rewritten while the import read it
};

struct DiffBlock {
  std::uint64_t start = 0;   // offset of the block's length field (a diff may pass 4 GiB)
  std::uint32_t length = 0;  // L, the bytes after the length field

  // Where the entry's bytes begin, after the length field: a document's word, a file's flag.
  std::uint64_t DataStart() const { return start + 4; }
  // A whole file's block: its bytes, after the read-only flag and the stamp, and how many.
  std::uint64_t FileBytesStart() const { return start + 12; }
  std::uint32_t FileBytes() const { return length >= 8 ? length - 8 : 0; }
};

struct DiffCheck {
  DiffFault fault = DiffFault::kNone;
  int entry = -1;  // the entry concerned, -1 for the file as a whole
  bool ok() const { return fault == DiffFault::kNone; }
};

// True for a name that can only mean a file directly in the menu directory: not empty, not "." or
// "..", no "/", single-byte "\", ":" or control byte (CP932-aware), no last "." or " ", a host form, not one of the
// import's own work-file names, and with `windowsRules` no reserved device name (CON, PRN, AUX, NUL,
// COM1-9, LPT1-9, with or without an extension).
bool IsSafeFileName(const std::string& name, bool windowsRules);
bool IsSafeFileName(const std::string& name);

// True for one of the four kinds, with a document's name only on a document library's entry.
bool IsKnownKind(const SBNdt& entry);

// The index of the first entry whose name IsSafeFileName refuses, or -1 when every name is safe.
int FirstUnsafeEntry(const SBNdtAry& changes);

// A diff's seal as the check found it.
struct SealState {
  bool sealed = false;
  std::uint64_t headLength = 0;  // the header and directory: every byte before the first block
  DiffSeal seal;
};

// Checks the blocks of an open diff that OpenDiffFile has just read into `changes` (the error word as
// it left it, the descriptor at the first block, every op as the file holds it: the excluded mark of
// the dialogs is no op of a file and is refused). Fills `blocks`, one per entry, as far as they can be
// followed. This is the one check of a diff: verify, show, the import and the dialogs all make it, so
// that none of them takes a diff that another refuses. Bytes after the last block must be one
// intact seal (DecodeSeal) for as many entries; `seal` (may be null) tells whether there was one and
// holds it. The digests are not compared here (SealVerifier). Moves the descriptor.
DiffCheck CheckDiffBlocks(int fd, const SBNdtAry& changes, std::vector<DiffBlock>* blocks, SealState* seal = nullptr);

// Opens `path` and checks it whole. Fills `changes` and `description` as far as they were read.
DiffCheck CheckDiffFile(const std::string& path, SBNdtAry* changes, std::string* description,
                        std::vector<DiffBlock>* blocks = nullptr, SealState* seal = nullptr);

}  // namespace quarvel
