#include "support/dir_snapshot.h"

#include <chrono>
#include <filesystem>

#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace quarvel {

DirSnapshot Snapshot(const std::string& dir) {
  DirSnapshot snap;
  for (const auto& e : fs::directory_iterator(dir)) {
    std::error_code ec;
    const fs::perms perms = fs::status(e.path(), ec).permissions();
    const auto written = fs::last_write_time(e.path(), ec);
    if (ec) continue;
    const long long seconds =
        std::chrono::duration_cast<std::chrono::seconds>(written.time_since_epoch()).count();
    snap[e.path().filename().string()] = {ReadFile(e.path().string()), static_cast<unsigned>(perms) & 07777u,
                                          seconds};
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
  for (const auto& e : fs::directory_iterator(from)) {
    const fs::path target = fs::path(to) / e.path().filename();
    fs::copy_file(e.path(), target);
    fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
    fs::last_write_time(target, fs::last_write_time(e.path()));
    fs::permissions(target, fs::status(e.path()).permissions());
  }
}

}  // namespace quarvel
