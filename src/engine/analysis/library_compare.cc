#include "engine/analysis/library_compare.h"

#include <unordered_map>
#include <vector>

#include "fileio/fileio.h"

namespace quarvel {

namespace {

using NameIndex = std::unordered_map<std::string, std::vector<std::size_t>>;

// The one document of `b` named as `doc`, when there is exactly one and it has doc's length.
const SSDocInfo* SolePartner(const NameIndex& index, const SSDocInfoAry& b, const SSDocInfo& doc,
                             std::size_t* at) {
  const auto it = index.find(doc.name);
  if (it == index.end() || it->second.size() != 1) return nullptr;
  const SSDocInfo& other = b[it->second.front()];
  if (other.length != doc.length) return nullptr;
  *at = it->second.front();
  return &other;
}

bool Follows(const SSDocInfo& next, const SSDocInfo& previous) {
  return next.offset == previous.offset + previous.length;
}

// How many documents from a[i] and b[m] on pair off as sole partners lying one after another in
// both files; a[i] and b[m] are such a pair.
std::size_t RunLength(const NameIndex& index, const SSDocInfoAry& a, std::size_t i, const SSDocInfoAry& b,
                      std::size_t m) {
  std::size_t n = 1;
  while (i + n < a.size() && m + n < b.size()) {
    const SSDocInfo& next = a[i + n];
    std::size_t at = 0;
    if (next.name != b[m + n].name || SolePartner(index, b, next, &at) == nullptr || at != m + n) break;
    if (!Follows(next, a[i + n - 1]) || !Follows(b[m + n], b[m + n - 1])) break;
    ++n;
  }
  return n;
}

}  // namespace

void MatchLibraryDocuments(int fa, SSDocInfoAry& a, int fb, SSDocInfoAry& b) {
  NameIndex b_by_name;
  b_by_name.reserve(b.size());
  for (std::size_t i = 0; i < b.size(); ++i) b_by_name[b[i].name].push_back(i);
  std::vector<std::uint32_t> lengths;
  std::vector<bool> equal;
  for (std::size_t i = 0; i < a.size();) {
    SSDocInfo& doc = a[i];
    std::size_t m = 0;
    if (SolePartner(b_by_name, b, doc, &m) != nullptr) {
      const std::size_t n = RunLength(b_by_name, a, i, b, m);
      lengths.resize(n);
      for (std::size_t k = 0; k < n; ++k) lengths[k] = a[i + k].length;
      FileSeek(fa, static_cast<std::int64_t>(doc.offset));
      FileSeek(fb, static_cast<std::int64_t>(b[m].offset));
      FilePiecesEqual(fa, fb, lengths, &equal);
      for (std::size_t k = 0; k < n; ++k) {
        a[i + k].word = equal[k] ? 1 : 2;
        b[m + k].word = 1;
      }
      i += n;
      continue;
    }
    const auto it = b_by_name.find(doc.name);
    if (it != b_by_name.end()) {
      for (std::size_t j : it->second) {
        SSDocInfo& other = b[j];
        if (doc.length == other.length) {
          FileSeek(fa, static_cast<std::int64_t>(doc.offset));
          FileSeek(fb, static_cast<std::int64_t>(other.offset));
          doc.word = FilesEqual(fa, fb, doc.length) ? 1 : 2;
        }
        other.word = 1;
      }
    }
    ++i;
  }
}

}  // namespace quarvel
