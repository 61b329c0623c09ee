#include "effects/PictureSequence.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <cwctype>
#include <numeric>
#include <random>
#include <set>

namespace {
bool LogicalLess(const std::wstring& a, const std::wstring& b) { return StrCmpLogicalW(a.c_str(), b.c_str()) < 0; }

// Reads one folder's names; hidden dot-entries and reparse points (links that may
// lead back up) are passed over.
void ReadFolder(const std::wstring& path, std::vector<std::wstring>& files, std::vector<std::wstring>& folders) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  std::vector<std::wstring> fileNames, folderNames;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) folderNames.push_back(name);
    } else if (PictureSequence::IsPictureName(name)) {
      fileNames.push_back(name);
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
  std::sort(fileNames.begin(), fileNames.end(), LogicalLess);
  std::sort(folderNames.begin(), folderNames.end(), LogicalLess);
  const std::wstring prefix = path.empty() || path.back() == L'\\' ? path : path + L"\\";
  for (const std::wstring& n : fileNames) files.push_back(prefix + n);
  for (const std::wstring& n : folderNames) folders.push_back(prefix + n);
}
}  // namespace

PictureSequence::PictureSequence(std::vector<std::wstring> entries, SlidePosition start)
    : entries_(std::move(entries)), position_(start) {
  if (position_.entry < 0 || position_.entry >= static_cast<int>(entries_.size())) position_ = {};
  skip_ = std::max<int64_t>(position_.picture, 0);
  position_.picture = 0;
}

bool PictureSequence::IsFolder(const std::wstring& path) {
  const DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool PictureSequence::IsPictureName(const std::wstring& name) {
  const size_t dot = name.rfind(L'.');
  if (dot == std::wstring::npos) return false;
  std::wstring ext = name.substr(dot + 1);
  for (wchar_t& c : ext) c = static_cast<wchar_t>(std::towlower(c));
  for (const wchar_t* kind : {L"jpg", L"jpeg", L"jpe", L"png", L"bmp", L"gif", L"tif", L"tiff"})
    if (ext == kind) return true;
  return false;
}

void PictureSequence::OpenEntry() {
  walk_.clear();
  entryOpen_ = true;
  const std::wstring& entry = entries_[position_.entry];
  isFile_ = !IsFolder(entry);
  if (!isFile_) {
    Folder root;
    root.path = entry;
    ReadFolder(entry, root.files, root.folders);
    walk_.push_back(std::move(root));
  }
}

void PictureSequence::Advance() {
  entryOpen_ = false;
  walk_.clear();
  position_.picture = 0;
  if (++position_.entry >= static_cast<int>(entries_.size())) {
    position_.entry = 0;
    wrapped_ = true;
  }
}

std::optional<std::wstring> PictureSequence::NextInFolders() {
  while (!walk_.empty()) {
    Folder& top = walk_.back();
    if (top.nextFile < top.files.size()) return top.files[top.nextFile++];
    if (top.nextFolder < top.folders.size()) {
      Folder sub;
      sub.path = top.folders[top.nextFolder++];
      ReadFolder(sub.path, sub.files, sub.folders);
      walk_.push_back(std::move(sub));
      continue;
    }
    walk_.pop_back();
  }
  return std::nullopt;
}

std::optional<PictureSequence::Item> PictureSequence::Next() {
  if (entries_.empty()) return std::nullopt;
  auto take = [this](std::wstring path, SlidePosition at) {
    Item item{std::move(path), at, wrapped_};
    wrapped_ = false;
    return item;
  };
  // Each entry is opened at most twice per call: a list of empty folders cannot spin.
  for (size_t visits = 0; visits <= 2 * entries_.size() + 1; ++visits) {
    if (!entryOpen_) OpenEntry();
    if (isFile_) {  // a file (or whatever is no folder) stands for itself, once
      std::optional<Item> item;
      if (skip_ > 0)
        skip_ = 0;
      else
        item = take(entries_[position_.entry], position_);
      Advance();
      if (item) return item;
      continue;
    }
    while (auto path = NextInFolders()) {
      const SlidePosition at = position_;
      ++position_.picture;
      if (skip_ > 0) {
        --skip_;
        continue;
      }
      return take(std::move(*path), at);
    }
    skip_ = 0;  // the folder holds fewer pictures than it did: start at the next entry
    Advance();
  }
  return std::nullopt;
}

ShuffledSequence::ShuffledSequence(std::vector<std::wstring> entries, uint64_t seed, int64_t step)
    : entries_(std::move(entries)), seed_(seed), step_(std::max<int64_t>(step, 0)), firstStep_(step_) {}

namespace {
// Fisher-Yates with the generator's raw output, the same order on every build.
std::vector<uint32_t> RawRoundOrder(uint64_t seed, int64_t round, uint32_t count, std::mt19937_64& random) {
  std::vector<uint32_t> order(count);
  std::iota(order.begin(), order.end(), 0u);
  random.seed(seed + static_cast<uint64_t>(round) * 0x9E3779B97F4A7C15ull);
  for (uint32_t i = count; i > 1; --i) std::swap(order[i - 1], order[random() % i]);
  return order;
}
}  // namespace

std::vector<uint32_t> ShuffledSequence::RoundOrder(uint64_t seed, int64_t round, uint32_t count) {
  std::mt19937_64 random;
  if (count <= 2) {  // two pictures can only take turns
    std::vector<uint32_t> order(count);
    std::iota(order.begin(), order.end(), 0u);
    return order;
  }
  std::vector<uint32_t> order = RawRoundOrder(seed, round, count, random);
  // The mend below never moves a round's last picture, so the round before ends
  // with its raw last one.
  if (round > 0 && order.front() == RawRoundOrder(seed, round - 1, count, random).back()) {
    random.seed(seed ^ static_cast<uint64_t>(round));
    std::swap(order.front(), order[1 + random() % (count - 2)]);
  }
  return order;
}

std::optional<PictureSequence::Item> ShuffledSequence::Next() {
  if (!read_) {
    read_ = true;
    // A picture listed twice (itself and in a listed folder) is still one picture.
    std::set<std::wstring> seen;
    PictureSequence walk(std::move(entries_), {});
    for (auto item = walk.Next(); item && !(item->wrapped && !files_.empty()); item = walk.Next())
      if (seen.insert(item->path).second) files_.push_back(std::move(item->path));
  }
  if (files_.empty()) return std::nullopt;
  const auto count = static_cast<int64_t>(files_.size());
  const int64_t round = step_ / count, at = step_ % count;
  if (round != round_) {
    order_ = RoundOrder(seed_, round, static_cast<uint32_t>(count));
    round_ = round;
  }
  const uint32_t picture = order_[at];
  PictureSequence::Item item{files_[picture], SlidePosition{static_cast<int>(picture), step_},
                             at == 0 && step_ > firstStep_};
  ++step_;
  return item;
}
