// The undo of an import: importing it gives back the state before the import, every file byte for byte
// with its stamp and read-only flag, every library with its documents in their order; and a refused or
// failed undo leaves the menu directory as it was, with no undo file.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "engine/diff/diff_check.h"
#include "engine/diff/diff_reader.h"
#include "engine/diff/diff_writer.h"
#include "engine/import/import.h"
#include "engine/import/undo_plan.h"
#include "fileio/fileio.h"
#include "menufiles/libindex.h"
#include "platform/dos_time.h"
#include "sample/menu_dir_builder.h"
#include "support/dir_snapshot.h"
#include "support/host_rules.h"
#include "support/temp_dir.h"

namespace quarvel {
namespace {

const std::uint32_t T1 = MakeDosStamp(2020, 3, 4, 5, 6, 8);
const std::uint32_t T2 = MakeDosStamp(2025, 7, 8, 9, 10, 12);

SBNdt Doc(std::int32_t op, const std::string& lib, const std::string& member, const std::string& title) {
  return {op, DocumentLibrary, lib, title, member};
}

// The documents of a library as "name/second name/word=data", in order.
std::vector<std::string> DocsOf(const std::string& path, std::string* title = nullptr) {
  SSDocInfoAry docs;
  std::string t;
  const int fd = ReadLibIndex(SSDlib{}, docs, &t, path);
  if (fd < 0) return {"<unreadable>"};
  std::vector<std::string> out;
  for (const SSDocInfo& d : docs) {
    std::string data(d.length, '\0');
    FileSeek(fd, static_cast<std::int64_t>(d.offset));
    FileRead(fd, data.data(), d.length);
    out.push_back(d.name + "/" + d.secondName + "/" + std::to_string(d.storedWord) + "=" + data);
  }
  FileClose(fd);
  if (title != nullptr) *title = t;
  return out;
}

// The undo's directory as "op type name member" lines.
std::vector<std::string> Entries(const std::string& path, std::string* description = nullptr) {
  SBNdtAry changes;
  std::string d;
  if (CheckDiffFile(path, &changes, &d).fault != DiffFault::kNone) return {"<not a sound diff>"};
  std::vector<std::string> out;
  for (const SBNdt& e : changes) {
    out.push_back(std::string(e.op == kOpAddOrReplace ? "put " : "delete ") + std::to_string(e.type) + " " + e.name +
                  (e.member.empty() ? "" : "/" + e.member));
  }
  if (description != nullptr) *description = d;
  return out;
}

int Import(const std::string& diff, const std::string& target, const std::string& undo = "",
           const std::vector<int>& excluded = {}, ImportReport* report = nullptr) {
  SBNdtAry list;
  if (LoadDiffDirectory(diff, list, nullptr) != 0) return -9;
  for (int i : excluded) list[static_cast<std::size_t>(i)].op |= kOpExcluded;
  return ImportDiff(nullptr, diff, target, list, report, undo);
}

// Every kind of entry: menu files replaced and deleted (read-only ones among them), another file whose
// name on disk differs in case, a new file, the deletion of an absent one, an excluded entry; libraries
// with a document deleted in the middle, emptied, made new, grown from an empty file, changed in place
// (read-only), replaced whole and then changed, holding no document; a common library replaced.
class UndoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MenuDirBuilder(old_)
        .Menu("A.SST", "a", "old a", T1)
        .Menu("B.SST", "b", "old b", T1)
        .Menu("M.SST", "untouched", "m", T1)
        .File("k.kkk", "old k", T1)
        .File("Z.KKK", "old z", T1)
        .Library("L1.SSD", "l1", {{"A", "a", "1", 1}, {"B", "b", "2", 2}, {"C", "c", "3", 3}, {"D", "", "", 4}}, T1)
        .Library("L2.SSD", "l2", {{"P", "p", "pp", 5}, {"Q", "q", "qq", 6}}, T1)
        .File("L4.SSD", "", T1)
        .Library("L5.SSD", "l5", {{"X", "x", "xx", 7}, {"Y", "y", std::string(70000, 'y'), 8}, {"Z", "z", "zz", 9}}, T1)
        .Library("L6.SSD", "l6", {{"U", "u", "uu", 10}}, T1)
        .Library("L7.SSD", "l7", {}, T1)
        .Library("L8.SSD", "l8", {}, T1)
        .Library("L9.SSD", "l9", {{"E", "e", "ee", 19}}, T1)
        .Library("C.SSV", "c", {{"V", "", "vv"}}, T1);
    SetReadOnly(old_ + "A.SST", true);
    SetReadOnly(old_ + "B.SST", true);
    SetReadOnly(old_ + "L5.SSD", true);
    MenuDirBuilder(new_)
        .Menu("A.SST", "a2", "new a", T2)
        .File("K.KKK", "new k", T2)
        .File("N.KKK", "", T2)
        .File("Z.KKK", "new z", T2)
        .Library("L1.SSD", "l1", {{"A", "a2", "1new", 11}}, T2)
        .Library("L3.SSD", "l3", {{"R", "r", "rr", 12}}, T2)
        .Library("L4.SSD", "l4", {{"S", "s", "ss", 13}}, T2)
        .Library("L5.SSD", "l5", {{"Y", "y2", "Y2", 14}, {"W", "w", "ww", 15}}, T2)
        .Library("L6.SSD", "l6 new", {{"U", "u2", "new u", 16}, {"T", "t", "tt", 17}}, T2)
        .Library("L7.SSD", "l7", {{"H", "h", "hh", 18}}, T2)
        .Library("C.SSV", "c2", {{"V", "", "changed"}}, T2);
    changes_ = {
        {kOpAddOrReplace, MenuFile, "A.SST", "a2", ""},
        {kOpDelete, MenuFile, "B.SST", "b", ""},
        {kOpAddOrReplace, OtherFile, "K.KKK", "", ""},
        {kOpAddOrReplace, OtherFile, "N.KKK", "", ""},
        {kOpDelete, OtherFile, "G.KKK", "", ""},
        {kOpAddOrReplace, OtherFile, "Z.KKK", "", ""},  // excluded (5)
        Doc(kOpAddOrReplace, "L1.SSD", "A", "l1"),
        Doc(kOpDelete, "L1.SSD", "B", "l1"),
        Doc(kOpDelete, "L2.SSD", "P", "l2"),
        Doc(kOpDelete, "L2.SSD", "Q", "l2"),
        Doc(kOpAddOrReplace, "L3.SSD", "R", "l3"),
        Doc(kOpAddOrReplace, "L4.SSD", "S", "l4"),
        Doc(kOpAddOrReplace, "L5.SSD", "Y", "l5 renamed"),
        Doc(kOpAddOrReplace, "L5.SSD", "W", "l5 renamed"),
        Doc(kOpDelete, "L5.SSD", "Z", "l5 renamed"),
        {kOpAddOrReplace, DocumentLibrary, "L6.SSD", "l6 new", ""},
        Doc(kOpAddOrReplace, "L6.SSD", "T", "l6 new"),
        {kOpAddOrReplace, CommonLibrary, "C.SSV", "c2", ""},
        Doc(kOpAddOrReplace, "L7.SSD", "H", "l7"),
        Doc(kOpDelete, "L8.SSD", "nothing", "l8"),
        Doc(kOpDelete, "L9.SSD", "nothing", "another title"),
    };
    const std::string description = "update of the spring";
    ASSERT_EQ(WriteDiffFile(diff_, new_, changes_, &description), 0);
    CopyDir(old_, target_);
    before_ = Snapshot(target_);
  }

