// Windows-side helper for the system tests. Prints results as "key=value" lines.
//   harness preview <saver.scr> <width> <height> <holdMs>
//     Makes a top-level parent with that client size, starts "<saver> /p <hwnd>",
//     reports the child the saver made, holds, destroys the parent and reports how
//     the saver process ended.
// Dialog driving (windows are given as decimal handles; texts are printed as UTF-8):
//   harness find <class|-> <title|-> <timeoutMs>   first visible top-level match: hwnd=
//   harness windows                                every visible top-level window
//   harness controls <hwnd>                        every control: text, state, items (list boxes:
//                                                  top line, line height, each line's item data)
//   harness command <hwnd> <id>                    posts WM_COMMAND(id, BN_CLICKED)
//   harness click <hwnd> <id>                      posts BM_CLICK to the control
//   harness select <hwnd> <id> <index>             list box or combo box selection (a combo box notifies)
//   harness settext <hwnd> <id> <text>             WM_SETTEXT on the control
//   harness itempoint <hwnd> <id> <index>          screen point inside a list box line
//   harness waitgone <hwnd> <timeoutMs>            gone=1 once the window is destroyed
//   harness displaystate <hwnd> <0|1|2>            sends the console display state (off, on, dimmed)
//                                                  as Windows does: sent=, result= (1: taken)
// Monitors:
// Files and the desktop:
//   harness shortpath <path>   the path's short 8.3 spelling: path=
//   harness shell <holdMs>     stands in for the desktop's shell (Wine has none): a window
//                              of this process is the shell window while it holds; prints
//                              its hwnd= and this process's user sid=
//   harness monitors     what Windows reports: each monitor's rectangle and primary flag,
//                        the virtual screen, and Direct3D 9's adapters with their monitor
#include <windows.h>
#include <commctrl.h>
#include <d3d9.h>
#include <sddl.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/Handles.h"

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
// ---- dialog driving ---------------------------------------------------------
void PrintUtf8(const char* key, const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(size > 0 ? size - 1 : 0, '\0');
  if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, bytes.data(), size, nullptr, nullptr);
  // Line breaks inside a text would split the key=value line.
  for (char& c : bytes)
    if (c == '\r' || c == '\n') c = '|';
  std::printf("%s=%s\n", key, bytes.c_str());
}

std::wstring WindowText(HWND hwnd) {
  const int length = static_cast<int>(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(length + 1, L'\0');
  text.resize(SendMessageW(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data())));
  return text;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[128] = {};
  GetClassNameW(hwnd, name, 128);
  return name;
}

HWND HandleArg(const wchar_t* text) {
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::wcstoul(text, nullptr, 10)));
}

struct TopSearch {
  const wchar_t* cls;
  const wchar_t* title;
  bool all;
  HWND found = nullptr;
};

BOOL CALLBACK FindTop(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<TopSearch*>(param);
  if (!IsWindowVisible(hwnd)) return TRUE;
  if (search->all) {
    RECT rc{};
    GetWindowRect(hwnd, &rc);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    std::printf("window=%lu pid=%lu x=%ld y=%ld w=%ld h=%ld ", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(hwnd)),
                pid, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    PrintUtf8("class", ClassOf(hwnd) + L" title=" + WindowText(hwnd));
    return TRUE;
  }
  if (std::wcscmp(search->cls, L"-") != 0 && ClassOf(hwnd) != search->cls) return TRUE;
  if (std::wcscmp(search->title, L"-") != 0 && WindowText(hwnd) != search->title) return TRUE;
  search->found = hwnd;
  return FALSE;
}

