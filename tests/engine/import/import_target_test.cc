// What an import finds in the menu directory under its names: links, directories, libraries whose index
// lies, leftovers of an interrupted import, and directories that refuse part of the work.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/analysis/analysis.h"
#include "engine/diff/diff_builder.h"
#include "engine/diff/diff_format.h"
#include "engine/diff/diff_reader.h"
#include "engine/diff/diff_writer.h"
#include "engine/import/import.h"
#include "engine/import/import_plan.h"
#include "fileio/fileio.h"
#include "fileio/work_names.h"
#include "menufiles/libindex.h"
#include "platform/dos_time.h"
#include "sample/menu_dir_builder.h"
#include "support/dir_snapshot.h"
#include "support/fault_platform.h"
#include "support/temp_dir.h"
#include "support/host_rules.h"

namespace fs = std::filesystem;

namespace quarvel {
namespace {

const std::uint32_t T1 = MakeDosStamp(2020, 5, 6, 7, 8, 10);

SBNdt File(std::int32_t op, const std::string& name) { return {op, OtherFile, name, "", ""}; }
SBNdt Doc(std::int32_t op, const std::string& lib, const std::string& member) {
  return {op, DocumentLibrary, lib, "lib", member};
}

class ImportTargetTest : public ::testing::Test {
 protected:
  // Writes the diff of `changes` from the source directory; the list to import it with.
  SBNdtAry Diff(const SBNdtAry& changes, const WriteOptions& options = {}) {
    EXPECT_EQ(WriteDiffFile(diff_, src_, changes, nullptr, nullptr, options), 0);
    SBNdtAry list;
    EXPECT_EQ(LoadDiffDirectory(diff_, list, nullptr), 0);
    return list;
  }
  int Import(const SBNdtAry& list, ImportReport* report = nullptr) {
    return ImportDiff(nullptr, diff_, target_, list, report);
  }
  std::string Link(const std::string& name) const { return fs::read_symlink(target_ + name).string(); }

