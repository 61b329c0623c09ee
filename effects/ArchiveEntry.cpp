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

std::unique_ptr<gfx::Effect> CreateEffectFromArchive(IDirect3DDevice9* device, const wchar_t* entryName) {
  ArchiveEntry entry(entryName);
  if (!device || !entry.data || entry.size == 0) return nullptr;
  std::string errors;
  auto effect = gfx::Effect::CreateFromMemory(device, entry.data, entry.size, &errors, ToAnsi(entryName));
  if (!effect && !errors.empty()) OutputDebugStringW((FromAnsi(errors) + L"\n").c_str());
  return effect;
}