  TempDir dir_;
  std::string old_ = dir_.Sub("old");
  std::string new_ = dir_.Sub("new");
  std::string target_ = dir_.path() + "target/";
  std::string diff_ = dir_.path() + "update.kmd";
  std::string undo_ = dir_.path() + "undo.kmd";
  SBNdtAry changes_;
  DirSnapshot before_;
};

TEST_F(UndoTest, ImportingTheUndoGivesBackEveryFileStampFlagAndDocumentOrder) {
  ImportReport report;
  ASSERT_EQ(Import(diff_, target_, undo_, {5}, &report), 0);
  EXPECT_TRUE(report.undoWritten);
  ASSERT_NE(Difference(before_, Snapshot(target_)), "");
  EXPECT_EQ(ReadFile(target_ + "Z.KKK"), "old z");  // excluded

  ASSERT_EQ(Import(undo_, target_), 0);
  // Libraries given back document by document are rebuilt: only their time is a rebuild's.
  EXPECT_EQ(Difference(before_, Snapshot(target_), {"L2.SSD", "L5.SSD"}), "");
  std::string title;
  EXPECT_EQ(DocsOf(target_ + "L5.SSD", &title), DocsOf(old_ + "L5.SSD"));
  EXPECT_EQ(title, "l5");
  EXPECT_EQ(DocsOf(target_ + "L2.SSD", &title), DocsOf(old_ + "L2.SSD"));
  EXPECT_EQ(title, "l2");
}