BOOL CALLBACK DumpControl(HWND control, LPARAM) {
  const int id = GetDlgCtrlID(control);
  const std::wstring cls = ClassOf(control);
  char key[64];
  std::snprintf(key, sizeof key, "ctl.%d.class", id);
  PrintUtf8(key, cls);
  std::snprintf(key, sizeof key, "ctl.%d.text", id);
  PrintUtf8(key, WindowText(control));
  std::printf("ctl.%d.visible=%d\n", id, IsWindowVisible(control) ? 1 : 0);
  RECT rc{};
  GetWindowRect(control, &rc);
  std::printf("ctl.%d.rect=%ld,%ld,%ld,%ld\n", id, rc.left, rc.top, rc.right, rc.bottom);
  if (_wcsicmp(cls.c_str(), L"ListBox") == 0) {
    const LRESULT count = SendMessageW(control, LB_GETCOUNT, 0, 0);
    std::printf("ctl.%d.count=%ld\nctl.%d.sel=%ld\n", id, static_cast<long>(count), id,
                static_cast<long>(SendMessageW(control, LB_GETCURSEL, 0, 0)));
    std::printf("ctl.%d.top=%ld\nctl.%d.itemheight=%ld\n", id,
                static_cast<long>(SendMessageW(control, LB_GETTOPINDEX, 0, 0)), id,
                static_cast<long>(SendMessageW(control, LB_GETITEMHEIGHT, 0, 0)));
    for (LRESULT i = 0; i < count; ++i) {
      std::wstring line(SendMessageW(control, LB_GETTEXTLEN, i, 0) + 1, L'\0');
      line.resize(SendMessageW(control, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data())));
      std::snprintf(key, sizeof key, "ctl.%d.item.%ld", id, static_cast<long>(i));
      PrintUtf8(key, line);
      // The line's item data (how an owner-drawn list marks it).
      std::printf("ctl.%d.data.%ld=%ld\n", id, static_cast<long>(i),
                  static_cast<long>(SendMessageW(control, LB_GETITEMDATA, i, 0)));
    }
  } else if (_wcsicmp(cls.c_str(), L"ComboBox") == 0) {
    const LRESULT count = SendMessageW(control, CB_GETCOUNT, 0, 0);
    std::printf("ctl.%d.count=%ld\nctl.%d.sel=%ld\n", id, static_cast<long>(count), id,
                static_cast<long>(SendMessageW(control, CB_GETCURSEL, 0, 0)));
    for (LRESULT i = 0; i < count; ++i) {
      std::wstring item(SendMessageW(control, CB_GETLBTEXTLEN, i, 0) + 1, L'\0');
      item.resize(SendMessageW(control, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data())));
      std::snprintf(key, sizeof key, "ctl.%d.item.%ld", id, static_cast<long>(i));
      PrintUtf8(key, item);
    }
  } else if (_wcsicmp(cls.c_str(), L"Button") == 0) {
    std::printf("ctl.%d.check=%ld\n", id, static_cast<long>(SendMessageW(control, BM_GETCHECK, 0, 0)));
  } else if (_wcsicmp(cls.c_str(), L"msctls_trackbar32") == 0) {
    std::printf("ctl.%d.pos=%ld\nctl.%d.min=%ld\nctl.%d.max=%ld\n", id,
                static_cast<long>(SendMessageW(control, TBM_GETPOS, 0, 0)), id,
                static_cast<long>(SendMessageW(control, TBM_GETRANGEMIN, 0, 0)), id,
                static_cast<long>(SendMessageW(control, TBM_GETRANGEMAX, 0, 0)));
  }
  return TRUE;
}

struct EditSearch {
  int id;
  HWND edit = nullptr;
};

BOOL CALLBACK FindEdit(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<EditSearch*>(param);
  if (GetDlgCtrlID(hwnd) == search->id && _wcsicmp(ClassOf(hwnd).c_str(), L"Edit") == 0) {
    search->edit = hwnd;
    return FALSE;
  }
  return TRUE;
}

// ---- monitors ---------------------------------------------------------------
BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM param) {
  auto* monitors = reinterpret_cast<std::vector<HMONITOR>*>(param);
  monitors->push_back(monitor);
  return TRUE;
}

