// Registration on Windows: the registry values of a registration script, written under the current
// user's classes (HKEY_CURRENT_USER\Software\Classes), so that no administrator rights are needed.
#pragma once
#ifdef _WIN32

#include <string>

namespace quarvel {

// Writes the values of `script` (see RegistryValuesOfScript), naming this program by its full path.
// Returns 0, or -1 when the script is not one, the program's path has no CP932 form, or a value could
// not be written (values written before stay: each is complete and harmless on its own).
int ApplyRegistrationWin32(const std::string& script);

}  // namespace quarvel

#endif  // _WIN32
