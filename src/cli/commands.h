// The subcommands of kmd. Each takes its parsed arguments (host text) and returns the exit code.
#pragma once

#include <string>
#include <vector>

namespace quarvel::kmd {

struct AnalyseArgs {
  std::string oldDir, menuDir, extensions = "*", output, comment;
  bool outputGiven = false;  // -o was given (perhaps empty)
  bool content = false;      // compare files by their bytes instead of their stamps
  bool plain = false;        // write the base format, without a seal
};
struct CreateArgs {
  std::string menuDir, output, comment;
  std::vector<std::string> items;
  bool plain = false;
};
struct ShowArgs {
  std::string file;
  bool json = false;
};
struct ImportArgs {
  std::string file, menuDir, exclude, undo;
  bool dryRun = false;
  bool force = false;      // import over local changes
  bool json = false;       // --dry-run: one JSON object
  bool undoGiven = false;  // --undo was given (perhaps empty)
};
struct ListArgs {
  std::string menuDir, kind = "menus", argument;
};

int RunAnalyse(const AnalyseArgs& args);
int RunCreate(const CreateArgs& args);
int RunShow(const ShowArgs& args);
int RunVerify(const std::string& file);
int RunImport(const ImportArgs& args);
int RunList(const ListArgs& args);
int RunRecover(const std::string& menuDir);

}  // namespace quarvel::kmd
