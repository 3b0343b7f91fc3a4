#include <cstdio>

#include "cli/arguments.h"
#include "cli/busy_dir.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "cli/progress.h"
#include "cli/write_diff.h"
#include "engine/analysis/analysis.h"

namespace quarvel::kmd {

int RunAnalyse(const AnalyseArgs& args) {
  std::string current, old, extensions, output, comment;
  if (const int r = DirArg(args.menuDir, "MENU_DIR", &current); r != kExitOk) return r;
  if (const int r = DirArg(args.oldDir, "OLD_DIR", &old); r != kExitOk) return r;
  if (!FromArg(args.extensions, "extension list", &extensions) || !FromArg(args.comment, "comment", &comment)) {
    return kExitUsage;
  }
  // A directory under import is half old, half new: comparing it would carry that into the diff.
  if (const int r = IdleDir(current, args.menuDir, true); r != kExitOk) return r;
  if (const int r = IdleDir(old, args.oldDir, true); r != kExitOk) return r;
  if (args.outputGiven) {
    if (const int r = OutputArg(args.output, {args.oldDir, args.menuDir}, &output); r != kExitOk) return r;
  }
  SBNdtAry changes;
  ReadFailure failure;
  {
    Progress progress("comparing");
    AnalyseOptions options;
    options.content = args.content;
    if (AnalyseMenuDirs(current, old, changes, extensions, options, &failure) != 0) {
      return Fail(kExitFailed, ReadFailureText(failure) + "; nothing was compared");
    }
  }
  if (changes.empty()) {
    std::printf("no changes\n");
    return kExitOk;
  }
  for (const SBNdt& c : changes) std::printf("%s\n", ChangeLine(c).c_str());
  if (!args.outputGiven) return kExitOk;
  std::fflush(stdout);
  // The old side is each entry's base: an import can then tell a local change from the old state.
  return WriteDiff(output, current, changes, comment, args.output, WriteOptions{!args.plain, args.plain ? "" : old});
}

}  // namespace quarvel::kmd
