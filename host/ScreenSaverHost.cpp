#include "host/ScreenSaverHost.h"

#include <commctrl.h>

#include "app/Lifecycle.h"
#include "platform/Counters.h"
#include "platform/DpiAwareness.h"
#include "platform/Handles.h"
#include "platform/StartupTrace.h"
#include "host/CommandLine.h"
#include "ui/ConfigDialog.h"

namespace {

// One run of the saver window: the host's state and the run below it. The window
// reaches it through GWLP_USERDATA, set from its creation parameter.
struct SaverRun {
  HostState host;
  Lifecycle lifecycle;
};

SaverRun* RunOf(HWND window) { return reinterpret_cast<SaverRun*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

class Win32HostPlatform final : public HostPlatform {
public:
  POINT CursorPos() override {
    POINT pt{};
    GetCursorPos(&pt);
    return pt;
  }
  void PostClose(HWND window) override { PostMessageW(window, WM_CLOSE, 0, 0); }
  void HideCursor() override { SetCursor(nullptr); }
  DWORD TickCount() override { return GetTickCount(); }
  LRESULT SendVerifyRequest(HWND window) override { return SendMessageW(window, kVerifyPasswordMessage, 0, 0); }
  void RemovePendingTimers(HWND window) override {
    MSG msg;
    PeekMessageW(&msg, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
  }
  BYTE AcLineStatus() override {
    SYSTEM_POWER_STATUS status;
    return GetSystemPowerStatus(&status) ? status.ACLineStatus : 255;
  }
  LRESULT DefaultProc(HWND w, UINT m, WPARAM wp, LPARAM lp) override { return DefWindowProcW(w, m, wp, lp); }
  bool ReadUsePassword(DWORD& value) override {
    const platform::RegistryKey key = platform::RegistryKey::Open(HKEY_CURRENT_USER, L"Control Panel\\Desktop");
    return key.ReadDword(L"ScreenSaveUsePassword", value);
  }
  HMODULE LoadPasswordLibrary() override { return LoadLibraryW(L"PASSWORD.CPL"); }
  VerifyPasswordFn FindVerifyPassword(HMODULE library) override {
    return platform::ModuleFunction<VerifyPasswordFn>(library, "VerifyScreenSavePwd");
  }
  void FreePasswordLibrary(HMODULE library) override { FreeLibrary(library); }
  void SetScreenSaverRunning(bool running) override {
    BOOL previous;
    SystemParametersInfoW(97 /* SPI_SCREENSAVERRUNNING */, running ? 1 : 0, &previous, 0);
  }
};

Win32HostPlatform g_platform;

using ImmAssociateContextFn = HIMC(WINAPI*)(HWND, HIMC);
ImmAssociateContextFn FindImmAssociateContext() {
  // Only when the input-method library is already part of the process.
  return platform::ModuleFunction<ImmAssociateContextFn>(GetModuleHandleW(L"IMM32.DLL"), "ImmAssociateContext");
}

bool IsLegacyPasswordPlatform() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = 276;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  return GetVersionExW(&info) && info.dwPlatformId == 1 /* VER_PLATFORM_WIN32_WINDOWS */;
#pragma GCC diagnostic pop
}

void HideCursorUnlessPreview(const HostState& host) {
  if (!host.previewMode) SetCursor(nullptr);
}

int ChangePassword(uint32_t handle) {
  HWND parent = reinterpret_cast<HWND>(static_cast<uintptr_t>(handle));
  if (!parent || !IsWindow(parent)) parent = GetForegroundWindow();
  if (const platform::UniqueModule mpr{LoadLibraryW(L"MPR.DLL")}) {
    using PwdChangePasswordFn = DWORD(WINAPI*)(LPCWSTR, HWND, DWORD, void*);
    const auto change = platform::ModuleFunction<PwdChangePasswordFn>(mpr.get(), "PwdChangePasswordW");
    if (change) change(L"SCRSAVE", parent, 0, nullptr);
  }
  return 0;
}

int RunSaver(SaverRun& run, HWND parent) {
  HostState& host = run.host;
  int x = 0, y = 0, width = 0, height = 0;  // the full-screen window's place
  if (parent) {
    host.previewMode = true;  // the child is made and placed by CreatePreviewChild
  } else {
    x = GetSystemMetrics(SM_XVIRTUALSCREEN);
    y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (width == 0 || height == 0) {
      const platform::WindowDC dc(nullptr);
      RECT box{};
      GetClipBox(dc.get(), &box);
      x = box.left;
      y = box.top;
      width = box.right - box.left;
      height = box.bottom - box.top;
    }
    // One full-screen saver at a time.
    if (HWND running = FindWindowW(kSaverClassName, kSaverTitle)) {
      SetForegroundWindow(running);
      return 0;
    }
    host.acLineStatus = g_platform.AcLineStatus();
    if (host.legacyPasswordPlatform) HostLoadPasswordLibrary(host, g_platform);
  }
  host.autoPlayMessage = host.legacyPasswordPlatform ? RegisterWindowMessageW(L"QueryCancelAutoPlay") : 0;

  WNDCLASSW cls{};
  cls.style = CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  cls.lpfnWndProc = RealScreenSaverProc;
  cls.hInstance = host.instance;
  cls.hIcon = LoadIconW(host.instance, MAKEINTRESOURCEW(100));
  cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  cls.lpszClassName = kSaverClassName;
  int exitCode = 0;
  if (RegisterClassW(&cls)) {
    host.saverWindow =
        parent ? CreatePreviewChild(parent, kSaverClassName, host.instance, &run)
               : CreateWindowExW(WS_EX_TOPMOST, kSaverClassName, kSaverTitle,
                                 WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, x, y, width, height,
                                 nullptr, nullptr, host.instance, &run);
    if (host.saverWindow) {
      if (!parent) SetForegroundWindow(host.saverWindow);
      MSG msg;
      while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      exitCode = static_cast<int>(msg.wParam);
      // A quit that came before the window's end would leave the render thread
      // drawing: the window goes first, and its stop sequence ends that thread.
      if (IsWindow(host.saverWindow)) DestroyWindow(host.saverWindow);
      StopRenderThread(run.lifecycle);
    }
  }
  HostUnloadPasswordLibrary(host, g_platform);
  return exitCode;
}

}  // namespace

HWND CreatePreviewChild(HWND parent, const wchar_t* className, HINSTANCE instance, void* creationParameter) {
  // The parent belongs to Windows' settings dialog, another process of perhaps
  // another DPI awareness. Windows hosts a child only of its parent's kind (unless
  // the parent asked for mixed hosting), and each kind reads sizes in its own
  // scaling: the child is made as the parent's kind, its size read in those units.
  const ScopedDpiAwarenessOf parentsKind(parent);
  RECT rc{};
  GetClientRect(parent, &rc);
  return CreateWindowExW(0, className, kPreviewTitle, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, rc.right,
                         rc.bottom, parent, nullptr, instance, creationParameter);
}

int ScreenSaverMain(HINSTANCE instance, const wchar_t* arguments, int) {
  TraceStartStep(L"process");
  platform::counters::StartPublishing();  // the soak check's figures; nothing in a normal build
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  SaverRun run;
  run.host.instance = instance;
  run.host.legacyPasswordPlatform = IsLegacyPasswordPlatform();
  // What the saver's own procedure does not handle comes back to the host.
  run.lifecycle.defaultProc = DefScreenSaverProc;

  const ModeRequest request = ParseMode(arguments);
  switch (request.mode) {
    case SaverMode::Configure:
      RegisterDialogClasses(instance);
      return 0;
    case SaverMode::Run:
      return RunSaver(run, nullptr);
    case SaverMode::Preview: {
      HWND parent = reinterpret_cast<HWND>(static_cast<uintptr_t>(request.handle));
      if (!parent || !IsWindow(parent)) return -1;
      return RunSaver(run, parent);
    }
    case SaverMode::ChangePassword:
      if (!run.host.legacyPasswordPlatform) return -1;
      return ChangePassword(request.handle);
    case SaverMode::Invalid:
    default:
      return -1;
  }
}

LRESULT CALLBACK DefScreenSaverProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  SaverRun* run = RunOf(hwnd);
  return run ? HostDefProc(run->host, g_platform, hwnd, message, wParam, lParam)
             : DefWindowProcW(hwnd, message, wParam, lParam);
}

