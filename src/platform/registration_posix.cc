#include "platform/registration_posix.h"
#ifndef _WIN32

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/posix_files.h"
#include "platform/xdg_registration.h"

extern char** environ;

namespace quarvel {

namespace {

std::string DataHome() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && xdg[0] == '/') return xdg;  // a relative value is to be ignored
  const char* home = std::getenv("HOME");
  return home != nullptr && home[0] == '/' ? std::string(home) + "/.local/share" : std::string();
}

std::string ProgramFile() {
  char buffer[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

bool HoldsAlready(const std::string& path, const std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  const std::string held((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return held == bytes;
}

// Writes the file unless it holds these bytes already; true when it was written. -1 in `*failed`.
bool Put(const std::string& path, const std::string& bytes, int* failed) {
  if (HoldsAlready(path, bytes)) return false;
  const std::size_t slash = path.rfind('/');
  if (MakeHostDirectories(path.substr(0, slash)) != 0 || WriteHostFile(path, bytes) != 0) *failed = -1;
  return true;
}

// Runs a tool of the desktop with one folder, if it is installed; its output is not the user's.
void RunTool(const char* tool, const std::string& folder) {
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return;
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  std::string name = tool;
  std::string arg = folder;
  char* argv[] = {name.data(), arg.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, tool, &actions, nullptr, argv, environ) == 0) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  posix_spawn_file_actions_destroy(&actions);
}

}  // namespace

// True when a system folder of $XDG_DATA_DIRS (default /usr/local/share:/usr/share) holds the desktop
// entry that this registration would write: the program is installed there (its package registered
// it), and a user's copy would only hide later versions of it and outlive its removal.
bool SystemHolds(const std::string& entry) {
  const char* dirs = std::getenv("XDG_DATA_DIRS");
  std::string list = dirs != nullptr && dirs[0] != '\0' ? dirs : "/usr/local/share:/usr/share";
  for (std::size_t at = 0; at <= list.size();) {
    std::size_t colon = list.find(':', at);
    if (colon == std::string::npos) colon = list.size();
    const std::string dir = list.substr(at, colon - at);
    if (!dir.empty() && dir[0] == '/' && HoldsAlready(dir + "/applications/" + kDesktopEntryName, entry)) return true;
    at = colon + 1;
  }
  return false;
}

int ApplyRegistrationPosix(const std::string& script, const std::vector<IconFile>& icons) {
  const std::string data = DataHome();
  XdgFiles files;
  if (data.empty() || XdgFilesOfScript(script, ProgramFile(), &files) != 0) return -1;
  if (SystemHolds(files.desktopEntry)) return 0;
  int failed = 0;
  const std::string mime = data + "/mime";
  const std::string applications = data + "/applications";
  for (const IconFile& icon : icons) Put(data + "/" + icon.path, icon.bytes, &failed);
  const bool typeChanged = Put(mime + "/packages/" + kMimePackageName, files.mimePackage, &failed);
  const bool entryChanged = Put(applications + "/" + kDesktopEntryName, files.desktopEntry, &failed);
  // The databases are rebuilt when something changed or they were never built (the tool was missing
  // then): creation mode registers on every start, and should not pay for it each time.
  if (typeChanged || ::access((mime + "/mime.cache").c_str(), F_OK) != 0) RunTool("update-mime-database", mime);
  if (entryChanged || ::access((applications + "/mimeinfo.cache").c_str(), F_OK) != 0) {
    RunTool("update-desktop-database", applications);
  }
  return failed;
}

}  // namespace quarvel

#endif  // _WIN32
