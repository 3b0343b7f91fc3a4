// Sequential reads of small fields through one buffer: a run of many short records (a library's
// index) costs one host read per block instead of one per field, with the results and the effects on
// the file-error word of the field-by-field reads of fileio.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quarvel {

constexpr std::size_t kIndexBlock = 64u << 10;

class BlockReader {
 public:
  // Reads `fd` from its current position on, `block` bytes at a time. The descriptor stays the
  // caller's; its position is undefined until Settle.
  explicit BlockReader(int fd, std::size_t block = kIndexBlock);
  BlockReader(const BlockReader&) = delete;
  BlockReader& operator=(const BlockReader&) = delete;

  // The next n bytes, as FileRead gives them: fewer only at the end of the file or after a failed
  // read, and then FERR_BADDATA is set. Returns the count.
  std::size_t Read(void* out, std::size_t n);
  // As ReadU32(fd) and ReadLString(fd, s) of fileio.h.
  std::uint32_t ReadU32();
  void ReadLString(std::string& s);

  // Moves the descriptor to just after the bytes handed out, where field-by-field reads would have
  // left it. 0, or -1 with FERR_BADDATA set when its position could not be told or set.
  int Settle();

 private:
  // Refills the empty buffer; false when nothing more came.
  bool Fill();

  int fd_;
  std::int64_t start_;
  std::uint64_t consumed_ = 0;  // bytes handed out
  std::vector<char> buffer_;
  std::size_t begin_ = 0, end_ = 0;  // the unread part of the buffer
  bool ended_ = false;               // a read came up short: no further host reads
};

}  // namespace quarvel
