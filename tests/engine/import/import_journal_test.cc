// The journal is what a recovery acts on, so nothing but a whole journal of the import's own making
// may be taken for one.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/import/dir_lock.h"
#include "engine/import/import_journal.h"
#include "engine/import/import_plan.h"
#include "engine/import/recovery.h"
#include "fileio/coding.h"
#include "fileio/fileio.h"
#include "fileio/work_names.h"
#include "support/dir_snapshot.h"
#include "support/temp_dir.h"
#include "support/host_rules.h"

namespace quarvel {
namespace {

ImportJournal Sample() {
  ImportJournal j;
  j.state = JournalState::kStaging;
  j.testFileOurs = true;
  j.names = {{"M2.SST", "m2.sst", "SBN0ab.cde", true, true, {true, 70000, 0x52345678}, 0x1234567890u},
             {"NEW.KKK", "", "", false, true, {}, 12}};
  j.libraries = {{"L.SSD", "SBN1ab.cde", true, {true, 5000000000u, 0x5A000001}}};
  JournalName& made = j.names[1];
  made.createdStamp = 0x5A000002;
  made.madeKnown = true;
  made.madeVolume = 0x0102030405060708u;
  made.madeIndex = 0x1112131415161718u;
  made.digestKnown = true;
  made.createdFlag = 1;
  made.createdDigest.fill(0xA5);
  return j;
}

std::uint32_t TestCrc32(const std::string& bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  }
  return crc ^ 0xFFFFFFFFu;
}

void PutName(std::string& out, const std::string& s) {
  AppendU16(out, static_cast<std::uint16_t>(s.size()));
  out += s;
}

// A journal as the release before the state's complement wrote it: names only, version 1.
std::string VersionOneJournal(JournalState state, const std::vector<JournalName>& names) {
  std::string body(1, '\0');
  AppendU32(body, static_cast<std::uint32_t>(names.size()));
  for (const JournalName& n : names) {
    PutName(body, n.name);
    PutName(body, n.occupant);
    PutName(body, n.backup);
    body.push_back(static_cast<char>((n.readOnly ? 1 : 0) | (n.created ? 2 : 0)));
  }
  AppendU32(body, 0);
  std::string out;
  AppendU16(out, 2931);
  AppendU16(out, 1);
  out.push_back(static_cast<char>(state));
  out.append(3, '\0');
  AppendU32(out, static_cast<std::uint32_t>(body.size()));
  AppendU32(out, TestCrc32(body));
  return out + body;
}

bool SameJournal(const ImportJournal& a, const ImportJournal& b) { return EncodeJournal(a) == EncodeJournal(b); }

TEST(ImportJournal, RoundTripsAndRefusesEveryCutAndEveryFlippedBit) {
  for (JournalState state : {JournalState::kStaging, JournalState::kCommitting, JournalState::kDone}) {
    ImportJournal j = Sample();
    j.state = state;
    const std::string bytes = EncodeJournal(j);
    ImportJournal back;
    ASSERT_TRUE(DecodeJournal(bytes, &back));
    EXPECT_TRUE(SameJournal(back, j));
    EXPECT_TRUE(back.contentsKnown);
    for (std::size_t n = 0; n < bytes.size(); ++n) EXPECT_FALSE(DecodeJournal(bytes.substr(0, n), &back)) << n;
    EXPECT_FALSE(DecodeJournal(bytes + '\0', &back));
    // The state byte too: no changed bit turns one state into another.
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      for (int bit = 0; bit < 8; ++bit) {
        std::string bad = bytes;
        bad[i] = static_cast<char>(bad[i] ^ (1 << bit));
        EXPECT_FALSE(DecodeJournal(bad, &back)) << "byte " << i << " bit " << bit;
      }
    }
  }
  // Nor does a state byte that is no state's code, or that of a journal of names only.
  for (int code : {0, 1, 2, 3, 0xFF}) {
    std::string state = EncodeJournal(Sample());
    state[4] = static_cast<char>(code);
    ImportJournal back;
    EXPECT_FALSE(DecodeJournal(state, &back)) << code;
  }
}

