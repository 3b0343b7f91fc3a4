// Times the analysis of two menu directories of 1,000 to 100,000 menu files each, beside the time that
// `find DIR -maxdepth 1 -printf '%T@ %f\n'` takes to list both, and prints how each grows.
// Usage: analysis_bench [SCRATCH_DIR]   (default: /dev/shm, else /tmp)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/analysis/analysis.h"
#include "platform/dos_time.h"
#include "sample/menu_dir_builder.h"

namespace fs = std::filesystem;
using quarvel::MakeDosStamp;

namespace {

double Seconds(const std::chrono::steady_clock::time_point& start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The faster of three runs, to keep a noisy machine from deciding.
template <typename F>
double Best(F f) {
  double best = 1e9;
  for (int i = 0; i < 3; ++i) {
    const auto start = std::chrono::steady_clock::now();
    f();
    best = std::min(best, Seconds(start));
  }
  return best;
}

void Fill(const std::string& dir, int n, bool newer, bool lower) {
  fs::create_directories(dir);
  quarvel::MenuDirBuilder build(dir);
  const std::string menu = quarvel::MenuFileBytes("bench menu");
  const std::uint32_t t1 = MakeDosStamp(2022, 1, 1, 12, 0, 0);
  const std::uint32_t t2 = MakeDosStamp(2023, 1, 1, 12, 0, 0);
  for (int i = 0; i < n; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, lower ? "m%06d.sst" : "M%06d.SST", i);
    // One file in a hundred changed in the newer copy.
    build.File(name, menu, newer && i % 100 == 0 ? t2 : t1);
  }
  // A menu directory is analysed long after its last change, not the moment it was written.
  fs::last_write_time(dir, fs::file_time_type::clock::now() - std::chrono::hours(1));
}

}  // namespace

int main(int argc, char** argv) {
  const std::string base = argc > 1 ? argv[1] : (fs::exists("/dev/shm") ? "/dev/shm" : "/tmp");
  const std::string root = base + "/quarvel-bench-" + std::to_string(std::rand());
  // Lower-case names on disk differ in case from the upper-cased names that the analysis opens.
  for (bool lower : {false, true}) {
  std::printf("%s names\n%8s %12s %12s %8s %14s\n", lower ? "lower-case" : "upper-case", "files", "analyse s",
              "find s", "ratio", "analyse us/file");
  for (int n : {1000, 10000, 100000}) {
    const std::string tag = std::to_string(n) + (lower ? "l" : "u");
    const std::string cur = root + "/cur" + tag + "/";
    const std::string old = root + "/old" + tag + "/";
    Fill(old, n, false, lower);
    Fill(cur, n, true, lower);
    std::size_t found = 0;
    const double analyse = Best([&] {
      quarvel::SBNdtAry changes;
      quarvel::AnalyseMenuDirs(cur, old, changes, "");
      found = changes.size();
    });
    const std::string cmd = "find '" + cur + "' -maxdepth 1 -printf '%T@ %f\\n' >/dev/null && find '" + old +
                            "' -maxdepth 1 -printf '%T@ %f\\n' >/dev/null";
    const double find = Best([&] {
      if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "find failed\n");
    });
    std::printf("%8d %12.4f %12.4f %8.2f %14.3f   (%zu changes)\n", n, analyse, find, analyse / find,
                analyse * 1e6 / n, found);
    std::fflush(stdout);
    fs::remove_all(cur);
    fs::remove_all(old);
  }
  }
  fs::remove_all(root);
  return 0;
}
