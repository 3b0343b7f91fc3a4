#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

#include "fileio/fileio.h"
#include "menufiles/headers.h"
#include "menufiles/libindex.h"
#include "menufiles/library_lookup.h"
#include "menufiles/listings.h"
#include "sample/menu_dir_builder.h"
#include "shell/env.h"
#include "support/temp_dir.h"

namespace quarvel {
namespace {

class MenuFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = Env().GL_sys_dir;
    Env().GL_sys_dir = dir_.path();
  }
  void TearDown() override { Env().GL_sys_dir = saved_; }
  std::string Path(const std::string& name) const { return dir_.path() + name; }

  TempDir dir_;
  MenuDirBuilder build_{dir_.path()};
  std::string saved_;
};

int OpenLib(bool common, const std::string& path, std::string* title) {
  std::uint32_t count = 0, len = 0;
  std::int32_t number = 0;
  return common ? OpenComLib(SSVlib{}, &count, &len, &number, title, path)
                : OpenDocLib(SSDlib{}, &count, &len, &number, title, path);
}

TEST_F(MenuFilesTest, OpenersCheckMagicVersionAndCutHeaders) {
  build_.File("v0.SSD", LibraryBytes("zero", {}, 0x0B6F, 0))
      .File("v2.SSD", LibraryBytes("two", {}, 0x0B6F, 2))
      .File("bad.SSD", LibraryBytes("diff", {}, 0x0B71))
      .File("cut.SSD", std::string("\x6F\x0B\x01\x00\x00\x00\x00\x00\x00\x00", 10))
      .File("menu.SST", MenuFileBytes("M"))
      .File("menu2.SST", LibraryBytes("not a menu", {}, 0x0B70, 2));
  std::string title;
  for (bool common : {false, true}) {
    int fd = OpenLib(common, Path("v0.SSD"), &title);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(FileTell(fd), 64);
    FileClose(fd);
    EXPECT_EQ(OpenLib(common, Path("v2.SSD"), &title), common ? -1 : -4);
    EXPECT_EQ(OpenLib(common, Path("bad.SSD"), &title), common ? -1 : -4);
    EXPECT_EQ(OpenLib(common, Path("missing.SSD"), &title), -1);
  }
  // A header cut short: only the common-library opener refuses it.
  int fd = OpenLib(false, Path("cut.SSD"), &title);
  EXPECT_GE(fd, 0);
  FileClose(fd);
  EXPECT_EQ(OpenLib(true, Path("cut.SSD"), &title), -1);

  std::int32_t number = 0;
  fd = OpenMenuFile(SSMenu{"menu"}, &number, &title);  // no path: the holder's name in the menu directory
  ASSERT_GE(fd, 0);
  EXPECT_EQ(title, "M");
  FileClose(fd);
  EXPECT_EQ(OpenMenuFile(SSMenu{}, &number, &title, Path("bad.SSD")), -4);
  EXPECT_EQ(OpenMenuFile(SSMenu{}, &number, &title, Path("menu2.SST")), -4);
}

TEST_F(MenuFilesTest, TitleReadersKeepTitleOnFailure) {
  build_.File("a.SST", MenuFileBytes(std::string(60, 'T')))
      .File("c.SSV", LibraryBytes("common", {}).substr(0, 20));
  std::string title = "before";
  EXPECT_EQ(ReadMenuTitle(SSMenu{}, &title, Path("missing.SST")), 0);
  EXPECT_EQ(title, "before");
  ReadMenuTitle(SSMenu{}, &title, Path("a.SST"));
  EXPECT_EQ(title, std::string(47, 'T'));
  ReadComLibTitle(SSVlib{}, &title, Path("c.SSV"));
  EXPECT_EQ(title, "comm");  // what was read of a common library cut short
}

