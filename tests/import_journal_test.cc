// The journal is what a recovery acts on, so nothing but a whole journal of the import's own making
// may be taken for one.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/dir_lock.h"
#include "engine/import_journal.h"
#include "engine/import_plan.h"
#include "engine/recovery.h"
#include "fileio/fileio.h"
#include "support/dir_snapshot.h"
#include "support/temp_dir.h"
#include "support/host_rules.h"

namespace quarvel {
namespace {

ImportJournal Sample() {
  ImportJournal j;
  j.state = JournalState::kStaging;
  j.testFileOurs = true;
  j.names = {{"M2.SST", "m2.sst", "SBN0ab.cde", true, true}, {"NEW.KKK", "", "", false, true}};
  j.libraries = {{"L.SSD", "SBN1ab.cde", true}};
  return j;
}

bool SameJournal(const ImportJournal& a, const ImportJournal& b) { return EncodeJournal(a) == EncodeJournal(b); }

TEST(ImportJournal, RoundTripsAndRefusesEveryCutAndEveryFlippedByteOfItsBody) {
  const std::string bytes = EncodeJournal(Sample());
  ImportJournal back;
  ASSERT_TRUE(DecodeJournal(bytes, &back));
  EXPECT_TRUE(SameJournal(back, Sample()));
  for (std::size_t n = 0; n < bytes.size(); ++n) EXPECT_FALSE(DecodeJournal(bytes.substr(0, n), &back)) << n;
  EXPECT_FALSE(DecodeJournal(bytes + '\0', &back));
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4) continue;  // the state byte, outside the checksum
    std::string bad = bytes;
    bad[i] = static_cast<char>(bad[i] ^ 0x20);
    EXPECT_FALSE(DecodeJournal(bad, &back)) << "byte " << i;
  }
  std::string state = bytes;
  state[4] = 3;
  EXPECT_FALSE(DecodeJournal(state, &back));
}

TEST(ImportJournal, RefusesNamesThatNoImportWouldWrite) {
  ImportJournal back;
  auto refused = [&](auto change) {
    ImportJournal j = Sample();
    change(j);
    return !DecodeJournal(EncodeJournal(j), &back);
  };
  EXPECT_TRUE(refused([](ImportJournal& j) { j.names[0].name = "../M2.SST"; }));
  EXPECT_TRUE(refused([](ImportJournal& j) { j.names[0].occupant = "OTHER.SST"; }));
  EXPECT_TRUE(refused([](ImportJournal& j) { j.names[0].backup = "M1.SST"; }));
  EXPECT_TRUE(refused([](ImportJournal& j) { j.names[0].backup = ""; }));
  EXPECT_TRUE(refused([](ImportJournal& j) { j.names[1].readOnly = true; }));
  EXPECT_TRUE(refused([](ImportJournal& j) { j.names[1].name = "m2.sst"; }));
  EXPECT_TRUE(refused([](ImportJournal& j) { j.libraries[0].work = "SBN0ab.cde"; }));
  EXPECT_TRUE(refused([](ImportJournal& j) { j.libraries[0].work = j.names[0].backup; }));
  EXPECT_TRUE(refused([](ImportJournal& j) { j.libraries.push_back(j.libraries[0]); }));
  EXPECT_FALSE(refused([](ImportJournal& j) { j.names.clear(); }));
}

TEST(ImportJournal, AnUntrustedJournalIsRefusedAndNothingIsTouched) {
  TempDir dir;
  WriteFile(dir.path() + "M2.SST", "new");
  WriteFile(dir.path() + "SBN0ab.cde", "old");
  std::string bytes = EncodeJournal(Sample());
  bytes[bytes.size() - 1] ^= 1;
  WriteFile(dir.path() + kJournalName, bytes);
  const DirSnapshot before = Snapshot(dir.path());
  Recovery done;
  DiffFault why;
  StringAry left;
  EXPECT_EQ(RecoverMenuDir(dir.path(), &done, &why, &left), -1);
  EXPECT_EQ(why, DiffFault::kJournalUntrusted);
  EXPECT_EQ(Difference(before, Snapshot(dir.path())), "");
  EXPECT_EQ(PendingRecovery(dir.path(), &done), -1);
}

TEST(ImportJournal, ADoneJournalOrAWorkJournalAloneIsOnlyRemoved) {
  TempDir dir;
  WriteFile(dir.path() + "A.KKK", "a");
  ImportJournal j = Sample();
  j.state = JournalState::kDone;
  WriteFile(dir.path() + kJournalName, EncodeJournal(j));
  WriteFile(dir.path() + "M2.SST", "stays");
  Recovery done;
  DiffFault why;
  StringAry left;
  ASSERT_EQ(RecoverMenuDir(dir.path(), &done, &why, &left), 0);
  EXPECT_EQ(done, Recovery::kNone);
  WriteFile(dir.path() + kJournalWorkName, "half a journal");
  ASSERT_EQ(RecoverMenuDir(dir.path(), &done, &why, &left), 0);
  const DirSnapshot after = Snapshot(dir.path());
  EXPECT_EQ(after.size(), 2u);
  EXPECT_EQ(after.at("M2.SST").bytes, "stays");
}

TEST(ImportJournal, AnEmptyTestFileWithoutAJournalIsALeftoverAndGoesWithTheRecovery) {
  // What a process killed between making the writability test's file and removing it leaves.
  TempDir dir;
  WriteFile(dir.path() + "A.KKK", "a");
  WriteFile(dir.path() + kWritabilityTestName, "");
  Recovery done;
  DiffFault why;
  StringAry left;
  ASSERT_EQ(RecoverMenuDir(dir.path(), &done, &why, &left), 0);
  EXPECT_EQ(done, Recovery::kNone);
  EXPECT_TRUE(left.empty());
  DirSnapshot after = Snapshot(dir.path());
  EXPECT_EQ(after.size(), 1u);
  EXPECT_EQ(after.count("A.KKK"), 1u);
  // One with bytes is not the test's: it stays.
  WriteFile(dir.path() + kWritabilityTestName, "somebody's");
  ASSERT_EQ(RecoverMenuDir(dir.path(), &done, &why, &left), 0);
  after = Snapshot(dir.path());
  ASSERT_EQ(after.count(kWritabilityTestName), 1u);
  EXPECT_EQ(after.at(kWritabilityTestName).bytes, "somebody's");
}

TEST(DirLock, ALinkOrADirectoryUnderTheLockNameIsRefusedAndNothingIsMadeThroughIt) {
  POSIX_HOST_ONLY("symbolic links, which a Windows user without the privilege cannot make");
  TempDir dir;
  const std::string outside = dir.Sub("outside") + "made";
  const std::string menu = dir.Sub("menu");
  std::filesystem::create_symlink(outside, menu + kLockName);
  DirLock lock;
  EXPECT_EQ(lock.Take(menu), DiffFault::kLockInTheWay);
  EXPECT_FALSE(Exists(outside));
  std::filesystem::remove(menu + kLockName);
  std::filesystem::create_directory(menu + kLockName);
  EXPECT_EQ(lock.Take(menu), DiffFault::kLockIsDirectory);
  std::filesystem::remove(menu + kLockName);
  EXPECT_EQ(lock.Take(menu), DiffFault::kNone);
  lock.Release();
  EXPECT_FALSE(Exists(menu + kLockName));
}

}  // namespace
}  // namespace quarvel
