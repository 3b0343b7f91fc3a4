#include "fileio/coding.h"
#include "fileio/block_reader.h"

#include <cstring>

#include "fileio/fileio.h"
#include "platform/platform.h"

namespace quarvel {

BlockReader::BlockReader(int fd, std::size_t block) : fd_(fd), start_(Host().Tell(fd)), buffer_(block) {}

bool BlockReader::Fill() {
  if (ended_) return false;
  const long got = Host().Read(fd_, buffer_.data(), buffer_.size());
  // A short block is the end of the file (or a failure): asking again could only hand out bytes
  // that field-by-field reads would not have reached.
  if (got < static_cast<long>(buffer_.size())) ended_ = true;
  begin_ = 0;
  end_ = got > 0 ? static_cast<std::size_t>(got) : 0;
  return end_ > 0;
}

std::size_t BlockReader::Read(void* out, std::size_t n) {
  char* to = static_cast<char*>(out);
  std::size_t done = 0;
  while (done < n) {
    if (begin_ == end_ && !Fill()) break;
    const std::size_t take = n - done < end_ - begin_ ? n - done : end_ - begin_;
    std::memcpy(to + done, buffer_.data() + begin_, take);
    begin_ += take;
    done += take;
  }
  consumed_ += done;
  if (done != n) FileErrorFlags |= FERR_BADDATA;
  return done;
}

std::uint32_t BlockReader::ReadU32() {
  unsigned char raw[4] = {0, 0, 0, 0};
  Read(raw, 4);
  return DecodeU32(raw);
}

void BlockReader::ReadLString(std::string& s) {
  s.clear();
  unsigned char raw[2];
  if (Read(raw, 2) != 2) return;
  const auto count = static_cast<std::int16_t>(DecodeU16(raw));
  if (count < 0) {
    FileErrorFlags |= FERR_BADDATA;
    return;
  }
  if (count == 0) return;
  std::string bytes(static_cast<std::size_t>(count), '\0');
  bytes.resize(Read(bytes.data(), bytes.size()));
  s.assign(bytes.c_str());
}

int BlockReader::Settle() {
  if (start_ < 0 || FileSeek(fd_, start_ + static_cast<std::int64_t>(consumed_)) < 0) {
    FileErrorFlags |= FERR_BADDATA;
    return -1;
  }
  return 0;
}

}  // namespace quarvel
