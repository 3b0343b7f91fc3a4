// The whole import of any diff into a scratch menu directory, with its undo. It must never crash, never
// leave a work file, journal or lock, and a refused or rolled-back import must leave the directory
// exactly as it was (names, bytes, modes and times) and no undo file; the undo of a completed import,
// imported, must give that state back (a library given back document by document may differ in time).
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "engine/diff/diff_reader.h"
#include "engine/import/import.h"
#include "fileio/fileio.h"
#include "fileio/work_names.h"
#include "fuzz_input.h"
#include "platform/dos_time.h"
#include "sample/menu_dir_builder.h"

using namespace quarvel;
namespace fs = std::filesystem;

namespace {

struct FileState {
  std::string bytes;
  unsigned mode = 0;
  long long mtime = 0;
  bool operator==(const FileState& o) const { return bytes == o.bytes && mode == o.mode && mtime == o.mtime; }
};
using State = std::map<std::string, FileState>;

State Snapshot(const std::string& dir) {
  State state;
  for (const auto& e : fs::directory_iterator(dir)) {
    struct stat st;
    if (::lstat(e.path().c_str(), &st) != 0) continue;
    std::ifstream in(e.path(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    state[e.path().filename().string()] = {bytes.str(), static_cast<unsigned>(st.st_mode), static_cast<long long>(st.st_mtime)};
  }
  return state;
}

// The pristine menu directory, laid once; each input gets a fresh copy of it when the last one changed it.
const std::string& Pristine() {
  static const std::string dir = [] {
    const std::string d = fuzz::ScratchDir() + "pristine/";
    fs::create_directories(d);
    const std::uint32_t t = MakeDosStamp(2022, 3, 4, 5, 6, 8);
    MenuDirBuilder(d)
        .Menu("MAIN.SST", "メイン", "body", t)
        .Menu("RO.SST", "read only", "ro", t)
        .Library("DOCS.SSD", "書類", {{"A", "a2", "alpha", 1}, {"B", "", std::string(300, 'b'), 2}}, t)
        .Library("EMPTY.SSD", "", {}, t)
        .Library("COMMON.SSV", "共通", {{"C", "", "c"}}, t)
        .File("PRICES.CSV", "1,2,3", t)
        .File("ﾃｽﾄa.csv", "kana", t);
    fs::permissions(d + "RO.SST", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    return d;
  }();
  return dir;
}

void Relay(const std::string& menu) {
  std::error_code ec;
  fs::remove_all(menu, ec);
  fs::create_directories(menu);
  for (const auto& e : fs::directory_iterator(Pristine())) {
    fs::copy_file(e.path(), menu + e.path().filename().string());
    struct stat st;
    ::stat(e.path().c_str(), &st);
    const fs::path to = menu + e.path().filename().string();
    fs::last_write_time(to, fs::last_write_time(e.path()));
    fs::permissions(to, static_cast<fs::perms>(st.st_mode & 07777));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const int descriptors = fuzz::OpenDescriptors();
  static const State pristine = Snapshot(Pristine());
  static bool changed = true;
  const std::string menu = fuzz::ScratchDir() + "menu/";
  if (changed) Relay(menu);
  const std::string diff = fuzz::PutInput(data, size, "input.kmd");
  SBNdtAry list;
  if (LoadDiffDirectory(diff, list, nullptr) != 0) {
    changed = false;
    return 0;
  }
  ImportReport report;
  const std::string undo = fuzz::ScratchDir() + "undo.kmd";
  std::error_code ec;
  fs::remove(undo, ec);
  const int result = ImportDiff(nullptr, diff, menu, list, &report, undo);
  const State after = Snapshot(menu);
  for (const auto& [name, state] : after) {
    if (IsWorkFileName(name)) fuzz::Finding("the import left " + name);
  }
  if (result == kImportIncomplete) fuzz::Finding("an import without faults ended incomplete");
  if (result != 0 && after != pristine) fuzz::Finding("a refused import changed the directory");
  if (result != 0 && !report.leftBehind.empty()) fuzz::Finding("a refused import left names behind");
  changed = after != pristine;
  if (result != 0 && fs::exists(undo)) fuzz::Finding("a refused import left its undo file");
  if (result == 0 && report.undoWritten) {
    SBNdtAry back;
    if (LoadDiffDirectory(undo, back, nullptr) != 0) fuzz::Finding("the undo file cannot be read");
    if (ImportDiff(nullptr, undo, menu, back) != 0) fuzz::Finding("the undo was refused");
    State undone = Snapshot(menu);
    for (const SBNdt& e : back) {
      const auto it = undone.find(e.name);
      if (IsDocumentLevel(e) && it != undone.end() && pristine.count(e.name) != 0) {
        it->second.mtime = pristine.at(e.name).mtime;
      }
    }
    if (undone != pristine) fuzz::Finding("the undo did not give the old state back");
    changed = true;
  }
  if (fuzz::OpenDescriptors() != descriptors) fuzz::Finding("a descriptor was left open");
  return 0;
}
