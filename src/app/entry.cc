#include "app/entry.h"

#include "shell/ui_services.h"

namespace quarvel {

namespace {

const char kTitleCreate[] = "Velmo \x8D\xB7\x95\xAA\x83t\x83@\x83\x43\x83\x8B\x8D\xEC\x90\xAC";  // Velmo 差分ファイル作成
const char kTitleImport[] = "Velmo \x8D\xB7\x95\xAA\x83t\x83@\x83\x43\x83\x8B\x8E\xE6\x8D\x9E";  // Velmo 差分ファイル取込
const char kRegServer[] = "/RegServer";

}  // namespace

EntryPlan PlanEntry(const std::vector<std::string>& argv, const std::string& argumentText) {
  EntryPlan plan;
  plan.title = argv.size() <= 1 ? kTitleCreate : kTitleImport;
  plan.registerOnly = argv.size() == 2 && argv[1] == kRegServer;
  plan.registerFirst = argv.size() == 1;
  if (!argumentText.empty()) {
    plan.dialog = ModeDialog::kImport;
    plan.diffPath = argumentText;
  }
  return plan;
}

int MainWindowShowState(int requested) { return requested == 0 || requested == 7 ? requested : 1; }

int RunEntry(const std::vector<std::string>& argv, const std::string& argumentText, EntryHost& host) {
  EntryPlan plan = PlanEntry(argv, argumentText);
  SetApplicationTitle(plan.title);  // the caption of every message box that gives none
  if (plan.registerOnly) {
    host.RegisterServer();
    return 0;
  }
  if (plan.registerFirst) host.RegisterServer();
  return host.Run(plan);
}

}  // namespace quarvel
