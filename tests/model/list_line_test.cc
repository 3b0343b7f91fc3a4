#include "model/list_line.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

TEST(CommandListLine, ShowsEachKindAsTheDialogsDo) {
  std::string line;
  ASSERT_TRUE(CommandListLine({kOpAddOrReplace, MenuFile, "A.SST", "T", ""}, &line));
  EXPECT_EQ(line, "\x81\x9B\x81\x46\xD2\xC6\xAD\xB0\x81\x46" "T");  // ○：ﾒﾆｭｰ：T
  ASSERT_TRUE(CommandListLine({kOpDelete, DocumentLibrary, "L.SSD", "T", "DOC"}, &line));
  EXPECT_EQ(line, "\x81\x7E\x81\x46\x8F\x91\x97\xDE\x81\x46" "DOC");  // ×：書類：DOC
  ASSERT_TRUE(CommandListLine({kOpAddOrReplace, DocumentLibrary, "L.SSD", "T", ""}, &line));
  EXPECT_EQ(line, "\x81\x9B\x81\x46\x8F\x91\x97\xDE\x8C\x51\x81\x46" "T");  // ○：書類群：T
  ASSERT_TRUE(CommandListLine({kOpAddOrReplace, CommonLibrary, "C.SSV", "T", ""}, &line));
  EXPECT_EQ(line, "\x81\x9B\x81\x46\x8B\xA4\x92\xCA\x81\x46" "T");  // ○：共通：T
  ASSERT_TRUE(CommandListLine({kOpAddOrReplace, OtherFile, "F.CSV", "ignored", ""}, &line));
  EXPECT_EQ(line, "\x81\x9B\x81\x46\xCC\xA7\xB2\xD9\x81\x46" "F.CSV");  // ○：ﾌｧｲﾙ：F.CSV
  line = "kept";
  EXPECT_FALSE(CommandListLine({kOpUnset, MenuFile, "A.SST", "T", ""}, &line));
  EXPECT_FALSE(CommandListLine({kOpAddOrReplace | kOpExcluded, MenuFile, "A.SST", "T", ""}, &line));
  EXPECT_FALSE(CommandListLine({kOpAddOrReplace, 7, "A.SST", "T", ""}, &line));
  EXPECT_EQ(line, "kept");
}

TEST(ExcludedMark, SitsOnTopOfTheOpAndNeverOnANegativeOne) {
  SBNdt e{kOpDelete, MenuFile, "A.SST", "", ""};
  e.op |= kOpExcluded;
  EXPECT_TRUE(IsExcluded(e));
  e.op &= ~kOpExcluded;
  EXPECT_EQ(e.op, kOpDelete);
  EXPECT_FALSE(IsExcluded(SBNdt{}));  // op -1 is a deletion, not an excluded entry
  EXPECT_FALSE(IsDocumentLevel({0, DocumentLibrary, "L.SSD", "", ""}));
  EXPECT_TRUE(IsDocumentLevel({0, DocumentLibrary, "L.SSD", "", "D"}));
  EXPECT_FALSE(IsDocumentLevel({0, CommonLibrary, "C.SSV", "", "D"}));
}

}  // namespace
}  // namespace quarvel