TEST_F(UndoTest, TheUndoReversesEachChangeAndLeavesOutTheExcluded) {
  ASSERT_EQ(Import(diff_, target_, undo_, {5}), 0);
  std::string description;
  EXPECT_EQ(Entries(undo_, &description),
            (std::vector<std::string>{
                "put 0 A.SST",           // replaced
                "put 0 B.SST",           // deleted
                "put 3 k.kkk",           // replaced, under its own spelling
                "delete 3 N.KKK",        // created; G.KKK was absent, Z.KKK excluded
                "put 1 L6.SSD",          // replaced whole: the document entry needs no undo of its own
                "put 2 C.SSV",           // replaced
                "put 1 L1.SSD",          // a document deleted in the middle: the whole library
                "put 1 L2.SSD/P",        // emptied
                "put 1 L2.SSD/Q",
                "delete 1 L3.SSD",       // made from added documents
                "put 1 L4.SSD",          // an empty file before
                "put 1 L5.SSD/Y",        // replaced in place
                "put 1 L5.SSD/Z",        // deleted at the end
                "delete 1 L5.SSD/W",     // added
                "put 1 L7.SSD",          // no documents: rebuilt without any, it would be a file of zero bytes
                "put 1 L8.SSD",
                "put 1 L9.SSD",          // no document changes, but the rebuild takes the diff's title
            }));
  EXPECT_EQ(description.rfind("undo ", 0), 0u) << description;
  EXPECT_NE(description.find("update of the spring"), std::string::npos) << description;
}

TEST_F(UndoTest, DescriptionNamesTheDateAndTheDiffCutToTheField) {
  std::tm tm{};
  tm.tm_year = 2026 - 1900;
  tm.tm_mon = 11;
  tm.tm_mday = 9;
  tm.tm_hour = 14;
  tm.tm_min = 5;
  tm.tm_isdst = -1;
  const std::time_t when = std::mktime(&tm);
  EXPECT_EQ(UndoDescription("spring", when), "undo 2026-12-09 14:05 spring");
  EXPECT_EQ(UndoDescription("", when), "undo 2026-12-09 14:05");
  // 47 bytes at most, and a double-byte character is never cut in half.
  const std::string kanji = "\x8A\xBF\x8E\x9A";  // two double-byte characters
  std::string long_text;
  for (int i = 0; i < 10; ++i) long_text += kanji;
  const std::string cut = UndoDescription(long_text, when);
  EXPECT_EQ(cut.size(), 46u);
  EXPECT_EQ(cut.substr(22), long_text.substr(0, 24));
}

