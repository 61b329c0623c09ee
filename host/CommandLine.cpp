#include "host/CommandLine.h"

namespace {
uint32_t ReadHandle(const wchar_t*& p) {
  uint32_t value = 0;
  while (*p >= L'0' && *p <= L'9') value = value * 10u + static_cast<uint32_t>(*p++ - L'0');
  return value;
}

void SkipSpaces(const wchar_t*& p) {
  while (*p == L' ') ++p;
}
}  // namespace

const wchar_t* SkipProgramName(const wchar_t* p) {
  if (!p) return L"";
  if (*p == L'"') {
    ++p;
    while (*p && *p != L'"') ++p;
    if (*p == L'"') ++p;
  } else {
    while (*p > L' ') ++p;
  }
  while (*p >= 1 && *p <= 32) ++p;
  return p;
}

ModeRequest ParseMode(const wchar_t* p) {
  if (!p) return {SaverMode::Configure, 0};
  while (*p == L' ' || *p == L'-' || *p == L'/') ++p;
  switch (*p) {
    case L'\0':
      return {SaverMode::Configure, 0};
    case L'S':
    case L's':
      return {SaverMode::Run, 0};
    case L'P':
    case L'p':
    case L'L':
    case L'l': {
      ++p;
      SkipSpaces(p);
      return {SaverMode::Preview, ReadHandle(p)};
    }
    case L'C':
    case L'c': {
      ++p;
      uint32_t handle = 0;
      if (*p == L':') handle = ReadHandle(++p);
      return {SaverMode::Configure, handle};
    }
    case L'A':
    case L'a': {
      ++p;
      SkipSpaces(p);
      return {SaverMode::ChangePassword, ReadHandle(p)};
    }
    default:
      return {SaverMode::Invalid, 0};
  }
}
