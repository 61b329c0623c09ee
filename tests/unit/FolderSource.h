#pragma once
// Archive entries served from folders, for tests and tools that run before (or
// without) the packed archive: "Resource/<name>" is looked up as <folder>/<name>.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "effects/FireEffect.h"

class FolderSource : public EntrySource {
public:
  explicit FolderSource(std::vector<std::wstring> folders) : folders_(std::move(folders)) {}

  const uint8_t* ReadEntry(const std::wstring& name, uint32_t& size) override {
    const std::wstring file = name.substr(name.find(L'/') + 1);
    for (const std::wstring& folder : folders_) {
      std::ifstream in(std::filesystem::path(folder + L"/" + file), std::ios::binary);
      if (!in) continue;
      buffer_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      size = static_cast<uint32_t>(buffer_.size());
      return reinterpret_cast<const uint8_t*>(buffer_.data());
    }
    size = 0;
    return nullptr;
  }
  void FreeEntry() override { buffer_.clear(); }

private:
  std::vector<std::wstring> folders_;
  std::vector<char> buffer_;
};
