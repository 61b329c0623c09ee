#include "platform/Handles.h"

namespace platform {

RegistryKey RegistryKey::Open(HKEY root, const wchar_t* subKey, REGSAM access) {
  RegistryKey key;
  if (RegOpenKeyExW(root, subKey, 0, KEY_QUERY_VALUE | access, &key.key_) != ERROR_SUCCESS) key.key_ = nullptr;
  return key;
}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
  if (this != &other) {
    Close();
    key_ = std::exchange(other.key_, nullptr);
  }
  return *this;
}

bool RegistryKey::ReadDword(const wchar_t* name, DWORD& value) const {
  if (!key_) return false;
  DWORD type = REG_DWORD, size = sizeof(DWORD);
  DWORD data = value;
  if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
    return false;
  value = data;
  return true;
}

bool RegistryKey::Close() {
  if (!key_) return true;
  return RegCloseKey(std::exchange(key_, nullptr)) == ERROR_SUCCESS;
}

LockedRect::LockedRect(IDirect3DTexture9* texture, UINT level, DWORD flags) : texture_(texture), level_(level) {
  locked_ = texture && SUCCEEDED(texture->LockRect(level, &rect_, nullptr, flags));
}

LockedRect::LockedRect(IDirect3DSurface9* surface, DWORD flags) : surface_(surface) {
  locked_ = surface && SUCCEEDED(surface->LockRect(&rect_, nullptr, flags));
}

LockedRect::~LockedRect() {
  if (!locked_) return;
  if (texture_) texture_->UnlockRect(level_);
  if (surface_) surface_->UnlockRect();
}

}  // namespace platform