  TempDir dir_;
  std::string src_ = dir_.Sub("src");
  std::string target_ = dir_.Sub("target");
  std::string outside_ = dir_.Sub("outside");
  std::string diff_ = dir_.path() + "d.kmd";
  MenuDirBuilder src_b_{src_};
  MenuDirBuilder target_b_{target_};
};

TEST_F(ImportTargetTest, DanglingLinkIsMovedAsideNeverWrittenThrough) {
  POSIX_HOST_ONLY("symbolic links, which a Windows user without the privilege cannot make");
  src_b_.File("A.CSV", "new bytes", T1).File("B.CSV", "b");
  fs::create_symlink(outside_ + "planted", target_ + "A.CSV");
  const SBNdtAry list = Diff({File(0, "A.CSV"), File(0, "B.CSV")});

  // A failure after A.CSV was made: the rollback puts the link back as it was.
  FaultPlatform faults(NativePlatform());
  {
    ScopedHost host(&faults);
    faults.FailFrom(FaultOp::kFlush, 2);  // B.CSV cannot be flushed
    EXPECT_EQ(Import(list), -1);
  }
  EXPECT_FALSE(fs::exists(outside_ + "planted"));
  ASSERT_TRUE(fs::is_symlink(target_ + "A.CSV"));
  EXPECT_EQ(Link("A.CSV"), outside_ + "planted");
  EXPECT_FALSE(fs::exists(target_ + "B.CSV"));

  EXPECT_EQ(Import(list), 0);
  EXPECT_FALSE(fs::exists(outside_ + "planted"));
  EXPECT_FALSE(fs::is_symlink(target_ + "A.CSV"));
  EXPECT_EQ(ReadFile(target_ + "A.CSV"), "new bytes");
  EXPECT_EQ(Snapshot(target_).size(), 2u);
}

TEST_F(ImportTargetTest, LinkToAReadOnlyFileOutsideLeavesThatFileAlone) {
  POSIX_HOST_ONLY("symbolic links, which a Windows user without the privilege cannot make");
  src_b_.File("A.CSV", "replacement", T1).Library("L.SSD", "lib", {{"D", "", "d"}});
  WriteFile(outside_ + "precious", "precious");
  SetReadOnly(outside_ + "precious", true);
  const auto mode = fs::status(outside_ + "precious").permissions();
  fs::create_symlink(outside_ + "precious", target_ + "A.CSV");
  // The writability test's name, a dangling link: not ours, and nothing is made at its target.
  fs::create_symlink(outside_ + "test-target", target_ + "XXXXXX.TMP");
  EXPECT_EQ(Import(Diff({File(0, "A.CSV")})), 0);
  EXPECT_EQ(ReadFile(outside_ + "precious"), "precious");
  EXPECT_EQ(fs::status(outside_ + "precious").permissions(), mode);
  EXPECT_EQ(ReadFile(target_ + "A.CSV"), "replacement");
  EXPECT_FALSE(fs::exists(outside_ + "test-target"));
  EXPECT_TRUE(fs::is_symlink(target_ + "XXXXXX.TMP"));

  // A link under a library's name is not read through: documents cannot be changed in it.
  WriteFile(outside_ + "L.SSD", LibraryBytes("lib", {{"K", "", "k"}}));
  fs::create_symlink(outside_ + "L.SSD", target_ + "L.SSD");
  ImportReport report;
  EXPECT_EQ(Import(Diff({Doc(0, "L.SSD", "D")}), &report), -1);
  EXPECT_EQ(report.check.refusal, ImportRefusal::kBadLibrary);
  EXPECT_EQ(ReadFile(outside_ + "L.SSD"), LibraryBytes("lib", {{"K", "", "k"}}));
}

TEST_F(ImportTargetTest, DirectoryUnderAnEntrysNameRefusesTheDiff) {
  src_b_.File("A.CSV", "a").File("B.CSV", "b").Library("L.SSD", "lib", {{"D", "", "d"}});
  target_b_.File("B.CSV", "old b");
  const DirSnapshot before = Snapshot(target_);
  for (const SBNdt& entry : {File(0, "A.CSV"), File(1, "A.CSV"), Doc(0, "L.SSD", "D")}) {
    const std::string name = entry.name;
    fs::create_directory(target_ + name);
    WriteFile(target_ + name + "/inside", "user data");
    ImportReport report;
    EXPECT_EQ(Import(Diff({File(0, "B.CSV"), entry}), &report), -1) << name;
    EXPECT_EQ(report.check.refusal, ImportRefusal::kDirectoryInTheWay) << name;
    EXPECT_EQ(report.check.entry, 1);
    EXPECT_EQ(ReadFile(target_ + name + "/inside"), "user data");
    fs::remove_all(target_ + name);
    EXPECT_EQ(Difference(before, Snapshot(target_)), "");
  }
}

TEST_F(ImportTargetTest, DiffPastFourGibibytesKeepsItsOffsets) {
  // Three file entries: two of nearly 2 GiB each, left out, and a small one beyond 4 GiB. The big
  // blocks are holes, so the file takes no space.
  const SBNdtAry changes = {File(0, "BIG1.DAT"), File(0, "BIG2.DAT"), File(0, "SMALL.DAT")};
  const std::uint32_t big = kMaxDiffData - 8;
  const int fd = CreateDiffFile(diff_, changes, "big");
  ASSERT_GE(fd, 0);
  for (int i = 0; i < 2; ++i) {
    WriteU32(fd, big + 8);
    WriteU32(fd, 0);
    WriteU32(fd, T1);
    ASSERT_GE(FileSeek(fd, FileTell(fd) + big), 0);
  }
  ASSERT_GT(FileTell(fd), std::int64_t{1} << 32);
  WriteU32(fd, 8 + 5);
  WriteU32(fd, 0);
  WriteU32(fd, T1);
  FileWrite(fd, "small", 5);
  ASSERT_EQ(FileCloseWritten(fd), 0);
  ASSERT_EQ(FileErrorFlags, 0u);

  SBNdtAry list, read;
  std::string description;
  ASSERT_TRUE(CheckDiffFile(diff_, &read, &description).ok());
  ASSERT_EQ(LoadDiffDirectory(diff_, list, nullptr), 0);
  list[0].op |= kOpExcluded;
  list[1].op |= kOpExcluded;
  ASSERT_EQ(Import(list), 0);
  EXPECT_EQ(ReadFile(target_ + "SMALL.DAT"), "small");
  std::uint32_t stamp = 0;
  EXPECT_EQ(Host().GetStamp(target_ + "SMALL.DAT", &stamp), 0);
  EXPECT_EQ(stamp, T1);
  EXPECT_FALSE(fs::exists(target_ + "BIG1.DAT"));
}

TEST_F(ImportTargetTest, BlockLongerThanTheFormatAllowsIsRefused) {
  src_b_.File("A.CSV", "a");
  Diff({File(0, "A.CSV")}, WriteOptions{false, ""});
  std::string bytes = ReadFile(diff_);
  const std::size_t block = bytes.size() - 13;  // length field, flag, stamp, one byte
  bytes.replace(block, 4, std::string("\xF8\xFF\xFF\x7F", 4));  // 2147483640
  WriteFile(diff_, bytes);
  SBNdtAry changes;
  std::string description;
  EXPECT_EQ(CheckDiffFile(diff_, &changes, &description).fault, DiffFault::kBlockTooLong);
}

TEST_F(ImportTargetTest, LibraryWhoseIndexPointsPastItsEndIsUnreadable) {
  // Two documents; the first claims 0xFFFFFFF0 bytes, so the second would start in wrapped space.
  std::string lib = LibraryBytes("lib", {{"K", "", "keep!"}, {"D", "", "drop"}});
  lib.replace(64, 4, std::string("\xF0\xFF\xFF\xFF", 4));
  target_b_.File("L.SSD", lib);
  SSDocInfoAry docs;
  std::string title;
  SSDocInfo doc;
  EXPECT_EQ(ReadLibIndex(SSDlib{}, docs, &title, target_ + "L.SSD"), -1);
  EXPECT_EQ(FindLibDocument(SSDlib{}, &doc, &title, target_ + "L.SSD", "K"), -1);
  src_b_.Library("L.SSD", "lib", {{"D", "", "drop"}});
  ImportReport report;
  EXPECT_EQ(Import(Diff({Doc(1, "L.SSD", "D")}), &report), -1);
  EXPECT_EQ(report.check.refusal, ImportRefusal::kBadLibrary);
  EXPECT_EQ(ReadFile(target_ + "L.SSD"), lib);
  // The analysis cannot compare such a library's documents: it fails and names the library, rather
  // than comparing wrong bytes or passing its documents for unchanged.
  SBNdtAry changes;
  ReadFailure failure;
  ASSERT_TRUE(StampFile(target_ + "L.SSD", T1));
  EXPECT_EQ(AnalyseMenuDirs(target_, src_, changes, "", AnalyseOptions{}, &failure), -1);
  EXPECT_TRUE(changes.empty());
  EXPECT_EQ(failure.path, target_ + "L.SSD");
  EXPECT_EQ(failure.code, kReadNotLibrary);
}

TEST_F(ImportTargetTest, WorkFilesOfAnInterruptedImportDoNotTravel) {
  src_b_.File("SBN0AB.CDE", "backup").File("sbn1zz.sst", "work").File("XXXXXX.TMP", "").File("KMDW00.000", "w")
      .File("DATA.CSV", "data");
  SBNdtAry changes;
  ASSERT_EQ(AnalyseMenuDirs(src_, target_, changes, "*"), 0);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].name, "DATA.CSV");
  // Nor does the writer carry one when asked to by hand.
  EXPECT_EQ(WriteDiffFile(diff_, src_, {File(0, "DATA.CSV"), File(0, "SBN0AB.CDE")}, nullptr), -1);
  EXPECT_FALSE(fs::exists(diff_));
  EXPECT_EQ(FirstUnsafeEntry({File(0, "DATA.CSV"), File(0, "SBN0AB.CDE")}), 1);
}

