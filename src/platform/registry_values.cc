#include "platform/registry_values.h"

#include <map>
#include <utility>

#include "platform/text.h"

namespace quarvel {

namespace {

// The position of the last backslash of `text` that is not a trail byte, or npos.
std::size_t LastBackslash(const std::string& text) {
  std::size_t found = std::string::npos;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (IsSjisLead(c)) {
      ++i;
    } else if (c == '\\') {
      found = i;
    }
  }
  return found;
}

using Lists = std::vector<RegistrationKeys>;

bool ParseLists(const std::string& script, Lists* lists) {
  const std::string head = "REGEDIT\n";
  if (script.compare(0, head.size(), head) != 0) return false;
  std::size_t at = head.size();
  while (at < script.size()) {
    std::size_t end = script.find('\n', at);
    if (end == std::string::npos) end = script.size();
    const std::string line = script.substr(at, end - at);
    at = end + 1;
    const std::size_t equals = line.find(" = ");
    if (equals == std::string::npos) return false;
    const std::string path = line.substr(0, equals);
    const std::size_t slash = LastBackslash(path);
    if (slash == std::string::npos || slash == 0 || slash + 1 == path.size()) return false;
    const std::string id = path.substr(0, slash);
    if (lists->empty() || lists->back().id != id) lists->push_back({id, {}});
    // The first line of a key wins, as the script's lists are completed only with what they lack.
    lists->back().values.emplace(path.substr(slash + 1), line.substr(equals + 3));
  }
  return true;
}

std::string Get(const std::map<std::string, std::string>& list, const std::string& key) {
  auto it = list.find(key);
  return it == list.end() ? std::string() : it->second;
}

}  // namespace

int RegistrationListsOfScript(const std::string& script, std::vector<RegistrationKeys>* lists) {
  Lists parsed;
  if (!ParseLists(script, &parsed)) return -1;
  *lists = std::move(parsed);
  return 0;
}

int RegistryValuesOfScript(const std::string& script, const std::string& program, RegistryValueList* values) {
  Lists lists;
  if (!ParseLists(script, &lists)) return -1;
  const std::string quoted = "\"" + program + "\"";
  RegistryValueList out;
  for (const auto& [id, list] : lists) {
    const std::string clsid = Get(list, "clsid");
    const std::string description = Get(list, "description");
    out.push_back({id, "", description.empty() ? Get(list, "appname") : description});
    if (!clsid.empty()) out.push_back({id + "\\CLSID", "", clsid});
    const std::string extension = Get(list, "extension");
    if (!extension.empty()) {
      out.push_back({"." + extension, "", id});
      out.push_back({id + "\\DefaultIcon", "", quoted + "," + Get(list, "iconindex")});
      out.push_back({id + "\\shell\\open\\command", "", quoted + " \"%1\""});
    } else if (!clsid.empty()) {
      out.push_back({"CLSID\\" + clsid, "", Get(list, "appname")});
      out.push_back({"CLSID\\" + clsid + "\\ProgID", "", id});
      out.push_back({"CLSID\\" + clsid + "\\LocalServer32", "", quoted});
    }
  }
  *values = std::move(out);
  return 0;
}

}  // namespace quarvel
