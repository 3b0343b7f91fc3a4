// Program entry rules: the mode and title from the command line, registration, the show state.
#pragma once

#include <string>
#include <vector>

namespace quarvel {

enum class ModeDialog { kCreate, kImport };

struct EntryPlan {
  std::string title;          // CP932: the application's name and the main window's caption
  bool registerOnly = false;  // "/RegServer": register, exit 0, no window
  bool registerFirst = false; // creation mode registers the diff file type on every start
  ModeDialog dialog = ModeDialog::kCreate;
  std::string diffPath;       // import mode: the argument text, without the quotes of a single quoted token
};

// `argv` is the argument vector, program name first; `argumentText` the command line after the
// program name exactly as the system delivered it. The title follows the argument count, the dialog
// whether the argument text is empty. The diff path is the argument text, except that a text that is
// one double-quoted token (as the shell passes "%1") loses its two quotes.
EntryPlan PlanEntry(const std::vector<std::string>& argv, const std::string& argumentText);

// The show state the main window opens with: 0 (hidden) and 7 (minimised, not active) are kept,
// every other request becomes 1 (normal), so the window never opens maximised.
int MainWindowShowState(int requested);

// What the entry needs from the application around it.
class EntryHost {
 public:
  virtual ~EntryHost() = default;
  virtual void RegisterServer() = 0;
  // Builds the main window for `plan` and runs the message loop; returns its exit code.
  virtual int Run(const EntryPlan& plan) = 0;
};

// The entry: sets the application's title (SetApplicationTitle); registration mode returns 0 after registering; creation mode registers and runs; import
// mode runs. Returns the exit code.
int RunEntry(const std::vector<std::string>& argv, const std::string& argumentText, EntryHost& host);

}  // namespace quarvel
