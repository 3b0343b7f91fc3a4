#include "cli/write_diff.h"

#include "cli/output.h"
#include "cli/progress.h"
#include "engine/diff/diff_check.h"

namespace quarvel::kmd {

namespace {

const char* WriteFaultText(WriteFault fault) {
  switch (fault) {
    case WriteFault::kNone: return "ok";
    case WriteFault::kNothingToWrite: return "there is nothing to write";
    case WriteFault::kNotCarried: return "the list, or a name or title in it, is longer than a diff holds";
    case WriteFault::kUnsafeName: return "an entry's name is one that no import would take";
    case WriteFault::kBadOp: return "an entry's operation is not one a diff holds";
    case WriteFault::kCannotCreate: return "it cannot be created in that directory";
    case WriteFault::kSourceMissing: return "a file or document of the menu directory cannot be read";
    case WriteFault::kTooLarge: return "a file or document is larger than a diff's 2 GB limit for one entry";
    case WriteFault::kWriteFailed: return "writing it failed (is the disk full?)";
    case WriteFault::kStopped: return "it was stopped";
  }
  return "failed";
}

}  // namespace

int WriteDiff(const std::string& path, const std::string& menuDir, const SBNdtAry& changes,
              const std::string& comment, const std::string& shown, const WriteOptions& options) {
  if (const int bad = FirstUnsafeEntry(changes); bad >= 0) {
    return Fail(kExitFailed, "cannot carry " + Utf8(changes[static_cast<std::size_t>(bad)].name) +
                                 ": no import would take that name; nothing was written");
  }
  Progress progress("writing");
  WriteFailure why;
  if (WriteDiffFile(path, menuDir, changes, &comment, &why, options) != 0) {
    std::string text = "could not write the diff file " + shown + ": " + WriteFaultText(why.fault);
    if (why.entry >= 0 && static_cast<std::size_t>(why.entry) < changes.size()) {
      text += " (entry " + std::to_string(why.entry) + ": " + Utf8(changes[static_cast<std::size_t>(why.entry)].name) + ")";
    }
    return Fail(kExitFailed, text);
  }
  return kExitOk;
}

}  // namespace quarvel::kmd
