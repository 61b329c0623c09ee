#include "app/SceneManager.h"

#include <algorithm>

#include "app/EffectFamilies.h"
#include "platform/Counters.h"
#include "render/FrameClock.h"

namespace SceneManager {

namespace {
std::unique_ptr<Scene> MakeScene() {
  auto scene = std::make_unique<Scene>();
  scene->effect = CreateSceneEffect(kBuildEffectFamily);
  scene->settings.Load(L"");  // the defaults, until a settings file is read
  return scene;
}

struct SceneSet;
SceneSet& Set();

// The scenes of the window. The main monitor's scene always exists, so that its
// slideshow and camera outlive a rebuild.
struct SceneSet {
  std::vector<std::unique_ptr<Scene>> scenes;
  HWND window = nullptr;  // the window the scenes were laid out on
  bool spans = false;     // each scene has a part of the window (several monitors)
  // The layout last placed, which a rebuild keeps.
  std::vector<MonitorArea> monitors;
  bool mainMonitorOnly = false;
  bool noMonitor = false;  // the desktop has none: nothing is drawn until one comes
  DeviceGate* gate = nullptr;
  // The parts of the window no scene covers, cleared each frame; the scenes' copies
  // cover the rest, so the frame is not cleared whole first.
  std::vector<D3DRECT> gaps;
  SIZE textureLimit{};  // the device's, read at each attach
  int targetTries = 0;   // rebuilds in a row that lacked a monitor's target
};

DeviceGate& Gate() {
  static DeviceGate direct;  // no state: the device's own answers
  SceneSet& set = Set();
  return set.gate ? *set.gate : direct;
}

// Everything made with the device, and the device; the main scene's window holds
// its last reference, so the borrowers go first.
void ReleaseDeviceObjects(SceneSet& set) {
  for (size_t k = set.scenes.size(); k-- > 0;) {
    Scene& scene = *set.scenes[k];
    scene.pictures.Detach();
    if (scene.effect) scene.effect->Release();
    scene.target.Reset();
    scene.window.ReleaseAll();
  }
}

SceneSet& Set() {
  static SceneSet set = [] {
    SceneSet s;
    s.scenes.push_back(MakeScene());
    return s;
  }();
  return set;
}

// The display settings' preview: its size is its parent's, one scene drawn straight in.
bool IsChild(HWND window) { return window && (GetWindowLongW(window, GWL_STYLE) & WS_CHILD); }

RECT Size(const RECT& area) { return RECT{0, 0, area.right - area.left, area.bottom - area.top}; }

void LoadPicturesOf(Scene& scene) {
  // Monitor k begins its slideshow at the k-th entry and walks the same order.
  const int count = scene.settings.ImageCount();
  std::vector<std::wstring> entries;
  entries.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) entries.push_back(scene.settings.GetImage((i + scene.pictureStart) % count));
  // Nothing is decoded here: the pictures come as the slideshow needs them, at the
  // size of this monitor.
  const RECT& area = scene.window.clientRect;
  // Decoded no larger than the device takes, then stretched over the monitor.
  const SIZE size = FitWithinLimit(SIZE{area.right - area.left, area.bottom - area.top}, Set().textureLimit);
  scene.pictures.SetPictures(std::move(entries), size.cx, size.cy);
}

// What one monitor shows, into the device's current target.
void ComposeScene(Scene& scene, bool blankFrame) {
  Window& w = scene.window;
  IDirect3DDevice9* device = w.device.Get();
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device->BeginScene();
  if (scene.settings.Choices().showImages) {
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
}

// The parts of the window over several monitors: each scene drawn at its own size
// into its target and copied to its place, the rest black, then one present.
void ComposeMonitors(SceneSet& set, bool blankFrame) {
  IDirect3DDevice9* device = set.scenes.front()->window.device.Get();
  Microsoft::WRL::ComPtr<IDirect3DSurface9> frame;
  if (FAILED(device->GetRenderTarget(0, frame.GetAddressOf()))) return;
  if (!set.gaps.empty())
    device->Clear(static_cast<DWORD>(set.gaps.size()), set.gaps.data(), D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  for (auto& scene : set.scenes) {
    if (!scene->target) continue;
    device->SetRenderTarget(0, scene->target.Get());
    ComposeScene(*scene, blankFrame);
    device->SetRenderTarget(0, frame.Get());
    // A target the device limit made smaller than its monitor is stretched over it.
    const bool scaled = scene->window.clientRect.right != scene->area.right - scene->area.left ||
                        scene->window.clientRect.bottom != scene->area.bottom - scene->area.top;
    device->StretchRect(scene->target.Get(), nullptr, frame.Get(), &scene->area,
                        scaled ? D3DTEXF_LINEAR : D3DTEXF_NONE);
  }
}
}  // namespace

Scene& GetScene() { return *Set().scenes.front(); }

void PlaceMonitors(HWND window, const std::vector<MonitorArea>& monitors, bool mainMonitorOnly) {
  SceneSet& set = Set();
  set.window = window;
  set.spans = false;
  set.monitors = monitors;
  set.mainMonitorOnly = mainMonitorOnly;
  set.noMonitor = false;
  std::vector<RECT> areas;
  if (window && !IsChild(window) && monitors.size() > 1) {
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    const SIZE size{client.right, client.bottom};
    for (size_t k = 0; k < (mainMonitorOnly ? 1 : monitors.size()); ++k) {
      const RECT r = MonitorInWindow(monitors[k], origin, size);
      if (r.right > r.left && r.bottom > r.top) areas.push_back(r);
    }
    set.spans = !areas.empty();
  }
  const size_t count = set.spans ? areas.size() : 1;
  while (set.scenes.size() < count) set.scenes.push_back(MakeScene());
  set.scenes.resize(count);
  for (size_t k = 0; k < count; ++k) {
    set.scenes[k]->pictureStart = static_cast<int>(k);
    set.scenes[k]->area = set.spans ? areas[k] : RECT{};
  }
}

std::vector<RECT> DrawAreas() {
  const SceneSet& set = Set();
  std::vector<RECT> areas;
  if (set.noMonitor) return areas;
  if (set.spans) {
    for (const auto& scene : set.scenes) areas.push_back(scene->area);
  } else if (set.window) {
    RECT client{};
    GetClientRect(set.window, &client);
    areas.push_back(client);
  }
  return areas;
}

bool Attach(HWND window) {
  SceneSet& set = Set();
  if (set.window != window || !window) PlaceMonitors(window, {}, false);
  ReleaseDeviceObjects(set);
  Scene& main = *set.scenes.front();
  if (!main.window.Create(window)) return false;
  set.textureLimit = Gate().TextureLimit(main.window.device.Get());
  if (!set.spans) return true;
  D3DSURFACE_DESC frame{};
  Microsoft::WRL::ComPtr<IDirect3DSurface9> back;
  if (SUCCEEDED(main.window.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, back.GetAddressOf())))
    back->GetDesc(&frame);
  for (size_t k = 0; k < set.scenes.size(); ++k) {
    Scene& scene = *set.scenes[k];
    // The scene is drawn as on a monitor of the target's size, which the device's
    // limit may make smaller than the monitor.
    const RECT area = Size(scene.area);
    const SIZE size = FitWithinLimit(SIZE{area.right, area.bottom}, set.textureLimit);
    if (k > 0) scene.window.Borrow(main.window, RECT{0, 0, size.cx, size.cy});
    scene.window.clientRect = RECT{0, 0, size.cx, size.cy};
    // A monitor whose target cannot be made stays black; the others go on.
    if (FAILED(main.window.device->CreateRenderTarget(size.cx, size.cy, frame.Format, D3DMULTISAMPLE_NONE, 0, FALSE,
                                                      scene.target.GetAddressOf(), nullptr))) {
      scene.target.Reset();
      OutputDebugStringW(L"Failed create render target. SceneManager::Attach()\n");
    }
  }
  std::vector<RECT> covered;
  for (const auto& scene : set.scenes)
    if (scene->target) covered.push_back(scene->area);
  RECT client{};
  GetClientRect(window, &client);
  set.gaps.clear();
  for (const RECT& r : UncoveredParts(client, covered)) set.gaps.push_back({r.left, r.top, r.right, r.bottom});
  return true;
}

void Reset() {
  for (auto& scene : Set().scenes) {
    scene->pictures.Clear();
    scene->pictures.SetDevice(scene->window.device.Get());
  }
  GetFrameClock().Start();
}

void LoadPictures() {
  for (auto& scene : Set().scenes) LoadPicturesOf(*scene);
}

bool InitEffects() {
  bool all = true;
  for (auto& scene : Set().scenes) {
    Window& w = scene->window;
    w.Init();
    scene->camera.Reset(w.clientRect.right, w.clientRect.bottom, 1.0f, 1000.0f);
    if (scene->effect)
      all = scene->effect->Initialise({w.device.Get(), w.clientRect, scene->camera, scene->settings,
                                       Set().textureLimit}) &&
            all;
  }
  return all;
}

bool Init(const std::wstring& settingsPath, bool applySettings) {
  SettingsStore stored;
  stored.Load(settingsPath);
  return Init(stored, applySettings);
}

bool Init(const SettingsStore& settings, bool applySettings) {
  Reset();
  // Read once for the run; each monitor's scene keeps its own copy.
  for (auto& scene : Set().scenes) scene->settings = settings;
  if (!applySettings) return true;

  LoadPictures();
  InitEffects();
  return true;
}

void ApplyPreviewChoices(int32_t fireStyle, int32_t showImages, const std::vector<std::wstring>& pictures) {
  for (auto& scene : Set().scenes) {
    scene->settings.Choices().selectFireEffect = fireStyle;
    if (scene->effect) scene->effect->ApplyChoices(scene->settings);
    scene->settings.Choices().showImages = showImages;
    scene->settings.RemoveAllImages();
    for (const std::wstring& picture : pictures) scene->settings.AddImage(picture);
  }
  // Only the dialog's pictures: those of the settings file may have been removed there.
  Reset();
  LoadPictures();
}

void Update() {
  for (auto& scene : Set().scenes) {
    if (scene->effect) scene->effect->UpdateCamera(scene->camera);
    if (IDirect3DDevice9* device = scene->window.device.Get()) {
      device->SetTransform(D3DTS_VIEW, &scene->camera.view);
      device->SetTransform(D3DTS_PROJECTION, &scene->camera.projection);
    }
    if (scene->effect) scene->effect->Update();
  }
}

bool DrawFrame(bool blankFrame) {
  SceneSet& set = Set();
  IDirect3DDevice9* device = set.scenes.front()->window.device.Get();
  if (!device) return false;
  if (set.spans)
    ComposeMonitors(set, blankFrame);
  else
    ComposeScene(*set.scenes.front(), blankFrame);
  const HRESULT presented = Gate().Present(device);
  platform::counters::Add(platform::counters::kFrames, 1);
  return presented != D3DERR_DEVICELOST && presented != D3DERR_DRIVERINTERNALERROR;
}

void SetDeviceGate(DeviceGate* gate) { Set().gate = gate; }

SIZE DeviceGate::TextureLimit(IDirect3DDevice9* device) {
  D3DCAPS9 caps{};
  if (!device || FAILED(device->GetDeviceCaps(&caps))) return SIZE{};
  return SIZE{static_cast<LONG>(caps.MaxTextureWidth), static_cast<LONG>(caps.MaxTextureHeight)};
}

bool DeviceCanBeMade() {
  IDirect3DDevice9* device = Set().scenes.front()->window.device.Get();
  return !device || Gate().TestCooperativeLevel(device) != D3DERR_DEVICELOST;
}

bool Rebuild() {
  SceneSet& set = Set();
  ReleaseDeviceObjects(set);
  HWND window = set.window;
  if (!window || set.noMonitor) return false;
  const size_t kept = set.scenes.size();
  PlaceMonitors(window, std::vector<MonitorArea>(set.monitors), set.mainMonitorOnly);
  // A monitor that came shows what the others show.
  const Scene& main = *set.scenes.front();
  for (size_t k = kept; k < set.scenes.size(); ++k) set.scenes[k]->settings = main.settings;
  if (!Attach(window)) return false;
  // A missing target is tried again a few times (video memory may come back), then
  // its monitor stays black as at a start.
  const bool targetMissing =
      set.spans && std::any_of(set.scenes.begin(), set.scenes.end(), [](const auto& scene) { return !scene->target; });
  if (targetMissing && ++set.targetTries < kRebuildTargetTries) return false;
  set.targetTries = 0;
  for (auto& scene : set.scenes) scene->pictures.SetDevice(scene->window.device.Get());
  LoadPictures();
  // Without its effect a scene still draws its pictures and logo: never a rebuild
  // retried for good.
  if (!InitEffects()) OutputDebugStringW(L"Failed create effect. SceneManager::Rebuild()\n");
  return true;
}

bool Relayout(const std::vector<MonitorArea>& monitors) {
  SceneSet& set = Set();
  set.monitors = monitors;
  set.noMonitor = monitors.empty() && !IsChild(set.window);
  return Rebuild();
}

void PlaceMonitorsForErrorScreen(const std::vector<MonitorArea>& monitors) {
  SceneSet& set = Set();
  ReleaseDeviceObjects(set);
  PlaceMonitors(set.window, monitors, set.mainMonitorOnly);
  set.noMonitor = monitors.empty() && !IsChild(set.window);
}

bool HoldsFrameSurfaces() {
  const Scene& scene = GetScene();
  return scene.effect && scene.effect->HoldsFrameSurfaces();
}

void ReleaseFrameSurfaces() {
  for (auto& scene : Set().scenes)
    if (scene->effect) scene->effect->ReleaseFrameSurfaces();
}

bool Teardown() {
  SceneSet& set = Set();
  ReleaseDeviceObjects(set);
  set.scenes.resize(1);
  set.window = nullptr;
  set.spans = false;
  return true;
}

}  // namespace SceneManager
