#include <cstdio>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "menufiles/libindex.h"
#include "menufiles/listings.h"
#include "platform/platform.h"
#include "shell/env.h"

namespace quarvel::kmd {

int RunList(const ListArgs& args) {
  std::string dir, argument;
  if (const int r = DirArg(args.menuDir, "MENU_DIR", &dir); r != kExitOk) return r;
  if (!FromArg(args.argument, "name", &argument)) return kExitUsage;
  Env().GL_sys_dir = dir;
  TDicAry list;
  int listed = 0;
  if (args.kind == "menus") {
    listed = ListMenuFiles(SSMenu{}, list);
  } else if (args.kind == "libs") {
    listed = ListDocLibs(SSDlib{}, list);
  } else if (args.kind == "commons") {
    listed = ListComLibs(SSVlib{}, list);
  } else if (args.kind == "docs") {
    if (argument.empty()) return Fail(kExitUsage, "list docs needs a library, such as docs LIB.SSD");
    const std::string stem = argument.substr(0, argument.rfind('.'));
    if (ListLibDocuments(SSDlib{stem}, list) != 0) {
      return Fail(kExitFailed, "cannot read the library " + args.argument + " in " + args.menuDir);
    }
  } else if (args.kind == "files") {
    StringAry names;
    if (const int r = ListOtherFiles(argument.empty() ? "*.*" : argument, names); r < 0) {
      return Fail(kExitFailed, ReadFailureText({dir, r}));
    }
    for (const std::string& name : names) std::printf("%s\n", Utf8(name).c_str());
    return kExitOk;
  } else {
    return Fail(kExitUsage, "unknown listing '" + args.kind + "': use menus, libs, commons, docs or files");
  }
  if (listed < 0) return Fail(kExitFailed, ReadFailureText({dir, listed}));
  for (const TDic& d : list) std::printf("%s\t%s\n", Utf8(d.name).c_str(), Utf8(d.title).c_str());
  return kExitOk;
}

}  // namespace quarvel::kmd
