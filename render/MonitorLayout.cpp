#include "render/MonitorLayout.h"

#include <algorithm>

namespace {
BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFOEXW info{};
  info.cbSize = sizeof(info);
  if (!GetMonitorInfoW(monitor, &info)) return TRUE;
  DEVMODEW mode{};
  mode.dmSize = sizeof(mode);
  const unsigned hz = EnumDisplaySettingsW(info.szDevice, ENUM_CURRENT_SETTINGS, &mode) ? mode.dmDisplayFrequency : 0;
  reinterpret_cast<std::vector<MonitorArea>*>(list)->push_back(
      {info.rcMonitor, (info.dwFlags & MONITORINFOF_PRIMARY) != 0, hz});
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

unsigned HighestRefreshRate(const std::vector<MonitorArea>& monitors) {
  unsigned hz = 0;
  for (const MonitorArea& m : monitors) hz = std::max(hz, m.refreshHz);
  return hz;
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

std::vector<RECT> UncoveredParts(const RECT& window, const std::vector<RECT>& covered) {
  std::vector<LONG> xs{window.left, window.right}, ys{window.top, window.bottom};
  for (const RECT& r : covered) {
    xs.insert(xs.end(), {r.left, r.right});
    ys.insert(ys.end(), {r.top, r.bottom});
  }
  for (auto* edges : {&xs, &ys}) {
    std::sort(edges->begin(), edges->end());
    edges->erase(std::unique(edges->begin(), edges->end()), edges->end());
  }
  std::vector<RECT> gaps;
  for (size_t j = 0; j + 1 < ys.size(); ++j)
    for (size_t i = 0; i + 1 < xs.size(); ++i) {
      const RECT cell{xs[i], ys[j], xs[i + 1], ys[j + 1]};
      if (cell.left < window.left || cell.right > window.right || cell.top < window.top || cell.bottom > window.bottom)
        continue;
      bool inside = false;
      for (const RECT& r : covered)
        inside = inside || (cell.left >= r.left && cell.right <= r.right && cell.top >= r.top && cell.bottom <= r.bottom);
      if (!inside) gaps.push_back(cell);
    }
  return gaps;
}


SIZE FitWithinLimit(SIZE size, SIZE limit) {
  if (limit.cx <= 0 || limit.cy <= 0 || (size.cx <= limit.cx && size.cy <= limit.cy)) return size;
  const double scale = std::min(static_cast<double>(limit.cx) / size.cx, static_cast<double>(limit.cy) / size.cy);
  const auto shrink = [scale](LONG v, LONG most) {
    return std::clamp(static_cast<LONG>(v * scale + 0.5), LONG{1}, most);
  };
  return SIZE{shrink(size.cx, limit.cx), shrink(size.cy, limit.cy)};
}
