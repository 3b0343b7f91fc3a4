#include "engine/diff/diff_reader.h"

#include "engine/diff/diff_format.h"
#include "fileio/fileio.h"
#include "platform/text.h"

namespace quarvel {

int OpenDiffFile(const std::string& path, SBNdtAry& changes, std::string& description) {
  const int fd = FileOpenChecked(path, DIFF_FILE_MAGIC);
  if (fd < 0) return fd;
  ReadU32(fd);
  ReadU32(fd);
  ReadU32(fd);
  char field[kDescriptionField] = {};
  FileRead(fd, field, kDescriptionField);
  field[kDescriptionField - 1] = '\0';
  // Another writer may have cut it inside a character: only that half character is dropped.
  description = SjisWholeCharacters(field);
  ReadDiffDirectory(fd, changes);
  return fd;
}

bool DirectoryCut() { return (FileErrorFlags & FERR_BADDATA) != 0; }

int LoadDiffDirectory(const std::string& path, SBNdtAry& changes, std::string* description) {
  std::string text;
  const int fd = OpenDiffFile(path, changes, text);
  if (fd < 0) return -1;
  FileClose(fd);
  if (description != nullptr) *description = text;
  return 0;
}

}  // namespace quarvel
