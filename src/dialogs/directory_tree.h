// The directory tree that the directory chooser walks: subdirectories, and the process's current
// directory. Tests give the chooser their own tree; the default one is the host's.
#pragma once

#include <string>

#include "model/records.h"

namespace quarvel {

class DirectoryTree {
 public:
  virtual ~DirectoryTree() = default;
  // The names (CP932, no separator) of the subdirectories of `dir`, which ends with a separator,
  // without hidden ones ("." first), in byte order. Returns 0, or -1 when `dir` cannot be read.
  virtual int ListSubdirectories(const std::string& dir, StringAry* names) = 0;
  // The process's current directory (CP932, no trailing separator except at a root); "" on failure.
  virtual std::string CurrentDir() = 0;
  // 0, or -1 when `dir` is not a directory that can be entered.
  virtual int SetCurrentDir(const std::string& dir) = 0;
  // What the drive box offers, each ending with a separator: on POSIX "/" and the home directory.
  virtual StringAry Drives() = 0;
};

// The host's tree, through the platform layer.
DirectoryTree& HostDirectoryTree();

}  // namespace quarvel
