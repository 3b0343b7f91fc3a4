#include <cstdio>

#include "cli/commands.h"
#include "cli/output.h"
#include "engine/analysis.h"
#include "engine/diff_writer.h"

namespace quarvel::kmd {

int RunAnalyse(const AnalyseArgs& args) {
  std::string current, old, extensions, output, comment;
  if (!DirArg(args.menuDir, &current) || !DirArg(args.oldDir, &old) ||
      !FromArg(args.extensions, "extension list", &extensions) || !FromArg(args.output, "output path", &output) ||
      !FromArg(args.comment, "comment", &comment)) {
    return kExitUsage;
  }
  SBNdtAry changes;
  {
    Progress progress("comparing");
    AnalyseMenuDirs(current, old, changes, extensions);
  }
  if (changes.empty()) {
    std::printf("no changes\n");
    return kExitOk;
  }
  for (const SBNdt& c : changes) std::printf("%s\n", ChangeLine(c).c_str());
  if (output.empty()) return kExitOk;
  Progress progress("writing");
  if (WriteDiffFile(output, current, changes, &comment) != 0) {
    return Fail(kExitFailed, "could not write the diff file " + args.output);
  }
  std::fflush(stdout);
  return kExitOk;
}

}  // namespace quarvel::kmd
