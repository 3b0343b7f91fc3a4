#include "fileio/copy_progress.h"

#include <atomic>
#include <utility>

namespace quarvel {

namespace {

CopyProgressFn g_progress;
std::atomic<bool> g_stop{false};  // read by the content comparison's second thread too

}  // namespace

void SetCopyProgress(CopyProgressFn fn) { g_progress = std::move(fn); }

void RequestCopyStop(bool stop) { g_stop = stop; }
bool CopyStopRequested() { return g_stop; }

void ReportCopyProgress(std::uint64_t bytes) {
  if (g_progress && bytes > 0) g_progress(bytes);
}

}  // namespace quarvel
