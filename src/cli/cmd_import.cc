#include <cstdio>
#include <nlohmann/json.hpp>
#include <set>

#include "cli/arguments.h"
#include "cli/busy_dir.h"
#include "cli/commands.h"
#include "cli/fault_text.h"
#include "cli/output.h"
#include "cli/progress.h"
#include "cli/recovery_output.h"
#include "engine/import/dir_lock.h"
#include "engine/import/import_session.h"
#include "engine/import/undo_writer.h"
#include "fileio/fileio.h"
#include "platform/dos_time.h"
#include "platform/platform.h"
#include "shell/paths.h"

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

// A name starting with "." is hidden: no listing or analysis shows it once it is imported.
void PrintNames(const char* label, const StringAry& names) {
  for (const std::string& n : names) {
    std::printf("%s %s%s\n", label, Utf8(n).c_str(), !n.empty() && n[0] == '.' ? " (hidden)" : "");
  }
}

// "FAULT (entry I: NAME)" for a refusal by the checks.
std::string Refusal(const ImportCheck& why, const SBNdtAry& list, const std::string& dir) {
  if (why.entry < 0 && IsDirectoryFault(why.refusal)) return BusyText(why.refusal, dir);
  std::string text = CheckText(why);
  if (why.entry >= 0 && static_cast<std::size_t>(why.entry) < list.size()) {
    text += " (entry " + std::to_string(why.entry) + ": " + ShownEntry(list[static_cast<std::size_t>(why.entry)]) + ")";
  }
  return text;
}


// The undo file's path, checked before anything is done: a new name outside the menu directory, not
// the diff, in an existing directory where no import runs. kExitOk, or the code with the error printed.
int UndoArg(const ImportArgs& args, const std::string& menuDir, const std::string& diff, std::string* path) {
  if (args.undo.empty()) return Fail(kExitUsage, "--undo must name the undo file to write");
  if (!FromArg(args.undo, "undo file", path)) return kExitUsage;
  const std::string dir = DirectoryPart(*path);
  const std::string parent = dir.empty() ? std::string(".") : dir;
  const UndoFault f = CheckUndoPath(*path, menuDir, diff);
  if (f == UndoFault::kInMenuDir || Host().SameFile(parent, menuDir)) {
    return Fail(kExitUsage, "the undo file " + args.undo + " lies in " + args.menuDir +
                                ", whose files it describes; write it somewhere else");
  }
  if (f == UndoFault::kIsDiff || Host().SameFile(*path, diff)) {
    return Fail(kExitUsage, "the undo file " + args.undo + " is the diff being imported; name a new file");
  }
  if (f == UndoFault::kPathIsLink) return Fail(kExitUsage, args.undo + " is a symbolic link; name a new file for the undo");
  if (f == UndoFault::kPathIsDir) return Fail(kExitUsage, args.undo + " is a directory; name a new file for the undo");
  if (f != UndoFault::kNone) {
    return Fail(kExitUsage, args.undo + " exists; an undo file never replaces another file: name a new one");
  }
  if (CheckDirectory(parent) != 0) {
    return Fail(kExitFailed, ShownDirectory(dir) + ": no such directory for the undo file");
  }
  return IdleDir(dir, ShownDirectory(dir), false);
}

// What the undo file would hold, for a dry run.
void PrintUndo(const UndoPlan& undo) {
  if (undo.items.empty()) {
    std::printf("undo nothing: no undo file would be written\n");
    return;
  }
  std::printf("undo description %s\n", Utf8(undo.description).c_str());
  for (const UndoItem& item : undo.items) {
    const SBNdt& e = item.entry;
    const bool put = e.op == kOpAddOrReplace;
    if (IsDocumentLevel(e)) {
      std::printf("undo %s %s/%s\n", put ? "put-document" : "delete-document", Utf8(e.name).c_str(),
                  Utf8(e.member).c_str());
    } else {
      std::printf("undo %s %s%s%s\n", put ? "put" : "delete", Utf8(e.name).c_str(), item.readOnly ? " (read-only)" : "",
                  item.wholeLibrary ? " (whole library)" : "");
    }
  }
}

