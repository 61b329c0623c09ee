#include <gtest/gtest.h>

#include <windows.h>

#include "host/ScreenSaverHost.h"
#include "platform/Handles.h"

namespace {
using Context = void*;
template <class Fn>
Fn User32(const char* name) {
  return platform::ModuleFunction<Fn>(GetModuleHandleW(L"user32.dll"), name);
}
const auto SetThreadKind = User32<Context(WINAPI*)(Context)>("SetThreadDpiAwarenessContext");
const auto GetThreadKind = User32<Context(WINAPI*)()>("GetThreadDpiAwarenessContext");
const auto GetWindowKind = User32<Context(WINAPI*)(HWND)>("GetWindowDpiAwarenessContext");
const auto AwarenessOf = User32<int(WINAPI*)(Context)>("GetAwarenessFromDpiAwarenessContext");

constexpr wchar_t kClass[] = L"VarnellePreviewChildTest";
}  // namespace

// Windows' settings dialog hosts the preview; it may be of any DPI awareness.
TEST(PreviewWindow, ChildIsOfItsParentsAwarenessAndFillsIt) {
  if (!SetThreadKind || !GetThreadKind || !GetWindowKind || !AwarenessOf)
    GTEST_SKIP() << "this Windows has no per-thread DPI awareness";
  WNDCLASSW cls{};
  cls.lpfnWndProc = DefWindowProcW;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = kClass;
  RegisterClassW(&cls);
  const Context ours = GetThreadKind();
  int kinds = 0;
  // Unaware, system aware, per monitor, per monitor v2.
  for (intptr_t kind : {-1, -2, -3, -4}) {
    const Context parentKind = reinterpret_cast<Context>(kind);
    if (!SetThreadKind(parentKind)) continue;  // a kind this system lacks
    HWND parent = CreateWindowExW(0, kClass, L"settings", WS_POPUP, 0, 0, 152, 112, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    SetThreadKind(ours);
    ASSERT_TRUE(parent);
    ++kinds;
    HWND child = CreatePreviewChild(parent, kClass, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(child) << kind;
    EXPECT_EQ(AwarenessOf(GetWindowKind(child)), AwarenessOf(GetWindowKind(parent))) << kind;
    EXPECT_EQ(AwarenessOf(GetThreadKind()), AwarenessOf(ours)) << "the thread's own kind was not restored";
    RECT inner{}, outer{};
    GetClientRect(child, &inner);
    GetClientRect(parent, &outer);
    EXPECT_EQ(inner.right, outer.right) << kind;
    EXPECT_EQ(inner.bottom, outer.bottom) << kind;
    DestroyWindow(parent);
  }
  if (kinds < 2) GTEST_SKIP() << "this system makes windows of " << kinds << " DPI awareness only";
}
