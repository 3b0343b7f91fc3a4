// An import into a menu directory that somebody goes on using: an edit made while the import runs is
// never lost, whatever step of the import it falls on.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <chrono>
#include <functional>
#include <thread>

#include "engine/diff/diff_reader.h"
#include "engine/diff/diff_writer.h"
#include "engine/import/import.h"
#include "platform/dos_time.h"
#include "sample/menu_dir_builder.h"
#include "support/fault_platform.h"
#include "support/host_rules.h"
#include "support/import_scenario.h"
#include "support/temp_dir.h"

namespace quarvel {
namespace {

namespace fs = std::filesystem;

// An edit as another program makes it, through the host directly: false when it could not be made
// (the file was not there under its name, or the host kept writers out).
using Edit = std::function<bool(const std::string& path)>;

// Appends to the file in place, as a program that adds a line does, when it holds `bytes`: the user's
// own file, not one that the import is still writing.
Edit AppendTo(const std::string& bytes) {
  return [bytes](const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(fs::u8path(path), ec) || ReadFile(path) != bytes) return false;
    std::ofstream out(fs::u8path(path), std::ios::binary | std::ios::app);
    out << "EDIT";
    return static_cast<bool>(out.flush());
  };
}

// Writes over a byte in place and puts the file's time back, as a careless tool might: only the
// change time tells. The file system counts that time in ticks of a few milliseconds, so the edit
// waits for the next tick after the import's last look.
Edit OverwriteKeepingTime(const std::string& bytes) {
  return [bytes](const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(fs::u8path(path), ec) || ReadFile(path) != bytes) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(12));
    const auto time = fs::last_write_time(fs::u8path(path), ec);
    {
      std::fstream out(fs::u8path(path), std::ios::binary | std::ios::in | std::ios::out);
      out.seekp(static_cast<std::streamoff>(bytes.size() / 2));
      out.put('#');
      if (!out.flush()) return false;
    }
    fs::last_write_time(fs::u8path(path), time, ec);
    return !ec;
  };
}

// Saves new bytes as an editor does: a new file beside it, renamed over it.
Edit SaveAs(const std::string& bytes) {
  return [bytes](const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(fs::u8path(path), ec)) return false;
    const fs::path temp = fs::u8path(path + ".new");
    {
      std::ofstream out(temp, std::ios::binary);
      out << bytes;
      if (!out.flush()) return false;
    }
    fs::rename(temp, fs::u8path(path), ec);
    if (ec) fs::remove(temp, ec);
    return !ec;
  };
}

class ImportLiveTest : public ImportScenario {
 protected:
  void SetUp() override {
    ImportScenario::SetUp();
    // The diff records what it was made against, so that an edit before the import looks is a conflict.
    WriteOptions options;
    options.baseDir = old_;
    ASSERT_EQ(WriteDiffFile(diff_, new_, Changes(), nullptr, nullptr, options), 0);
    ASSERT_EQ(LoadDiffDirectory(diff_, list_, nullptr), 0);
  }

  SBNdtAry Changes() {
    SBNdtAry changes;
    EXPECT_EQ(LoadDiffDirectory(diff_, changes, nullptr), 0);
    return changes;
  }

