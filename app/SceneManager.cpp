#include "app/SceneManager.h"

#include "app/EffectFamilies.h"
#include "platform/Counters.h"
#include "render/FrameClock.h"

namespace SceneManager {

namespace {
Scene MakeScene() {
  Scene scene;
  scene.effect = CreateSceneEffect(kBuildEffectFamily);
  scene.settings.Load(L"");  // the defaults, until a settings file is read
  return scene;
}
}  // namespace

Scene& GetScene() {
  static Scene scene = MakeScene();
  return scene;
}

bool Attach(HWND window) {
  Scene& scene = GetScene();
  if (scene.effect) scene.effect->Release();
  return scene.window.Create(window);
}

void Reset() {
  Scene& scene = GetScene();
  scene.pictures.Clear();
  scene.pictures.SetDevice(scene.window.device.Get());
  GetFrameClock().Start();
}

void LoadPictures() {
  Scene& scene = GetScene();
  std::vector<std::wstring> entries;
  entries.reserve(static_cast<size_t>(scene.settings.ImageCount()));
  for (int i = 0; i < scene.settings.ImageCount(); ++i) entries.push_back(scene.settings.GetImage(i));
  // Nothing is decoded here: the pictures come as the slideshow needs them, at the
  // size of this window.
  const RECT& area = scene.window.clientRect;
  scene.pictures.SetPictures(std::move(entries), area.right - area.left, area.bottom - area.top);
}

bool InitEffects() {
  Scene& scene = GetScene();
  Window& w = scene.window;
  w.Init();
  scene.camera.Reset(w.clientRect.right, w.clientRect.bottom, 1.0f, 1000.0f);
  if (!scene.effect) return true;
  return scene.effect->Initialise({w.device.Get(), w.clientRect, scene.camera, scene.settings});
}

bool Init(const std::wstring& settingsPath, bool applySettings) {
  Scene& scene = GetScene();
  Reset();
  scene.settings.RemoveAllImages();
  scene.settings.Load(settingsPath);
  if (!applySettings) return true;

  LoadPictures();
  scene.showImages = scene.settings.GetValue(L"ShowImages");
  InitEffects();
  return true;
}

void ApplyPreviewChoices(int32_t fireStyle, int32_t showImages, const std::vector<std::wstring>& pictures) {
  Scene& scene = GetScene();
  scene.settings.SetValue(L"SelectFireEffect", fireStyle);
  if (scene.effect) scene.effect->ApplyChoices(scene.settings);
  scene.showImages = showImages;
  scene.settings.RemoveAllImages();
  for (const std::wstring& picture : pictures) scene.settings.AddImage(picture);
  // Only the dialog's pictures: those of the settings file may have been removed there.
  Reset();
  LoadPictures();
}

void Update() {
  Scene& scene = GetScene();
  if (scene.effect) scene.effect->UpdateCamera(scene.camera);
  if (IDirect3DDevice9* device = scene.window.device.Get()) {
    device->SetTransform(D3DTS_VIEW, &scene.camera.view);
    device->SetTransform(D3DTS_PROJECTION, &scene.camera.projection);
  }
  if (scene.effect) scene.effect->Update();
}

void DrawFrame(bool blankFrame) {
  Scene& scene = GetScene();
  Window& w = scene.window;
  IDirect3DDevice9* device = w.device.Get();
  if (!device) return;
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device->BeginScene();
  if (scene.showImages) {
    // Decoding waits for the first frame after the speed test, so that it never
    // takes time from the test's frames.
    if (!blankFrame) scene.pictures.StartLoading();
    DrawUserImages(scene.pictures, device, w.clientRect);
  }
  if (scene.effect) scene.effect->Draw(GetFrameClock().Time());
  w.DrawLogo();
  // Speed-test frames are composed in full, then hidden.
  if (blankFrame) device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
  device->EndScene();
  device->Present(nullptr, nullptr, nullptr, nullptr);
  platform::counters::Add(platform::counters::kFrames, 1);
}

bool HoldsFrameSurfaces() {
  const Scene& scene = GetScene();
  return scene.effect && scene.effect->HoldsFrameSurfaces();
}

void ReleaseFrameSurfaces() {
  Scene& scene = GetScene();
  if (scene.effect) scene.effect->ReleaseFrameSurfaces();
}

bool Teardown() {
  Scene& scene = GetScene();
  scene.pictures.Clear();
  if (scene.effect) scene.effect->Release();
  scene.window.ReleaseAll();
  return true;
}

}  // namespace SceneManager
