// Makes the data of bench/run. Every case is an old and a new menu directory under DIR:
//   make_bench_data files DIR N upper|lower   N menu files each, one in a hundred with a newer stamp
//                                             (and other bytes), names upper- or lower-case on disk
//   make_bench_data bulk DIR                  old empty; new holds 32 files of 1 to 63 MiB (1 GiB)
//   make_bench_data library DIR COUNT MIB equal|one
//                                             one library of COUNT documents, MIB MiB in all, on both
//                                             sides with different stamps: all documents equal, or
//                                             the middle one with other bytes in the new copy
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/dos_time.h"
#include "sample/menu_dir_builder.h"

namespace fs = std::filesystem;
using namespace quarvel;

namespace {

constexpr std::uint32_t kOldStamp = MakeDosStamp(2022, 1, 1, 12, 0, 0);
constexpr std::uint32_t kNewStamp = MakeDosStamp(2023, 1, 1, 12, 0, 0);

// Bytes that do not compress or repeat: a xorshift stream.
void FillBytes(std::string* out, std::size_t n, std::uint64_t seed) {
  out->resize(n);
  std::uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
  for (std::size_t i = 0; i < n; i += 8) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    for (std::size_t k = 0; k < 8 && i + k < n; ++k) (*out)[i + k] = static_cast<char>(x >> (8 * k));
  }
}

std::string Dir(const std::string& root, const char* side) {
  const std::string d = root + "/" + side + "/";
  fs::create_directories(d);
  return d;
}

// A menu directory is compared long after its last change, not the moment it was written.
void Settle(const std::string& dir) {
  fs::last_write_time(dir, fs::file_time_type::clock::now() - std::chrono::hours(1));
}

int Files(const std::string& root, int n, bool lower) {
  const std::string old_dir = Dir(root, "old"), new_dir = Dir(root, "new");
  const std::string same = MenuFileBytes("bench menu", 0, std::string(200, 'm'));
  const std::string changed = MenuFileBytes("bench menu", 0, std::string(200, 'n'));
  for (int i = 0; i < n; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, lower ? "m%06d.sst" : "M%06d.SST", i);
    MenuDirBuilder(old_dir).File(name, same, kOldStamp);
    const bool differs = i % 100 == 0;
    MenuDirBuilder(new_dir).File(name, differs ? changed : same, differs ? kNewStamp : kOldStamp);
  }
  Settle(old_dir);
  Settle(new_dir);
  return 0;
}

int Bulk(const std::string& root) {
  const std::string old_dir = Dir(root, "old"), new_dir = Dir(root, "new");
  std::string bytes;
  for (int i = 0; i < 32; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "BULK%02d.DAT", i);
    FillBytes(&bytes, (1 + 2 * static_cast<std::size_t>(i)) << 20, static_cast<std::uint64_t>(i) + 1);
    MenuDirBuilder(new_dir).File(name, bytes, kNewStamp);
  }
  Settle(old_dir);
  Settle(new_dir);
  return 0;
}

int Library(const std::string& root, int count, int mib, bool one_differs) {
  const std::string old_dir = Dir(root, "old"), new_dir = Dir(root, "new");
  const std::size_t size = (static_cast<std::size_t>(mib) << 20) / static_cast<std::size_t>(count);
  std::vector<DocSpec> docs(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    DocSpec& d = docs[static_cast<std::size_t>(i)];
    char name[32];
    std::snprintf(name, sizeof name, "DOC%05d", i);
    d.name = name;
    d.secondName = "second";
    FillBytes(&d.data, size, static_cast<std::uint64_t>(i) + 7);
  }
  MenuDirBuilder(old_dir).Library("BIG.SSD", "bench library", docs, kOldStamp);
  if (one_differs) FillBytes(&docs[docs.size() / 2].data, size, 99999);
  MenuDirBuilder(new_dir).Library("BIG.SSD", "bench library", docs, kNewStamp);
  Settle(old_dir);
  Settle(new_dir);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 2 ? argv[1] : "";
  if (what == "files" && argc == 5) return Files(argv[2], std::atoi(argv[3]), std::string(argv[4]) == "lower");
  if (what == "bulk" && argc == 3) return Bulk(argv[2]);
  if (what == "library" && argc == 6) {
    return Library(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::string(argv[5]) == "one");
  }
  std::fprintf(stderr,
               "usage: make_bench_data files DIR N upper|lower | bulk DIR | library DIR COUNT MIB equal|one\n");
  return 2;
}
