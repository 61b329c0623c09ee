#pragma once
// Archive entries served from folders, for tests and tools that run before (or
// without) the packed archive: "Resource/<name>" is looked up as <folder>/<name>.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "effects/FireEffect.h"

// Bytes owned as the archive hands them out: at least one byte allocated, so an
// empty entry is still found.
inline WorkSpace::ArchiveBytes OwnedBytes(std::string_view from) {
  WorkSpace::ArchiveBytes bytes{std::make_unique<uint8_t[]>(from.empty() ? 1 : from.size()),
                                static_cast<uint32_t>(from.size())};
  std::copy(from.begin(), from.end(), bytes.data.get());
  return bytes;
}

class FolderSource : public EntrySource {
public:
  explicit FolderSource(std::vector<std::wstring> folders) : folders_(std::move(folders)) {}

  WorkSpace::ArchiveBytes ReadEntry(const std::wstring& name) override {
    const std::wstring file = name.substr(name.find(L'/') + 1);
    for (const std::wstring& folder : folders_) {
      std::ifstream in(std::filesystem::path(folder + L"/" + file), std::ios::binary);
      if (!in) continue;
      const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      return OwnedBytes({bytes.data(), bytes.size()});
    }
    return {};
  }

private:
  std::vector<std::wstring> folders_;
};
