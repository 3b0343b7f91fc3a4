// The one builder of diff files: what it leaves behind on every way out.
#include "engine/diff/diff_builder.h"

#include <gtest/gtest.h>

#include "engine/diff/diff_check.h"
#include "platform/dos_time.h"
#include "sample/menu_dir_builder.h"
#include "support/dir_snapshot.h"
#include "support/temp_dir.h"

namespace quarvel {
namespace {

constexpr std::uint32_t kStamp = MakeDosStamp(2024, 6, 1, 9, 0, 0);

class DiffBuilderTest : public ::testing::Test {
 protected:
  DiffBuilderTest() {
    MenuDirBuilder(src_).File("A.CSV", "a bytes", kStamp).Library("L.SSD", "lib", {{"X", "x", "x data"}}, kStamp);
  }
  // Begins a diff of A.CSV, L.SSD/X and a deletion at `path`, and adds their blocks.
  void Build(DiffBuilder& b, const std::string& path) {
    const SBNdtAry entries{{kOpAddOrReplace, OtherFile, "A.CSV", "", ""},
                           {kOpAddOrReplace, DocumentLibrary, "L.SSD", "lib", "X"},
                           {kOpDelete, OtherFile, "GONE.CSV", "", ""}};
    ASSERT_TRUE(b.Begin(path, entries, "three", true));
    EXPECT_EQ(b.AddFile(src_ + "A.CSV"), BlockFault::kNone);
    EXPECT_EQ(b.AddDocument(src_ + "L.SSD", "X"), BlockFault::kNone);
    EXPECT_EQ(b.AddEmpty(), BlockFault::kNone);
  }

  TempDir dir_;
  std::string src_ = dir_.Sub("src");
  std::string out_ = dir_.Sub("out");
};

TEST_F(DiffBuilderTest, APlacedDiffIsWholeAndSealedAndNothingElseIsLeft) {
  {
    DiffBuilder b;
    Build(b, out_ + "d.kmd");
    EXPECT_EQ(b.AddDocument(src_ + "L.SSD", "NONE"), BlockFault::kSourceMissing);
    ASSERT_TRUE(b.Finish(std::vector<EntryBase>(3)));
    bool taken = true;
    ASSERT_TRUE(b.PlaceNew(&taken));
    EXPECT_FALSE(taken);
  }
  const DirSnapshot out = Snapshot(out_);
  ASSERT_EQ(out.size(), 1u) << out.begin()->first;
  SBNdtAry read;
  std::string description;
  std::vector<DiffBlock> blocks;
  SealState seal;
  EXPECT_TRUE(CheckDiffFile(out_ + "d.kmd", &read, &description, &blocks, &seal).ok());
  EXPECT_EQ(description, "three");
  EXPECT_TRUE(seal.sealed);
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks[0].FileBytes(), 7u);
  EXPECT_EQ(blocks[2].length, 0u);
}

TEST_F(DiffBuilderTest, AnAbandonedOrRefusedDiffLeavesOnlyWhatStoodThere) {
  {
    DiffBuilder b;
    Build(b, out_ + "dropped.kmd");
    EXPECT_EQ(b.AddFile(src_ + "MISSING.CSV"), BlockFault::kSourceMissing);
  }
  EXPECT_TRUE(Snapshot(out_).empty());

  MenuDirBuilder(out_).File("taken.kmd", "someone's", kStamp);
  {
    DiffBuilder b;
    Build(b, out_ + "taken.kmd");
    ASSERT_TRUE(b.Finish(std::vector<EntryBase>(3)));
    bool taken = false;
    EXPECT_FALSE(b.PlaceNew(&taken));
    EXPECT_TRUE(taken);
  }
  const DirSnapshot out = Snapshot(out_);
  ASSERT_EQ(out.size(), 1u) << out.rbegin()->first;
  EXPECT_EQ(out.at("taken.kmd").bytes, "someone's");

  // Over the same name when the user chose it.
  DiffBuilder b;
  Build(b, out_ + "taken.kmd");
  ASSERT_TRUE(b.Finish(std::vector<EntryBase>(3)));
  EXPECT_TRUE(b.PlaceOver());
  EXPECT_NE(Snapshot(out_).at("taken.kmd").bytes, "someone's");
}

}  // namespace
}  // namespace quarvel
