// The seal of a diff: its digests, its trailer's strictness, and that no changed byte gets past the
// check or into a menu directory.
#include <gtest/gtest.h>

#include "engine/diff/diff_check.h"
#include "engine/diff/diff_format.h"
#include "engine/diff/diff_reader.h"
#include "engine/diff/diff_seal.h"
#include "engine/diff/diff_writer.h"
#include "engine/diff/seal_check.h"
#include "engine/import/import.h"
#include "platform/sha256.h"
#include "sample/menu_dir_builder.h"
#include "support/checked_diff.h"
#include "support/dir_snapshot.h"
#include "support/temp_dir.h"

namespace quarvel {
namespace {

TEST(Sha256, GivesTheStandardDigestsPieceByPieceOrWhole) {
  Sha256Digest d{};
  ASSERT_TRUE(DigestOf("", 0, &d));
  EXPECT_EQ(DigestHex(d), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  ASSERT_TRUE(DigestOf("abc", 3, &d));
  EXPECT_EQ(DigestHex(d), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // A million "a"s, given in uneven pieces; the object starts afresh after Finish.
  const std::string a(1000000, 'a');
  Sha256 sha;
  sha.Update("x", 1);
  ASSERT_TRUE(sha.Finish(&d));
  for (std::size_t at = 0, n = 1; at < a.size(); at += n, n = n * 3 + 1) sha.Update(a.data() + at, std::min(n, a.size() - at));
  ASSERT_TRUE(sha.Finish(&d));
  EXPECT_EQ(DigestHex(d), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(SealCodec, ReadsBackEveryKindAndRefusesAnyOtherBytes) {
  DiffSeal seal;
  seal.head[0] = 1;
  seal.blocks.resize(4);
  for (std::size_t i = 0; i < 4; ++i) seal.blocks[i][31] = static_cast<std::uint8_t>(i + 7);
  seal.bases.resize(4);
  seal.bases[1].kind = BaseKind::kAbsent;
  seal.bases[2] = {BaseKind::kFile, 0x123456789ull, 0x5A5A1234, true, {}};
  seal.bases[2].digest[5] = 9;
  seal.bases[3].kind = BaseKind::kDocument;
  seal.bases[3].digest[0] = 0xEE;
  const std::string bytes = EncodeSeal(seal);
  ASSERT_EQ(bytes.size(), 4 + 32 + 4 * 32 + (1 + 1 + 46 + 33) + kSealFooterSize);

  DiffSeal back;
  ASSERT_EQ(DecodeSeal(bytes, 4, &back), SealFault::kNone);
  EXPECT_EQ(back.head, seal.head);
  EXPECT_EQ(back.blocks, seal.blocks);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(back.bases[i].kind, seal.bases[i].kind);
    EXPECT_EQ(back.bases[i].digest, seal.bases[i].digest);
  }
  EXPECT_EQ(back.bases[2].size, 0x123456789ull);
  EXPECT_EQ(back.bases[2].stamp, 0x5A5A1234u);
  EXPECT_TRUE(back.bases[2].readOnly);
  EXPECT_EQ(DecodeSeal(bytes, 3, &back), SealFault::kMismatch);

  // Any one byte changed, any byte missing or added: not a seal.
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    std::string bad = bytes;
    bad[at] = static_cast<char>(bad[at] ^ 0x20);
    EXPECT_EQ(DecodeSeal(bad, 4, &back), SealFault::kNotSeal) << "byte " << at;
    EXPECT_EQ(DecodeSeal(bytes.substr(at + 1), 4, &back), SealFault::kNotSeal) << "without " << at + 1;
  }
  EXPECT_EQ(DecodeSeal("x" + bytes, 4, &back), SealFault::kNotSeal);
  EXPECT_EQ(DecodeSeal(bytes.substr(0, bytes.size() - 1), 4, &back), SealFault::kNotSeal);
}

class SealTest : public ::testing::Test {
 protected:
  SealTest() {
    MenuDirBuilder(source_)
        .File("A.KKK", "abcde")
        .Library("L.SSD", "lib", {{"D", "second", "document data"}});
    MenuDirBuilder(target_).Menu("OLD.SST", "Old").File("A.KKK", "old bytes").Library("L.SSD", "lib", {{"E", "s", "e"}});
  }
  const SBNdtAry changes_ = {{kOpAddOrReplace, OtherFile, "A.KKK", "", ""},
                             {kOpAddOrReplace, DocumentLibrary, "L.SSD", "lib", "D"},
                             {kOpDelete, MenuFile, "OLD.SST", "Old", ""}};
  TempDir dir_;
  std::string source_ = dir_.Sub("source");
  std::string target_ = dir_.Sub("target");
  std::string diff_ = dir_.path() + "d.kmd";
};

TEST_F(SealTest, ASealedDiffIsThePlainDiffFollowedByItsTrailer) {
  ASSERT_EQ(WriteDiffFile(diff_, source_, changes_, nullptr, nullptr, WriteOptions{false, ""}), 0);
  const std::string plain = ReadFile(diff_);
  ASSERT_EQ(WriteDiffFile(diff_, source_, changes_, nullptr), 0);
  const std::string sealed = ReadFile(diff_);
  ASSERT_GT(sealed.size(), plain.size());
  EXPECT_EQ(sealed.substr(0, plain.size()), plain);

  const CheckedDiff d = CheckDiff(diff_);
  ASSERT_TRUE(d.check.ok());
  ASSERT_TRUE(d.seal.sealed);
  EXPECT_EQ(d.seal.headLength, 64 + DiffDirectorySize(changes_));
  for (const EntryBase& b : d.seal.seal.bases) EXPECT_EQ(b.kind, BaseKind::kNone);  // no old side known
  std::vector<int> damaged = {7};
  EXPECT_TRUE(SealVerifier(diff_, d.blocks, d.seal).Finish(&damaged).ok());
  EXPECT_TRUE(damaged.empty());

  // The plain one is read as today: no seal, nothing to verify.
  WriteFile(diff_, plain);
  const CheckedDiff p = CheckDiff(diff_);
  ASSERT_TRUE(p.check.ok());
  EXPECT_FALSE(p.seal.sealed);
}

TEST_F(SealTest, ASealWhoseBaseIsOfTheOtherLevelOrADiffOfAnUnknownKindIsRefused) {
  ASSERT_EQ(WriteDiffFile(diff_, source_, changes_, nullptr), 0);
  const std::string good = ReadFile(diff_);
  const CheckedDiff d = CheckDiff(diff_);
  ASSERT_TRUE(d.check.ok());
  const std::size_t end = d.blocks.back().start + 4 + d.blocks.back().length;
  // A document's base on the file entry A.KKK: an intact trailer, but not one of this directory.
  DiffSeal other = d.seal.seal;
  other.bases[0].kind = BaseKind::kDocument;
  WriteFile(diff_, good.substr(0, end) + EncodeSeal(other));
  EXPECT_EQ(CheckDiff(diff_).check.fault, DiffFault::kSealMismatch);

  // A kind that is none of the four, or a document named on a menu's entry, in a plain diff: the
  // import would act on a whole file where the entry meant one document.
  for (const SBNdt& bad : {SBNdt{kOpDelete, 4, "A.KKK", "", ""}, SBNdt{kOpDelete, MenuFile, "OLD.SST", "Old", "DOC"}}) {
    WriteFailure why;
    EXPECT_EQ(WriteDiffFile(diff_, source_, {bad}, nullptr, &why), -1);
    EXPECT_EQ(why.fault, WriteFault::kBadOp);
  }
  ASSERT_EQ(WriteDiffFile(diff_, source_, {{kOpDelete, OtherFile, "OLD.SST", "", ""}}, nullptr, nullptr,
                          WriteOptions{false, ""}), 0);
  std::string bytes = ReadFile(diff_);
  bytes[64 + 2 + 4] = 4;  // the kind, after the count and the op
  WriteFile(diff_, bytes);
  EXPECT_EQ(CheckDiff(diff_).check.fault, DiffFault::kUnknownKind);
}

TEST_F(SealTest, EveryChangedByteIsRefusedByTheCheckAndTheImportWithItsEntryNamed) {
  ASSERT_EQ(WriteDiffFile(diff_, source_, changes_, nullptr), 0);
  const std::string good = ReadFile(diff_);
  const CheckedDiff d = CheckDiff(diff_);
  ASSERT_TRUE(d.check.ok());
  const std::vector<DiffBlock>& blocks = d.blocks;
  const SBNdtAry& list = d.list;
  const DirSnapshot before = Snapshot(target_);
  for (std::size_t at = 0; at < good.size(); ++at) {
    std::string bad = good;
    bad[at] = static_cast<char>(bad[at] ^ 0x01);
    WriteFile(diff_, bad);
    const CheckedDiff damaged = CheckDiff(diff_);
    DiffCheck check = damaged.check;
    if (check.ok()) check = SealVerifier(diff_, damaged.blocks, damaged.seal).Finish();
    ASSERT_FALSE(check.ok()) << "byte " << at << " passed";
    // A byte after a block's length field is that entry's.
    for (std::size_t i = 0; i < blocks.size(); ++i) {
      if (at >= blocks[i].start + 4 && at < blocks[i].start + 4 + blocks[i].length) {
        EXPECT_EQ(check.entry, static_cast<int>(i)) << "byte " << at;
      }
    }
    // The import refuses it as well, and the menu directory stays as it was.
    ImportReport report;
    EXPECT_EQ(ImportDiff(nullptr, diff_, target_, list, &report), -1) << "byte " << at;
    EXPECT_FALSE(report.check.ok()) << "byte " << at;
    ASSERT_EQ(Difference(before, Snapshot(target_)), "") << "byte " << at;
  }
  WriteFile(diff_, good);
  EXPECT_EQ(ImportDiff(nullptr, diff_, target_, list), 0);
}

}  // namespace
}  // namespace quarvel
