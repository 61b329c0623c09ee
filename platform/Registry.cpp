#include "platform/Registry.h"

#include "platform/Handles.h"

bool ReadRegistryDword(const std::wstring& subKey, const std::wstring& valueName, uint32_t& value) {
  // The 32-bit view in every build: the 32-bit saver and the installer keep CurLang
  // there, so one choice serves the 32-bit and the 64-bit saver alike.
  platform::RegistryKey key = platform::RegistryKey::Open(HKEY_LOCAL_MACHINE, subKey.c_str(), KEY_WOW64_32KEY);
  if (!key) return false;
  DWORD data = value;
  const bool read = key.ReadDword(valueName.c_str(), data);
  const bool closed = key.Close();
  if (read) value = data;
  return read && closed;
}
