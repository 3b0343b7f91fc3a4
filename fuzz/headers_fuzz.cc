// The header openers and title readers of menu files and both library kinds, on any bytes: none may
// crash, and a title is never longer than its field.
#include "fileio/fileio.h"
#include "fuzz_input.h"
#include "menufiles/headers.h"

using namespace quarvel;

namespace {

void CheckTitle(const std::string& title) {
  if (title.size() > 47) quarvel::fuzz::Finding("a title longer than 47 bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const int descriptors = fuzz::OpenDescriptors();
  const std::string path = fuzz::PutInput(data, size, "INPUT.SST");
  std::int32_t number = 0;
  std::uint32_t count = 0, indexLength = 0;
  std::string title;
  int fd = OpenMenuFile(SSMenu{}, &number, &title, path);
  if (fd >= 0) FileClose(fd);
  CheckTitle(title);
  fd = OpenDocLib(SSDlib{}, &count, &indexLength, &number, &title, path);
  if (fd >= 0) FileClose(fd);
  CheckTitle(title);
  fd = OpenComLib(SSVlib{}, &count, &indexLength, &number, &title, path);
  if (fd >= 0) FileClose(fd);
  CheckTitle(title);
  std::string t1, t2, t3;
  ReadMenuTitle(SSMenu{}, &t1, path);
  ReadDocLibTitle(SSDlib{}, &t2, path);
  ReadComLibTitle(SSVlib{}, &t3, path);
  CheckTitle(t1);
  CheckTitle(t2);
  CheckTitle(t3);
  if (fuzz::OpenDescriptors() != descriptors) fuzz::Finding("a descriptor was left open");
  return 0;
}
