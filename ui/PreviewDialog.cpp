#include "ui/PreviewDialog.h"

#include "app/Lifecycle.h"
#include "res/resource.h"

namespace {
// One preview: the choices it draws and its run, in the preview dialog's DWLP_USER.
struct PreviewRun {
  const SettingsStore& choices;
  Lifecycle lifecycle;
};

PreviewRun* RunOf(HWND dialog) { return reinterpret_cast<PreviewRun*>(GetWindowLongPtrW(dialog, DWLP_USER)); }

BOOL OnInitDialog(HWND dialog, PreviewRun& run) {
  SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&run));
  // Over every monitor, each drawn as the saver draws it.
  SetWindowPos(dialog, HWND_TOP, GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
               GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN), 0);
  SetFocus(dialog);
  StartRun(run.lifecycle, dialog, &run.choices);
  return TRUE;
}

BOOL Close(HWND dialog, INT_PTR result) {
  if (PreviewRun* run = RunOf(dialog)) StopRenderThread(run->lifecycle);
  EndDialog(dialog, result);
  return TRUE;
}

// The dialog's result: the command, or 1 for a left and 2 for a right click.
INT_PTR CloseResult(UINT message, WPARAM wParam) {
  switch (message) {
    case WM_LBUTTONDOWN: return IDOK;
    case WM_RBUTTONDOWN: return IDCANCEL;
    default: return LOWORD(wParam);
  }
}
}  // namespace

bool ClosesPreview(UINT message, WPARAM wParam) {
  switch (message) {
    case WM_COMMAND:
      return LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      // Only Shift and Ctrl keep the preview open. The other button bits are not
      // trusted: the release of the click that closed the previous preview goes to
      // a window that is gone, so the thread may still believe that button held.
      return (wParam & (MK_SHIFT | MK_CONTROL)) == 0;
    default: return false;
  }
}

std::vector<std::wstring> ReadListBoxLines(HWND listBox) {
  std::vector<std::wstring> lines;
  const LRESULT count = SendMessageW(listBox, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageW(listBox, LB_GETTEXTLEN, i, 0);
    if (length == LB_ERR) continue;
    std::wstring line(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(listBox, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
    if (copied == LB_ERR) continue;
    line.resize(static_cast<size_t>(copied));
    lines.push_back(std::move(line));
  }
  return lines;
}

namespace {
INT_PTR PreviewMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog, *reinterpret_cast<PreviewRun*>(lParam));
    case WM_ERASEBKGND: return TRUE;  // the render thread owns every pixel
    case WM_DISPLAYCHANGE:
      if (PreviewRun* run = RunOf(dialog)) OnDisplayChange(run->lifecycle, dialog);
      return FALSE;
    case WM_POWERBROADCAST:
      if (PreviewRun* run = RunOf(dialog); run && OnPowerBroadcast(run->lifecycle, wParam, lParam)) {
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    case WM_COMMAND:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: return ClosesPreview(message, wParam) ? Close(dialog, CloseResult(message, wParam)) : FALSE;
    default: return FALSE;
  }
}

INT_PTR CALLBACK PreviewDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    return PreviewMessage(dialog, message, wParam, lParam);
  } catch (...) {
    // Whatever failed, the preview still closes: it is the way back to the dialog.
    Close(dialog, IDCANCEL);
    return TRUE;
  }
}
}  // namespace

INT_PTR ShowPreview(HINSTANCE instance, HWND owner, const SettingsStore& choices) {
  PreviewRun run{choices, {}};
  return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_PREVIEW), owner, PreviewDialogProc,
                         reinterpret_cast<LPARAM>(&run));
}
