#pragma once
#include <windows.h>

// The closing rules and password hooks of the saver window, over an injectable
// platform so that the legacy-platform paths can be exercised on any system.

using VerifyPasswordFn = BOOL(WINAPI*)(HWND);

class HostPlatform {
public:
  virtual ~HostPlatform() = default;
  virtual POINT CursorPos() = 0;
  virtual void PostClose(HWND window) = 0;
  virtual void HideCursor() = 0;
  virtual DWORD TickCount() = 0;
  virtual LRESULT SendVerifyRequest(HWND window) = 0;    // message 0x8000
  virtual void RemovePendingTimers(HWND window) = 0;    // one PeekMessage(WM_TIMER, remove)
  virtual BYTE AcLineStatus() = 0;                      // 255 when unknown
  virtual LRESULT DefaultProc(HWND, UINT, WPARAM, LPARAM) = 0;
  // Password library of the consumer platform.
  virtual bool ReadUsePassword(DWORD& value) = 0;       // "Control Panel\Desktop" ScreenSaveUsePassword
  virtual HMODULE LoadPasswordLibrary() = 0;            // "PASSWORD.CPL"
  virtual VerifyPasswordFn FindVerifyPassword(HMODULE library) = 0;
  virtual void FreePasswordLibrary(HMODULE library) = 0;
  virtual void SetScreenSaverRunning(bool running) = 0;  // SystemParametersInfo action 97
};

constexpr UINT kVerifyPasswordMessage = 0x8000;

struct HostState {
  HINSTANCE instance = nullptr;
  HWND saverWindow = nullptr;
  bool previewMode = false;
  bool closing = false;
  bool checkingPassword = false;
  bool legacyPasswordPlatform = false;
  HMODULE passwordLibrary = nullptr;
  VerifyPasswordFn verifyPassword = nullptr;
  UINT autoPlayMessage = 0;
  POINT lastCursor{};
  UINT mouseThreshold = 4;
  BYTE acLineStatus = 255;
  DWORD lastPasswordTick = 0xFFFFFFFF;
  HIMC imeContext = nullptr;
};

// Default handling for every message the application does not keep.
LRESULT HostDefProc(HostState& state, HostPlatform& platform, HWND window, UINT message, WPARAM wParam,
                    LPARAM lParam);

// Legacy platform: asks for the password on WM_CLOSE; true when closing is confirmed.
bool HostPasswordCheck(HostState& state, HostPlatform& platform, HWND window);

void HostLoadPasswordLibrary(HostState& state, HostPlatform& platform);
void HostUnloadPasswordLibrary(HostState& state, HostPlatform& platform);
