#include "dialogs/directory_tree.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/platform.h"
#include "platform/text.h"
#include "shell/paths.h"

namespace quarvel {

namespace {

class HostTree final : public DirectoryTree {
 public:
  int ListSubdirectories(const std::string& dir, StringAry* names) override {
    names->clear();
    std::string host;
    if (!Cp932ToUtf8(dir, &host)) return -1;
    std::error_code ec;
    std::filesystem::directory_iterator it(host, ec);
    if (ec) return -1;
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
      if (ec) return -1;
      std::string name = it->path().filename().string();
      std::string cp932;
      if (name.empty() || name[0] == '.' || !Utf8ToCp932(name, &cp932)) continue;
      std::error_code kindError;
      if (it->is_directory(kindError)) names->push_back(cp932);
    }
    std::sort(names->begin(), names->end(), [](const std::string& a, const std::string& b) {
      return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
      });
    });
    return 0;
  }

  std::string CurrentDir() override { return Host().CurrentDir(); }

  int SetCurrentDir(const std::string& dir) override { return Host().SetCurrentDir(dir) == 0 ? 0 : -1; }

  StringAry Drives() override {
    StringAry drives{std::string(1, kDirSep)};
    const char* home = std::getenv("HOME");
    std::string dir;
    if (home != nullptr && home[0] != '\0' && Utf8ToCp932(home, &dir)) {
      AddTrailingSeparator(dir);
      if (dir != drives[0]) drives.push_back(dir);
    }
    return drives;
  }
};

}  // namespace

DirectoryTree& HostDirectoryTree() {
  static HostTree tree;
  return tree;
}

}  // namespace quarvel
