#include "app/SceneManager.h"

#include <algorithm>
#include <new>

#include "app/EffectFamilies.h"
#include "platform/Counters.h"
#include "platform/StartupTrace.h"
#include "render/FrameClock.h"

namespace {
std::unique_ptr<Scene> MakeScene() {
  auto scene = std::make_unique<Scene>();
  scene->effect = CreateSceneEffect(kBuildEffectFamily);
  return scene;
}

// The display settings' preview: its size is its parent's, one scene drawn straight in.
bool IsChild(HWND window) { return window && (GetWindowLongW(window, GWL_STYLE) & WS_CHILD); }

RECT Size(const RECT& area) { return RECT{0, 0, area.right - area.left, area.bottom - area.top}; }

void Say(const wchar_t* failure, const wchar_t* operation) {
  OutputDebugStringW((std::wstring(failure) + L" SceneManager::" + operation + L"()\n").c_str());
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
    DrawUserImages(scene.pictures, device, w.clientRect, GetFrameClock().Time());
  }
  if (scene.effect) scene.effect->Draw(GetFrameClock().Time());
  w.DrawLogo();
  // Speed-test frames are composed in full, then hidden.
  if (blankFrame) device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
  device->EndScene();
}
}  // namespace

SceneManager::SceneManager() { scenes_.push_back(MakeScene()); }

SceneManager::~SceneManager() { Teardown(); }

DeviceGate& SceneManager::Gate() {
  static DeviceGate direct;  // no state: the device's own answers
  return gate_ ? *gate_ : direct;
}

// Everything made with the device, and the device; the main scene's window holds
// its last reference, so the borrowers go first.
void SceneManager::ReleaseDeviceObjects() {
  for (size_t k = scenes_.size(); k-- > 0;) {
    Scene& scene = *scenes_[k];
    scene.pictures.Detach();
    if (scene.effect) scene.effect->Release();
    scene.target.Reset();
    scene.window.ReleaseAll();
  }
}

void SceneManager::LoadPicturesOf(Scene& scene) {
  // Monitor k begins its slideshow at the k-th entry (or shuffled, the k-th step of
  // the run's order) and walks the same order.
  const SettingsValues& choices = scene.settings.Choices();
  const bool shuffle = choices.shufflePictures == 1;
  const int count = scene.settings.ImageCount();
  std::vector<std::wstring> entries;
  entries.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i)
    entries.push_back(scene.settings.GetImage((i + (shuffle ? 0 : scene.pictureStart)) % count));
  // Nothing is decoded here: the pictures come as the slideshow needs them, at the
  // size of this monitor, no larger than the device takes, then stretched over it.
  const RECT& area = scene.window.clientRect;
  const SIZE size = FitWithinLimit(SIZE{area.right - area.left, area.bottom - area.top}, textureLimit_);
  const PictureShow show{choices.showWholePictures == 1 ? PictureFitMode::Whole : PictureFitMode::Fill, shuffle,
                         shuffleSeed_, scene.pictureStart};
  scene.pictures.SetPictures(std::move(entries), size.cx, size.cy, show);
}

