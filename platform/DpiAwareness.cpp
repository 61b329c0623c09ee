#include "platform/DpiAwareness.h"

#include "platform/Handles.h"

namespace {
using GetWindowContextFn = void*(WINAPI*)(HWND);
}  // namespace

ScopedDpiAwarenessOf::ScopedDpiAwarenessOf(HWND window) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  const auto getWindowContext = platform::ModuleFunction<GetWindowContextFn>(user32, "GetWindowDpiAwarenessContext");
  setThreadContext_ = platform::ModuleFunction<SetThreadContextFn>(user32, "SetThreadDpiAwarenessContext");
  if (!getWindowContext || !setThreadContext_ || !window) return;
  if (void* const context = getWindowContext(window)) previous_ = setThreadContext_(context);
}

ScopedDpiAwarenessOf::~ScopedDpiAwarenessOf() {
  if (previous_) setThreadContext_(previous_);
}
