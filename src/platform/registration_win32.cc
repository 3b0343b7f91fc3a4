#include "platform/registration_win32.h"

#include <windows.h>

#include <iterator>
#include <string>
#include <vector>

#include "platform/registry_values.h"
#include "platform/win32_text.h"

namespace quarvel {

namespace {

// Stands for the program's path in the values until they are UTF-16: the path may hold characters
// without a CP932 form (a user's folder named in another script), and goes in as the system gave it.
constexpr char kProgramMark[] = "\x01program\x01";

bool ProgramPath(std::wstring* path) {
  std::vector<wchar_t> buffer(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (n == 0 || n >= buffer.size()) return false;
  path->assign(buffer.data(), n);
  return true;
}

bool WriteValue(const RegistryValue& value, const std::wstring& program) {
  std::wstring subkey, name, data;
  if (!Cp932ToWide(value.key, &subkey) || !Cp932ToWide(value.name, &name) || !Cp932ToWide(value.data, &data)) {
    return false;
  }
  const std::wstring mark(std::begin(kProgramMark), std::end(kProgramMark) - 1);
  for (std::size_t at = data.find(mark); at != std::wstring::npos; at = data.find(mark, at + program.size())) {
    data.replace(at, mark.size(), program);
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
  std::wstring program;
  RegistryValueList values;
  if (!ProgramPath(&program) || RegistryValuesOfScript(script, kProgramMark, &values) != 0) return -1;
  for (const RegistryValue& value : values) {
    if (!WriteValue(value, program)) return -1;
  }
  return 0;
}

}  // namespace quarvel
