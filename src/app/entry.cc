#include "app/entry.h"

#include "shell/ui_services.h"

namespace quarvel {

namespace {

const char kTitleCreate[] = "Velmo \x8D\xB7\x95\xAA\x83t\x83@\x83\x43\x83\x8B\x8D\xEC\x90\xAC";  // Velmo 差分ファイル作成
const char kTitleImport[] = "Velmo \x8D\xB7\x95\xAA\x83t\x83@\x83\x43\x83\x8B\x8E\xE6\x8D\x9E";  // Velmo 差分ファイル取込
const char kRegServer[] = "/RegServer";

// The shell passes a path as one quoted token ("%1" in the registered command); the quotes are not
// part of the path. They are dropped when the text is one such token that the argument vector holds
// without them (a file literally named with quotes, as POSIX passes it, keeps them). Any other text
// stays as it is.
std::string UnquotedPath(const std::vector<std::string>& argv, const std::string& text) {
  const bool oneToken = text.size() >= 2 && text.front() == '"' && text.back() == '"' &&
                        text.find('"', 1) == text.size() - 1;
  if (!oneToken) return text;
  const std::string inner = text.substr(1, text.size() - 2);
  return argv.size() == 2 && argv[1] == inner ? inner : text;
}

}  // namespace

EntryPlan PlanEntry(const std::vector<std::string>& argv, const std::string& argumentText) {
  EntryPlan plan;
  plan.title = argv.size() <= 1 ? kTitleCreate : kTitleImport;
  plan.registerOnly = argv.size() == 2 && argv[1] == kRegServer;
  plan.registerFirst = argv.size() == 1;
  if (!argumentText.empty()) {
    plan.dialog = ModeDialog::kImport;
    plan.diffPath = UnquotedPath(argv, argumentText);
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
