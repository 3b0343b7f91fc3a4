// The promise of the import against a crash and a second import: a process ended at any operation of
// an import, or of the recovery of one, leaves a menu directory that the next recovery turns into
// exactly the old or exactly the new state, with no work file, journal or lock left; and while one
// import runs, a second one, a recovery or an analysis's write into that directory is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "engine/diff/diff_reader.h"
#include "engine/import/dir_lock.h"
#include "engine/import/import.h"
#include "engine/import/import_journal.h"
#include "engine/import/import_plan.h"
#include "engine/import/recovery.h"
#include "fileio/fileio.h"
#include "fileio/work_names.h"
#include "sample/menu_dir_builder.h"
#include "support/child_process.h"
#include "support/fault_platform.h"
#include "support/import_scenario.h"

namespace quarvel {
namespace {

constexpr int kKilled = 77;

#ifdef _WIN32
// Each child is a new process, which under Wine takes a good part of a second to start: Windows
// kills at every third step, still reaching every kind of operation of the import and its recovery.
constexpr int kStride = 3;
#else
constexpr int kStride = 1;
#endif

std::string Joined(const StringAry& names) {
  std::string out;
  for (const std::string& n : names) out += (out.empty() ? "" : " ") + n;
  return out;
}

bool Touch(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  return f != nullptr && std::fclose(f) == 0;
}

// Waits up to a minute for a file to appear.
bool AwaitFile(const std::string& path) {
  for (int i = 0; i < 6000; ++i) {
    if (std::filesystem::exists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// The child's side: {what, kill step, target, diff, undo, signal directory}. "import", "undo" (an
// import that writes its undo) and "recover" end the process at the kill step (0: never); "paused"
// stops at its first rename, says so by making the file "ready" in the signal directory and goes
// on once "go" stands there. The exit code is 0 when the work succeeded, kKilled when it was ended.
int KillChildMain(const ChildJob& job) {
  if (job.size() != 6) return 2;
  const std::string& what = job[0];
  const std::string& target = job[2];
  const std::string& diff = job[3];
  SBNdtAry list;
  if (what != "recover" && LoadDiffDirectory(diff, list, nullptr) != 0) return 2;
  FaultPlatform faults(NativePlatform());
  SetHost(&faults);
  faults.ExitAt(std::stoi(job[1]), kKilled);
  if (what == "import") return ImportDiff(nullptr, diff, target, list) == 0 ? 0 : 1;
  if (what == "undo") return ImportDiff(nullptr, diff, target, list, nullptr, job[4]) == 0 ? 0 : 1;
  if (what == "recover") {
    Recovery done;
    ImportRefusal why;
    StringAry left;
    return RecoverMenuDir(target, &done, &why, &left) == 0 ? 0 : 1;
  }
  if (what == "paused") {
    bool paused = false;
    faults.OnStep([&](FaultOp op, int) {
      if (paused || op != FaultOp::kRename) return;
      paused = true;
      if (!Touch(job[5] + "ready") || !AwaitFile(job[5] + "go")) EndProcessNow(3);
    });
    return ImportDiff(nullptr, diff, target, list) == 0 ? 0 : 1;
  }
  return 2;
}

CHILD_PROCESS_ENTRY(ImportKillChild, KillChildMain);

class ImportKillTest : public ImportScenario {
 public:
  // Lays the old state into the target and runs the import there, killed at step `at`.
  int LaidOutAndKilledAt(int at) {
    CopyDir(old_, target_);
    return RunKilledAt(at, "import");
  }
  const std::string& Target() const { return target_; }

 protected:
  ChildJob Job(const char* what, int at) const {
    return {what, std::to_string(at), target_, diff_, undo_, dir_.path()};
  }
  // Runs a job in a child process that ends itself at step `at` of its platform operations.
  // Returns the child's exit code (kKilled when it was ended there).
  int RunKilledAt(int at, const char* what) const { return RunChild("ImportKillChild", KillChildMain, Job(what, at)); }
  // Recovers in this process, then checks the state and that nothing of the import is left.
  // A recovery of the target and all it answered.
  struct Recovered {
    int result = 0;
    Recovery done = Recovery::kNone;
    ImportRefusal why = ImportRefusal::kNone;
    StringAry left, lost;
  };
  Recovered RecoverTarget() {
    Recovered r;
    r.result = RecoverMenuDir(target_, &r.done, &r.why, &r.left, &r.lost);
    return r;
  }
  // The recovery did all it could but for what it names, and removed the journal.
  static void ExpectInPart(const Recovered& r, Recovery done) {
    EXPECT_EQ(r.result, -1);
    EXPECT_EQ(r.why, ImportRefusal::kRecoveryFailed);
    EXPECT_EQ(r.done, done);
  }

  std::string RecoverAndCheck(bool* isNew) {
    Recovery done;
    ImportRefusal why;
    StringAry left;
    if (RecoverMenuDir(target_, &done, &why, &left) != 0) return "recovery failed, left: " + Joined(left);
    return OldOrNew(isNew);
  }
};

// The first step at which a kill leaves the journal in `state` and `when` holds for what it left;
// 0 when the import ended first.
template <typename When>
int KillWhere(ImportKillTest* t, JournalState state, When when) {
  for (int k = 1;; ++k) {
    if (t->LaidOutAndKilledAt(k) != kKilled) return 0;
    ImportJournal j;
    if (ReadJournal(t->Target(), &j) == 0 && j.state == state && when(j)) return k;
  }
}

// A rollback removes only what it can tell is the import's: a file that somebody made under a name the
// import was to create, after the import died and before it made its own, stays and is named.
TEST_F(ImportKillTest, RollbackKeepsAFileUnderACreatedNameThatTheImportDidNotMake) {
  const int k = KillWhere(this, JournalState::kStaging, [&](const ImportJournal& j) {
    return !Exists(target_ + "M4.SST") && Exists(target_ + j.names[0].backup);
  });
  ASSERT_GT(k, 0);
  WriteFile(target_ + "M4.SST", "made by hand");
  const Recovered r = RecoverTarget();
  ExpectInPart(r, Recovery::kRolledBackInPart);
  EXPECT_EQ(r.left, StringAry{"M4.SST"});
  EXPECT_TRUE(r.lost.empty());
  EXPECT_EQ(ReadFile(target_ + "M4.SST"), "made by hand");
  // All else is undone, and the directory is free again.
  std::filesystem::remove(target_ + "M4.SST");
  EXPECT_EQ(Difference(old_state_, Snapshot(target_)), "");
  const Recovered again = RecoverTarget();
  EXPECT_EQ(again.result, 0);
  EXPECT_EQ(again.done, Recovery::kNone);
}

// Backups removed by hand after the crash: the names whose old file was moved aside cannot get it back,
// and the recovery says so instead of "rolled back"; it still does what it can and frees the directory.
TEST_F(ImportKillTest, RollbackWithoutItsBackupsSaysTheOldStateIsNotBack) {
  StringAry backups, moved;
  const int k = KillWhere(this, JournalState::kStaging, [&](const ImportJournal& j) {
    backups.clear();
    moved.clear();
    for (const JournalName& n : j.names) {
      if (n.backup.empty()) continue;
      backups.push_back(n.backup);
      if (Exists(target_ + n.backup)) moved.push_back(n.name);
    }
    // The new M2.SST made too: a file under the name is not taken for its old one.
    return moved.size() == backups.size() && !backups.empty() && Exists(target_ + "M2.SST");
  });
  ASSERT_GT(k, 0);
  for (const std::string& b : backups) std::filesystem::remove(target_ + b);
  Recovered r = RecoverTarget();
  ExpectInPart(r, Recovery::kRolledBackInPart);
  std::sort(r.lost.begin(), r.lost.end());
  std::sort(moved.begin(), moved.end());
  EXPECT_EQ(r.lost, moved);
  EXPECT_NE(Difference(old_state_, Snapshot(target_)), "");
  EXPECT_FALSE(Exists(target_ + kJournalName));
  const Recovered again = RecoverTarget();
  EXPECT_EQ(again.result, 0);
  EXPECT_EQ(again.done, Recovery::kNone);
}

// A backup that is missing because the occupant was never moved is no loss: killed before the first
// move, the recovery gives the old state.
TEST_F(ImportKillTest, RollbackBeforeAnyMoveFindsTheOccupantsInPlace) {
  const int k = KillWhere(this, JournalState::kStaging, [&](const ImportJournal& j) {
    return Exists(target_ + j.libraries[0].work) && !Exists(target_ + j.names[0].backup);
  });
  ASSERT_GT(k, 0);
  bool isNew = true;
  EXPECT_EQ(RecoverAndCheck(&isNew), "");
  EXPECT_FALSE(isNew);
}

// A library's work file removed after the crash in the commit: that library keeps its old state, and
// the recovery says so instead of "completed".
TEST_F(ImportKillTest, CompletionWithoutAWorkFileSaysTheNewStateIsNotAllInPlace) {
  std::string work, library;
  const int k = KillWhere(this, JournalState::kCommitting, [&](const ImportJournal& j) {
    for (const JournalLibrary& l : j.libraries) {
      if (l.name == "L.SSD") {
        work = l.work;
        library = l.name;
      }
    }
    return !work.empty() && Exists(target_ + work);
  });
  ASSERT_GT(k, 0);
  // The work file of a read-only library is read-only, which Windows will not remove as it stands.
  ASSERT_TRUE(RemoveFileOrReadOnly(target_ + work));
  const Recovered r = RecoverTarget();
  ExpectInPart(r, Recovery::kCompletedInPart);
  EXPECT_EQ(r.lost, StringAry{"L.SSD"});
  EXPECT_EQ(ReadFile(target_ + "L.SSD"), old_state_.at("L.SSD").bytes);
  EXPECT_TRUE(Exists(target_ + "M4.SST"));
  EXPECT_FALSE(Exists(target_ + kJournalName));
}

TEST_F(ImportKillTest, KilledAtEveryStepTheRecoveryGivesTheOldOrTheNewState) {
  int points = 0, old_states = 0, new_states = 0;
  for (int k = 1;; k += kStride) {
    CopyDir(old_, target_);
    const int code = RunKilledAt(k, "import");
    if (code == 0) break;  // the import ended before step k
    ASSERT_EQ(code, kKilled) << "step " << k;
    ++points;
    bool isNew = false;
    ASSERT_EQ(RecoverAndCheck(&isNew), "") << "killed at step " << k;
    ++(isNew ? new_states : old_states);
  }
  std::printf("killed at %d steps: %d old, %d new, 0 mixed\n", points, old_states, new_states);
  EXPECT_GT(points * kStride, 100);
  EXPECT_GT(new_states, 0);
  EXPECT_GT(old_states, 0);
}

// The undo is in place, flushed, before the journal says "committing": a recovery that completes the
// import always finds it. Killed between the two, the import is rolled back and its undo stays; that
// undo, imported into the old state, gives the old state again. A kill while the undo is written
// leaves the writer's work file beside it, as a kill of any diff write does.
TEST_F(ImportKillTest, KilledAtEveryStepWithAnUndoTheRecoveryGivesTheOldStateOrTheNewOneWithItsUndo) {
  int points = 0, old_states = 0, new_states = 0, stale = 0, work_files = 0;
  for (int k = 1;; k += kStride) {
    CopyDir(old_, target_);
    std::filesystem::remove(undo_);
    const int code = RunKilledAt(k, "undo");
    if (code == 0) break;
    ASSERT_EQ(code, kKilled) << "step " << k;
    ++points;
    bool isNew = false;
    ASSERT_EQ(RecoverAndCheck(&isNew), "") << "killed at step " << k;
    ++(isNew ? new_states : old_states);
    work_files += TakeUndoWorkFile();
    const bool stays = !isNew && Exists(undo_);
    stale += stays;
    ASSERT_EQ(CheckUndo(isNew || stays), "") << "killed at step " << k;
  }
  std::printf("killed at %d steps with an undo: %d old, %d new with their undo, 0 mixed; %d old with an undo that "
              "gave the old state again, %d with the undo's work file left\n",
              points, old_states, new_states, stale, work_files);
  EXPECT_GT(points * kStride, 250);
  EXPECT_GT(new_states, 0);
  EXPECT_LT(stale, 5);
}

TEST_F(ImportKillTest, ARecoveryKilledAtEveryStepIsFinishedByTheNext) {
  // The import's steps, counted once; then kills spread over them, each recovery killed at every step.
  CopyDir(old_, target_);
  int steps = 0;
  {
    FaultPlatform counter(NativePlatform());
    ScopedHost host(&counter);
    ASSERT_EQ(ImportDiff(nullptr, diff_, target_, list_), 0);
    steps = counter.Steps();
  }
  int recoveries = 0;
  for (int k = 5; k < steps; k += steps / 12) {
    for (int j = 1;; j += kStride) {
      CopyDir(old_, target_);
      ASSERT_EQ(RunKilledAt(k, "import"), kKilled);
      const int code = RunKilledAt(j, "recover");
      if (code == 0) break;
      ASSERT_EQ(code, kKilled);
      ++recoveries;
      bool isNew = false;
      ASSERT_EQ(RecoverAndCheck(&isNew), "") << "import killed at " << k << ", its recovery at " << j;
    }
  }
  std::printf("%d killed recoveries recovered\n", recoveries);
  EXPECT_GT(recoveries * kStride, 50);
}

TEST_F(ImportKillTest, WhileOneImportRunsASecondIsRefusedAndTouchesNothing) {
  CopyDir(old_, target_);
  // The first import stops in the middle of its staging until it is told to go on.
  ChildProcess first;
  ASSERT_TRUE(first.Start("ImportKillChild", KillChildMain, Job("paused", 0)));
  ASSERT_TRUE(AwaitFile(dir_.path() + "ready"));

  // A second diff: a document added to the same library, a menu file replaced.
  MenuDirBuilder(new_).Library("L.SSD", "lib", {{"X", "x", "same", 1}, {"Q", "q", "second", 9}});
  const DirSnapshot first_new = new_state_;
  const std::string second = dir_.path() + "second.kmd";
  diff_ = second;
  WriteDiff();

  const DirSnapshot midway = Snapshot(target_);
  ImportReport report;
  EXPECT_EQ(ImportDiff(nullptr, second, target_, list_, &report), -1);
  EXPECT_EQ(report.check.refusal, ImportRefusal::kImportRunning);
  Recovery done;
  ImportRefusal why;
  StringAry left;
  EXPECT_EQ(RecoverMenuDir(target_, &done, &why, &left), -1);
  EXPECT_EQ(why, ImportRefusal::kImportRunning);
  EXPECT_EQ(MenuDirBusy(target_), ImportRefusal::kImportRunning);
  EXPECT_EQ(Difference(midway, Snapshot(target_)), "");

  ASSERT_TRUE(Touch(dir_.path() + "go"));
  EXPECT_EQ(first.Wait(), 0);
  EXPECT_EQ(MenuDirBusy(target_), ImportRefusal::kNone);
  EXPECT_FALSE(Exists(target_ + kLockName));
  EXPECT_FALSE(Exists(target_ + kJournalName));
  EXPECT_EQ(Difference(first_new, Snapshot(target_), {"L.SSD"}), "");
  // Once the first is done, the second goes ahead.
  EXPECT_EQ(ImportDiff(nullptr, second, target_, list_), 0);
}

}  // namespace
}  // namespace quarvel
