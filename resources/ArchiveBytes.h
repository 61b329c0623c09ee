#pragma once
#include <cstdint>
#include <memory>

namespace WorkSpace {
// One archive entry's bytes, owned by whoever read them. A found entry is true
// even when empty (size 0, data then points at a single zero byte); a missing or
// unreadable one is false with size 0.
struct ArchiveBytes {
  std::unique_ptr<uint8_t[]> data;
  uint32_t size = 0;

  explicit operator bool() const { return data != nullptr; }
  const uint8_t* get() const { return data.get(); }
};
}  // namespace WorkSpace
