// Writing a diff file for kmd, with its progress and the reason of a failure.
#pragma once

#include <string>

#include "engine/diff/diff_writer.h"
#include "model/records.h"

namespace quarvel::kmd {

// Writes the diff of `changes` from `menuDir` to `path` (`shown` is the path as typed). A name that
// an import would refuse fails first, named. kExitOk, or kExitFailed with the error printed.
int WriteDiff(const std::string& path, const std::string& menuDir, const SBNdtAry& changes,
              const std::string& comment, const std::string& shown, const WriteOptions& options);

}  // namespace quarvel::kmd
