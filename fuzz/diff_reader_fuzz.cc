// The diff opener, the directory loader and the structural check, on any bytes: none may crash, and a
// diff that the check passes has every block inside the file.
#include <filesystem>

#include "engine/diff/diff_check.h"
#include "engine/diff/diff_reader.h"
#include "fileio/fileio.h"
#include "fuzz_input.h"
#include "model/list_line.h"

using namespace quarvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const int descriptors = fuzz::OpenDescriptors();
  const std::string path = fuzz::PutInput(data, size, "input.kmd");
  SBNdtAry changes;
  std::string description;
  if (LoadDiffDirectory(path, changes, &description) == 0) {
    if (description.size() > 47) fuzz::Finding("a description longer than 47 bytes");
    std::string line;
    for (const SBNdt& c : changes) CommandListLine(c, &line);
  }
  SBNdtAry checked;
  const DiffCheck check = CheckDiffFile(path, &checked, &description);
  if (check.ok()) {
    const int fd = OpenDiffFile(path, checked, description);
    if (fd < 0) fuzz::Finding("a diff that passed the check does not open");
    std::vector<DiffBlock> blocks;
    if (!CheckDiffBlocks(fd, checked, &blocks).ok() || blocks.size() != checked.size()) {
      fuzz::Finding("the check of an open diff disagrees with the check of its file");
    }
    FileClose(fd);
    for (const DiffBlock& b : blocks) {
      if (b.start + 4 + b.length > size) fuzz::Finding("a passed block runs past the end of the file");
    }
    if (FirstUnsafeEntry(checked) >= 0) fuzz::Finding("a passed diff carries an unsafe name");
    for (const SBNdt& c : checked) {
      if (c.op != kOpAddOrReplace && c.op != kOpDelete && c.op != kOpUnset) fuzz::Finding("a passed diff carries an unknown op");
    }
  }
  if (fuzz::OpenDescriptors() != descriptors) fuzz::Finding("a descriptor was left open");
  return 0;
}
