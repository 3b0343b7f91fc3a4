// Small-file services of the POSIX platform on host (UTF-8) paths: the platform's SameFile,
// MakeDirectories and WriteSmallFile, and the registration, which names paths that may have no CP932
// form (a home folder named in another script).
#pragma once
#ifndef _WIN32

#include <string>

namespace quarvel {

// True when both paths reach one existing file or directory (links followed, as an open would).
bool SameHostFile(const std::string& a, const std::string& b);
// Makes `dir` and every missing parent (mode 0755 less the umask). 0 when all stand as directories
// afterwards, else a platform code.
int MakeHostDirectories(const std::string& dir);
// Writes `bytes` as the whole file `path`: into a new file beside it, flushed, then renamed over the
// name in one step, so that a reader sees the old file or the new one, never part of one. A link at
// `path` is replaced, not followed. 0, or a platform code with nothing left behind.
int WriteHostFile(const std::string& path, const std::string& bytes);

}  // namespace quarvel

#endif  // _WIN32
