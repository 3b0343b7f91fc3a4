#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/output.h"
#include "engine/diff/diff_check.h"
#include "engine/diff/diff_reader.h"
#include "fileio/fileio.h"

namespace quarvel::kmd {

int RunShow(const ShowArgs& args) {
  if (args.file.empty()) return Fail(kExitUsage, "FILE must not be empty");
  std::string path;
  if (!FromArg(args.file, "file name", &path)) return kExitUsage;
  SBNdtAry changes;
  std::string description;
  const int fd = OpenDiffFile(path, changes, description);
  if (fd == -4) return Fail(kExitFailed, args.file + ": not a diff file");
  if (fd < 0) return Fail(kExitFailed, args.file + ": cannot be opened");
  if (FileErrorFlags & FERR_BADDATA) {
    FileClose(fd);
    return Fail(kExitFailed, args.file + ": " + DiffFaultText(DiffFault::kDirectoryCut));
  }
  // Block lengths as far as the blocks can be followed; a damaged diff still shows its directory.
  std::vector<DiffBlock> blocks;
  const DiffCheck check = CheckDiffBlocks(fd, changes, &blocks);
  FileClose(fd);

  if (args.json) {
    nlohmann::json entries = nlohmann::json::array();
    for (std::size_t i = 0; i < changes.size(); ++i) {
      const SBNdt& c = changes[i];
      nlohmann::json e = {{"op", c.op}, {"type", c.type}, {"name", Utf8(c.name)}, {"title", Utf8(c.title)},
                          {"member", Utf8(c.member)}};
      e["block_length"] = i < blocks.size() ? nlohmann::json(blocks[i].length) : nlohmann::json(nullptr);
      entries.push_back(e);
    }
    const nlohmann::json out = {{"description", Utf8(description)}, {"entries", entries}};
    std::printf("%s\n", out.dump(2).c_str());
  } else {
    std::printf("description: %s\n", Utf8(description).c_str());
    std::printf("entries: %zu\n", changes.size());
    for (std::size_t i = 0; i < changes.size(); ++i) {
      const SBNdt& c = changes[i];
      std::string where = Utf8(c.name);
      if (!c.member.empty()) where += "/" + Utf8(c.member);
      const std::string size = i < blocks.size() ? std::to_string(blocks[i].length) + " bytes" : "no block";
      std::printf("%4zu  %s  (%s, %s)\n", i, ChangeLine(c).c_str(), where.c_str(), size.c_str());
    }
  }
  // What could be read is shown; a damaged diff still fails, as verify does, so that scripts can tell.
  std::fflush(stdout);
  if (!check.ok()) return Fail(kExitFailed, args.file + ": " + DiffFaultText(check.fault));
  return kExitOk;
}

int RunVerify(const std::string& file) {
  if (file.empty()) return Fail(kExitUsage, "FILE must not be empty");
  std::string path;
  if (!FromArg(file, "file name", &path)) return kExitUsage;
  SBNdtAry changes;
  std::string description;
  const DiffCheck check = CheckDiffFile(path, &changes, &description);
  if (!check.ok()) {
    std::string where = check.entry >= 0 ? " (entry " + std::to_string(check.entry) + ")" : "";
    return Fail(kExitFailed, file + ": " + DiffFaultText(check.fault) + where);
  }
  std::printf("ok\n");
  return kExitOk;
}

}  // namespace quarvel::kmd
