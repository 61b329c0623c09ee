#pragma once
#include <d3d9.h>

#include <cstdint>
#include <memory>
#include <string>

#include "gfx/Effect.h"
#include "resources/ArchiveBytes.h"

// Where an effect's files come from: the resource archive in the saver, a folder
// in tests.
class EntrySource {
public:
  virtual ~EntrySource() = default;
  virtual WorkSpace::ArchiveBytes ReadEntry(const std::wstring& name) = 0;
};

// The resource archive as an entry source.
EntrySource& ResourceArchiveSource();

// The effect of an entry, or null (the reasons go to the debugger output).
std::unique_ptr<gfx::Effect> CreateEffectFromEntry(IDirect3DDevice9* device, EntrySource& source,
                                                   const wchar_t* entryName, const gfx::EffectOptions& options = {});
// The same from the resource archive.
std::unique_ptr<gfx::Effect> CreateEffectFromArchive(IDirect3DDevice9* device, const wchar_t* entryName);
