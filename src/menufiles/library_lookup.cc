#include "menufiles/library_lookup.h"

#include "fileio/fileio.h"
#include "menufiles/libindex.h"

namespace quarvel {

void LibraryLookup::Close() {
  if (fd_ >= 0) FileClose(fd_);
  fd_ = -1;
  path_.clear();
  title_.clear();
  docs_.clear();
  first_.clear();
}

int LibraryLookup::Find(const std::string& path, const std::string& name, SSDocInfo* entry, std::string* title) {
  if (path_.empty() || path != path_) {
    Close();
    path_ = path;
    fd_ = ReadLibIndex(SSDlib{}, docs_, &title_, path);
    for (std::size_t i = 0; i < docs_.size(); ++i) first_.emplace(docs_[i].name, i);
  }
  // As FindLibDocument, the title that the header gave even when the index is unusable.
  if (!title_.empty()) *title = title_;
  if (fd_ < 0) return -1;
  const auto it = first_.find(name);
  if (it == first_.end()) return -1;
  const std::int32_t source = entry->source;
  *entry = docs_[it->second];
  entry->source = source;
  entry->word = entry->storedWord;
  return fd_;
}

}  // namespace quarvel
