#include "platform/listing_order.h"

#include <algorithm>
#include <string>
#include <utility>

#include "platform/text.h"

namespace quarvel {

void SortFoundFiles(std::vector<FoundFile>* files) {
  std::vector<std::pair<std::string, FoundFile>> keyed;
  keyed.reserve(files->size());
  for (FoundFile& f : *files) keyed.emplace_back(SjisAsciiUpper(f.name), std::move(f));
  std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first < b.first : a.second.name < b.second.name;
  });
  files->clear();
  for (auto& k : keyed) files->push_back(std::move(k.second));
}

void SortByBytes(std::vector<std::string>* names) {
  std::sort(names->begin(), names->end(), [](const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
  });
}

}  // namespace quarvel
