#include "engine/import/import_session.h"

#include <ctime>
#include <utility>

namespace quarvel {

ImportSession::ImportSession(std::string diffPath) : diffPath_(std::move(diffPath)) {}

DiffCheck ImportSession::Open() {
  entries_.clear();
  description_.clear();
  SeeFile(diffPath_, &seen_);
  SealState seal;
  DiffCheck check = CheckDiffFile(diffPath_, &entries_, &description_, nullptr, &seal);
  sealed_ = seal.sealed;
  // A diff that changed while it was read is named as such; a fault of its own is named first.
  if (check.ok() && (!seen_.present || !StillAsSeen(diffPath_, seen_))) check = {DiffFault::kDiffChanged, -1};
  return check;
}

void ImportSession::TakeBackAll() {
  for (SBNdt& e : entries_) {
    if (e.op >= 0) e.op &= ~kOpExcluded;
  }
}

RecoveryResult ImportSession::FinishInterrupted(const std::string& menuDir) {
  RecoveryResult r;
  r.result = RecoverMenuDir(menuDir, &r.done, &r.why, &r.left, &r.lost, &r.log);
  return r;
}

ImportOptions ImportSession::Options() const {
  ImportOptions options;
  options.force = force_;
  // The import refuses another file under the path, or a changed one, by the identity taken at Open.
  if (seen_.present) options.diffSeen = &seen_;
  return options;
}

int ImportSession::Plan(const std::string& menuDir, bool verify, ImportPlan* plan, ImportCheck* why) const {
  return PlanImport(diffPath_, menuDir, entries_, plan, why, Options(), verify);
}

int ImportSession::PlanUndoFile(const std::string& menuDir, UndoPlan* undo, UndoFault* fault,
                                std::string* name) const {
  return PlanUndo(menuDir, entries_, UndoDescription(description_, std::time(nullptr)), undo, fault, name);
}

int ImportSession::Import(const std::string& menuDir, const std::string& undoPath, ImportReport* report) const {
  return ImportDiff(nullptr, diffPath_, menuDir, entries_, report, undoPath, Options());
}

std::size_t ImportSession::ImportedCount(const ImportPlan& plan, const ImportReport& report) const {
  return entries_.size() - static_cast<std::size_t>(plan.excluded) - report.bases.applied.size();
}

}  // namespace quarvel
