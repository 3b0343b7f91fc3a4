// The registry values that a registration script stands for on Windows, under the current user's
// classes: the application's class and program identifiers, and the diff file type with its icon and
// the command that opens a diff file with the program.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace quarvel {

// One list of a registration script: the program identifier of its lines and their keys and values
// (CP932), the first line of a key winning.
struct RegistrationKeys {
  std::string id;
  std::map<std::string, std::string> values;
};
// The lists of a script built by BuildRegistrationScript, in their order. 0, or -1 when the script does
// not start with "REGEDIT" or holds a line that is not "IDENTIFIER\KEY = VALUE".
int RegistrationListsOfScript(const std::string& script, std::vector<RegistrationKeys>* lists);

struct RegistryValue {
  std::string key;   // below HKEY_CURRENT_USER\Software\Classes, "\"-separated, CP932
  std::string name;  // "" for the key's default value
  std::string data;  // CP932
};
using RegistryValueList = std::vector<RegistryValue>;

// Reads a script built by BuildRegistrationScript: each list (the lines of one program identifier)
// gives the identifier's key with its description and class; the list with an extension also gives
// the extension's key naming it, its icon ("PROGRAM",ICONINDEX) and its open command
// ("PROGRAM" "%1"); the list without one gives the class's key with its program identifier and
// server (PROGRAM, the full path of the program). Returns 0, or -1 when the script does not start
// with "REGEDIT" or holds a line that is not "IDENTIFIER\KEY = VALUE" (nothing is returned then).
int RegistryValuesOfScript(const std::string& script, const std::string& program, RegistryValueList* values);

}  // namespace quarvel
