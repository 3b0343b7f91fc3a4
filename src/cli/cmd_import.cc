#include <cstdio>
#include <set>

#include "cli/commands.h"
#include "cli/output.h"
#include "engine/diff_reader.h"
#include "engine/import.h"
#include "engine/import_plan.h"

namespace quarvel::kmd {

namespace {

// "I,J,..." into indexes of `list`; false (error printed) for anything else.
bool ParseExclude(const std::string& text, std::size_t count, std::set<std::size_t>* out) {
  std::size_t start = 0;
  while (!text.empty() && start <= text.size()) {
    std::size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    const std::string token = text.substr(start, comma - start);
    std::size_t value = 0;
    bool ok = !token.empty() && token.size() < 10;
    for (char c : token) {
      ok = ok && c >= '0' && c <= '9';
      value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    if (!ok || value >= count) {
      Fail(kExitUsage, "bad --exclude index '" + token + "': the diff has entries 0 to " + std::to_string(count - 1));
      return false;
    }
    out->insert(value);
    start = comma + 1;
  }
  return true;
}

void PrintNames(const char* label, const StringAry& names) {
  for (const std::string& n : names) std::printf("%s %s\n", label, Utf8(n).c_str());
}

}  // namespace

int RunImport(const ImportArgs& args) {
  std::string path, menuDir;
  if (!FromArg(args.file, "file name", &path) || !DirArg(args.menuDir, &menuDir)) return kExitUsage;
  SBNdtAry list;
  if (LoadDiffDirectory(path, list, nullptr) != 0) return Fail(kExitFailed, args.file + ": not a readable diff file");
  std::set<std::size_t> excluded;
  if (!ParseExclude(args.exclude, list.size(), &excluded)) return kExitUsage;
  for (std::size_t i : excluded) list[i].op |= kOpExcluded;

  // The checks run first on their own, so that a refused diff is named with its reason.
  ImportPlan plan;
  DiffCheck why;
  if (PlanImport(path, menuDir, list, &plan, &why) != 0) {
    const std::string where = why.entry >= 0 ? " (entry " + std::to_string(why.entry) + ")" : "";
    return Fail(kExitFailed, args.file + ": " + DiffFaultText(why.fault) + where + "; nothing was changed");
  }
  if (args.dryRun) {
    PrintNames("create", plan.creates);
    PrintNames("replace", plan.replaces);
    PrintNames("delete", plan.deletes);
    PrintNames("absent", plan.absent);
    for (const PlannedDocument& d : plan.documents) {
      std::printf("%s %s/%s\n", d.remove ? "delete-document" : "put-document", Utf8(d.library).c_str(),
                  Utf8(d.member).c_str());
    }
    PrintNames("rebuild", plan.rebuilds);
    std::printf("excluded %d\n", plan.excluded);
    return kExitOk;
  }
  int result;
  {
    Progress progress("importing");
    result = ImportDiff(nullptr, path, menuDir, list);
  }
  if (result == kImportIncomplete) {
    return Fail(kExitFailed, "the import failed while committing; " + args.menuDir +
                                 " holds part of the update and needs attention");
  }
  if (result != 0) return Fail(kExitFailed, "the import failed; " + args.menuDir + " is unchanged");
  std::printf("imported %zu of %zu entries into %s\n", list.size() - static_cast<std::size_t>(plan.excluded),
              list.size(), args.menuDir.c_str());
  return kExitOk;
}

}  // namespace quarvel::kmd
