#include "settings/Registry.h"

#include <windows.h>

bool ReadRegistryDword(const std::wstring& subKey, const std::wstring& valueName, uint32_t& value) {
  HKEY key;
  // The 32-bit view in every build: the 32-bit saver and the installer keep CurLang
  // there, so one choice serves the 32-bit and the 64-bit saver alike.
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
    return false;
  DWORD type = REG_DWORD, size = sizeof(DWORD);
  // Shorter data is taken as it lies over the caller's value.
  DWORD data = value;
  const bool read =
      RegQueryValueExW(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) == ERROR_SUCCESS;
  const bool closed = RegCloseKey(key) == ERROR_SUCCESS;
  if (read) value = data;
  return read && closed;
}
