// The diff file's byte layout: a 64-byte header, the directory of entries, then one data block per
// entry. This file holds the header constants and the entry and directory codecs.
#pragma once

#include <cstdint>
#include <string>

#include "model/records.h"

namespace quarvel {

constexpr std::uint16_t DIFF_FILE_MAGIC = 2929;
constexpr std::size_t kDiffHeaderSize = 64;
constexpr std::size_t kDescriptionField = 48;  // holds at most 47 bytes
constexpr std::int32_t kMaxDiffEntries = 32767;
constexpr std::size_t kMaxDiffString = 32766;
constexpr std::uint32_t kMaxDiffData = 2147483639;

class BlockReader;

// op, type, then name, title and member as LStrings.
void AppendDiffEntry(std::string& out, const SBNdt& entry);
void ReadDiffEntry(BlockReader& in, SBNdt& entry);
std::uint32_t DiffEntrySize(const SBNdt& entry);

// The 16-bit count, then every entry in order, in one write.
void WriteDiffDirectory(int fd, const SBNdtAry& changes);
// Empties `changes` and reads the count (signed) and that many entries, in blocks; leaves the
// descriptor just after the bytes read, as reading field by field would. A negative count, or an entry
// cut short, ends the reading with FERR_BADDATA set; what was read stays.
void ReadDiffDirectory(int fd, SBNdtAry& changes);
std::uint32_t DiffDirectorySize(const SBNdtAry& changes);

// The head of a whole file's data block, in one write: the block's length (`size` + 8), the read-only
// flag, the stamp. The file's `size` bytes follow.
void WriteFileBlockHead(int fd, std::uint32_t size, bool readOnly, std::uint32_t stamp);
// The length of a document's data block: word, second name, data length, data.
std::uint64_t DocumentBlockLength(const SSDocInfo& doc);
// The head of a document's data block, in one write: the block's length (at most kMaxDiffData), the
// document's `word`, second name and data length. Its data follows.
void WriteDocumentBlockHead(int fd, const SSDocInfo& doc);
// Reads that head back from the block whose data starts at `dataStart` (DiffBlock::DataStart): the
// word, the second name and the data length, and where the data begins. False when it could not be
// read whole.
struct DocumentBlockHead {
  std::uint32_t word = 0;
  std::string secondName;
  std::uint32_t length = 0;
  std::uint64_t data = 0;
};
bool ReadDocumentBlockHead(int fd, std::uint64_t dataStart, DocumentBlockHead* head);

}  // namespace quarvel
