#include "platform/StartupTrace.h"

#include <windows.h>

#include <atomic>
#include <cwchar>

namespace {
std::atomic<bool> g_done{false};

double SecondsSinceCreation() {
  FILETIME creation, exitTime, kernel, user, now;
  if (!GetProcessTimes(GetCurrentProcess(), &creation, &exitTime, &kernel, &user)) return -1.0;
  GetSystemTimeAsFileTime(&now);
  const auto ticks = [](const FILETIME& t) { return (static_cast<int64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return static_cast<double>(ticks(now) - ticks(creation)) / 1e7;
}

void Say(const wchar_t* step) {
  wchar_t line[96];
  swprintf(line, sizeof line / sizeof line[0], L"Start-up: %ls %.3f s. TraceStartStep()\n", step, SecondsSinceCreation());
  OutputDebugStringW(line);
}
}  // namespace

void TraceStartStep(const wchar_t* step) {
  if (!g_done.load(std::memory_order_relaxed)) Say(step);
}

void TraceFirstFrame() {
  if (!g_done.exchange(true)) Say(L"first-frame");
}
