// Builds menu directories for tests and for the sample of the main job: menu files, libraries with
// documents, and other files, each with a chosen last-write stamp. Paths and names are host text in
// UTF-8, as the callers write them ("ﾃｽﾄa.csv"); titles and documents' names are bytes as given.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quarvel {

struct DocSpec {
  std::string name;
  std::string secondName;
  std::string data;
  std::uint32_t word = 0;
};

// The bytes of a menu file with that title (at most 47 bytes are kept) and body.
std::string MenuFileBytes(const std::string& title, std::int32_t number = 0, const std::string& body = "");
// The bytes of a library file holding the documents in order.
std::string LibraryBytes(const std::string& title, const std::vector<DocSpec>& docs,
                         std::uint16_t magic = 0x0B6F, std::int16_t version = 1);

class MenuDirBuilder {
 public:
  // `dir` ends with a separator and exists.
  explicit MenuDirBuilder(std::string dir) : dir_(std::move(dir)) {}
  // Each writes the file whole under `name`, then gives it the stamp; a stamp of 0 leaves the file's
  // time as the write made it. A file that cannot be written, or a stamp that does not stick (a name
  // without a CP932 form, which the platform cannot reach), stops the process with a message on
  // standard error: a directory built otherwise than asked must never pass for the one asked for.
  MenuDirBuilder& Menu(const std::string& name, const std::string& title, const std::string& body = "",
                       std::uint32_t stamp = 0);
  MenuDirBuilder& Library(const std::string& name, const std::string& title, const std::vector<DocSpec>& docs,
                          std::uint32_t stamp = 0);
  MenuDirBuilder& File(const std::string& name, const std::string& bytes, std::uint32_t stamp = 0);
  const std::string& dir() const { return dir_; }

 private:
  std::string dir_;
};

// Writes `bytes` to the host path `path` whole; false on failure.
bool WriteWholeFile(const std::string& path, const std::string& bytes);
// Gives the file at the host path `path` the local time that the DOS stamp names, through the platform
// (as the program reads stamps), and reads it back. False when the path has no CP932 form that names
// the same file, the file cannot be opened, or the stamp read back is another.
bool StampFile(const std::string& path, std::uint32_t stamp);

}  // namespace quarvel
