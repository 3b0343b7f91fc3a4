// Reading a diff file's header and directory.
#pragma once

#include <string>

#include "fileio/fileio.h"
#include "model/records.h"

namespace quarvel {

// Reads the description (less a last lead byte whose trail byte was cut off, as another writer may
// leave it) and the directory. Returns the descriptor positioned at the first data block
// (the caller closes it), -1 when the file cannot be opened, kFileWrongMagic for a wrong magic or a
// version above 1. A header or directory cut short, or a negative count, is accepted as far as it was
// read; DirectoryCut then tells the callers that must refuse such a file.
int OpenDiffFile(const std::string& path, SBNdtAry& changes, std::string& description);
// Right after OpenDiffFile: whether its header or directory was cut short.
bool DirectoryCut();
// OpenDiffFile, then close. 0, or -1 for every failure.
int LoadDiffDirectory(const std::string& path, SBNdtAry& changes, std::string* description);

}  // namespace quarvel
