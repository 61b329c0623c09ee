#pragma once
// Shared by the fuzz targets: turning raw input into what the parsers take, and a
// check that stops the run with a message naming the broken promise.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// Little-endian byte pairs as UTF-16 code units, the way a Windows wide string
// holds them: any unit, lone surrogates included. An odd last byte is dropped.
inline std::wstring Utf16Units(const uint8_t* data, size_t size) {
  std::wstring out;
  out.reserve(size / 2);
  for (size_t i = 0; i + 1 < size; i += 2) out.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
  return out;
}

inline std::string_view Bytes(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// True when every character is a UTF-16 unit, as any wide string on Windows is.
inline bool AllUtf16Units(std::wstring_view text) {
  for (wchar_t c : text)
    if (c < 0 || c > 0xFFFF) return false;
  return true;
}

#define FUZZ_CHECK(condition)                                                              \
  do {                                                                                     \
    if (!(condition)) {                                                                    \
      std::fprintf(stderr, "%s:%d: broken promise: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                        \
    }                                                                                      \
  } while (0)
