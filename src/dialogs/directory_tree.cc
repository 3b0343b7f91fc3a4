#include "dialogs/directory_tree.h"

#include "platform/platform.h"

namespace quarvel {

namespace {

class HostTree final : public DirectoryTree {
 public:
  int ListSubdirectories(const std::string& dir, StringAry* names) override {
    return Host().ListSubdirectories(dir, names) == 0 ? 0 : -1;
  }

  std::string CurrentDir() override { return Host().CurrentDir(); }

  int SetCurrentDir(const std::string& dir) override { return Host().SetCurrentDir(dir) == 0 ? 0 : -1; }

  StringAry Drives() override { return Host().Roots(); }
};

}  // namespace

DirectoryTree& HostDirectoryTree() {
  static HostTree tree;
  return tree;
}

}  // namespace quarvel
