// kmd's arguments: host text and paths to CP932, directories that must exist, an output path that
// must not lie among the files it describes.
#pragma once

#include <string>
#include <vector>

namespace quarvel::kmd {

// A host path or text from the command line to CP932; false (with an error printed) when it has no form.
bool FromArg(const std::string& arg, const char* what, std::string* cp932);
// A directory argument (`what` names it in errors) in CP932 with its trailing separator. Returns
// kExitOk; kExitUsage for an empty argument or one without a CP932 form; kExitFailed when it names no
// existing directory. The error is printed.
int DirArg(const std::string& arg, const char* what, std::string* dir);

// The path of a diff file to write: not empty, and not inside any of `dirs` (a diff written there
// would replace or join the files it describes). kExitOk, or kExitUsage with the error printed;
// kExitFailed (printed) while an import runs in the directory it would be written to.
int OutputArg(const std::string& arg, const std::vector<std::string>& dirs, std::string* path);

}  // namespace quarvel::kmd
