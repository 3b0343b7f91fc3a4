#include "menufiles/headers.h"

#include "fileio/fileio.h"
#include "shell/env.h"

namespace quarvel {

namespace {

void ReadTitle(int fd, std::string* title) {
  char field[kTitleField] = {};
  FileRead(fd, field, kTitleField);
  field[kTitleField - 1] = '\0';
  title->assign(field);
}

int OpenLibrary(const std::string& path, std::uint32_t* count, std::uint32_t* indexLength, std::int32_t* number,
                std::string* title) {
  const int fd = FileOpenChecked(path, LIBRARY_FILE_MAGIC);
  if (fd < 0) return fd;
  *number = static_cast<std::int32_t>(ReadU32(fd));
  *count = ReadU32(fd);
  *indexLength = ReadU32(fd);
  ReadTitle(fd, title);
  return fd;
}

}  // namespace

int OpenMenuFile(const SSMenu& holder, std::int32_t* number, std::string* title, const std::string& path) {
  const int fd = FileOpenChecked(path.empty() ? MenuPath(holder.name, "SST") : path, MENU_FILE_MAGIC);
  if (fd < 0) return fd;
  *number = static_cast<std::int32_t>(ReadU32(fd));
  ReadU32(fd);
  ReadU32(fd);
  ReadTitle(fd, title);
  return fd;
}

int OpenDocLib(const SSDlib& holder, std::uint32_t* count, std::uint32_t* indexLength, std::int32_t* number,
               std::string* title, const std::string& path) {
  return OpenLibrary(path.empty() ? MenuPath(holder.name, "SSD") : path, count, indexLength, number, title);
}

int OpenComLib(const SSVlib& holder, std::uint32_t* count, std::uint32_t* indexLength, std::int32_t* number,
               std::string* title, const std::string& path) {
  const int fd = OpenLibrary(path.empty() ? MenuPath(holder.name, "SSV") : path, count, indexLength, number, title);
  if (fd < 0) return -1;
  if (FileErrorFlags != 0) {
    FileClose(fd);
    return -1;
  }
  return fd;
}

int ReadMenuTitle(const SSMenu& holder, std::string* title, const std::string& path) {
  std::int32_t number = 0;
  std::string t;
  const int fd = OpenMenuFile(holder, &number, &t, path);
  if (fd >= 0) {
    FileClose(fd);
    *title = t;
  }
  return 0;
}

int ReadDocLibTitle(const SSDlib& holder, std::string* title, const std::string& path) {
  std::uint32_t count = 0, indexLength = 0;
  std::int32_t number = 0;
  std::string t;
  const int fd = OpenDocLib(holder, &count, &indexLength, &number, &t, path);
  if (fd >= 0) {
    FileClose(fd);
    *title = t;
  }
  return 0;
}

int ReadComLibTitle(const SSVlib& holder, std::string* title, const std::string& path) {
  std::uint32_t count = 0, indexLength = 0;
  std::int32_t number = 0;
  std::string t = *title;
  const int fd = OpenComLib(holder, &count, &indexLength, &number, &t, path);
  if (fd >= 0) FileClose(fd);
  // A common library cut short still leaves in the title what was read of it.
  *title = t;
  return 0;
}

}  // namespace quarvel
