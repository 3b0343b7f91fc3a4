#include "platform/listing_order.h"

#include <algorithm>
#include <string>

#include "platform/text.h"

namespace quarvel {

void SortFoundFiles(std::vector<FoundFile>* files) {
  // Upper-cased on the fly, so that sorting a large directory makes no copy of its names.
  std::sort(files->begin(), files->end(), [](const FoundFile& a, const FoundFile& b) {
    const int c = CompareSjisAsciiUpper(a.name, b.name);
    return c != 0 ? c < 0 : a.name < b.name;
  });
}

void SortByBytes(std::vector<std::string>* names) {
  std::sort(names->begin(), names->end(), [](const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
  });
}

}  // namespace quarvel
