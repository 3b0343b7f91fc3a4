// The progress and the stop of long copies and compares: a function told of every chunk moved, and a
// request to stop that any thread may make.
#pragma once

#include <cstdint>
#include <functional>

namespace quarvel {

// Called with the byte count of every chunk that FileCopyBytes or FilesEqual moved; none by default.
using CopyProgressFn = std::function<void(std::uint64_t bytes)>;
void SetCopyProgress(CopyProgressFn fn);
// Hands a count of bytes moved or compared (0: nothing) to that function. From the thread that set it.
void ReportCopyProgress(std::uint64_t bytes);
// The user asked the work in progress to stop (a progress window's Cancel, offered only where a
// stop is safe: the diff write, whose work file is then removed, and the analysis, whose result is
// then dropped). FileCopyBytes then fails after its next chunk and FilesEqual at once; the caller tells
// a stop from a failure by CopyStopRequested. Any thread may ask.
void RequestCopyStop(bool stop);
bool CopyStopRequested();

}  // namespace quarvel