TEST_F(MenuFilesTest, ListingsNameUpToFirstDotAndSkipRejectedFiles) {
  build_.Menu("A.B.SST", "first").Menu("Z.SST", "last").File("v2.SST", LibraryBytes("x", {}, 0x0B70, 2))
      .Library("LIB.SSD", "library", {}).File("JUNK.SSD", "not a library").Library("COM.SSV", "common", {});
  TDicAry list(3);
  EXPECT_EQ(ListMenuFiles(SSMenu{}, list), 2);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].name, "A");
  EXPECT_EQ(list[0].title, "first");
  EXPECT_EQ(list[1].name, "Z");
  EXPECT_EQ(ListDocLibs(SSDlib{}, list), 1);
  EXPECT_EQ(list[0].name, "LIB");
  EXPECT_EQ(ListComLibs(SSVlib{}, list), 1);
  EXPECT_EQ(list[0].title, "common");
  Env().GL_sys_dir = dir_.Sub("empty");
  EXPECT_EQ(ListMenuFiles(SSMenu{}, list), 0);
  EXPECT_TRUE(list.empty());
}

TEST_F(MenuFilesTest, OtherFilesLeaveOutTheProgramsOwnExtensionsOnly) {
  build_.Menu("MAIN.SST", "m").Library("DOCS.SSD", "d", {}).Library("PARTS.SSV", "p", {})
      .File("MACRO.SSM", "x").File("data.ssv", "x").File("A.B.SST", "x").File("README", "x")
      .File("PRICES.CSV", "x").File("X.SSTX", "x");
  StringAry names{"stale"};
  EXPECT_EQ(ListOtherFiles("*.*", names), 4);
  EXPECT_EQ(names, (StringAry{"A.B.SST", "PRICES.CSV", "README", "X.SSTX"}));
  ListOtherFiles("*.csv", names);
  EXPECT_EQ(names, StringAry{"PRICES.CSV"});
  ListOtherFiles("", names);
  EXPECT_TRUE(names.empty());
}

TEST_F(MenuFilesTest, IndexOffsetsFollowTheRecords) {
  build_.Library("L.SSD", "lib", {{"DOC1", "", "hello", 7}, {"DOC2", "X", "world!", 9}});
  SSDocInfoAry docs;
  std::string title;
  const int fd = ReadLibIndex(SSDlib{}, docs, &title, Path("L.SSD"));
  ASSERT_GE(fd, 0);
  EXPECT_EQ(FileTell(fd), 64 + 37);  // records of 18 and 19 bytes
  FileClose(fd);
  ASSERT_EQ(docs.size(), 2u);
  EXPECT_EQ(IndexRecordSize(docs[0]), 18u);
  EXPECT_EQ(IndexRecordSize(docs[1]), 19u);
  EXPECT_EQ(docs[0].offset, 101u);
  EXPECT_EQ(docs[1].offset, 106u);
  EXPECT_EQ(docs[1].secondName, "X");
  EXPECT_EQ(docs[0].word, 0u);  // the analysis' working slot
  EXPECT_EQ(docs[0].storedWord, 7u);
  EXPECT_EQ(docs[1].storedWord, 9u);
  EXPECT_EQ(title, "lib");

  TDicAry list;
  ASSERT_EQ(ListLibDocuments(SSDlib{"L"}, list), 0);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].number, 9);
  EXPECT_EQ(list[1].title, "X");

  build_.Library("E.SSD", "empty", {});
  const int e = ReadLibIndex(SSDlib{}, docs, &title, Path("E.SSD"));
  ASSERT_GE(e, 0);
  EXPECT_TRUE(docs.empty());
  EXPECT_EQ(FileTell(e), 64);
  FileClose(e);
}

TEST_F(MenuFilesTest, FindLibDocumentTakesFirstExactMatch) {
  build_.Library("L.SSD", "lib", {{"DOC1", "a", "first", 3}, {"DOC1", "b", "second", 4}});
  SSDocInfo entry;
  entry.source = 5;
  std::string title;
  const int fd = FindLibDocument(SSDlib{}, &entry, &title, Path("L.SSD"), "DOC1");
  ASSERT_GE(fd, 0);
  EXPECT_EQ(entry.secondName, "a");
  EXPECT_EQ(entry.word, 3u);  // the writer carries the stored word
  EXPECT_EQ(entry.source, 5);
  char buf[5];
  FileSeek(fd, entry.offset);
  FileRead(fd, buf, 5);
  EXPECT_EQ(std::string(buf, 5), "first");
  FileClose(fd);
  EXPECT_EQ(FindLibDocument(SSDlib{}, &entry, &title, Path("L.SSD"), "doc1"), -1);
}