TEST(ImportJournal, AMarkedStateReadsBackAsMarked) {
  TempDir dir;
  int fd = -1;
  ASSERT_EQ(WriteJournal(dir.path(), Sample(), &fd), 0);
  for (JournalState state : {JournalState::kCommitting, JournalState::kStaging, JournalState::kDone}) {
    ASSERT_EQ(MarkJournal(fd, state), 0);
    ImportJournal back;
    ASSERT_EQ(ReadJournal(dir.path(), &back), 0);
    EXPECT_EQ(back.state, state);
  }
  FileCloseWritten(fd);
}

TEST(ImportJournal, AJournalOfThePreviousVersionIsStillRecoveredByItsNames) {
  // Left by a crash under the older release: its staged import is rolled back as that release did.
  TempDir dir;
  WriteFile(dir.path() + "M2.SST", "half of the new one");
  WriteFile(dir.path() + "SBN0ab.cde", "old");
  WriteFile(dir.path() + "NEW.KKK", "made by it");
  const std::vector<JournalName> names = {{"M2.SST", "M2.SST", "SBN0ab.cde", false, true, {}, 0},
                                          {"NEW.KKK", "", "", false, true, {}, 0}};
  WriteFile(dir.path() + kJournalName, VersionOneJournal(JournalState::kStaging, names));
  ImportJournal read;
  ASSERT_EQ(ReadJournal(dir.path(), &read), 0);
  EXPECT_FALSE(read.contentsKnown);
  Recovery done;
  ImportRefusal why;
  StringAry left;
  ASSERT_EQ(RecoverMenuDir(dir.path(), &done, &why, &left), 0);
  EXPECT_EQ(done, Recovery::kRolledBack);
  const DirSnapshot after = Snapshot(dir.path());
  EXPECT_EQ(after.size(), 1u);
  ASSERT_EQ(after.count("M2.SST"), 1u);
  EXPECT_EQ(after.at("M2.SST").bytes, "old");
}

