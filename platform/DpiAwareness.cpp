#include "platform/DpiAwareness.h"

namespace {
using AwarenessContext = void*;
using GetWindowContextFn = AwarenessContext(WINAPI*)(HWND);
using SetThreadContextFn = AwarenessContext(WINAPI*)(AwarenessContext);

template <class Fn>
Fn User32Function(const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}
}  // namespace

ScopedDpiAwarenessOf::ScopedDpiAwarenessOf(HWND window) {
  const auto getWindowContext = User32Function<GetWindowContextFn>("GetWindowDpiAwarenessContext");
  const auto setThreadContext = User32Function<SetThreadContextFn>("SetThreadDpiAwarenessContext");
  if (!getWindowContext || !setThreadContext || !window) return;
  if (const AwarenessContext context = getWindowContext(window)) previous_ = setThreadContext(context);
}

ScopedDpiAwarenessOf::~ScopedDpiAwarenessOf() {
  if (!previous_) return;
  if (const auto setThreadContext = User32Function<SetThreadContextFn>("SetThreadDpiAwarenessContext"))
    setThreadContext(previous_);
}
