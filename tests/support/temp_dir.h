// Test helpers for files: a scratch directory removed afterwards, and whole-file read and write.
#pragma once

#include <cstdint>
#include <string>

namespace quarvel {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // The directory with its trailing separator.
  const std::string& path() const { return path_; }
  // A subdirectory, created, with its trailing separator.
  std::string Sub(const std::string& name) const;

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
// Sets the last-write time of a file to the local time that a DOS stamp names.
void SetStamp(const std::string& path, std::uint32_t stamp);
void SetReadOnly(const std::string& path, bool read_only);

}  // namespace quarvel
