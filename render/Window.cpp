#include "render/Window.h"

#include "platform/Counters.h"
#include "platform/StartupTrace.h"
#include "render/MonitorLayout.h"
#include "resources/ZipReader.h"

using platform::counters::CountCreated;

bool Window::Create(HWND window) {
  ReleaseAll();
  if (!window || !IsWindow(window)) return false;
  hwnd = window;
  GetClientRect(hwnd, &clientRect);

  // Taken over as it comes: mingw's ComPtr::Attach adds a reference of its own, which
  // would keep every Direct3D object the saver ever made alive.
  *direct3D.ReleaseAndGetAddressOf() = Direct3DCreate9(D3D_SDK_VERSION);
  if (!direct3D) return false;
  CountCreated(direct3D.Get());

  // Windowed flip chain sized by the window, current display format, 16-bit depth,
  // default (vertical-blank) presentation interval.
  D3DPRESENT_PARAMETERS pp{};
  pp.SwapEffect = D3DSWAPEFFECT_FLIP;
  pp.Windowed = TRUE;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D16;

  D3DCAPS9 caps{};
  if (FAILED(direct3D->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps)) || caps.VertexProcessingCaps == 0)
    return false;
  if (FAILED(direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, hwnd, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                    &pp, device.ReleaseAndGetAddressOf())))
    return false;
  CountCreated(device.Get());
  TraceStartStep(L"d3d-device");

  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_ZENABLE, 0);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_NONE);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_NONE);
  device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);

  if (FAILED(D3DXCreateFontW(device.Get(), 14, 0, 700, 0, FALSE, DEFAULT_CHARSET, 0, 0, 0,
                             L"Tahoma \x041F\x043E\x043B\x0443\x0436\x0438\x0440\x043D\x044B\x0439",
                             font.ReleaseAndGetAddressOf())))
    OutputDebugStringW(L"Failed create font. Window::Create()\n");
  else
    CountCreated(font.Get());
  return true;
}

bool Window::Init() {
  const WorkSpace::ArchiveBytes logo = WorkSpace::GetResourceArchive().ReadEntry(L"Resource/logo.png");
  if (!logo || logo.size == 0) return false;
  const HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(
      device.Get(), logo.get(), logo.size, 0, 0, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
      &logoInfo, nullptr, logoTexture.ReleaseAndGetAddressOf());
  if (FAILED(hr)) OutputDebugStringW(L"Failed to load logo texture. Window::Init ()\n");
  platform::counters::TagTexture(logoTexture.Get());
  return SUCCEEDED(hr);
}

bool LogoQuad(const RECT& rc, uint32_t logoWidth, uint32_t logoHeight, ScreenVertex (&quad)[4]) {
  if (!ShowsLogo(rc.right - rc.left, rc.bottom - rc.top)) return false;
  const float H = static_cast<float>(rc.bottom);
  const float w = static_cast<float>(logoWidth), h = static_cast<float>(logoHeight);
  FillScreenQuad({5.0f, H - h - 5.0f, w + 5.0f, H - 5.0f}, {0.0f, 0.0f, 1.0f, 1.0f}, quad);
  return true;
}

void Window::DrawLogo() {
  ScreenVertex quad[4];
  if (!device || !LogoQuad(clientRect, logoInfo.Width, logoInfo.Height, quad)) return;
  device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetTexture(0, logoTexture.Get());
  DrawScreenQuad(device.Get(), quad);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

void Window::Borrow(const Window& owner, RECT area) {
  ReleaseAll();
  hwnd = owner.hwnd;
  clientRect = area;
  direct3D = owner.direct3D;
  device = owner.device;
  borrowed = true;
}

void Window::ReleaseAll() {
  if (borrowed) {
    // Only the owner's release of the device is its last one.
    logoTexture.Reset();
    font.Reset();
    device.Reset();
    direct3D.Reset();
    borrowed = false;
    return;
  }
  // Textures and the font hold the device, and the device holds Direct3D: released
  // in that order, each release here is the last one unless something leaked.
  logoTexture.Reset();
  platform::counters::ReleaseCounted(font);
  // A device that outlives this keeps Direct3D's own thread running into the
  // process's exit, where Wine's teardown of it crashed the process now and then.
  if (platform::counters::ReleaseCounted(device) != 0)
    OutputDebugStringW(L"Failed release device: something still holds it. Window::ReleaseAll()\n");
  platform::counters::ReleaseCounted(direct3D);
}