TEST_F(UndoTest, AnUndoPathThatIsNotANewFileOutsideTheMenuDirectoryChangesNothing) {
  POSIX_HOST_ONLY("symbolic links, which a Windows user without the privilege cannot make");
  WriteFile(dir_.path() + "taken.kmd", "mine");
  std::filesystem::create_directory(dir_.path() + "adir.kmd");
  std::filesystem::create_symlink(dir_.path() + "elsewhere", dir_.path() + "link.kmd");
  const std::vector<std::pair<std::string, UndoFault>> refused = {
      {target_ + "undo.kmd", UndoFault::kInMenuDir},      {diff_, UndoFault::kIsDiff},
      {dir_.path() + "taken.kmd", UndoFault::kPathTaken}, {dir_.path() + "adir.kmd", UndoFault::kPathIsDir},
      {dir_.path() + "link.kmd", UndoFault::kPathIsLink}, {dir_.path() + "TAKEN.KMD", UndoFault::kPathTaken},
  };
  for (const auto& [path, fault] : refused) {
    ImportReport report;
    EXPECT_EQ(Import(diff_, target_, path, {}, &report), -1) << path;
    EXPECT_EQ(report.step, ImportStep::kUndo) << path;
    EXPECT_EQ(report.undo, fault) << path;
    EXPECT_EQ(Difference(before_, Snapshot(target_)), "") << path;
  }
  EXPECT_EQ(ReadFile(dir_.path() + "taken.kmd"), "mine");
  EXPECT_TRUE(std::filesystem::is_directory(dir_.path() + "adir.kmd"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir_.path() + "link.kmd"));
  EXPECT_EQ(ReadFile(diff_).substr(0, 2), "\x71\x0B");
}

TEST_F(UndoTest, ALinkThatTheImportWouldReplaceRefusesTheUndoBeforeAnyChange) {
  POSIX_HOST_ONLY("symbolic links, which a Windows user without the privilege cannot make");
  std::filesystem::remove(target_ + "k.kkk");
  std::filesystem::create_symlink(target_ + "M.SST", target_ + "k.kkk");
  const DirSnapshot with_link = Snapshot(target_);
  ImportReport report;
  EXPECT_EQ(Import(diff_, target_, undo_, {}, &report), -1);
  EXPECT_EQ(report.undo, UndoFault::kLink);
  EXPECT_EQ(report.name, "K.KKK");
  EXPECT_EQ(Difference(with_link, Snapshot(target_)), "");
  EXPECT_TRUE(std::filesystem::is_symlink(target_ + "k.kkk"));
  EXPECT_FALSE(Exists(undo_));
  // Without an undo the import moves the link aside like a file, as always.
  EXPECT_EQ(Import(diff_, target_), 0);
}

TEST_F(UndoTest, FailingToWriteTheUndoLeavesTheDirectoryAsItWas) {
  ImportReport report;
  EXPECT_EQ(Import(diff_, target_, dir_.path() + "missing/undo.kmd", {}, &report), -1);
  EXPECT_EQ(report.step, ImportStep::kUndo);
  EXPECT_EQ(report.undo, UndoFault::kWrite);
  EXPECT_EQ(Difference(before_, Snapshot(target_)), "");
  EXPECT_FALSE(Exists(dir_.path() + "missing"));
}

TEST_F(UndoTest, AnImportWithNothingToUndoWritesNoUndoFile) {
  // Only the deletion of an absent file and an excluded entry.
  std::vector<int> all_but_g;
  for (int i = 0; i < static_cast<int>(changes_.size()); ++i) {
    if (i != 4) all_but_g.push_back(i);
  }
  ImportReport report;
  EXPECT_EQ(Import(diff_, target_, undo_, all_but_g, &report), 0);
  EXPECT_FALSE(report.undoWritten);
  EXPECT_FALSE(Exists(undo_));
  EXPECT_EQ(Difference(before_, Snapshot(target_)), "");
}

TEST_F(UndoTest, TheUndoOfTheUndoGivesTheUpdateAgain) {
  ASSERT_EQ(Import(diff_, target_, undo_), 0);
  const DirSnapshot updated = Snapshot(target_);
  const std::string redo = dir_.path() + "redo.kmd";
  ASSERT_EQ(Import(undo_, target_, redo), 0);
  ASSERT_EQ(Import(redo, target_), 0);
  // Every library that the update rebuilt or made has the time of its rebuild, finer than the two
  // seconds of a stamp.
  std::set<std::string> rebuilt;
  for (int i = 1; i <= 9; ++i) rebuilt.insert("L" + std::to_string(i) + ".SSD");
  EXPECT_EQ(Difference(updated, Snapshot(target_), rebuilt), "");
}

}  // namespace
}  // namespace quarvel
