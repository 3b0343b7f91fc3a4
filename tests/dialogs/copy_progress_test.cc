#include <gtest/gtest.h>

#include <vector>

#include "dialogs/copy_progress.h"

namespace quarvel {
namespace {

TEST(CopyProgress, FillsTowardsTheTotalAndStopsOneStepShort) {
  CopyProgress p;
  p.delayMs = 0;
  EXPECT_TRUE(p.BeginWork());
  EXPECT_FALSE(p.BeginWork());  // a nested event belongs to the outer one
  p.BeginCopyWork(200);
  EXPECT_FALSE(p.Pulsing());
  EXPECT_EQ(p.OnCopied(50), CopyProgress::kRange / 4);
  EXPECT_EQ(p.OnCopied(50), CopyProgress::kRange / 2);
  // An estimate that fell short holds the bar just before its end.
  EXPECT_EQ(p.OnCopied(150), CopyProgress::kRange - 1);
  EXPECT_EQ(p.OnCopied(1), CopyProgress::kRange - 1);
  EXPECT_FALSE(p.EndWork());
  EXPECT_TRUE(p.EndWork());
  EXPECT_FALSE(p.EndWork());  // more ends than begins change nothing
  EXPECT_TRUE(p.Pulsing());   // the announcement ends with the work
}

TEST(CopyProgress, CyclesWithoutATotalAndWaitsForItsDelay) {
  CopyProgress p;
  p.delayMs = 0;
  p.BeginWork();
  std::vector<int> positions;
  for (int i = 0; i < 25; ++i) positions.push_back(p.OnCopied(10));
  for (int position : positions) {
    EXPECT_GE(position, 0);
    EXPECT_LT(position, CopyProgress::kRange);
  }
  bool wrapped = false;
  for (std::size_t i = 1; i < positions.size(); ++i) wrapped = wrapped || positions[i] < positions[i - 1];
  EXPECT_TRUE(wrapped);  // it went round
  p.EndWork();

  CopyProgress slow;
  slow.delayMs = 60 * 60 * 1000;
  slow.BeginWork();
  slow.BeginCopyWork(10);
  EXPECT_EQ(slow.OnCopied(5), -1);  // nothing shows before the delay has passed
}

}  // namespace
}  // namespace quarvel
