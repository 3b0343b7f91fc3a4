#include "shell/env.h"

#include "platform/platform.h"
#include "platform/text.h"
#include "shell/paths.h"

namespace quarvel {

namespace {

constexpr char kSettingsFile[] = "TOVLIN.INI";
constexpr char kSettingsSection[] = "Tovlin";

bool ReadSetting(const char* key, const std::string& fallback, std::string* out) {
  std::string value;
  if (!Host().ReadProfileString(kSettingsFile, kSettingsSection, key, &value)) value = fallback;
  *out = SjisCut(value, kEnvFieldMax);  // never cut within a character
  return !out->empty();
}

}  // namespace

Environment& Env() {
  static Environment env;
  return env;
}

void StoreArguments(int argc, const char* const* argv) {
  Env().args.assign(argv, argv + argc);
}

bool EnvInit() {
  Environment& env = Env();
  env.OldPlatformFlag = false;  // no current platform is Win32s or Windows NT 3.x
  env.programDir = DirectoryPart(Host().ProgramPath());
  return ReadSettings();
}

bool ReadSettings() {
  Environment& env = Env();
  bool found = true;
  std::string value;
  if (FindSwitch('M', &value)) {
    env.GL_sys_dir = value;
    AddTrailingSeparator(env.GL_sys_dir);
  } else {
    found = ReadSetting("GL_sys_dir", env.programDir, &env.GL_sys_dir) && found;
  }
  if (FindSwitch('S', &value)) {
    env.GL_sys_fname = value;
  } else {
    found = ReadSetting("GL_sys_fname", "", &env.GL_sys_fname) && found;
  }
  return found;
}

bool FindSwitch(char letter, std::string* out) {
  const std::vector<std::string>& args = Env().args;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() < 2 || a[0] != '-' || a[1] != letter) continue;
    std::string value = a.substr(2);
    if (value.size() > kEnvFieldMax) return false;
#ifdef _WIN32
    for (std::size_t k = 0; k < value.size(); ++k) {
      const unsigned char c = static_cast<unsigned char>(value[k]);
      if (IsSjisLead(c)) {
        ++k;
      } else if (c >= 'A' && c <= 'Z') {
        value[k] = static_cast<char>(c - 'A' + 'a');
      }
    }
#endif
    *out = value;
    return true;
  }
  return false;
}

void SetMenuDirFromPath(const std::string& path) {
  Environment& env = Env();
  env.GL_sys_dir = DirectoryPart(path);
  std::string name = NamePart(path);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  env.GL_sys_fname = name;
}

std::string MenuPath(const std::string& name, const std::string& extension) {
  std::string path = Env().GL_sys_dir;
  if (!path.empty() && !EndsWithSingleByte(path, kDirSep) && !EndsWithSingleByte(path, '/')) path += kDirSep;
  path += name;
  if (!extension.empty()) {
    if (extension[0] != '.') path += '.';
    path += extension;
  }
  return path;
}

bool IsOldPlatform() { return Env().OldPlatformFlag; }

}  // namespace quarvel
