#include "platform/xdg_registration.h"

#include <vector>

#include "platform/registry_values.h"
#include "platform/text.h"

namespace quarvel {

const char kDiffMediaType[] = "application/x-velmo-kmd";
const char kDiffTypeIcon[] = "application-x-velmo-kmd";
const char kProgramIcon[] = "quarvel";
const char kMimePackageName[] = "quarvel-kmd.xml";
const char kDesktopEntryName[] = "quarvel.desktop";

namespace {

bool HasControl(const std::string& text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
  }
  return false;
}

// True for well-formed UTF-8 (a desktop entry is UTF-8; a path in another encoding cannot be named).
bool IsUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t more = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      more = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3;
    } else if (c >= 0x80) {
      return false;
    }
    for (std::size_t k = 1; k <= more; ++k) {
      if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += more + 1;
  }
  return true;
}

// CP932 to UTF-8 for a line of text; false for a text without that form or with a control character.
bool LineText(const std::string& cp932, std::string* utf8) {
  return Cp932ToUtf8(cp932, utf8) && !HasControl(*utf8);
}

std::string XmlEscaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// A desktop entry's string value: "\" is written "\\".
std::string EntryString(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\') out += '\\';
    out += c;
  }
  return out;
}

// An Exec argument, quoted whole: ", `, $ and \ get a backslash, % is doubled as field codes want.
std::string ExecArgument(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    out += c;
    if (c == '%') out += '%';
  }
  return out + "\"";
}

std::string Get(const RegistrationKeys& list, const std::string& key) {
  auto it = list.values.find(key);
  return it == list.values.end() ? std::string() : it->second;
}

}  // namespace

int XdgFilesOfScript(const std::string& script, const std::string& program, XdgFiles* files) {
  std::vector<RegistrationKeys> lists;
  if (RegistrationListsOfScript(script, &lists) != 0) return -1;
  std::string appName, comment, extension;
  for (const RegistrationKeys& list : lists) {
    const std::string ext = Get(list, "extension");
    if (ext.empty()) {
      if (appName.empty()) appName = Get(list, "appname");
    } else if (extension.empty()) {
      extension = ext;
      comment = Get(list, "description");
      if (appName.empty()) appName = Get(list, "appname");
    }
  }
  std::string name, typeComment, glob;
  if (extension.empty() || !LineText(appName, &name) || !LineText(comment, &typeComment) ||
      !LineText(extension, &glob) || program.empty() || program[0] != '/' || HasControl(program) || !IsUtf8(program)) {
    return -1;
  }
  const std::string type = kDiffMediaType;
  files->mimePackage =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
      "  <mime-type type=\"" + type + "\">\n"
      "    <comment>" + XmlEscaped(typeComment) + "</comment>\n"
      "    <icon name=\"" + std::string(kDiffTypeIcon) + "\"/>\n"
      "    <glob pattern=\"*." + XmlEscaped(glob) + "\"/>\n"
      "    <magic priority=\"50\">\n"
      "      <match type=\"little16\" offset=\"0\" value=\"2929\"/>\n"
      "    </magic>\n"
      "  </mime-type>\n"
      "</mime-info>\n";
  files->desktopEntry =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=" + EntryString(name) + "\n"
      "Exec=" + EntryString(ExecArgument(program)) + " %f\n"
      "Icon=" + std::string(kProgramIcon) + "\n"
      "MimeType=" + type + ";\n"
      "Categories=Utility;\n"
      "Terminal=false\n";
  return 0;
}

}  // namespace quarvel