TEST_F(ImportTargetTest, PlanRunsEveryCheckTheImportRuns) {
  src_b_.File("A.CSV", "a");
  const SBNdtAry list = Diff({File(0, "A.CSV")});
  ImportPlan plan;
  ImportCheck why;
  EXPECT_EQ(PlanImport(diff_, dir_.path() + "missing" + kDirSep, list, &plan, &why), -1);
  EXPECT_EQ(why.refusal, ImportRefusal::kMenuDirMissing);
  WriteFile(dir_.path() + "afile", "");
  EXPECT_EQ(PlanImport(diff_, dir_.path() + "afile" + kDirSep, list, &plan, &why), -1);
  EXPECT_EQ(why.refusal, ImportRefusal::kMenuDirNotDirectory);

  // A directory that takes no new file: the plan says so, as the import would, and leaves nothing.
  FaultPlatform faults(NativePlatform());
  {
    ScopedHost host(&faults);
    faults.FailFrom(FaultOp::kCreate, 1);
    EXPECT_EQ(PlanImport(diff_, target_, list, &plan, &why), -1);
    EXPECT_EQ(why.refusal, ImportRefusal::kNotWritable);
    ImportReport report;
    EXPECT_EQ(Import(list, &report), -1);
    EXPECT_EQ(report.check.refusal, ImportRefusal::kNotWritable);
  }
  EXPECT_TRUE(Snapshot(target_).empty());

  // A name whose host form is longer than the file system allows: 200 half-width kana are 600 bytes of
  // UTF-8 on POSIX; on Windows, 200 UTF-16 units, which fit.
  std::string kana;
  for (int i = 0; i < 200; ++i) kana += '\xB1';
  src_b_.File(std::string(200, 'x'), "long");
  Diff({File(0, std::string(200, 'x'))}, WriteOptions{false, ""});  // a crafted directory: no seal to match
  std::string bytes = ReadFile(diff_);
  bytes.replace(bytes.find(std::string(200, 'x')), 200, kana);
  WriteFile(diff_, bytes);
  SBNdtAry crafted;
  ASSERT_EQ(LoadDiffDirectory(diff_, crafted, nullptr), 0);
#ifdef _WIN32
  EXPECT_EQ(PlanImport(diff_, target_, crafted, &plan, &why), 0);
#else
  EXPECT_EQ(PlanImport(diff_, target_, crafted, &plan, &why), -1);
  EXPECT_EQ(why.refusal, ImportRefusal::kNameTooLong);
#endif
  EXPECT_TRUE(Snapshot(target_).empty());
}

