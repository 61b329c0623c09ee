#pragma once
#include <d3d9.h>

#include <cstdint>
#include <memory>
#include <string>

#include "gfx/Effect.h"

// One entry of the resource archive, held while in scope: the archive keeps a
// single entry buffer, given back when this goes.
class ArchiveEntry {
public:
  explicit ArchiveEntry(const std::wstring& name);
  ~ArchiveEntry();
  ArchiveEntry(const ArchiveEntry&) = delete;
  ArchiveEntry& operator=(const ArchiveEntry&) = delete;

  const uint8_t* data = nullptr;
  uint32_t size = 0;
};

// The effect of an archive entry, or null (the reasons go to the debugger output).
std::unique_ptr<gfx::Effect> CreateEffectFromArchive(IDirect3DDevice9* device, const wchar_t* entryName);
