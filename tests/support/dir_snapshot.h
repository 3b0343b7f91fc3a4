// The state of a directory as an import must keep or produce it: every file's bytes, mode and time.
#pragma once

#include <map>
#include <set>
#include <string>

namespace quarvel {

struct FileState {
  std::string bytes;
  unsigned mode = 0;
  long long mtime = 0;
};

using DirSnapshot = std::map<std::string, FileState>;

DirSnapshot Snapshot(const std::string& dir);
// Empty when equal; else the first difference. Files named in `anyTime` may differ in time only.
std::string Difference(const DirSnapshot& want, const DirSnapshot& got, const std::set<std::string>& anyTime = {});
// Copies every file of `from` into the empty or missing directory `to`, with modes and times.
void CopyDir(const std::string& from, const std::string& to);

}  // namespace quarvel
