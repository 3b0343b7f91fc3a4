#include "support/dir_snapshot.h"

#include <sys/stat.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace quarvel {

DirSnapshot Snapshot(const std::string& dir) {
  DirSnapshot snap;
  for (const auto& e : fs::directory_iterator(dir)) {
    struct stat st;
    if (::stat(e.path().c_str(), &st) != 0) continue;
    snap[e.path().filename().string()] = {ReadFile(e.path().string()), static_cast<unsigned>(st.st_mode & 07777),
                                          static_cast<long long>(st.st_mtime)};
  }
  return snap;
}

std::string Difference(const DirSnapshot& want, const DirSnapshot& got, const std::set<std::string>& anyTime) {
  for (const auto& [name, w] : want) {
    const auto it = got.find(name);
    if (it == got.end()) return "missing " + name;
    if (it->second.bytes != w.bytes) return "bytes of " + name;
    if (it->second.mode != w.mode) return "mode of " + name;
    if (it->second.mtime != w.mtime && anyTime.count(name) == 0) return "time of " + name;
  }
  for (const auto& [name, g] : got) {
    if (want.count(name) == 0) return "extra " + name;
  }
  return "";
}

void CopyDir(const std::string& from, const std::string& to) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(to, ec)) {
    fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::add, ec);
  }
  fs::remove_all(to, ec);
  fs::create_directories(to);
  fs::copy(from, to, fs::copy_options::recursive);
  for (const auto& e : fs::directory_iterator(from)) {
    const fs::path target = fs::path(to) / e.path().filename();
    fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
    fs::last_write_time(target, fs::last_write_time(e.path()));
    fs::permissions(target, fs::status(e.path()).permissions());
  }
}

}  // namespace quarvel
