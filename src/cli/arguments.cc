#include "cli/arguments.h"

#include "cli/busy_dir.h"
#include "cli/output.h"
#include "fileio/fileio.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "shell/paths.h"

namespace quarvel::kmd {

bool FromArg(const std::string& arg, const char* what, std::string* cp932) {
  if (Utf8ToCp932(arg, cp932)) return true;
  Fail(kExitUsage, std::string(what) + " has characters that the menu directory cannot name: " + arg);
  return false;
}

int DirArg(const std::string& arg, const char* what, std::string* dir) {
  // An empty path would become the root once its separator is added.
  if (arg.empty()) return Fail(kExitUsage, std::string(what) + " must not be empty");
  if (!FromArg(arg, what, dir)) return kExitUsage;
  AddTrailingSeparator(*dir);
  if (const int r = CheckDirectory(*dir); r != 0) {
    return Fail(kExitFailed, arg + (r == kPlatformNotFound ? ": no such directory" : ": not a directory"));
  }
  return kExitOk;
}

int OutputArg(const std::string& arg, const std::vector<std::string>& dirs, std::string* path) {
  if (arg.empty()) return Fail(kExitUsage, "the output path (-o) must not be empty");
  if (!FromArg(arg, "output path", path)) return kExitUsage;
  // The directory is split off at the last single-byte separator: a trail byte 0x5C is none.
  const std::string parent = DirectoryPart(*path);
  for (const std::string& dir : dirs) {
    std::string cp932Dir;
    if (Utf8ToCp932(dir, &cp932Dir) && Host().SameFile(parent.empty() ? "." : parent, cp932Dir)) {
      return Fail(kExitUsage, "the output " + arg + " lies in " + dir +
                                  ", whose files the diff describes; write it somewhere else");
    }
  }
  return IdleDir(parent, ShownDirectory(parent), false);
}

}  // namespace quarvel::kmd
