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

// Where an effect's files come from: the resource archive in the saver, a folder
// in tests. One entry is held at a time.
class EntrySource {
public:
  virtual ~EntrySource() = default;
  virtual const uint8_t* ReadEntry(const std::wstring& name, uint32_t& size) = 0;
  virtual void FreeEntry() = 0;
};

// The resource archive as an entry source.
EntrySource& ResourceArchiveSource();

// The effect of an entry, or null (the reasons go to the debugger output).
std::unique_ptr<gfx::Effect> CreateEffectFromEntry(IDirect3DDevice9* device, EntrySource& source,
                                                   const wchar_t* entryName, const gfx::EffectOptions& options = {});
// The same from the resource archive.
std::unique_ptr<gfx::Effect> CreateEffectFromArchive(IDirect3DDevice9* device, const wchar_t* entryName);