// The one line that tells why an import did not complete and what state it left.
std::string FailureLine(int result, const ImportReport& report, const SBNdtAry& list, const std::string& dir,
                        const std::string& undo) {
  if (report.check.refusal == ImportRefusal::kChangedDuringImport) {
    // Someone else's edit wins: the import rolled back rather than lose it.
    std::string line = ShownName(report.name) + " " + CheckText(report.check);
    if (result == kImportIncomplete) {
      return line + "; " + dir + " holds part of the update, kept: " + Names(report.leftBehind) + "; kmd recover " + dir +
             " finishes it";
    }
    if (!report.leftBehind.empty()) line += "; " + Names(report.leftBehind) + " could not be removed";
    return line;
  }
  std::string why = report.check.ok() ? ImportStepText(report.step) : Refusal(report.check, list, dir);
  if (report.check.ok() && report.step == ImportStep::kUndo) {
    why += " " + undo + ": " + UndoFaultText(report.undo);
    if (!report.name.empty() && Utf8(report.name) != undo) why += " (" + Utf8(report.name) + ")";
  } else if (report.check.ok() && !report.name.empty()) {
    why += " " + ShownName(report.name);
  }
  if (result == kImportIncomplete && report.finishedInPart) {
    return "the import completed in " + dir + " but for " + Names(report.leftBehind) +
           ", which could not be given their new state and keep what they held; nothing is left to recover";
  }
  if (result == kImportIncomplete) {
    return "the import failed: " + why + "; " + dir + " holds part of the update, kept: " + Names(report.leftBehind) +
           "; kmd recover " + dir + " finishes it";
  }
  std::string line = "the import failed: " + why + "; " + dir + " is unchanged";
  if (!report.leftBehind.empty()) line += " but for " + Names(report.leftBehind) + ", which could not be removed";
  return line;
}

nlohmann::json NamesJson(const StringAry& names) {
  nlohmann::json j = nlohmann::json::array();
  for (const std::string& n : names) j.push_back(Utf8(n));
  return j;
}

// A dry run's account as one JSON object: what it would do, or why it would refuse.
void PrintPlanJson(const ImportPlan& plan, const SBNdtAry& list, const std::string* refusal, bool forced) {
  nlohmann::json out;
  nlohmann::json applied = nlohmann::json::array(), conflicts = nlohmann::json::array();
  for (const int i : plan.bases.applied) applied.push_back(EntryName(list[static_cast<std::size_t>(i)]));
  for (const BaseConflict& c : plan.bases.conflicts) {
    conflicts.push_back({{"entry", c.entry}, {"name", EntryName(list[static_cast<std::size_t>(c.entry)])},
                         {"made_against", ItemJson(c.base)}, {"found", ItemJson(c.found)},
                         {"library_missing", c.libraryMissing}});
  }
  if (refusal != nullptr) {
    out["refused"] = *refusal;
  } else {
    nlohmann::json documents = nlohmann::json::array();
    for (const PlannedDocument& d : plan.documents) {
      documents.push_back({{"library", Utf8(d.library)}, {"member", Utf8(d.member)}, {"delete", d.remove}});
    }
    out = {{"create", NamesJson(plan.creates)}, {"replace", NamesJson(plan.replaces)},
           {"delete", NamesJson(plan.deletes)},  {"absent", NamesJson(plan.absent)},
           {"documents", documents},              {"rebuild", NamesJson(plan.rebuilds)},
           {"excluded", plan.excluded}};
  }
  out["already_applied"] = applied;
  out["conflicts"] = conflicts;
  out["force"] = forced;  // the conflicts would be imported over
  out["sealed"] = plan.sealed;
  std::printf("%s\n", out.dump(2).c_str());
}

}  // namespace

