// Lookups of documents by name in one library after another: a run of lookups in the same library
// reads its index once, where FindLibDocument reads it whole for every document.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>

#include "model/records.h"

namespace quarvel {

class LibraryLookup {
 public:
  LibraryLookup() = default;
  ~LibraryLookup() { Close(); }
  LibraryLookup(const LibraryLookup&) = delete;
  LibraryLookup& operator=(const LibraryLookup&) = delete;

  // As FindLibDocument: the first document named `name` (exact bytes) of the library at `path`, with
  // its stored word as `word` and `source` left as it was, and the library's title. Returns the
  // library's descriptor, which stays the lookup's (valid until the next Find or the lookup's end: the
  // caller moves it, but never closes it); or -1 when the document is not there or the library cannot
  // be read. The index is read again only when `path` differs from the last one asked for.
  int Find(const std::string& path, const std::string& name, SSDocInfo* entry, std::string* title);
  // Whether the library of the last Find could be read (a -1 from Find then means "no such document").
  bool LibraryRead() const { return fd_ >= 0; }

 private:
  void Close();

  std::string path_;  // the library whose index was read last (fd_ -1: it could not be); empty: none
  int fd_ = -1;
  std::string title_;
  SSDocInfoAry docs_;
  std::unordered_map<std::string, std::size_t> first_;  // name: its first document
};

}  // namespace quarvel