namespace {
LRESULT SaverMessage(SaverRun& run, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  HostState& host = run.host;
  switch (message) {
    case WM_CREATE:
      if (auto associate = FindImmAssociateContext()) host.imeContext = associate(hwnd, nullptr);
      host.lastCursor = g_platform.CursorPos();
      HideCursorUnlessPreview(host);
      break;
    case WM_DESTROY:
      if (auto associate = FindImmAssociateContext(); associate && host.imeContext)
        associate(hwnd, host.imeContext);
      PostQuitMessage(0);
      break;
    case WM_SETTEXT:
      return 0;
    case WM_PAINT:
      if (host.closing) return DefWindowProcW(hwnd, message, wParam, lParam);
      HideCursorUnlessPreview(host);
      break;
    case WM_HELP:
    case WM_CONTEXTMENU:
      if (host.previewMode) {
        HWND parent = GetParent(hwnd);
        if (parent && IsWindow(parent))
          PostMessageW(parent, message, reinterpret_cast<WPARAM>(parent), lParam);
        return 1;
      }
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (host.closing) return DefWindowProcW(hwnd, message, wParam, lParam);
      break;
    case WM_SYSCOMMAND:
      if (!host.previewMode) {
        switch (wParam) {
          case SC_NEXTWINDOW:
          case SC_PREVWINDOW:
          case SC_SCREENSAVE:
            return 0;
          case SC_MONITORPOWER:
            PostMessageW(hwnd, WM_CLOSE, 0, 0);
            break;
          default:
            break;
        }
      }
      break;
    case WM_TIMER:
      if (host.closing) return 0;
      Sleep(0);
      break;
    default:
      break;
  }
  return ScreenSaverProc(run.lifecycle, hwnd, message, wParam, lParam);
}
}  // namespace

LRESULT CALLBACK RealScreenSaverProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // An exception must not cross into the system's message dispatch, which would
  // end the process with the screen still covered: the message takes its default.
  if (message == WM_NCCREATE)
    SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams));
  SaverRun* run = RunOf(hwnd);
  // Before WM_NCCREATE (the size query) there is no run yet.
  if (!run) return DefWindowProcW(hwnd, message, wParam, lParam);
  try {
    return SaverMessage(*run, hwnd, message, wParam, lParam);
  } catch (...) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}
