#pragma once
#include <cstdint>
#include <string>

// True only when the key under HKEY_LOCAL_MACHINE (its 32-bit view) opened, the
// value was read (at most 4 bytes, type not examined) and the key closed without error.
bool ReadRegistryDword(const std::wstring& subKey, const std::wstring& valueName, uint32_t& value);
