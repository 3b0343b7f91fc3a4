#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/fault_text.h"
#include "cli/output.h"
#include "engine/diff/diff_check.h"
#include "engine/diff/diff_reader.h"
#include "engine/diff/seal_check.h"
#include "fileio/fileio.h"

namespace quarvel::kmd {

namespace {

// "entry I (NAME)", or the header and directory for -1.
std::string DamagedText(const std::vector<int>& damaged, const SBNdtAry& changes) {
  std::string text;
  for (const int i : damaged) {
    if (!text.empty()) text += ", ";
    text += i < 0 ? std::string("the header or directory")
                  : "entry " + std::to_string(i) + " (" + ShownEntry(changes[static_cast<std::size_t>(i)]) + ")";
  }
  return text;
}

// Compares a sealed diff's bytes with its seal. kNone, or the failure with `damaged` filled.
DiffCheck Verify(const std::string& path, const std::vector<DiffBlock>& blocks, const SealState& seal,
                 std::vector<int>* damaged) {
  damaged->clear();
  if (!seal.sealed) return {};
  SealVerifier verifier(path, blocks, seal);
  return verifier.Finish(damaged);
}

// The seal's line: "sealed, N entries verified" or "not sealed".
std::string SealLine(const SealState& seal, std::size_t entries) {
  if (!seal.sealed) return "not sealed";
  return "sealed, " + std::to_string(entries) + (entries == 1 ? " entry" : " entries") + " verified";
}

// The error of a failed check, with every damaged entry.
std::string CheckText(const DiffCheck& check, const std::vector<int>& damaged, const SBNdtAry& changes) {
  std::string text = DiffFaultText(check.fault);
  if (check.fault == DiffFault::kDigestMismatch) return text + ": " + DamagedText(damaged, changes);
  if (check.entry >= 0 && static_cast<std::size_t>(check.entry) < changes.size()) {
    text += " (entry " + std::to_string(check.entry) + ": " + ShownEntry(changes[static_cast<std::size_t>(check.entry)]) + ")";
  }
  return text;
}

}  // namespace

int RunShow(const ShowArgs& args) {
  if (args.file.empty()) return Fail(kExitUsage, "FILE must not be empty");
  std::string path;
  if (!FromArg(args.file, "file name", &path)) return kExitUsage;
  SBNdtAry changes;
  std::string description;
  const int fd = OpenDiffFile(path, changes, description);
  if (fd == kFileWrongMagic) return Fail(kExitFailed, args.file + ": not a diff file");
  if (fd < 0) return Fail(kExitFailed, args.file + ": cannot be opened");
  if (DirectoryCut()) {
    FileClose(fd);
    return Fail(kExitFailed, args.file + ": " + DiffFaultText(DiffFault::kDirectoryCut));
  }
  // Block lengths as far as the blocks can be followed; a damaged diff still shows its directory.
  std::vector<DiffBlock> blocks;
  SealState seal;
  DiffCheck check = CheckDiffBlocks(fd, changes, &blocks, &seal);
  FileClose(fd);
  std::vector<int> damaged;
  if (check.ok()) check = Verify(path, blocks, seal, &damaged);
  auto isDamaged = [&](int i) { return std::find(damaged.begin(), damaged.end(), i) != damaged.end(); };

  if (args.json) {
    nlohmann::json entries = nlohmann::json::array();
    for (std::size_t i = 0; i < changes.size(); ++i) {
      const SBNdt& c = changes[i];
      nlohmann::json e = {{"op", c.op}, {"type", c.type}, {"name", Utf8(c.name)}, {"title", Utf8(c.title)},
                          {"member", Utf8(c.member)}};
      e["block_length"] = i < blocks.size() ? nlohmann::json(blocks[i].length) : nlohmann::json(nullptr);
      if (seal.sealed) {
        e["base"] = ItemJson(seal.seal.bases[i]);
        e["verified"] = check.ok() || (check.fault == DiffFault::kDigestMismatch && !isDamaged(static_cast<int>(i)));
      }
      entries.push_back(e);
    }
    nlohmann::json out = {{"description", Utf8(description)}, {"sealed", seal.sealed}, {"entries", entries}};
    // Every entry whose bytes differ from the seal, -1 for the header and directory.
    if (seal.sealed) out["damaged"] = damaged;
    std::printf("%s\n", out.dump(2).c_str());
  } else {
    std::printf("description: %s\n", Utf8(description).c_str());
    std::printf("entries: %zu\n", changes.size());
    for (std::size_t i = 0; i < changes.size(); ++i) {
      const SBNdt& c = changes[i];
      std::string where = Utf8(c.name);
      if (!c.member.empty()) where += "/" + Utf8(c.member);
      const std::string size = i < blocks.size() ? std::to_string(blocks[i].length) + " bytes" : "no block";
      std::string base;
      if (seal.sealed && seal.seal.bases[i].kind != BaseKind::kNone) base = ", made against " + ItemText(seal.seal.bases[i]);
      const char* mark = isDamaged(static_cast<int>(i)) ? "  DAMAGED" : "";
      std::printf("%4zu  %s  (%s, %s%s)%s\n", i, ChangeLine(c).c_str(), where.c_str(), size.c_str(), base.c_str(), mark);
    }
    if (check.ok() || check.fault == DiffFault::kDigestMismatch) {
      std::printf("seal: %s\n", check.ok() ? SealLine(seal, changes.size()).c_str() : "damaged");
    }
  }
  // What could be read is shown; a damaged diff still fails, as verify does, so that scripts can tell.
  std::fflush(stdout);
  if (!check.ok()) return Fail(kExitFailed, args.file + ": " + CheckText(check, damaged, changes));
  return kExitOk;
}

int RunVerify(const std::string& file) {
  if (file.empty()) return Fail(kExitUsage, "FILE must not be empty");
  std::string path;
  if (!FromArg(file, "file name", &path)) return kExitUsage;
  SBNdtAry changes;
  std::string description;
  std::vector<DiffBlock> blocks;
  SealState seal;
  DiffCheck check = CheckDiffFile(path, &changes, &description, &blocks, &seal);
  std::vector<int> damaged;
  if (check.ok()) check = Verify(path, blocks, seal, &damaged);
  if (!check.ok()) return Fail(kExitFailed, file + ": " + CheckText(check, damaged, changes));
  std::printf("%s\n", seal.sealed ? SealLine(seal, changes.size()).c_str() : "ok, not sealed");
  return kExitOk;
}

}  // namespace quarvel::kmd
