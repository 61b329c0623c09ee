// What any Direct3D 9 saver pays at its start here: a full-screen window, a device
// on it as the saver makes its own, one lit frame presented. Not a benchmark of its
// own (scripts/bench.sh runs bench_*.exe); bench_startup.py and bench_rest.py start
// it beside the saver. It says its steps as the saver does (TraceStartStep), then
// waits for a key. "first_present paced" goes on presenting at 60 frames a second
// on a timer, the least a paced frame loop costs.
#include <windows.h>
#include <mmsystem.h>

#include <d3d9.h>
#include <wrl/client.h>

#include <cwchar>

#include "platform/StartupTrace.h"

namespace {
LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN || message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  TraceStartStep(L"process");
  const bool paced = argc > 1 && std::wcscmp(argv[1], L"paced") == 0;
  WNDCLASSW cls{};
  cls.lpfnWndProc = Proc;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  cls.lpszClassName = L"FirstPresent";
  RegisterClassW(&cls);
  HWND hwnd = CreateWindowExW(WS_EX_TOPMOST, cls.lpszClassName, L"First present", WS_POPUP | WS_VISIBLE, 0, 0,
                              GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                              cls.hInstance, nullptr);
  SetForegroundWindow(hwnd);
  TraceStartStep(L"window");

  Microsoft::WRL::ComPtr<IDirect3D9> d3d;
  *d3d.ReleaseAndGetAddressOf() = Direct3DCreate9(D3D_SDK_VERSION);
  D3DPRESENT_PARAMETERS pp{};
  pp.SwapEffect = D3DSWAPEFFECT_FLIP;
  pp.Windowed = TRUE;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D16;
  Microsoft::WRL::ComPtr<IDirect3DDevice9> device;
  if (!d3d || FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, hwnd, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                       &pp, device.GetAddressOf())))
    return 2;
  TraceStartStep(L"d3d-device");
  // Lit where the start-up benchmark looks (a strip at the bottom middle).
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFB040, 1.0f, 0);
  device->Present(nullptr, nullptr, nullptr, nullptr);
  TraceStartStep(L"presented");
  // Wine's Present returns before its thread has drawn (or even finished making the
  // context); the saver's first frame comes after all its own work is done, so
  // this one counts once it is done too.
  Microsoft::WRL::ComPtr<IDirect3DQuery9> done;
  if (SUCCEEDED(device->CreateQuery(D3DQUERYTYPE_EVENT, &done)) && SUCCEEDED(done->Issue(D3DISSUE_END)))
    for (int i = 0; i < 2000 && done->GetData(nullptr, 0, D3DGETDATA_FLUSH) == S_FALSE; ++i) Sleep(1);
  TraceFirstFrame();

  timeBeginPeriod(1);
  const DWORD until = GetTickCount() + 60000;
  MSG msg{};
  for (;;) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        timeEndPeriod(1);
        return 0;
      }
      DispatchMessageW(&msg);
    }
    if (GetTickCount() > until) break;
    if (paced) {
      device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFB040, 1.0f, 0);
      device->Present(nullptr, nullptr, nullptr, nullptr);
      Sleep(16);
    } else {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
  }
  timeEndPeriod(1);
  return 0;
}
