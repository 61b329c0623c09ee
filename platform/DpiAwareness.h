#pragma once
#include <windows.h>

// Runs the calling thread in the DPI awareness of `window` until destroyed, so that
// sizes read and windows made meanwhile are in that window's units and of its kind.
// Windows before 10 (1607) has no per-thread awareness: nothing changes there.
class ScopedDpiAwarenessOf {
public:
  explicit ScopedDpiAwarenessOf(HWND window);
  ~ScopedDpiAwarenessOf();
  ScopedDpiAwarenessOf(const ScopedDpiAwarenessOf&) = delete;
  ScopedDpiAwarenessOf& operator=(const ScopedDpiAwarenessOf&) = delete;

private:
  using SetThreadContextFn = void*(WINAPI*)(void*);
  SetThreadContextFn setThreadContext_ = nullptr;
  void* previous_ = nullptr;  // the thread's DPI_AWARENESS_CONTEXT before
};