int Monitors() {
  std::vector<HMONITOR> monitors;
  EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
  std::printf("monitors=%u\n", static_cast<unsigned>(monitors.size()));
  for (size_t i = 0; i < monitors.size(); ++i) {
    MONITORINFOEXW info{};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(monitors[i], &info);
    const RECT& r = info.rcMonitor;
    std::printf("monitor.%u.rect=%ld,%ld,%ld,%ld\nmonitor.%u.primary=%d\n", static_cast<unsigned>(i), r.left, r.top,
                r.right, r.bottom, static_cast<unsigned>(i), (info.dwFlags & MONITORINFOF_PRIMARY) ? 1 : 0);
    std::printf("monitor.%u.device=%ls\n", static_cast<unsigned>(i), info.szDevice);
  }
  std::printf("metrics.monitors=%d\nvirtual=%d,%d,%d,%d\n", GetSystemMetrics(SM_CMONITORS),
              GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
              GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
  // Direct3D 9's adapters, each named by its monitor's place in the list above.
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!d3d) {
    std::printf("adapters=none\n");
    return 0;
  }
  const UINT adapters = d3d->GetAdapterCount();
  std::printf("adapters=%u\n", adapters);
  for (UINT a = 0; a < adapters; ++a) {
    const HMONITOR monitor = d3d->GetAdapterMonitor(a);
    int index = -1;
    for (size_t i = 0; i < monitors.size(); ++i)
      if (monitors[i] == monitor) index = static_cast<int>(i);
    D3DDISPLAYMODE mode{};
    const HRESULT hr = d3d->GetAdapterDisplayMode(a, &mode);
    std::printf("adapter.%u.monitor=%d\nadapter.%u.mode=%ux%u\nadapter.%u.mode_hr=0x%08lx\n", a, index, a, mode.Width,
                mode.Height, a, static_cast<unsigned long>(hr));
  }
  d3d->Release();
  return 0;
}

