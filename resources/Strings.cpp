#include "resources/Strings.h"

#include <windows.h>

#include <climits>

namespace {
std::string Narrow(UINT codePage, std::wstring_view text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0)
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
  return out;
}

std::wstring Widen(UINT codePage, std::string_view text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(n > 0 ? n : 0, L'\0');
  if (n > 0) MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}
}  // namespace

std::string ToAnsi(std::wstring_view text) { return Narrow(CP_ACP, text); }
std::wstring FromAnsi(std::string_view text) { return Widen(CP_ACP, text); }
std::string ToUtf8(std::wstring_view text) { return Narrow(CP_UTF8, text); }
std::wstring FromUtf8(std::string_view text) { return Widen(CP_UTF8, text); }

bool FromUtf8UpToNul(std::string_view bytes, std::wstring& text) {
  text.clear();
  if (bytes.empty() || bytes.size() > INT_MAX) return false;
  // UTF-8 never yields more UTF-16 units than it has bytes.
  const int capacity = static_cast<int>(bytes.size());
  text.resize(bytes.size());
  const int converted = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), capacity, text.data(), capacity);
  text.resize(converted > 0 ? static_cast<size_t>(converted) : 0);
  if (const size_t nul = text.find(L'\0'); nul != std::wstring::npos) text.resize(nul);
  return converted > 0;
}
