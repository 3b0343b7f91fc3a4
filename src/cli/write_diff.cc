#include "cli/write_diff.h"

#include "cli/fault_text.h"
#include "cli/output.h"
#include "cli/progress.h"
#include "engine/diff/diff_check.h"

namespace quarvel::kmd {

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
