#include "gui/wx/registration_posix.h"

#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace quarvel {
namespace {

std::filesystem::path DataHome() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && *xdg) return xdg;
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home ? home : ".") / ".local" / "share";
}

int WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  const std::filesystem::path part = path.string() + ".part";
  {
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) {
      out.close();
      std::filesystem::remove(part, ec);
      return -1;
    }
  }
  std::filesystem::rename(part, path, ec);
  if (ec) {
    std::filesystem::remove(part, ec);
    return -1;
  }
  return 0;
}

}  // namespace

int ApplyRegistrationPosix(const std::string& script) {
  if (script.rfind("REGEDIT", 0) != 0) return -1;
  const std::filesystem::path data = DataHome();
  const std::string mime =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
      "  <mime-type type=\"application/x-quarvel-kmd\">\n"
      "    <comment>Quarvel diff file</comment>\n"
      "    <glob pattern=\"*.kmd\"/>\n"
      "  </mime-type>\n"
      "</mime-info>\n";
  const std::string desktop =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Quarvel\n"
      "Exec=quarvel %f\n"
      "MimeType=application/x-quarvel-kmd;\n"
      "NoDisplay=true\n"
      "Terminal=false\n";
  if (WriteFile(data / "mime" / "packages" / "quarvel-kmd.xml", mime) != 0) return -1;
  if (WriteFile(data / "applications" / "quarvel.desktop", desktop) != 0) return -1;
  return 0;
}

}  // namespace quarvel
