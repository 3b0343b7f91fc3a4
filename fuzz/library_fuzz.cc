// The library index reader and the document lookup, and the three header openers, on any bytes: none
// may crash, and every document that the index reader gives lies inside the file.
#include "fileio/fileio.h"
#include "fuzz_input.h"
#include "menufiles/headers.h"
#include "menufiles/libindex.h"

using namespace quarvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const int descriptors = fuzz::OpenDescriptors();
  const std::string path = fuzz::PutInput(data, size, "INPUT.SSD");
  SSDocInfoAry docs;
  std::string title;
  const int fd = ReadLibIndex(SSDlib{}, docs, &title, path);
  if (fd >= 0) {
    FileClose(fd);
    for (const SSDocInfo& d : docs) {
      if (d.offset + d.length > size) fuzz::Finding("a document runs past the end of its library");
    }
    if (!docs.empty()) {
      SSDocInfo found;
      const int at = FindLibDocument(SSDlib{}, &found, &title, path, docs.back().name);
      if (at < 0) fuzz::Finding("a listed document is not found");
      FileClose(at);
    }
  }
  SSDocInfo none;
  const int missing = FindLibDocument(SSDlib{}, &none, &title, path, "NO SUCH DOCUMENT");
  if (missing >= 0) FileClose(missing);
  if (fuzz::OpenDescriptors() != descriptors) fuzz::Finding("a descriptor was left open");
  return 0;
}
