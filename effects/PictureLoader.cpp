#include "effects/PictureLoader.h"

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

#include "resources/PictureDecoder.h"

struct PictureLoader::Shared {
  std::mutex mutex;
  std::condition_variable changed;
  bool started = false;
  bool stop = false;
  bool exhausted = false;
  bool finished = false;
  std::optional<LoadedPicture> ready;
};

namespace {

// One readable picture, fitted; false when it cannot be read (or memory runs out).
bool LoadOne(const std::wstring& path, int width, int height, PictureFitMode mode, LoadedPicture& out) {
  try {
    DecodedPicture decoded;
    if (!DecodePictureFile(path, decoded)) return false;
    out.pixels = FitPicture(decoded, width, height, mode);
    if (out.pixels.empty()) return false;
    out.path = path;
    out.width = width;
    out.height = height;
    return true;
  } catch (...) {
    return false;
  }
}
}  // namespace

PictureLoader::PictureLoader(std::vector<std::wstring> entries, SlidePosition start, int width, int height,
                             PictureShow show)
    : shared_(std::make_shared<Shared>()) {
  std::optional<PictureSequence> inOrder;
  std::optional<ShuffledSequence> shuffled;
  if (show.shuffle)
    shuffled.emplace(std::move(entries), show.seed, start.picture);
  else
    inOrder.emplace(std::move(entries), start);
  const PictureFitMode mode = show.fit;
  std::thread([shared = shared_, inOrder = std::move(inOrder), shuffled = std::move(shuffled), width, height,
               mode]() mutable {
    const ComApartment com;
    // Frames come first: on a software renderer the decode would take their time.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    int wrapsWithoutPicture = 0;
    // Pictures that could not be read are not tried again on the next round: a
    // broken or huge file costs its time and its message once.
    std::set<std::wstring> unreadable;
    for (;;) {
      {
        std::unique_lock lock(shared->mutex);
        shared->changed.wait(lock, [&] { return shared->stop || (shared->started && !shared->ready); });
        if (shared->stop) break;
      }
      const auto item = shuffled ? shuffled->Next() : inOrder->Next();
      if (item && item->wrapped) ++wrapsWithoutPicture;
      // Past the end twice without a picture: every entry was tried and none could be read.
      if (!item || wrapsWithoutPicture >= 2) {
        std::lock_guard lock(shared->mutex);
        shared->exhausted = true;
        break;
      }
      if (unreadable.count(item->path)) continue;
      LoadedPicture picture;
      if (!LoadOne(item->path, width, height, mode, picture)) {
        OutputDebugStringW(kFailedMessage);
        unreadable.insert(item->path);
        continue;
      }
      wrapsWithoutPicture = 0;
      picture.position = item->position;
      std::lock_guard lock(shared->mutex);
      if (shared->stop) break;
      shared->ready = std::move(picture);
    }
    std::lock_guard lock(shared->mutex);
    shared->finished = true;
    shared->changed.notify_all();
  }).detach();
}

PictureLoader::~PictureLoader() {
  std::unique_lock lock(shared_->mutex);
  shared_->stop = true;
  shared_->changed.notify_all();
  shared_->changed.wait_for(lock, std::chrono::seconds(1), [&] { return shared_->finished; });
}

void PictureLoader::Start() {
  std::lock_guard lock(shared_->mutex);
  if (shared_->started) return;
  shared_->started = true;
  shared_->changed.notify_all();
}

std::optional<LoadedPicture> PictureLoader::Take() {
  std::lock_guard lock(shared_->mutex);
  std::optional<LoadedPicture> picture = std::move(shared_->ready);
  shared_->ready.reset();
  if (picture) shared_->changed.notify_all();
  return picture;
}

bool PictureLoader::Exhausted() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->exhausted;
}
