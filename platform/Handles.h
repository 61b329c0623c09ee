#pragma once
// Owners for the system handles the saver holds: each closes its handle exactly
// once, when it goes out of scope, and none can be copied.
#include <windows.h>
#include <d3d9.h>

#include <cstdint>
#include <utility>

#include "platform/Counters.h"

namespace platform {

// A function of a loaded module, looked up by name and typed; null when the module
// is missing or this Windows lacks the function.
template <typename Fn>
Fn ModuleFunction(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// A handle of type H closed by Close::operator(); Invalid is the empty value.
// Close::kKind names the count the handle is live in (platform/Counters.h).
template <typename H, typename Close, H Invalid = H{}>
class UniqueHandle {
public:
  UniqueHandle() = default;
  explicit UniqueHandle(H handle) : handle_(handle) {
    if (handle_ != Invalid) counters::Add(Close::kKind, 1);
  }
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Invalid)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, Invalid));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  H get() const { return handle_; }
  explicit operator bool() const { return handle_ != Invalid; }
  // The caller owns the handle from here on, outside the counts.
  H release() {
    if (handle_ != Invalid) counters::Add(Close::kKind, -1);
    return std::exchange(handle_, Invalid);
  }
  void reset(H handle = Invalid) {
    if (handle_ != Invalid) {
      Close{}(handle_);
      counters::Add(Close::kKind, -1);
    }
    if (handle != Invalid) counters::Add(Close::kKind, 1);
    handle_ = handle;
  }

private:
  H handle_ = Invalid;
};

struct CloseMenu {
  static constexpr counters::Kind kKind = counters::kUserObjects;
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};
struct CloseModule {
  static constexpr counters::Kind kKind = counters::kModules;
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
struct CloseKernelHandle {
  static constexpr counters::Kind kKind = counters::kKernelHandles;
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueMenu = UniqueHandle<HMENU, CloseMenu>;
using UniqueModule = UniqueHandle<HMODULE, CloseModule>;
using UniqueKernelHandle = UniqueHandle<HANDLE, CloseKernelHandle>;

// An open registry key. Close reports whether the system closed it cleanly, for
// callers that count a failed close as a failed read.
class RegistryKey {
public:
  RegistryKey() = default;
  // Opens root\subKey for reading (access adds a registry view, for example).
  static RegistryKey Open(HKEY root, const wchar_t* subKey, REGSAM access = 0);
  ~RegistryKey() { Close(); }
  RegistryKey(RegistryKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
  RegistryKey& operator=(RegistryKey&& other) noexcept;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  explicit operator bool() const { return key_ != nullptr; }
  HKEY get() const { return key_; }
  // The value when its data fits four bytes, type not examined; shorter data lies
  // over the low bytes of what value held. False (value untouched) otherwise.
  bool ReadDword(const wchar_t* name, DWORD& value) const;
  bool Close();

private:
  HKEY key_ = nullptr;
};

// A window's device context, given back to its window.
class WindowDC {
public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {
    if (dc_) counters::Add(counters::kGdiObjects, 1);
  }
  ~WindowDC() {
    if (dc_) {
      ReleaseDC(window_, dc_);
      counters::Add(counters::kGdiObjects, -1);
    }
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

private:
  HWND window_;
  HDC dc_;
};

// A GDI object selected into a device context for this scope; the one it replaced
// goes back in at the end.
class SelectedObject {
public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
  ~SelectedObject() {
    if (previous_) SelectObject(dc_, previous_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A locked level of a texture (or a locked surface), unlocked at the end of the scope.
class LockedRect {
public:
  LockedRect(IDirect3DTexture9* texture, UINT level, DWORD flags = 0);
  LockedRect(IDirect3DSurface9* surface, DWORD flags = 0);
  ~LockedRect();
  LockedRect(const LockedRect&) = delete;
  LockedRect& operator=(const LockedRect&) = delete;

  explicit operator bool() const { return locked_; }
  uint8_t* Row(int y) const { return static_cast<uint8_t*>(rect_.pBits) + static_cast<ptrdiff_t>(y) * rect_.Pitch; }
  INT Pitch() const { return rect_.Pitch; }

private:
  IDirect3DTexture9* texture_ = nullptr;
  IDirect3DSurface9* surface_ = nullptr;
  UINT level_ = 0;
  D3DLOCKED_RECT rect_{};
  bool locked_ = false;
};

}  // namespace platform