// What a recovery may remove of a file under a created name: only the very file the import made
// (or, before its journal could say which, an empty one); and an import completes a name only where
// its new file stands, whole.
TEST(ImportJournal, ARecoveryRemovesOrCompletesOnlyWhatIsProvablyTheImports) {
  TempDir dir;
  const std::string d = dir.path();
  auto madeHere = [&](JournalName* n) {
    FileId id;
    ASSERT_EQ(Host().IdentifyName(d + n->name, &id), 0);
    n->madeKnown = true;
    n->madeVolume = id.volume;
    n->madeIndex = id.index;
  };
  auto recover = [&](const ImportJournal& j, Recovery* done, RecoveryLog* log) {
    WriteFile(d + kJournalName, EncodeJournal(j));
    ImportRefusal why;
    StringAry left, lost;
    return RecoverMenuDir(d, done, &why, &left, &lost, log);
  };
  // Staged: its own half-written file goes, as does an empty one it had not yet named; a copy put
  // back with the same bytes and a file of someone else's stay, and are named.
  ImportJournal j;
  j.names = {{"OWN.KKK", "", "", false, true, {}, 4}, {"EMPTY.KKK", "", "", false, true, {}, 4},
             {"COPY.KKK", "", "", false, true, {}, 4}, {"OTHER.KKK", "", "", false, true, {}, 4}};
  WriteFile(d + "OWN.KKK", "half");
  madeHere(&j.names[0]);
  WriteFile(d + "EMPTY.KKK", "");
  WriteFile(d + "COPY.KKK", "full");
  madeHere(&j.names[2]);
  WriteFile(d + "COPY.NEW", "full");  // made while the other stands: another file, whatever the host
  std::filesystem::rename(d + "COPY.NEW", d + "COPY.KKK");
  WriteFile(d + "OTHER.KKK", "full");
  Recovery done;
  RecoveryLog log;
  EXPECT_EQ(recover(j, &done, &log), -1);
  EXPECT_EQ(done, Recovery::kRolledBackInPart);
  EXPECT_EQ(log.removed, (StringAry{"EMPTY.KKK", "OWN.KKK"}));
  EXPECT_EQ(log.kept, (StringAry{"OTHER.KKK", "COPY.KKK"}));
  EXPECT_EQ(ReadFile(d + "COPY.KKK"), "full");
  EXPECT_EQ(ReadFile(d + "OTHER.KKK"), "full");

  // Committing: a name whose new file is gone, or is another one, keeps its old file in the backup.
  ImportJournal c;
  c.state = JournalState::kCommitting;
  c.names = {{"A.KKK", "A.KKK", "SBN0aa.aaa", false, true, {true, 3, 0}, 3},
             {"B.KKK", "B.KKK", "SBN0bb.bbb", false, true, {true, 3, 0}, 3}};
  WriteFile(d + "A.KKK", "new");
  madeHere(&c.names[0]);
  WriteFile(d + "SBN0aa.aaa", "old");
  WriteFile(d + "SBN0bb.bbb", "old");
  WriteFile(d + "B.KKK", "new");
  madeHere(&c.names[1]);
  ASSERT_TRUE(std::filesystem::remove(d + "B.KKK"));
  log = {};
  EXPECT_EQ(recover(c, &done, &log), -1);
  EXPECT_EQ(done, Recovery::kCompletedInPart);
  EXPECT_EQ(log.removed, StringAry{"SBN0aa.aaa"});
  EXPECT_EQ(log.kept, StringAry{"SBN0bb.bbb"});
  EXPECT_EQ(ReadFile(d + "SBN0bb.bbb"), "old");
  EXPECT_EQ(ReadFile(d + "A.KKK"), "new");
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
  // A half-staged import: a changed bit of the body, or of the state (which would turn "staging"
  // into "committing" or "done"), leaves every file where it is.
  const std::string good = EncodeJournal(Sample());
  for (std::size_t at : {good.size() - 1, std::size_t{4}}) {
    for (int bit = 0; bit < 8; ++bit) {
      TempDir dir;
      WriteFile(dir.path() + "M2.SST", "");
      WriteFile(dir.path() + "SBN0ab.cde", "old");
      WriteFile(dir.path() + "SBN1ab.cde", "");
      WriteFile(dir.path() + "L.SSD", "old library");
      std::string bytes = good;
      bytes[at] = static_cast<char>(bytes[at] ^ (1 << bit));
      WriteFile(dir.path() + kJournalName, bytes);
      const DirSnapshot before = Snapshot(dir.path());
      Recovery done;
      ImportRefusal why;
      StringAry left;
      EXPECT_EQ(RecoverMenuDir(dir.path(), &done, &why, &left), -1) << "byte " << at << " bit " << bit;
      EXPECT_EQ(why, ImportRefusal::kJournalUntrusted);
      EXPECT_EQ(Difference(before, Snapshot(dir.path())), "") << "byte " << at << " bit " << bit;
      EXPECT_EQ(PendingRecovery(dir.path(), &done), -1);
    }
  }
}

TEST(ImportJournal, ADoneJournalOrAWorkJournalAloneIsOnlyRemoved) {
  TempDir dir;
  WriteFile(dir.path() + "A.KKK", "a");
  ImportJournal j = Sample();
  j.state = JournalState::kDone;
  WriteFile(dir.path() + kJournalName, EncodeJournal(j));
  WriteFile(dir.path() + "M2.SST", "stays");
  Recovery done;
  ImportRefusal why;
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
  ImportRefusal why;
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
  EXPECT_EQ(lock.Take(menu), ImportRefusal::kLockInTheWay);
  EXPECT_FALSE(Exists(outside));
  std::filesystem::remove(menu + kLockName);
  std::filesystem::create_directory(menu + kLockName);
  EXPECT_EQ(lock.Take(menu), ImportRefusal::kLockIsDirectory);
  std::filesystem::remove(menu + kLockName);
  EXPECT_EQ(lock.Take(menu), ImportRefusal::kNone);
  lock.Release();
  EXPECT_FALSE(Exists(menu + kLockName));
}

}  // namespace
}  // namespace quarvel