int RunImport(const ImportArgs& args) {
  std::string path, menuDir;
  if (args.file.empty()) return Fail(kExitUsage, "FILE must not be empty");
  if (!FromArg(args.file, "file name", &path)) return kExitUsage;
  if (args.json && !args.dryRun) return Fail(kExitUsage, "--json goes with --dry-run");
  if (const int r = DirArg(args.menuDir, "MENU_DIR", &menuDir); r != kExitOk) return r;
  ImportSession session(path);
  // Any other fault of the diff is named by the checks below, after an interrupted import is finished.
  const DiffCheck opened = session.Open();
  if (opened.fault == DiffFault::kNotOpened || opened.fault == DiffFault::kNotDiff) {
    return Fail(kExitFailed, args.file + ": not a readable diff file");
  }
  if (opened.fault == DiffFault::kDiffChanged) {
    return Fail(kExitFailed, args.file + ": " + DiffFaultText(DiffFault::kDiffChanged) + "; nothing was changed");
  }
  SBNdtAry& list = session.Entries();
  std::set<std::size_t> excluded;
  if (!ParseExclude(args.exclude, list.size(), &excluded)) return kExitUsage;
  for (std::size_t i : excluded) list[i].op |= kOpExcluded;
  std::string undoPath;
  if (args.undoGiven) {
    if (const int r = UndoArg(args, menuDir, path, &undoPath); r != kExitOk) return r;
  }

  // An interrupted import is finished first, and said so; a dry run only tells of it. A journal that
  // a running import holds is that import's, not an interrupted one.
  if (args.dryRun && MenuDirBusy(menuDir) == ImportRefusal::kImportRunning) {
    return Fail(kExitFailed, BusyText(ImportRefusal::kImportRunning, args.menuDir));
  }
  if (args.dryRun) {
    Recovery pending = Recovery::kNone;
    if (PendingRecovery(menuDir, &pending) != 0) return Fail(kExitFailed, RecoveryFailure(ImportRefusal::kJournalUntrusted, {}, args.menuDir));
    if (pending != Recovery::kNone) {
      std::printf("pending %s\n", RecoveryLine(pending, args.menuDir).c_str());
      return Fail(kExitOk, "the import would do that first; run kmd recover " + args.menuDir + " to see its own plan");
    }
  } else if (const int r = ReportRecovery(ImportSession::FinishInterrupted(menuDir), args.menuDir, false);
             r != kExitOk) {
    return r;
  }
  // The checks run first on their own, so that a refused diff is named with its reason.
  session.ImportOver(args.force);
  ImportPlan plan;
  ImportCheck why;
  // The import verifies the digests itself while it stages: only a dry run reads them here.
  if (session.Plan(menuDir, args.dryRun, &plan, &why) != 0) {
    const char* state = why.refusal == ImportRefusal::kTestFileLeft ? "nothing else was changed" : "nothing was changed";
    std::string text = Refusal(why, list, args.menuDir) + "; " + state;
    if (why.refusal == ImportRefusal::kConflicts) text += "; kmd import --force imports over them";
    if (args.json) {
      PrintPlanJson(plan, list, &text, args.force);
    } else {
      PrintBaseCheck(plan.bases, list);
    }
    std::fflush(stdout);
    return Fail(kExitFailed, args.file + ": " + text);
  }
  if (args.json) {
    PrintPlanJson(plan, list, nullptr, args.force);
    return kExitOk;
  }
  // Without a seal nothing tells a damaged byte or a local change: the user must know that.
  if (!plan.sealed) Fail(kExitOk, "not sealed: bytes and local changes are not checked");
  PrintBaseCheck(plan.bases, list, args.force);
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
    if (args.undoGiven) {
      UndoPlan undo;
      UndoFault fault = UndoFault::kNone;
      std::string name;
      if (session.PlanUndoFile(menuDir, &undo, &fault, &name) != 0) {
        return Fail(kExitFailed, args.file + ": the import could not make the undo file " + args.undo + ": " +
                                     UndoFaultText(fault) + " (" + Utf8(name) + "); nothing was changed");
      }
      PrintUndo(undo);
    }
    return kExitOk;
  }
  int result;
  ImportReport report;
  {
    Progress progress("importing");
    result = session.Import(menuDir, undoPath, &report);
  }
  // Changed since the plan: the import names its own findings.
  if (report.check.refusal == ImportRefusal::kConflicts) PrintBaseCheck(report.bases, list);
  if (report.recovered != Recovery::kNone) std::printf("%s\n", RecoveryLine(report.recovered, args.menuDir).c_str());
  if (result != 0) return Fail(kExitFailed, FailureLine(result, report, list, args.menuDir, args.undo));
  const std::size_t applied = report.bases.applied.size();
  const std::string also = applied == 0 ? "" : " (" + std::to_string(applied) + " already applied)";
  std::printf("imported %zu of %zu entries into %s%s\n", session.ImportedCount(plan, report), list.size(),
              args.menuDir.c_str(), also.c_str());
  if (report.undoWritten) std::printf("wrote the undo to %s\n", args.undo.c_str());
  if (args.undoGiven && !report.undoWritten) std::printf("nothing to undo: no undo file was written\n");
  if (!report.leftBehind.empty()) {
    std::fflush(stdout);
    Fail(kExitOk, "warning: could not remove " + Names(report.leftBehind) + " from " + args.menuDir +
                      "; the next import or kmd recover removes them");
  }
  return kExitOk;
}

}  // namespace quarvel::kmd
