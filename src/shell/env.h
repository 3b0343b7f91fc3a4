// The process-wide environment: where the program runs from, the current menu directory and the
// settings that feed it, and the paths built into the menu directory.
#pragma once

#include <string>
#include <vector>

namespace quarvel {

constexpr std::size_t kEnvFieldMax = 256;  // bytes of text in each environment field

struct Environment {
  std::string GL_sys_dir;     // the current menu directory
  std::string GL_sys_fname;   // a file name kept with it
  std::string programDir;     // directory of the running program, with its trailing separator
  bool OldPlatformFlag = false;
  std::vector<std::string> args;  // the command line, program name first
};

Environment& Env();

// Stores the argument vector at start-up, for FindSwitch.
void StoreArguments(int argc, const char* const* argv);
// Fills the program directory and the platform flag, then reads the settings.
bool EnvInit();
// "-M" or the settings file (default: the program directory) into GL_sys_dir; "-S" or the settings
// file (default: empty) into GL_sys_fname. True when both were found and not empty.
bool ReadSettings();
// The rest of the first argument that starts with "-" and `letter` (exact case). Lower-cased on
// Windows only. A value longer than kEnvFieldMax bytes is ignored, as if the switch were absent.
bool FindSwitch(char letter, std::string* out);
// GL_sys_dir = the directory part of `path`; GL_sys_fname = its name without extension.
void SetMenuDirFromPath(const std::string& path);
// GL_sys_dir, a separator where needed, `name`, then "." and `extension` when one is given.
std::string MenuPath(const std::string& name, const std::string& extension);
bool IsOldPlatform();

}  // namespace quarvel
