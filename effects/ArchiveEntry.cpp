#include "effects/ArchiveEntry.h"

#include <windows.h>

#include "resources/Strings.h"
#include "resources/ZipReader.h"

ArchiveEntry::ArchiveEntry(const std::wstring& name) {
  try {
    data = WorkSpace::GetResourceArchive().ReadEntry(name, size);
  } catch (...) {
    data = nullptr;
  }
  if (!data) size = 0;
}

ArchiveEntry::~ArchiveEntry() { WorkSpace::GetResourceArchive().FreeEntry(); }

namespace {
class ArchiveSource final : public EntrySource {
public:
  const uint8_t* ReadEntry(const std::wstring& name, uint32_t& size) override {
    try {
      return WorkSpace::GetResourceArchive().ReadEntry(name, size);
    } catch (...) {
      return nullptr;
    }
  }
  void FreeEntry() override { WorkSpace::GetResourceArchive().FreeEntry(); }
};
}  // namespace

EntrySource& ResourceArchiveSource() {
  static ArchiveSource source;
  return source;
}

std::unique_ptr<gfx::Effect> CreateEffectFromEntry(IDirect3DDevice9* device, EntrySource& source,
                                                   const wchar_t* entryName, const gfx::EffectOptions& options) {
  uint32_t size = 0;
  const uint8_t* data = source.ReadEntry(entryName, size);
  std::unique_ptr<gfx::Effect> effect;
  if (device && data && size > 0) {
    std::string errors;
    effect = gfx::Effect::CreateFromMemory(device, data, size, &errors, ToAnsi(entryName), options);
    if (!effect && !errors.empty()) OutputDebugStringW((FromAnsi(errors) + L"\n").c_str());
  }
  source.FreeEntry();
  return effect;
}

std::unique_ptr<gfx::Effect> CreateEffectFromArchive(IDirect3DDevice9* device, const wchar_t* entryName) {
  return CreateEffectFromEntry(device, ResourceArchiveSource(), entryName);
}