// The parts of the window over several monitors: each scene drawn at its own size
// into its target and copied to its place, the rest black, then one present.
void SceneManager::ComposeMonitors(bool blankFrame) {
  IDirect3DDevice9* device = scenes_.front()->window.device.Get();
  Microsoft::WRL::ComPtr<IDirect3DSurface9> frame;
  if (FAILED(device->GetRenderTarget(0, frame.GetAddressOf()))) return;
  if (!gaps_.empty())
    device->Clear(static_cast<DWORD>(gaps_.size()), gaps_.data(), D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  for (auto& scene : scenes_) {
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

void SceneManager::Place(const std::vector<MonitorArea>& monitors, bool mainMonitorOnly) {
  spans_ = false;
  monitors_ = monitors;
  mainMonitorOnly_ = mainMonitorOnly;
  std::vector<RECT> areas;
  if (window_ && !IsChild(window_) && monitors.size() > 1) {
    RECT client{};
    GetClientRect(window_, &client);
    POINT origin{0, 0};
    ClientToScreen(window_, &origin);
    const SIZE size{client.right, client.bottom};
    for (size_t k = 0; k < (mainMonitorOnly ? 1 : monitors.size()); ++k) {
      const RECT r = MonitorInWindow(monitors[k], origin, size);
      if (r.right > r.left && r.bottom > r.top) areas.push_back(r);
    }
    spans_ = !areas.empty();
  }
  const size_t kept = scenes_.size();
  const size_t count = spans_ ? areas.size() : 1;
  while (scenes_.size() < count) scenes_.push_back(MakeScene());
  scenes_.resize(count);
  for (size_t k = 0; k < count; ++k) {
    scenes_[k]->pictureStart = static_cast<int>(k);
    scenes_[k]->area = spans_ ? areas[k] : RECT{};
    // A monitor that came shows what the others show.
    if (k >= kept) scenes_[k]->settings = scenes_.front()->settings;
  }
}

void SceneManager::PlaceMonitors(HWND window, const std::vector<MonitorArea>& monitors) {
  ReleaseDeviceObjects();
  window_ = window;
  noMonitor_ = false;
  Place(monitors, false);
}

std::vector<RECT> SceneManager::DrawAreas() const {
  std::vector<RECT> areas;
  if (noMonitor_) return areas;
  if (spans_) {
    for (const auto& scene : scenes_) areas.push_back(scene->area);
  } else if (window_) {
    RECT client{};
    GetClientRect(window_, &client);
    areas.push_back(client);
  }
  return areas;
}

// A new device on the window, shared by every monitor's scene, and each monitor's target.
bool SceneManager::Attach() {
  Scene& main = *scenes_.front();
  if (!main.window.Create(window_)) return false;
  textureLimit_ = Gate().TextureLimit(main.window.device.Get());
  gaps_.clear();
  if (!spans_) return true;
  D3DSURFACE_DESC frame{};
  Microsoft::WRL::ComPtr<IDirect3DSurface9> back;
  if (SUCCEEDED(main.window.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, back.GetAddressOf())))
    back->GetDesc(&frame);
  for (size_t k = 0; k < scenes_.size(); ++k) {
    Scene& scene = *scenes_[k];
    // The scene is drawn as on a monitor of the target's size, which the device's
    // limit may make smaller than the monitor.
    const RECT area = Size(scene.area);
    const SIZE size = FitWithinLimit(SIZE{area.right, area.bottom}, textureLimit_);
    if (k > 0) scene.window.Borrow(main.window, RECT{0, 0, size.cx, size.cy});
    scene.window.clientRect = RECT{0, 0, size.cx, size.cy};
    if (FAILED(Gate().CreateRenderTarget(main.window.device.Get(), size, frame.Format, scene.target.GetAddressOf()))) {
      scene.target.Reset();
      OutputDebugStringW(L"Failed create render target. SceneManager::Attach()\n");
    }
  }
  std::vector<RECT> covered;
  for (const auto& scene : scenes_)
    if (scene->target) covered.push_back(scene->area);
  RECT client{};
  GetClientRect(window_, &client);
  for (const RECT& r : UncoveredParts(client, covered)) gaps_.push_back({r.left, r.top, r.right, r.bottom});
  return true;
}

bool SceneManager::InitEffects() {
  bool all = true;
  for (auto& scene : scenes_) {
    Window& w = scene->window;
    w.Init();
    TraceStartStep(L"logo");
    scene->camera.Reset(w.clientRect.right, w.clientRect.bottom, 1.0f, 1000.0f);
    if (scene->effect)
      all = scene->effect->Initialise({w.device.Get(), w.clientRect, scene->camera, scene->settings, textureLimit_}) &&
            all;
  }
  return all;
}

// The one sequence of a start and of every rebuild; `operation` names the caller
// in what is said.
SceneManager::Made SceneManager::Make(const wchar_t* operation) {
  ReleaseDeviceObjects();
  Place(std::vector<MonitorArea>(monitors_), mainMonitorOnly_);
  if (!Attach()) return Made::NoDevice;
  TraceStartStep(L"device");
  const auto missing = std::count_if(scenes_.begin(), scenes_.end(), [](const auto& scene) { return !scene->target; });
  if (spans_ && static_cast<size_t>(missing) == scenes_.size()) return Made::NoTarget;
  for (auto& scene : scenes_) {
    scene->pictures.SetDevice(scene->window.device.Get());
    LoadPicturesOf(*scene);
  }
  TraceStartStep(L"pictures");
  // Without its effect a scene still draws its pictures and logo.
  if (!InitEffects()) Say(L"Failed create effect.", operation);
  TraceStartStep(L"effects");
  return spans_ && missing > 0 ? Made::TargetMissing : Made::All;
}

SceneStart SceneManager::Init(HWND window, const std::vector<MonitorArea>& monitors, const SettingsStore& settings) {
  // Memory running out while the scene is made is a scene that cannot be made, not
  // a window without its render thread.
  try {
    ReleaseDeviceObjects();
    window_ = window;
    noMonitor_ = false;
    targetTries_ = 0;
    Place(monitors, settings.Choices().mainMonitorOnly == 1);
    // Read once for the run; each monitor's scene keeps its own copy.
    for (auto& scene : scenes_) {
      scene->settings = settings;
      scene->pictures.Clear();
    }
    GetFrameClock().Start();
    // A new shuffled order each run.
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    shuffleSeed_ = static_cast<uint64_t>(now.QuadPart) ^ (static_cast<uint64_t>(GetCurrentProcessId()) << 32);
    switch (Make(L"Init")) {
      case Made::NoDevice: Say(L"Failed create device.", L"Attach"); return SceneStart::NoDevice;
      case Made::NoTarget: break;
      default: return SceneStart::Built;
    }
  } catch (const std::bad_alloc&) {
  }
  Say(L"Failed create scene.", L"Init");
  return SceneStart::NoScene;
}

void SceneManager::Update() {
  for (auto& scene : scenes_) {
    if (scene->effect) scene->effect->UpdateCamera(scene->camera);
    if (IDirect3DDevice9* device = scene->window.device.Get()) {
      device->SetTransform(D3DTS_VIEW, &scene->camera.view);
      device->SetTransform(D3DTS_PROJECTION, &scene->camera.projection);
    }
    if (scene->effect) scene->effect->Update();
  }
}

bool SceneManager::DrawFrame(bool blankFrame) {
  IDirect3DDevice9* device = scenes_.front()->window.device.Get();
  if (!device) return false;
  if (spans_)
    ComposeMonitors(blankFrame);
  else
    ComposeScene(*scenes_.front(), blankFrame);
  const HRESULT presented = Gate().Present(device);
  platform::counters::Add(platform::counters::kFrames, 1);
  return presented != D3DERR_DEVICELOST && presented != D3DERR_DRIVERINTERNALERROR;
}

SIZE DeviceGate::TextureLimit(IDirect3DDevice9* device) {
  D3DCAPS9 caps{};
  if (!device || FAILED(device->GetDeviceCaps(&caps))) return SIZE{};
  return SIZE{static_cast<LONG>(caps.MaxTextureWidth), static_cast<LONG>(caps.MaxTextureHeight)};
}

bool SceneManager::DeviceCanBeMade() {
  IDirect3DDevice9* device = scenes_.front()->window.device.Get();
  return !device || Gate().TestCooperativeLevel(device) != D3DERR_DEVICELOST;
}

bool SceneManager::Rebuild() {
  if (!window_ || noMonitor_) {
    ReleaseDeviceObjects();
    return false;
  }
  switch (Make(L"Rebuild")) {
    case Made::NoDevice: return false;
    case Made::All: targetTries_ = 0; return true;
    default:
      // A missing target is tried again a few times (video memory may come back),
      // then its monitor stays black as at a start.
      if (++targetTries_ < kRebuildTargetTries) return false;
      targetTries_ = 0;
      return true;
  }
}

bool SceneManager::Relayout(const std::vector<MonitorArea>& monitors) {
  monitors_ = monitors;
  noMonitor_ = monitors.empty() && !IsChild(window_);
  return Rebuild();
}

void SceneManager::PlaceMonitorsForErrorScreen(const std::vector<MonitorArea>& monitors) {
  ReleaseDeviceObjects();
  Place(monitors, mainMonitorOnly_);
  noMonitor_ = monitors.empty() && !IsChild(window_);
}

bool SceneManager::HoldsFrameSurfaces() const {
  const Scene& scene = *scenes_.front();
  return scene.effect && scene.effect->HoldsFrameSurfaces();
}

void SceneManager::ReleaseFrameSurfaces() {
  for (auto& scene : scenes_)
    if (scene->effect) scene->effect->ReleaseFrameSurfaces();
}

void SceneManager::Teardown() {
  ReleaseDeviceObjects();
  scenes_.resize(1);
  window_ = nullptr;
  spans_ = false;
}