  // Runs the import once for every step of its platform operations, with `edit` made to `name` right
  // before that step, and checks each outcome: the edit survives in `name`, every other file is exactly
  // old (the import refused or rolled back, saying why) or exactly new. The one edit that can still be
  // lost is a library saved anew in the instant between the import's last look and its replacement.
  // `sameSizeAndTime`: the edit keeps the file's size and write time, so that in the instant between
  // the import's last look and its own rename or attribute change of that file (which changes the
  // change time too) nothing tells it either.
  void EditAtEveryStep(const std::string& name, const Edit& edit, const std::function<std::string(bool)>& edited,
                       bool sameSizeAndTime = false) {
    FaultPlatform faults(NativePlatform());
    ScopedHost host(&faults);
    CopyDir(old_, target_);
    faults.ResetSteps();
    // The last replacement is the library's (the first puts the journal that names the new files in place).
    int libraryReplaced = 0;
    faults.OnStep([&](FaultOp op, int n) {
      if (op == FaultOp::kReplace) libraryReplaced = n;
    });
    ASSERT_EQ(ImportDiff(nullptr, diff_, target_, list_), 0);
    const int steps = faults.Steps();
    int refused = 0;
    for (int k = 1; k <= steps + 1; ++k) {
      SCOPED_TRACE(name + " edited at step " + std::to_string(k));
      CopyDir(old_, target_);
      bool made = false;
      int op = -1;
      faults.ResetSteps();
      faults.OnStep([&](FaultOp kind, int n) {
        if (n != k || made) return;
        made = edit(target_ + name);
        op = static_cast<int>(kind);
      });
      ImportReport report;
      const int result = ImportDiff(nullptr, diff_, target_, list_, &report);
      faults.OnStep(nullptr);
      if (!made) {
        EXPECT_EQ(CheckOutcome(result), "");
        continue;
      }
      SCOPED_TRACE("before an operation of kind " + std::to_string(op));
      const bool ownChangeNext = op == static_cast<int>(FaultOp::kRename) || op == static_cast<int>(FaultOp::kSetAttributes);
      // In the window the edit may be lost, the rest then old or new; or it is found like any other.
      const bool window = (k == libraryReplaced && name == "L.SSD") || (sameSizeAndTime && ownChangeNext);
      if (window && CheckOutcome(result).empty()) continue;
      EXPECT_EQ(ReadFile(target_ + name), edited(result != -1));
      // A file saved under a name while the import was making its own there takes the name: the import
      // keeps the old file in its backup too, and names both (rolled back, or complete but for it).
      DirSnapshot got = Snapshot(target_), want = result == -1 ? old_state_ : new_state_;
      got.erase(name);
      want.erase(name);
      for (const std::string& left : report.leftBehind) got.erase(left);
      EXPECT_EQ(Difference(want, got, {"L.SSD"}), "");
      if (result == kImportIncomplete) {
        EXPECT_EQ(report.step, ImportStep::kCommit);
        EXPECT_EQ(report.name, name);
      } else if (result != 0 && report.leftBehind.empty()) {
        ++refused;
        EXPECT_TRUE(report.check.refusal == ImportRefusal::kChangedDuringImport || report.check.refusal == ImportRefusal::kConflicts)
            << static_cast<int>(report.check.fault);
        if (report.check.refusal == ImportRefusal::kChangedDuringImport) {
          EXPECT_EQ(report.name, name);
        }
      }
    }
    EXPECT_GT(refused, 0);
  }
};

TEST_F(ImportLiveTest, AnAppendToAFileTheImportReplacesOrDeletesIsKept) {
  for (const char* name : {"C.SSV", "GONE.KKK"}) {
    const std::string before = ReadFile(old_ + name);
    EditAtEveryStep(name, AppendTo(before), [&](bool isNew) {
      EXPECT_FALSE(isNew);
      return before + "EDIT";
    });
  }
}

TEST_F(ImportLiveTest, ALibrarySavedAnewWhileItIsRebuiltIsKept) {
  POSIX_HOST_ONLY("a save by rename over a file that the import holds: Wine lets it through where Windows refuses it");
  const std::string saved = LibraryBytes("lib", {{"X", "x", "same", 1}, {"LOCAL", "", "my own document"}});
  EditAtEveryStep("L.SSD", SaveAs(saved), [&](bool) { return saved; });
}

TEST_F(ImportLiveTest, AnOverwriteThatPutsTheTimeBackIsFoundAndKept) {
  POSIX_HOST_ONLY("the change time of a file, which a tool cannot put back");
  for (const char* name : {"L.SSD", "C.SSV"}) {
    std::string edited = ReadFile(old_ + name);
    const std::string before = edited;
    edited[edited.size() / 2] = '#';
    EditAtEveryStep(
        name, OverwriteKeepingTime(before),
        [&](bool isNew) {
          EXPECT_FALSE(isNew);
          return edited;
        },
        true);
  }
}

TEST_F(ImportLiveTest, AFileReplacedUnderItsNameIsKept) {
  POSIX_HOST_ONLY("a save by rename over a file that the import holds: Wine lets it through where Windows refuses it");
  EditAtEveryStep("M2.SST", SaveAs("mine"), [](bool) { return std::string("mine"); });
  EditAtEveryStep("C.SSV", SaveAs("mine"), [](bool) { return std::string("mine"); });
}

}  // namespace
}  // namespace quarvel
