// The plain records in which listings, changes, documents and import work travel between the parts of
// the program, with their kind and op codes and their arrays. Strings are CP932 bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quarvel {

// Kind codes of the files of a menu directory.
enum FileKind : std::int32_t {
  MenuFile = 0,         // .SST
  DocumentLibrary = 1,  // .SSD
  CommonLibrary = 2,    // .SSV
  OtherFile = 3,        // any extension chosen for the analysis
};

// op codes of a change.
constexpr std::int32_t kOpAddOrReplace = 0;
constexpr std::int32_t kOpDelete = 1;
constexpr std::int32_t kOpUnset = -1;
constexpr std::int32_t kOpExcluded = 0x1000;  // the excluded mark; never reaches a diff file

// One line of a listing.
struct TDic {
  std::int32_t number = 0;  // header number (files) or attribute word (documents); carried, not used
  std::string name;         // file name up to its first "." (files) or the document's name
  std::string title;        // header title (files) or the document's second name
};

// One change recorded in a diff: the diff directory entry.
struct SBNdt {
  std::int32_t op = kOpUnset;
  std::int32_t type = MenuFile;
  std::string name;    // file name with extension, no directory
  std::string title;   // header title (kinds 0-2); empty for kind 3
  std::string member;  // kind 1 only: the one document concerned; empty = the whole file
};

// A change about one document of a library rather than a whole file.
inline bool IsDocumentLevel(const SBNdt& e) { return e.type == DocumentLibrary && !e.member.empty(); }
// A negative op (-1, not yet set) has every bit set and acts as a deletion; it carries no mark.
inline bool IsExcluded(const SBNdt& e) { return e.op >= 0 && (e.op & kOpExcluded) != 0; }

// One file found by the analysis.
struct FLX {
  std::string name;         // upper-cased, with extension
  std::uint16_t time = 0;   // DOS time of the last write
  std::uint16_t date = 0;   // DOS date of the last write
  std::int32_t state = 0;   // match state
};

// One document of a library with where its data lies.
struct SSDocInfo {
  std::int32_t source = 0;      // import: 0 old library, 1 diff file, -1 dropped
  std::uint32_t word = 0;       // attribute word; the match state while documents are compared
  std::uint64_t offset = 0;     // absolute offset of the data in its source file
  std::uint32_t length = 0;     // data length in bytes
  std::string name;             // the document's key within its library
  std::string secondName;
  std::uint32_t storedWord = 0;  // the attribute word as the library's index holds it
};

// One library that an import rebuilds; also the temporary work file table's entry.
struct SFdt {
  std::string name;      // the library's file name
  std::string tempName;  // the work file that receives the rebuilt library, no directory
  std::string title;     // the title for the rebuilt header
};

// One unit of import work: a document command or a file command.
struct SBCmd {
  std::int32_t key = 0;          // document commands: the library's index in the import's table
  std::int32_t op = 0;
  std::string name;
  std::string backupName;        // file commands: where the existing file was moved
  std::uint32_t word = 0;        // document commands: attribute word from the diff block
  std::string member;            // document commands: the document's name
  std::string secondName;        // document commands
  std::uint64_t offset = 0;      // where the data lies in the diff file
  std::uint32_t length = 0;
  std::uint32_t stamp = 0;       // file commands: DOS date/time stamp
  std::uint32_t flag = 0;        // file commands: the block's flag word, read-only in bit 0
};

// Holders of the current file of each kind: the base name, without extension.
struct SSMenu {
  std::string name;
};
struct SSDlib {
  std::string name;
};
struct SSVlib {
  std::string name;
};

using TDicAry = std::vector<TDic>;
using SBNdtAry = std::vector<SBNdt>;
using FLXAry = std::vector<FLX>;
using SSDocInfoAry = std::vector<SSDocInfo>;
using SFTbl = std::vector<SFdt>;
using SBCmdAry = std::vector<SBCmd>;
using StringAry = std::vector<std::string>;

}  // namespace quarvel
