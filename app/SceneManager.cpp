#include "app/SceneManager.h"

#include "app/ApplicationState.h"
#include "app/FrameClock.h"
#include "effects/ParticleSystem.h"
#include "effects/UserTextures.h"

namespace SceneManager {

void Reset() {
  ApplicationState& app = GetApplicationState();
  UserTextures& textures = GetUserTextures();
  textures.Clear();
  textures.SetDevice(app.window.device.Get());
  GetFrameClock().Start();
}

void LoadPictures() {
  ApplicationState& app = GetApplicationState();
  for (int i = 0; i < app.settings.ImageCount(); ++i) GetUserTextures().AddTexture(app.settings.GetImage(i));
}

bool InitEffects() {
  ApplicationState& app = GetApplicationState();
  Window& w = app.window;
  w.Init();
  w.camera.Reset(w.clientRect.right, w.clientRect.bottom, 1.0f, 1000.0f);
  switch (app.effectFamily) {
    case Blobs:
      w.camera.LookAt(0.0f, -1.8f, -5.0f);
      w.blobs.Init(&w.camera, w.device.Get(), w.clientRect);
      break;
    case Sparks:
      w.camera.LookAt(0.0f, -10.0f, 300.0f);
      w.sparks.InitEffect(&w.camera, w.device.Get());
      break;
    case DesktopBackground:
      w.desktop.InitEffect(&w.camera, w.device.Get(), w.clientRect);
      break;
    case Fire:
      return w.fire.InitEffect(&w.camera, w.device.Get(), w.clientRect);
    default:
      break;
  }
  return true;
}

bool Init(const std::wstring& settingsPath, bool applySettings) {
  ApplicationState& app = GetApplicationState();
  Reset();
  app.settings.RemoveAllImages();
  app.settings.Load(settingsPath);
  if (!applySettings) return true;

  LoadPictures();
  SettingsStore& s = app.settings;
  Window& w = app.window;
  w.blobs.speedDivisor = static_cast<float>(101 - s.GetValue(L"BlobsSpeed")) * 1000.0f;
  w.blobs.sizeScale = static_cast<float>(s.GetValue(L"BlobsSize")) / 100.0f;
  w.blobs.envMapIndex = s.GetValue(L"SelectCubeMap");
  w.ShowImages = s.GetValue(L"ShowImages");
  InitEffects();
  GetParticleSystem().SetColorScheme(s.GetValue(L"SelectSparksEffect"));
  w.fire.style = s.GetValue(L"SelectFireEffect");
  return true;
}

void Update() {
  ApplicationState& app = GetApplicationState();
  Window& w = app.window;
  switch (app.effectFamily) {
    case Blobs: w.camera.Update(true); break;
    case Sparks:
    case DesktopBackground: w.camera.Update(false); break;
    default: break;
  }
  if (w.device) {
    w.device->SetTransform(D3DTS_VIEW, &w.camera.view);
    w.device->SetTransform(D3DTS_PROJECTION, &w.camera.projection);
  }
  if (app.effectFamily == Blobs) w.blobs.Update();
}

void DrawFrame(bool blankFrame) {
  ApplicationState& app = GetApplicationState();
  Window& w = app.window;
  IDirect3DDevice9* device = w.device.Get();
  if (!device) return;
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device->BeginScene();
  if (w.ShowImages) DrawUserImages();
  switch (app.effectFamily) {
    case Blobs: w.blobs.Render(); break;
    case Sparks: w.sparks.Draw(); break;
    case DesktopBackground: w.desktop.Draw(); break;
    case Fire: w.fire.Render(); break;
    default: break;
  }
  w.DrawLogo();
  // Speed-test frames are composed in full, then hidden.
  if (blankFrame) device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
  device->EndScene();
  device->Present(nullptr, nullptr, nullptr, nullptr);
}

bool Teardown() {
  GetUserTextures().Clear();
  GetApplicationState().window.ReleaseAll();
  return true;
}

}  // namespace SceneManager