TEST_F(ImportTargetTest, WhatCouldNotBeRemovedIsNamed) {
  src_b_.File("A.CSV", "a");
  target_b_.File("A.CSV", "old");
  const SBNdtAry list = Diff({File(0, "A.CSV")});
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  // The writability test's file cannot be removed (an append-only directory): the import stops there,
  // names it and the journal, which stays marked done and asks nothing of the next import, and the
  // lock file, which the next import takes over.
  faults.FailFrom(FaultOp::kRemove, 1);
  ImportReport report;
  EXPECT_EQ(Import(list, &report), -1);
  EXPECT_EQ(report.check.refusal, ImportRefusal::kTestFileLeft);
  EXPECT_EQ(report.leftBehind, (StringAry{"XXXXXX.TMP", kJournalName, kLockName}));
  EXPECT_EQ(ReadFile(target_ + "A.CSV"), "old");
  faults.FailNth(FaultOp::kRemove, 99);
  ASSERT_EQ(FileRemove(target_ + "XXXXXX.TMP"), 0);

  // The backup cannot be removed after the commit: the import is done, the backup named, and the
  // journal kept for the next import to remove it. Removals: the done journal, the test file, then
  // the backup.
  faults.FailFrom(FaultOp::kRemove, 3);
  EXPECT_EQ(Import(list, &report), 0);
  EXPECT_EQ(report.recovered, Recovery::kNone);
  ASSERT_EQ(report.leftBehind.size(), 2u);
  const std::string backup = report.leftBehind[0];
  EXPECT_EQ(report.leftBehind[1], kLockName);
  EXPECT_EQ(backup.substr(0, 4), "SBN0");
  EXPECT_EQ(ReadFile(target_ + "A.CSV"), "a");
  EXPECT_EQ(ReadFile(target_ + backup), "old");
  faults.FailNth(FaultOp::kRemove, 99);
  Recovery done;
  ImportRefusal why;
  StringAry left;
  EXPECT_EQ(RecoverMenuDir(target_, &done, &why, &left), 0);
  EXPECT_EQ(done, Recovery::kCompleted);
  EXPECT_FALSE(fs::exists(target_ + backup));
  EXPECT_FALSE(fs::exists(target_ + kJournalName));

  // A rollback whose backup cannot be put back does not claim the old state, and keeps the journal
  // for the next try. Flushes (each file on its own): the journal, the journal that names the new
  // file, then A.CSV; renames: the journal, the backup, the way back.
  faults.set_flushes_file_system(false);
  faults.FailFrom(FaultOp::kFlush, 3);
  faults.AlsoFailFrom(FaultOp::kRename, 3);
  EXPECT_EQ(Import(list, &report), kImportIncomplete);
  EXPECT_EQ(report.step, ImportStep::kCreate);
  EXPECT_EQ(report.name, "A.CSV");
  ASSERT_EQ(report.leftBehind.size(), 1u);
  EXPECT_EQ(report.leftBehind[0].substr(0, 4), "SBN0");
  faults.FailNth(FaultOp::kRename, 99);
  EXPECT_EQ(RecoverMenuDir(target_, &done, &why, &left), 0);
  EXPECT_EQ(done, Recovery::kRolledBack);
  EXPECT_EQ(ReadFile(target_ + "A.CSV"), "a");
}

