#include "fuzz_input.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace quarvel::fuzz {

namespace {

std::string g_scratch;

void RemoveScratch() {
  std::error_code ec;
  if (!g_scratch.empty()) std::filesystem::remove_all(g_scratch, ec);
}

}  // namespace

const std::string& ScratchDir() {
  if (g_scratch.empty()) {
    std::string base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path().string();
    std::string pattern = base + "/quarvel-fuzz.XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) Finding("cannot make a scratch directory");
    g_scratch = pattern + "/";
    std::atexit(RemoveScratch);
  }
  return g_scratch;
}

std::string PutInput(const std::uint8_t* data, std::size_t size, const std::string& name) {
  const std::string path = ScratchDir() + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out) Finding("cannot write the input");
  return path;
}

int OpenDescriptors() {
  int n = 0;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator("/proc/self/fd", ec); !ec && it != std::filesystem::directory_iterator();
       it.increment(ec)) {
    ++n;
  }
  return n;
}

void Finding(const std::string& what) {
  std::fprintf(stderr, "finding: %s\n", what.c_str());
  std::abort();
}

}  // namespace quarvel::fuzz
