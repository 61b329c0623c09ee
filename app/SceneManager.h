#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "effects/SceneEffect.h"
#include "effects/UserTextures.h"
#include "render/Camera.h"
#include "render/MonitorLayout.h"
#include "render/Window.h"
#include "settings/SettingsStore.h"

// Everything one monitor's scene draws from: the device on its window, the camera,
// the build's effect family, the user's pictures and the settings they came from.
// The camera's turn and the cross-fade outlive rebuilds.
struct Scene {
  Window window;
  Camera camera;
  std::unique_ptr<SceneEffect> effect;  // the build's family, made at first use
  SettingsStore settings;  // the run's choices (the dialog's, in its preview)
  UserTextures pictures;
  int pictureStart = 0;  // the monitor's place in the order: where its slideshow begins
  RECT area{};           // the monitor's part of the window, when the window spans several
  Microsoft::WRL::ComPtr<IDirect3DSurface9> target;  // drawn into, then copied to the area
};

// The device's Present, state query, texture limit and targets. Wine never loses a
// windowed device and allows any size, so the tests put in a gate whose answers they choose;
// nullptr gives the device's own.
class DeviceGate {
public:
  virtual ~DeviceGate() = default;
  virtual HRESULT Present(IDirect3DDevice9* device) { return device->Present(nullptr, nullptr, nullptr, nullptr); }
  virtual HRESULT TestCooperativeLevel(IDirect3DDevice9* device) { return device->TestCooperativeLevel(); }
  // MaxTextureWidth x MaxTextureHeight (0 x 0 when the caps cannot be read).
  virtual SIZE TextureLimit(IDirect3DDevice9* device);
  // A monitor's target (video memory may run out).
  virtual HRESULT CreateRenderTarget(IDirect3DDevice9* device, SIZE size, D3DFORMAT format,
                                     IDirect3DSurface9** target) {
    return device->CreateRenderTarget(size.cx, size.cy, format, D3DMULTISAMPLE_NONE, 0, FALSE, target, nullptr);
  }
};

// What a start made.
enum class SceneStart {
  Built,     // the scene draws (perhaps without its effect, or with a monitor black)
  NoDevice,  // no device on the window: the error screen
  NoScene,   // a device, but nothing to draw on any monitor: the error screen
};

// Turns the run's settings into one scene per monitor the window shows and
// composes each frame: backdrop, the family's effect, the logo. A child window (the
// display settings' preview) or a desktop of one monitor has one scene, drawn
// straight into the window. Over several monitors one device on the window draws
// each monitor's scene into a target of that monitor's size, as if it were alone,
// and copies it to the monitor's place; the virtual screen's gaps stay black and one
// present shows the whole, so no monitor waits for another's vertical blank.
//
// A start and every rebuild go through one sequence (Make): the device, each
// monitor's target, the pictures, the effects, with one rule for each failure:
// - no device: at a start the error screen; after a loss or a display change it is
//   tried again until it can be made;
// - no target for a monitor: that monitor stays black; a rebuild tries again
//   kRebuildTargetTries times first; no target for any monitor at a start: the
//   error screen;
// - no effect: the scene draws its pictures and logo without it.
// One object per run (the saver's window or the dialog's preview), owned by it.
class SceneManager {
public:
  SceneManager();
  ~SceneManager();
  SceneManager(const SceneManager&) = delete;
  SceneManager& operator=(const SceneManager&) = delete;

  // The start of a run: the monitors laid out over the window (`settings`'
  // MainMonitorOnly leaves all but the main one black), every scene given the
  // settings read once for the run, the frame clock started, then everything made.
  // Says on the debugger output what could not be made.
  SceneStart Init(HWND window, const std::vector<MonitorArea>& monitors, const SettingsStore& settings);
  // The error screen's layout: the monitors placed over the window, nothing made.
  void PlaceMonitors(HWND window, const std::vector<MonitorArea>& monitors);

  // The main monitor's scene (the only one on a single monitor).
  Scene& GetScene() { return *scenes_.front(); }
  // The parts of the window that show something (a scene or the error screen), the
  // main monitor's first; the whole client area on a single monitor.
  std::vector<RECT> DrawAreas() const;

  void Update();
  // Draws and presents every monitor: one frame of the whole. False when there is no
  // device, or presenting found it lost.
  bool DrawFrame(bool blankFrame);

  void SetDeviceGate(DeviceGate* gate) { gate_ = gate; }
  // Whether a device may be made now: there is none, or it is lost no longer and
  // waits to be reset.
  bool DeviceCanBeMade();
  // After a lost device: everything made with it released and made again on the
  // same window and layout. Each scene keeps its settings, camera and place in the
  // slideshow. False when it is to be tried again later (no device, a missing
  // target, no monitor).
  static constexpr int kRebuildTargetTries = 10;
  bool Rebuild();
  // After a display change: the monitors as they are now laid out over the window
  // (already moved over the new virtual screen), then Rebuild. A monitor that came
  // gets the main scene's settings. With none at all nothing is drawn until a
  // Relayout with some.
  bool Relayout(const std::vector<MonitorArea>& monitors);
  // The error screen's layout after a display change: the scenes' device objects
  // released (they are not drawn again), the monitors placed as they are now.
  void PlaceMonitorsForErrorScreen(const std::vector<MonitorArea>& monitors);

  // Whether the family keeps per-frame surfaces that ReleaseFrameSurfaces gives back.
  bool HoldsFrameSurfaces() const;
  void ReleaseFrameSurfaces();
  // Everything made with the device released, one scene kept.
  void Teardown();

private:
  enum class Made { All, TargetMissing, NoTarget, NoDevice };
  Made Make(const wchar_t* operation);
  void Place(const std::vector<MonitorArea>& monitors, bool mainMonitorOnly);
  bool Attach();
  bool InitEffects();
  void LoadPicturesOf(Scene& scene);
  void ReleaseDeviceObjects();
  DeviceGate& Gate();
  void ComposeMonitors(bool blankFrame);

  // The main monitor's scene always exists, so that its slideshow and camera
  // outlive a rebuild.
  std::vector<std::unique_ptr<Scene>> scenes_;
  HWND window_ = nullptr;  // the window the scenes were laid out on
  bool spans_ = false;     // each scene has a part of the window (several monitors)
  // The layout last placed, which a rebuild keeps.
  std::vector<MonitorArea> monitors_;
  bool mainMonitorOnly_ = false;
  bool noMonitor_ = false;  // the desktop has none: nothing is drawn until one comes
  DeviceGate* gate_ = nullptr;
  // The parts of the window no scene covers, cleared each frame; the scenes' copies
  // cover the rest, so the frame is not cleared whole first.
  std::vector<D3DRECT> gaps_;
  SIZE textureLimit_{};  // the device's, read at each attach
  int targetTries_ = 0;   // rebuilds in a row that lacked a monitor's target
  uint64_t shuffleSeed_ = 0;  // the run's shuffled order of pictures
};
