// Replays a corpus through a fuzz target without the fuzzing engine, for the ordinary test build:
// each argument is a file or a directory of files, every one fed once.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

int Feed(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.eof() && in.fail()) {
    std::fprintf(stderr, "cannot read %s\n", file.c_str());
    return 1;
  }
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int fed = 0, failed = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg = argv[i];
    if (std::filesystem::is_directory(arg)) {
      for (const auto& e : std::filesystem::directory_iterator(arg)) {
        if (!e.is_regular_file()) continue;
        failed += Feed(e.path());
        ++fed;
      }
    } else {
      failed += Feed(arg);
      ++fed;
    }
  }
  std::printf("%d inputs replayed\n", fed);
  return failed == 0 && fed > 0 ? 0 : 1;
}