// Returns the exit code, or -1 when the command is not one of these.
int DialogCommand(int argc, wchar_t** argv) {
  const std::wstring verb = argv[0];
  if (verb == L"find" && argc >= 4) {
    TopSearch search{argv[1], argv[2], false};
    const DWORD until = GetTickCount() + _wtoi(argv[3]);
    do {
      EnumWindows(FindTop, reinterpret_cast<LPARAM>(&search));
      if (search.found) break;
      Sleep(50);
    } while (GetTickCount() < until);
    std::printf("hwnd=%lu\n", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(search.found)));
    return search.found ? 0 : 3;
  }
  if (verb == L"monitors") return Monitors();
  if (verb == L"windows") {
    TopSearch search{L"-", L"-", true};
    EnumWindows(FindTop, reinterpret_cast<LPARAM>(&search));
    return 0;
  }
  if (argc < 2) return -1;
  if (verb == L"shell") {
    HWND shell = CreateWindowExW(0, L"STATIC", L"shell", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    // Not in the SDK's headers: user32 exports it for the shell itself.
    using SetShellWindowFn = BOOL(WINAPI*)(HWND);
    const auto setShellWindow =
        platform::ModuleFunction<SetShellWindowFn>(GetModuleHandleW(L"user32.dll"), "SetShellWindow");
    if (!shell || !setShellWindow || !setShellWindow(shell)) return 4;
    std::printf("hwnd=%lu\n", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(shell)));
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
      alignas(8) BYTE user[256];
      DWORD size = 0;
      LPWSTR sid = nullptr;
      if (GetTokenInformation(token, TokenUser, user, sizeof user, &size) &&
          ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &sid)) {
        PrintUtf8("sid", sid);
        LocalFree(sid);
      }
      CloseHandle(token);
    }
    std::fflush(stdout);
    const DWORD until = GetTickCount() + _wtoi(argv[1]);
    MSG msg;
    while (GetTickCount() < until) {
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      Sleep(20);
    }
    return 0;
  }
  if (verb == L"shortpath") {
    wchar_t shortPath[MAX_PATH];
    if (!GetShortPathNameW(argv[1], shortPath, MAX_PATH)) return 4;
    PrintUtf8("path", shortPath);
    return 0;
  }
  HWND window = HandleArg(argv[1]);
  if (verb == L"waitgone" && argc >= 3) {
    const DWORD until = GetTickCount() + _wtoi(argv[2]);
    while (IsWindow(window) && GetTickCount() < until) Sleep(50);
    std::printf("gone=%d\n", IsWindow(window) ? 0 : 1);
    return 0;
  }
  if (!IsWindow(window)) {
    std::printf("error=nowindow\n");
    return 3;
  }
  if (verb == L"displaychange") {
    // What Windows sends when monitors come, go or change mode; Wine's own layout
    // stays as its session started.
    PostMessageW(window, WM_DISPLAYCHANGE, 32, MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
    return 0;
  }
  if (verb == L"displaystate" && argc >= 3) {
    // What Windows sends a window that asked to hear the console's display state
    // (0 off, 1 on, 2 dimmed): the setting lies in the window's own process.
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
    struct {
      GUID guid;
      DWORD length;
      DWORD value;
    } setting{{0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}},
              sizeof(DWORD),
              static_cast<DWORD>(_wtoi(argv[2]))};
    void* remote = process ? VirtualAllocEx(process, nullptr, sizeof setting, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)
                           : nullptr;
    if (!remote || !WriteProcessMemory(process, remote, &setting, sizeof setting, nullptr)) {
      std::printf("error=nomemory\n");
      if (process) CloseHandle(process);
      return 3;
    }
    DWORD_PTR result = 0;
    const LRESULT sent = SendMessageTimeoutW(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE,
                                             reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG, 5000, &result);
    std::printf("sent=%d\nresult=%lu\n", sent != 0, static_cast<unsigned long>(result));
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return 0;
  }
  if (verb == L"controls") {
    RECT rc{};
    GetWindowRect(window, &rc);
    PrintUtf8("caption", WindowText(window));
    std::printf("rect=%ld,%ld,%ld,%ld\n", rc.left, rc.top, rc.right, rc.bottom);
    EnumChildWindows(window, DumpControl, 0);
    return 0;
  }
  if (argc < 3) return -1;
  const int id = _wtoi(argv[2]);
  HWND control = GetDlgItem(window, id);
  if (verb == L"command") {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
    return 0;
  }
  if (verb == L"click") {
    PostMessageW(control, BM_CLICK, 0, 0);
    return 0;
  }
  if (verb == L"select" && argc >= 4) {
    const bool combo = _wcsicmp(ClassOf(control).c_str(), L"ComboBox") == 0;
    const LRESULT result = SendMessageW(control, combo ? CB_SETCURSEL : LB_SETCURSEL, _wtoi(argv[3]), 0);
    // As a user's choice does, the combo box tells its dialog.
    if (combo)
      SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
    std::printf("result=%ld\n", static_cast<long>(result));
    return 0;
  }
  if (verb == L"settext" && argc >= 4) {
    // A combo box takes its text through its edit field (the file dialog's name box).
    EditSearch search{id};
    EnumChildWindows(window, FindEdit, reinterpret_cast<LPARAM>(&search));
    SendMessageW(search.edit ? search.edit : control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3]));
    return 0;
  }
  if (verb == L"itempoint" && argc >= 4) {
    RECT client{};
    GetClientRect(control, &client);
    const LRESULT height = SendMessageW(control, LB_GETITEMHEIGHT, 0, 0);
    const LRESULT top = SendMessageW(control, LB_GETTOPINDEX, 0, 0);
    POINT point{client.right / 3, static_cast<LONG>((_wtoi(argv[3]) - top) * height + height / 2)};
    ClientToScreen(control, &point);
    std::printf("x=%ld\ny=%ld\n", point.x, point.y);
    return 0;
  }
  return -1;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc >= 6 && std::wcscmp(argv[1], L"preview") == 0)
    return Preview(argv[2], _wtoi(argv[3]), _wtoi(argv[4]), _wtoi(argv[5]));
  if (argc >= 2) {
    const int handled = DialogCommand(argc - 1, argv + 1);
    if (handled >= 0) return handled;
  }
  std::printf("usage: harness preview <saver> <w> <h> <holdMs> | find | windows | controls | command | click |"
              " select | settext | itempoint | waitgone | monitors\n");
  return 1;
}