TEST_F(ImportTargetTest, DamagedOpIsRefusedRatherThanTakenForADeletion) {
  src_b_.File("A.CSV", "new");
  target_b_.File("A.CSV", "old");
  Diff({File(0, "A.CSV")});
  std::string bytes = ReadFile(diff_);
  bytes[64 + 2] ^= 0x04;  // the first entry's op (after the count): 0 becomes 4
  WriteFile(diff_, bytes);
  SBNdtAry list;
  ASSERT_EQ(LoadDiffDirectory(diff_, list, nullptr), 0);
  ImportReport report;
  EXPECT_EQ(Import(list, &report), -1);
  EXPECT_EQ(report.check.fault, DiffFault::kUnknownOp);
  EXPECT_EQ(ReadFile(target_ + "A.CSV"), "old");
}

TEST_F(ImportTargetTest, NamesThatDifferInCaseOnlyAreNeitherGuessedNorRenamed) {
  POSIX_HOST_ONLY("names that differ in case only, which one Windows directory cannot hold");
  src_b_.File("PRICES.CSV", "new").File("SALES.SST", "s").File("BIG.CSV", "b");
  // Two files answer to PRICES.CSV: the import cannot tell which it replaces, so it refuses.
  target_b_.File("PRICES.CSV", "upper").File("prices.csv", "lower");
  ImportReport report;
  EXPECT_EQ(Import(Diff({File(0, "PRICES.CSV")}), &report), -1);
  EXPECT_EQ(report.check.refusal, ImportRefusal::kAmbiguousName);
  EXPECT_EQ(ReadFile(target_ + "prices.csv"), "lower");
  EXPECT_EQ(ReadFile(target_ + "PRICES.CSV"), "upper");
  // A directory beside a file of the same name in another case counts as well.
  target_b_.File("SALES.SST", "old sales");
  fs::create_directory(target_ + "sales.sst");
  EXPECT_EQ(Import(Diff({File(0, "SALES.SST")}), &report), -1);
  EXPECT_EQ(report.check.refusal, ImportRefusal::kAmbiguousName);
  EXPECT_EQ(ReadFile(target_ + "SALES.SST"), "old sales");

  // A rollback puts a file back under the name it had, not the diff's spelling of it.
  fs::remove(target_ + "sales.sst");
  fs::remove(target_ + "prices.csv");
  fs::rename(target_ + "SALES.SST", target_ + "Sales.sst");
  const DirSnapshot before = Snapshot(target_);
  FaultPlatform faults(NativePlatform());
  ScopedHost host(&faults);
  faults.FailFrom(FaultOp::kFlush, 2);  // BIG.CSV cannot be flushed
  EXPECT_EQ(Import(Diff({File(0, "SALES.SST"), File(0, "BIG.CSV")}), &report), -1);
  EXPECT_EQ(Difference(before, Snapshot(target_)), "");
}

// Code page 932 spells 纊 both as a NEC-selected IBM extension ("\xED\x40") and as an IBM extension
// ("\xFA\x5C"); a listing gives only the second. A diff that carries the first still reaches the file
// that lists under the second: it is replaced, then deleted, and no second file appears.
TEST_F(ImportTargetTest, ANameInAFormNoListingGivesReachesTheFileListedUnderTheOther) {
  const std::string nec = "\xED\x40.KKK", ibm = "\xFA\x5C.KKK";
  Platform& host = NativePlatform();
  const auto put = [&](const std::string& path, const std::string& bytes) {
    const int fd = host.Open(path, OpenMode::kCreateNew);
    ASSERT_GE(fd, 0) << path;
    EXPECT_EQ(host.Write(fd, bytes.data(), bytes.size()), static_cast<long>(bytes.size()));
    EXPECT_EQ(host.Close(fd), 0);
  };
  const auto listed = [&](const std::string& dir) {
    std::vector<FoundFile> found;
    EXPECT_EQ(host.FindFiles(dir + "*.*", &found), 0);
    std::vector<std::string> names;
    for (const FoundFile& f : found) names.push_back(f.name + "=" + std::to_string(f.size));
    return names;
  };
  put(src_ + nec, "new bytes");
  put(target_ + ibm, "old");
  ASSERT_EQ(listed(src_), std::vector<std::string>{ibm + "=9"});
  EXPECT_EQ(Import(Diff({File(kOpAddOrReplace, nec)})), 0);
  EXPECT_EQ(listed(target_), std::vector<std::string>{ibm + "=9"});
  EXPECT_EQ(Import(Diff({File(kOpDelete, nec)})), 0);
  EXPECT_TRUE(listed(target_).empty());
}

}  // namespace
}  // namespace quarvel