TEST_F(MenuFilesTest, CorruptIndexRejectsLibraryWithoutUnboundedWork) {
  std::string good = LibraryBytes("lib", {{"A", "", "aaaa"}, {"B", "", "bb"}});
  // The index cut inside its second record.
  build_.File("cut.SSD", good.substr(0, 64 + 15 + 5));
  // A count far beyond the records that are there.
  std::string huge = good;
  huge[8] = '\xFF', huge[9] = '\xFF', huge[10] = '\xFF', huge[11] = '\x7F';
  build_.File("huge.SSD", huge);
  // A name whose count is negative as 16 bits.
  std::string negative = good;
  negative[64 + 8] = '\x00', negative[64 + 9] = '\x80';
  build_.File("neg.SSD", negative);
  for (const char* name : {"cut", "huge", "neg"}) {
    SCOPED_TRACE(name);
    SSDocInfoAry docs(1);
    std::string title;
    EXPECT_EQ(ReadLibIndex(SSDlib{}, docs, &title, Path(std::string(name) + ".SSD")), -1);
    EXPECT_TRUE(docs.empty());
    SSDocInfo entry;
    EXPECT_EQ(FindLibDocument(SSDlib{}, &entry, &title, Path(std::string(name) + ".SSD"), "none"), -1);
    TDicAry list(1);
    EXPECT_EQ(ListLibDocuments(SSDlib{name}, list), -1);
    EXPECT_TRUE(list.empty());
  }
}

// A run of lookups finds what FindLibDocument finds, wherever the run goes: back and forth between
// libraries, to names held twice, missing names and unreadable files.
TEST_F(MenuFilesTest, LibraryLookupFindsWhatFindLibDocumentFinds) {
  build_.Library("L.SSD", "lib", {{"DOC1", "a", "first", 3}, {"DOC1", "b", "second", 4}, {"E", "", "", 6}})
      .Library("M.SSD", "other", {{"DOC1", "m", "mmm", 7}, {"X", "x", "xx", 8}});
  build_.File("cut.SSD", LibraryBytes("cut", {{"A", "", "aaaa"}}).substr(0, 70));
  const std::vector<std::pair<std::string, std::string>> asks = {
      {"L.SSD", "DOC1"}, {"L.SSD", "E"},    {"M.SSD", "DOC1"},   {"L.SSD", "DOC1"}, {"L.SSD", "doc1"},
      {"cut.SSD", "A"},  {"M.SSD", "X"},    {"NONE.SSD", "DOC1"}, {"M.SSD", "X"},    {"M.SSD", "gone"}};
  LibraryLookup lookup;
  for (const auto& [library, name] : asks) {
    SCOPED_TRACE(library + "/" + name);
    SSDocInfo want, got;
    want.source = got.source = 5;
    std::string want_title, got_title;
    const int fd = FindLibDocument(SSDlib{}, &want, &want_title, Path(library), name);
    const int lib = lookup.Find(Path(library), name, &got, &got_title);
    ASSERT_EQ(lib >= 0, fd >= 0);
    EXPECT_EQ(got_title, want_title);  // a readable library gives its title even when the name is not there
    if (fd < 0) continue;
    FileClose(fd);
    EXPECT_EQ(std::make_tuple(got.name, got.secondName, got.offset, got.length, got.word, got.storedWord, got.source),
              std::make_tuple(want.name, want.secondName, want.offset, want.length, want.word, want.storedWord,
                              want.source));
    std::string bytes(got.length, '\0');
    FileSeek(lib, static_cast<std::int64_t>(got.offset));
    EXPECT_EQ(FileRead(lib, bytes.data(), bytes.size()), static_cast<long>(bytes.size()));
  }
}

TEST_F(MenuFilesTest, LongIndexStringsAreReadWhole) {
  const std::string long_name(300, 'n');
  build_.Library("L.SSD", "lib", {{long_name, std::string(1200, 's'), "data"}});
  SSDocInfoAry docs;
  std::string title;
  const int fd = ReadLibIndex(SSDlib{}, docs, &title, Path("L.SSD"));
  ASSERT_GE(fd, 0);
  FileClose(fd);
  ASSERT_EQ(docs.size(), 1u);
  EXPECT_EQ(docs[0].name, long_name);
  EXPECT_EQ(docs[0].secondName.size(), 1200u);
  EXPECT_EQ(docs[0].offset, 64u + 8 + 303 + 1203);
}

}  // namespace
}  // namespace quarvel
