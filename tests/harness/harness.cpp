// Windows-side helper for the system tests. Prints results as "key=value" lines.
//   harness preview <saver.scr> <width> <height> <holdMs>
//     Makes a top-level parent with that client size, starts "<saver> /p <hwnd>",
//     reports the child the saver made, holds, destroys the parent and reports how
//     the saver process ended.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {
struct ChildSearch {
  HWND parent;
  HWND child = nullptr;
};

BOOL CALLBACK FindChild(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<ChildSearch*>(param);
  if (GetParent(hwnd) == search->parent) {
    search->child = hwnd;
    return FALSE;
  }
  return TRUE;
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

int Preview(const wchar_t* saver, int width, int height, int holdMs) {
  WNDCLASSW cls{};
  cls.lpfnWndProc = DefWindowProcW;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = L"VarnelleHarnessPreview";
  cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  RegisterClassW(&cls);
  RECT rc{0, 0, width, height};
  AdjustWindowRect(&rc, WS_OVERLAPPEDWINDOW, FALSE);
  HWND parent = CreateWindowW(cls.lpszClassName, L"Harness preview", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20,
                              rc.right - rc.left, rc.bottom - rc.top, nullptr, nullptr, cls.hInstance, nullptr);
  std::wstring cmd = L"\"" + std::wstring(saver) + L"\" /p " +
                     std::to_wstring(static_cast<unsigned long>(reinterpret_cast<uintptr_t>(parent)));
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::printf("error=createprocess\n");
    return 2;
  }
  ChildSearch search{parent};
  for (int i = 0; i < 200 && !search.child; ++i) {
    Pump();
    EnumChildWindows(parent, FindChild, reinterpret_cast<LPARAM>(&search));
    Sleep(50);
  }
  if (search.child) {
    wchar_t title[256] = {};
    GetWindowTextW(search.child, title, 256);
    RECT crc{};
    GetClientRect(search.child, &crc);
    DWORD pid = 0;
    GetWindowThreadProcessId(search.child, &pid);
    std::printf("child=1\ntitle=%ls\nwidth=%ld\nheight=%ld\nsame_process=%d\n", title, crc.right, crc.bottom,
                pid == pi.dwProcessId ? 1 : 0);
  } else {
    std::printf("child=0\n");
  }
  const DWORD until = GetTickCount() + holdMs;
  while (GetTickCount() < until) {
    Pump();
    Sleep(20);
  }
  DestroyWindow(parent);
  const DWORD start = GetTickCount();
  DWORD wait = WAIT_TIMEOUT;
  while ((wait = WaitForSingleObject(pi.hProcess, 50)) == WAIT_TIMEOUT && GetTickCount() - start < 10000) Pump();
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  std::printf("exited=%d\nexit_code=%ld\nexit_ms=%lu\n", wait == WAIT_OBJECT_0 ? 1 : 0, static_cast<long>(code),
              GetTickCount() - start);
  if (wait != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 9);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return 0;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc >= 6 && std::wcscmp(argv[1], L"preview") == 0)
    return Preview(argv[2], _wtoi(argv[3]), _wtoi(argv[4]), _wtoi(argv[5]));
  std::printf("usage: harness preview <saver> <w> <h> <holdMs>\n");
  return 1;
}
