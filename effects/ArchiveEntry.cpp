#include "effects/ArchiveEntry.h"

#include <windows.h>

#include "resources/Strings.h"
#include "resources/ZipReader.h"

namespace {
class ArchiveSource final : public EntrySource {
public:
  WorkSpace::ArchiveBytes ReadEntry(const std::wstring& name) override {
    return WorkSpace::GetResourceArchive().ReadEntry(name);
  }
};
}  // namespace

EntrySource& ResourceArchiveSource() {
  static ArchiveSource source;
  return source;
}

std::unique_ptr<gfx::Effect> CreateEffectFromEntry(IDirect3DDevice9* device, EntrySource& source,
                                                   const wchar_t* entryName, const gfx::EffectOptions& options) {
  const WorkSpace::ArchiveBytes text = source.ReadEntry(entryName);
  std::unique_ptr<gfx::Effect> effect;
  if (device && text && text.size > 0) {
    std::string errors;
    effect = gfx::Effect::CreateFromMemory(device, text.get(), text.size, &errors, ToAnsi(entryName), options);
    if (!effect && !errors.empty()) OutputDebugStringW((FromAnsi(errors) + L"\n").c_str());
  }
  return effect;
}

std::unique_ptr<gfx::Effect> CreateEffectFromArchive(IDirect3DDevice9* device, const wchar_t* entryName) {
  return CreateEffectFromEntry(device, ResourceArchiveSource(), entryName);
}
