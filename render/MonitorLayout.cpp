#include "render/MonitorLayout.h"

#include <algorithm>

namespace {
BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!GetMonitorInfoW(monitor, &info)) return TRUE;
  reinterpret_cast<std::vector<MonitorArea>*>(list)->push_back(
      {info.rcMonitor, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
  return TRUE;
}

bool Covers(const RECT& outer, const RECT& inner) {
  return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
         outer.bottom >= inner.bottom;
}
}  // namespace

std::vector<MonitorArea> OrderMonitors(std::vector<MonitorArea> monitors) {
  std::stable_sort(monitors.begin(), monitors.end(), [](const MonitorArea& a, const MonitorArea& b) {
    if (a.primary != b.primary) return a.primary;
    if (a.rect.left != b.rect.left) return a.rect.left < b.rect.left;
    return a.rect.top < b.rect.top;
  });
  std::vector<MonitorArea> kept;
  for (const MonitorArea& m : monitors) {
    const bool mirrored = std::any_of(kept.begin(), kept.end(), [&](const MonitorArea& k) { return Covers(k.rect, m.rect); });
    if (!mirrored && m.rect.right > m.rect.left && m.rect.bottom > m.rect.top) kept.push_back(m);
  }
  return kept;
}

std::vector<MonitorArea> ReadMonitors() {
  std::vector<MonitorArea> monitors;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  return OrderMonitors(std::move(monitors));
}

RECT MonitorInWindow(const MonitorArea& monitor, POINT origin, SIZE window) {
  RECT r{monitor.rect.left - origin.x, monitor.rect.top - origin.y, monitor.rect.right - origin.x,
         monitor.rect.bottom - origin.y};
  r.left = std::clamp(r.left, 0L, static_cast<LONG>(window.cx));
  r.right = std::clamp(r.right, 0L, static_cast<LONG>(window.cx));
  r.top = std::clamp(r.top, 0L, static_cast<LONG>(window.cy));
  r.bottom = std::clamp(r.bottom, 0L, static_cast<LONG>(window.cy));
  return r;
}

bool ShowsLogo(int width, int height) { return width >= 640 && height >= 480; }
