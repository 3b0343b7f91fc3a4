#include "menufiles/listings.h"

#include <algorithm>
#include <functional>

#include "fileio/fileio.h"
#include "fileio/work_names.h"
#include "menufiles/headers.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "shell/env.h"

namespace quarvel {

namespace {

// Opens one found file with the kind's opener; the descriptor or a negative code.
using Opener = std::function<int(const std::string& path, std::int32_t* number, std::string* title)>;

int ListKind(const char* extension, const Opener& open, TDicAry& list) {
  list.clear();
  std::vector<FoundFile> found;
  if (const int r = FindMenuDirFiles(MenuPath("*", extension), &found); r != 0) return r;
  for (const FoundFile& f : found) {
    std::int32_t number = 0;
    std::string title;
    const int fd = open(MenuPath(f.name, ""), &number, &title);
    if (fd < 0) continue;
    FileClose(fd);
    list.push_back({number, f.name.substr(0, f.name.find('.')), title});
  }
  return static_cast<int>(list.size());
}

}  // namespace

namespace {

void DropWorkFiles(std::vector<FoundFile>* out) {
  out->erase(std::remove_if(out->begin(), out->end(), [](const FoundFile& f) { return IsWorkFileName(f.name); }),
             out->end());
}

}  // namespace

int FindMenuDirFiles(const std::string& pattern, std::vector<FoundFile>* out) {
  const int r = Host().FindFiles(pattern, out);
  DropWorkFiles(out);
  return r;
}

int FindMenuDirFilesAny(const std::string& dir, const std::vector<std::string>& masks,
                        std::vector<FoundFile>* out) {
  const int r = Host().FindFilesAny(dir, masks, out);
  DropWorkFiles(out);
  return r;
}

int ListMenuFiles(const SSMenu& holder, TDicAry& list) {
  return ListKind("SST", [&](const std::string& path, std::int32_t* number, std::string* title) {
    return OpenMenuFile(holder, number, title, path);
  }, list);
}

int ListDocLibs(const SSDlib& holder, TDicAry& list) {
  return ListKind("SSD", [&](const std::string& path, std::int32_t* number, std::string* title) {
    std::uint32_t count = 0, indexLength = 0;
    return OpenDocLib(holder, &count, &indexLength, number, title, path);
  }, list);
}

int ListComLibs(const SSVlib& holder, TDicAry& list) {
  return ListKind("SSV", [&](const std::string& path, std::int32_t* number, std::string* title) {
    std::uint32_t count = 0, indexLength = 0;
    return OpenComLib(holder, &count, &indexLength, number, title, path);
  }, list);
}

bool IsOtherFileName(const std::string& name) {
  if (name == "." || name == "..") return false;
  const std::size_t dot = name.find('.');
  if (dot == std::string::npos) return true;
  const std::string extension = SjisAsciiUpper(name.substr(dot + 1));
  for (const char* own : {"SSM", "SST", "SSD", "SSV"}) {
    if (extension == own) return false;
  }
  return true;
}

int ListOtherFiles(const std::string& mask, StringAry& names) {
  names.clear();
  std::vector<FoundFile> found;
  if (const int r = FindMenuDirFiles(SjisCut(MenuPath(mask, ""), kMaxPath - 1), &found); r != 0) return r;
  for (FoundFile& f : found) {
    if (IsOtherFileName(f.name)) names.push_back(std::move(f.name));
  }
  return static_cast<int>(names.size());
}

}  // namespace quarvel
