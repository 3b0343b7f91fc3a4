// The file access layer: descriptor operations over the platform with one process-wide file-error
// word, chunked copy and compare, and length-prefixed strings.
// Paths are CP932 and at most kMaxPath bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quarvel {

constexpr std::size_t kMaxPath = 260;
constexpr std::uint32_t kCopyChunk = 32000;
// The chunk of the bulk copies and compares: large enough that a gigabyte is a thousand calls.
constexpr std::uint32_t kBulkChunk = 1u << 20;
// The chunk of FilePiecesEqual: two of them stay in the processor's cache between read and compare.
constexpr std::uint32_t kCompareChunk = 256u << 10;
// A copy asks the host to start writing its output to the disk after each this many bytes.
constexpr std::uint32_t kWriteBackStep = 8u << 20;

constexpr std::uint32_t FERR_NOTFOUND = 1;  // opening an existing file for reading failed
constexpr std::uint32_t FERR_NOWRITE = 2;   // creating or opening a file for writing failed
constexpr std::uint32_t FERR_BADDATA = 4;   // a read came up short (or a seek failed)
constexpr std::uint32_t FERR_DISKFULL = 8;  // a write came up short, or closing a written file failed

// Cleared only by the two opens; every other operation only sets bits.
extern std::uint32_t FileErrorFlags;

// Clears the word, opens an existing file read-only. Negative and FERR_NOTFOUND on failure.
int FileOpenRead(const std::string& path);
// FileOpenRead, then checks the 16-bit magic and the signed 16-bit version (at most 1) that start the
// engine's own files. The descriptor positioned after them; -1 when not opened; kFileWrongMagic (-4,
// the file closed) for another magic or a later version.
constexpr int kFileWrongMagic = -4;
int FileOpenChecked(const std::string& path, std::uint16_t magic);
// Sets FERR_BADDATA when fewer than n bytes came. Returns the count (or -1).
long FileRead(int fd, void* buffer, std::size_t n);
// For descriptors of FileOpenRead. Touches no flag.
int FileClose(int fd);
// Clears the word, opens read-write, creating the file when missing, never truncating.
// Negative and FERR_NOWRITE on failure.
int FileCreate(const std::string& path);
// As FileCreate, but only a new file: fails when anything (a file, a link, a directory) has the name.
int FileCreateNew(const std::string& path);
// Sets FERR_DISKFULL when fewer than n bytes were written.
long FileWrite(int fd, const void* buffer, std::size_t n);
// For descriptors of FileCreate. A failed close sets FERR_DISKFULL.
int FileCloseWritten(int fd);
// FileCreateNew then FileCloseWritten; -1 when the create or the close failed.
int FileMakeEmpty(const std::string& path);
// Deletes the file. Returns 0 or a platform code (kPlatformDenied when access was denied).
int FileRemove(const std::string& path);
// Moves to an absolute offset. A failure sets FERR_BADDATA and returns -1.
std::int64_t FileSeek(int fd, std::int64_t offset);
std::int64_t FileTell(int fd);
// Forces a written file to the disk; a failure sets FERR_DISKFULL and returns -1.
int FileFlush(int fd);

// What stands at a directory path (with or without its trailing separator): 0 for a directory (a link
// to one counts), kPlatformNotFound when nothing has the name, kPlatformFailed for anything else.
int CheckDirectory(const std::string& dir);

// dest = dir + name; no separator is added.
std::string& PathJoin(std::string& dest, const std::string& dir, const std::string& name);
// Upper-cases single-byte a-z in place, stepping over double-byte characters whole.
std::string& StrUpperSjis(std::string& text);

// Copies exactly n bytes (n > 0) or up to the end of `from` (n == 0) in chunks of kBulkChunk, testing
// the word after each chunk: inside the host where it can (Platform::CopyBytes), else through a
// buffer of at most kBulkChunk bytes. Each time the output's position passes a multiple of
// kWriteBackStep, starts the write-back of what lies before it, so that the caller's flush finds little
// left, however many copies wrote the file. Returns 0; -1 when a counted copy came up short or a
// write failed; kFileCopyNoWrite (-8) when a to-end copy could not write. Never closes either descriptor.
constexpr int kFileCopyNoWrite = -8;
int FileCopyBytes(int from, int to, std::uint32_t n);
// Compares the next n bytes of two files in chunks of at most kBulkChunk. False on a difference or
// when the word is set after a chunk (an earlier failed read since the last open counts too).
// n == 0: true.
bool FilesEqual(int fd_a, int fd_b, std::uint32_t n);
// Compares the next bytes of two files as consecutive pieces of the given lengths: (*equal)[k] is what
// FilesEqual would give for piece k if the pieces were compared one after another, with the same
// progress reported, but both files are read straight through in chunks of kCompareChunk. A piece of
// length 0 is equal; from a failed read on (or with the word set already) every other piece is not.
void FilePiecesEqual(int fd_a, int fd_b, const std::vector<std::uint32_t>& lengths, std::vector<bool>* equal);

// Length-prefixed string: 16-bit count N, then N bytes; the value runs to the first 0 byte.
// A count of 32768 or more (negative as signed) reads nothing more, sets FERR_BADDATA and yields "".
void ReadLString(int fd, std::string& s);
// Writes N = length + 1, the bytes and a 0 byte.
void WriteLString(int fd, const std::string& s);
std::size_t LStringSize(const std::string& s);
// The raw count of an LString without its bytes; -1 (and FERR_BADDATA) when the count cannot be read.
int ReadLStringCount(int fd);

// Little-endian integers through FileRead / FileWrite (so with their effects on the word).
std::uint16_t ReadU16(int fd);
std::uint32_t ReadU32(int fd);
void WriteU16(int fd, std::uint16_t v);
void WriteU32(int fd, std::uint32_t v);
// An LString appended to a buffer, for writers that gather many small fields into one write.
void AppendLString(std::string& out, const std::string& s);


}  // namespace quarvel
