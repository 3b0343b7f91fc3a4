#include "platform/registration_win32.h"

#include <windows.h>

#include <vector>

#include "platform/registry_values.h"
#include "platform/win32_text.h"

namespace quarvel {

namespace {

bool ProgramPath(std::string* path) {
  std::vector<wchar_t> buffer(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (n == 0 || n >= buffer.size()) return false;
  return WideToCp932(std::wstring(buffer.data(), n), path);
}

bool WriteValue(const RegistryValue& value) {
  std::wstring subkey, name, data;
  if (!Cp932ToWide(value.key, &subkey) || !Cp932ToWide(value.name, &name) || !Cp932ToWide(value.data, &data)) {
    return false;
  }
  const std::wstring key = L"Software\\Classes\\" + subkey;
  HKEY handle = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                      &handle, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LONG set = RegSetValueExW(handle, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                                  reinterpret_cast<const BYTE*>(data.c_str()),
                                  static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  return set == ERROR_SUCCESS;
}

}  // namespace

int ApplyRegistrationWin32(const std::string& script) {
  std::string program;
  RegistryValueList values;
  if (!ProgramPath(&program) || RegistryValuesOfScript(script, program, &values) != 0) return -1;
  for (const RegistryValue& value : values) {
    if (!WriteValue(value)) return -1;
  }
  return 0;
}

}  // namespace quarvel
