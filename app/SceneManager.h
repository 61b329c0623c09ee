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

// Turns the stored settings into one scene per monitor the window shows and
// composes each frame: backdrop, the family's effect, the logo. A child window (the
// display settings' preview) or a desktop of one monitor has one scene, drawn
// straight into the window. Over several monitors one device on the window draws
// each monitor's scene into a target of that monitor's size, as if it were alone,
// and copies it to the monitor's place; the virtual screen's gaps stay black and one
// present shows the whole, so no monitor waits for another's vertical blank.
namespace SceneManager {
// The main monitor's scene (the only one on a single monitor).
Scene& GetScene();
// Lays the window out over the monitors it covers; `mainMonitorOnly` leaves the
// others black. Before Attach; without it Attach draws on the window alone.
void PlaceMonitors(HWND window, const std::vector<MonitorArea>& monitors, bool mainMonitorOnly);
// The parts of the window that show something (a scene or the error screen), the
// main monitor's first; the whole client area on a single monitor.
std::vector<RECT> DrawAreas();
// Releases the previous device objects and puts a new device on the window, shared
// by every monitor's scene.
bool Attach(HWND window);
// Every scene takes the settings read once for the run.
bool Init(const SettingsStore& settings, bool applySettings);
bool Init(const std::wstring& settingsPath, bool applySettings);
bool InitEffects();
void Reset();
void LoadPictures();
// The dialog's preview: its flame style, picture switch and pictures replace
// those read from the settings file.
void ApplyPreviewChoices(int32_t fireStyle, int32_t showImages, const std::vector<std::wstring>& pictures);
void Update();
// Draws and presents every monitor: one frame of the whole. False when there is no
// device, or presenting found it lost.
bool DrawFrame(bool blankFrame);

// The device's Present, state query and texture limit. Wine never loses a windowed
// device and allows any size, so the tests put in a gate whose answers they choose;
// nullptr gives the device's own.
class DeviceGate {
public:
  virtual ~DeviceGate() = default;
  virtual HRESULT Present(IDirect3DDevice9* device) { return device->Present(nullptr, nullptr, nullptr, nullptr); }
  virtual HRESULT TestCooperativeLevel(IDirect3DDevice9* device) { return device->TestCooperativeLevel(); }
  // MaxTextureWidth x MaxTextureHeight (0 x 0 when the caps cannot be read).
  virtual SIZE TextureLimit(IDirect3DDevice9* device);
};
void SetDeviceGate(DeviceGate* gate);
// Whether a device may be made now: there is none, or it is lost no longer and
// waits to be reset.
bool DeviceCanBeMade();
// After a lost device: everything made with it released, a new device on the same
// window and layout, every scene's effect, pictures and targets made again. Each
// scene keeps its settings, camera and place in the slideshow. False when the
// device or a monitor's target could not be made (tried again later; a target only
// kRebuildTargetTries times, then that monitor stays black), or there is no monitor.
// An effect that cannot be made leaves the rest of its scene drawing, as at a start.
constexpr int kRebuildTargetTries = 10;
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
bool HoldsFrameSurfaces();
void ReleaseFrameSurfaces();
bool Teardown();
}  // namespace SceneManager
