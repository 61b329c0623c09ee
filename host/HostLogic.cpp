#include "host/HostLogic.h"

#include <cstdlib>

namespace {
bool IsResumeEvent(WPARAM event) { return event == 6 || event == 7 || event == 8 || event == 18; }

LRESULT FinalStep(HostState& s, HostPlatform& p, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (s.autoPlayMessage != 0 && message == s.autoPlayMessage) {
    p.PostClose(window);
    return s.verifyPassword ? 1 : 0;
  }
  return p.DefaultProc(window, message, wParam, lParam);
}

// Input and power rules; true when the message was consumed here.
bool ApplyClosingRules(HostState& s, HostPlatform& p, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                       LRESULT& result) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      p.PostClose(window);
      break;
    case WM_MOUSEMOVE: {
      const POINT pt = p.CursorPos();
      const unsigned distance = static_cast<unsigned>(std::abs(pt.x - s.lastCursor.x) + std::abs(pt.y - s.lastCursor.y));
      if (distance > s.mouseThreshold) {
        p.PostClose(window);
        s.lastCursor = pt;
      }
      break;
    }
    case WM_DISPLAYCHANGE:
      // A cursor moved by a monitor that went is not the user's doing.
      s.lastCursor = p.CursorPos();
      break;
    case WM_ACTIVATEAPP:
      if (wParam == 0) p.PostClose(window);
      break;
    case WM_SHOWWINDOW:
      if (wParam) p.HideCursor();
      break;
    case WM_SETCURSOR:
      p.HideCursor();
      result = 1;
      return true;
    case WM_POWER:
      if (wParam == 3) p.PostClose(window);
      break;
    case WM_POWERBROADCAST:
      if (wParam < 6) {
        p.PostClose(window);
      } else if (IsResumeEvent(wParam)) {
        if (!(lParam & 1)) p.PostClose(window);
      } else if (wParam == PBT_POWERSETTINGCHANGE) {
        // A power setting the run asked to hear (the display's state): not the user.
      } else if (wParam == 10) {
        const BYTE status = p.AcLineStatus();
        const bool changed = status != s.acLineStatus;
        s.acLineStatus = status;
        if (changed) p.PostClose(window);
      } else {
        p.PostClose(window);
      }
      break;
    default:
      break;
  }
  return false;
}
}  // namespace

LRESULT HostDefProc(HostState& s, HostPlatform& p, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (s.previewMode || s.closing) return FinalStep(s, p, window, message, wParam, lParam);

  if (message == WM_CLOSE) {
    if (s.legacyPasswordPlatform && !HostPasswordCheck(s, p, window)) {
      s.lastCursor = p.CursorPos();
      return 0;
    }
    return FinalStep(s, p, window, message, wParam, lParam);
  }
  if (message == kVerifyPasswordMessage) {
    if (s.legacyPasswordPlatform) return s.verifyPassword ? s.verifyPassword(window) : 1;
    return FinalStep(s, p, window, message, wParam, lParam);
  }
  if (!s.checkingPassword) {
    LRESULT result = 0;
    if (ApplyClosingRules(s, p, window, message, wParam, lParam, result)) return result;
  }
  return FinalStep(s, p, window, message, wParam, lParam);
}

bool HostPasswordCheck(HostState& s, HostPlatform& p, HWND window) {
  if (s.checkingPassword || s.closing) return false;
  if (!s.verifyPassword) {
    s.closing = true;
    return true;
  }
  // A close right after a refused question is the same user action: ignore it.
  if (s.lastPasswordTick != 0xFFFFFFFF && p.TickCount() - s.lastPasswordTick < 200) return s.closing;

  s.checkingPassword = true;
  p.RemovePendingTimers(window);
  p.RemovePendingTimers(window);
  s.closing = p.SendVerifyRequest(window) != 0;
  s.checkingPassword = false;
  if (!s.closing) p.HideCursor();
  s.lastPasswordTick = p.TickCount();
  return s.closing;
}

void HostUnloadPasswordLibrary(HostState& s, HostPlatform& p) {
  if (s.passwordLibrary) {
    p.FreePasswordLibrary(s.passwordLibrary);
    s.passwordLibrary = nullptr;
  }
  if (s.verifyPassword) {
    s.verifyPassword = nullptr;
    p.SetScreenSaverRunning(false);
  }
}

void HostLoadPasswordLibrary(HostState& s, HostPlatform& p) {
  HostUnloadPasswordLibrary(s, p);
  DWORD usePassword = 0;
  if (!p.ReadUsePassword(usePassword) || usePassword == 0) return;
  s.passwordLibrary = p.LoadPasswordLibrary();
  if (!s.passwordLibrary) return;
  s.verifyPassword = p.FindVerifyPassword(s.passwordLibrary);
  if (s.verifyPassword) {
    p.SetScreenSaverRunning(true);
  } else {
    HostUnloadPasswordLibrary(s, p);
  }
}
