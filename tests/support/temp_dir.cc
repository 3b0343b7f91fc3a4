#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/platform.h"

namespace fs = std::filesystem;

namespace quarvel {

TempDir::TempDir() {
#ifdef _WIN32
  const fs::path base = fs::temp_directory_path();
#else
  const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
#endif
  std::random_device rd;
  for (;;) {
    fs::path p = base / ("quarvel-test-" + std::to_string(rd()));
    if (fs::create_directory(p)) {
      path_ = p.string() + kDirSep;
      return;
    }
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  // Read-only files inside must not stop the clean-up.
  for (const auto& e : fs::recursive_directory_iterator(path_, ec)) {
    fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(path_, ec);
}

std::string TempDir::Sub(const std::string& name) const {
  fs::create_directories(path_ + name);
  return path_ + name + kDirSep;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  ASSERT_TRUE(out) << path;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool Exists(const std::string& path) { return fs::exists(path); }

void SetStamp(const std::string& path, std::uint32_t stamp) {
  Platform& host = NativePlatform();
  const int fd = host.Open(path, OpenMode::kRead);
  ASSERT_GE(fd, 0) << path;
  EXPECT_EQ(host.SetStampFd(fd, stamp), 0) << path;
  host.Close(fd);
}

void SetReadOnly(const std::string& path, bool read_only) {
  if (read_only) {
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
  } else {
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
  }
}

}  // namespace quarvel
