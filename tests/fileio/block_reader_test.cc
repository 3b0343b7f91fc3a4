// The index reader's buffered reads give exactly what the field-by-field reads gave: the same values,
// the same file-error word and the same descriptor position, across block boundaries, at the end of
// the file and after a failed read.
#include "fileio/block_reader.h"

#include <gtest/gtest.h>

#include "fileio/fileio.h"
#include "support/fault_platform.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace quarvel {
namespace {

// One field read: a 32-bit number or a length-prefixed string.
struct Field {
  bool number;
  std::uint32_t value;
  std::string text;
  std::uint32_t flags;
};

// Reads `kinds` (true: a number) field by field, as the index reader did before.
std::vector<Field> ReadPlain(const std::string& path, const std::vector<bool>& kinds, std::int64_t* end) {
  std::vector<Field> out;
  const int fd = FileOpenRead(path);
  for (bool number : kinds) {
    Field f{number, 0, "", 0};
    if (number) {
      f.value = ReadU32(fd);
    } else {
      ReadLString(fd, f.text);
    }
    f.flags = FileErrorFlags;
    out.push_back(f);
  }
  *end = FileTell(fd);
  FileClose(fd);
  return out;
}

std::vector<Field> ReadBlocks(const std::string& path, const std::vector<bool>& kinds, std::size_t block,
                              std::int64_t* end) {
  std::vector<Field> out;
  const int fd = FileOpenRead(path);
  {
    BlockReader in(fd, block);
    for (bool number : kinds) {
      Field f{number, 0, "", 0};
      if (number) {
        f.value = in.ReadU32();
      } else {
        in.ReadLString(f.text);
      }
      f.flags = FileErrorFlags;
      out.push_back(f);
    }
    const std::uint32_t before = FileErrorFlags;
    EXPECT_EQ(in.Settle(), 0);
    EXPECT_EQ(FileErrorFlags, before);
  }
  *end = FileTell(fd);
  FileClose(fd);
  return out;
}

void ExpectSameFields(const std::vector<Field>& want, const std::vector<Field>& got) {
  ASSERT_EQ(want.size(), got.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE("field " + std::to_string(i));
    EXPECT_EQ(want[i].value, got[i].value);
    EXPECT_EQ(want[i].text, got[i].text);
    EXPECT_EQ(want[i].flags, got[i].flags);
  }
}

TEST(BlockReader, GivesTheFieldsFlagsAndPositionOfFieldByFieldReads) {
  TempDir dir;
  const std::string path = dir.path() + "fields";
  // Strings of every kind: empty, short, with a 0 byte inside, long (past several blocks), a count of
  // 0, then a negative count, then the file cut inside a string.
  std::string bytes;
  std::vector<bool> kinds;
  const auto number = [&](std::uint32_t v) {
    for (int k = 0; k < 4; ++k) bytes += static_cast<char>(v >> (8 * k));
    kinds.push_back(true);
  };
  const auto text = [&](const std::string& s, int count) {
    bytes += static_cast<char>(count & 0xFF);
    bytes += static_cast<char>((count >> 8) & 0xFF);
    bytes += s;
    kinds.push_back(false);
  };
  number(0x12345678);
  text(std::string("abc\0", 4), 4);
  text("", 0);
  text(std::string("x\0yz", 4), 4);
  number(7);
  text(std::string(3000, 'L') + '\0', 3001);
  number(0xFFFFFFFF);
  text("", -2);  // negative: nothing more is read of it
  number(99);
  text("cut", 10);
  number(1);  // past the end
  WriteFile(path, bytes);
  for (std::size_t block : {std::size_t{1}, std::size_t{3}, std::size_t{7}, std::size_t{4096}, kIndexBlock}) {
    SCOPED_TRACE("block " + std::to_string(block));
    std::int64_t plain_end = 0, block_end = 0;
    const std::vector<Field> want = ReadPlain(path, kinds, &plain_end);
    ExpectSameFields(want, ReadBlocks(path, kinds, block, &block_end));
    EXPECT_EQ(block_end, plain_end);
    // Every prefix of the fields leaves the descriptor where the plain reads left it.
    for (std::size_t n = 0; n < kinds.size(); ++n) {
      const std::vector<bool> prefix(kinds.begin(), kinds.begin() + static_cast<long>(n));
      ReadPlain(path, prefix, &plain_end);
      ReadBlocks(path, prefix, block, &block_end);
      EXPECT_EQ(block_end, plain_end) << n << " fields";
    }
  }
  std::int64_t end = 0;
  EXPECT_EQ(ReadBlocks(path, kinds, 7, &end).back().flags, FERR_BADDATA);
}

TEST(BlockReader, ReadsWholeBlocksAndStopsAfterAShortOne) {
  TempDir dir;
  const std::string path = dir.path() + "f";
  WriteFile(path, Bytes(10000, 1));
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  const int fd = FileOpenRead(path);
  faults.ResetCounts();
  {
    BlockReader in(fd, 4096);
    std::string got(10000, '\0');
    EXPECT_EQ(in.Read(got.data(), 10000), 10000u);
    EXPECT_EQ(got, Bytes(10000, 1));
    EXPECT_EQ(faults.Count(FaultOp::kRead), 3);
    EXPECT_EQ(FileErrorFlags, 0u);  // the short last block is the end, not a failure
    char more;
    EXPECT_EQ(in.Read(&more, 1), 0u);
    EXPECT_EQ(faults.Count(FaultOp::kRead), 3);
    EXPECT_EQ(FileErrorFlags, FERR_BADDATA);
  }
  // A read that fails half-way ends what can be read, as a short read ends field-by-field reads.
  FileSeek(fd, 0);
  FileErrorFlags = 0;
  faults.FailNth(FaultOp::kRead, 2);
  {
    BlockReader in(fd, 4096);
    std::string got(10000, '\0');
    EXPECT_EQ(in.Read(got.data(), 10000), 4096u + 2048u);
    EXPECT_EQ(FileErrorFlags, FERR_BADDATA);
  }
  FileClose(fd);
}

}  // namespace
}  // namespace quarvel
