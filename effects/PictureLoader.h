#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "effects/PictureFit.h"
#include "effects/PictureSequence.h"

// How the slideshow shows its pictures.
struct PictureShow {
  PictureFitMode fit = PictureFitMode::Fill;
  bool shuffle = false;
  uint64_t seed = 0;        // the run's shuffled order, shared by its monitors
  int64_t firstStep = 0;    // where in that order this monitor begins
};

// One picture ready to become a texture: upright, fitted to the area it is shown
// in, opaque BGRA rows.
struct LoadedPicture {
  std::wstring path;
  SlidePosition position;
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
};

// Decodes the slideshow's pictures one at a time on a thread of its own, so that
// neither the window nor the frame loop ever waits for a decode: at most one
// finished picture waits to be taken, and the next decode begins when it is.
class PictureLoader {
public:
  // `start` is where a list's walk begins, or (shuffled) the step of the order.
  PictureLoader(std::vector<std::wstring> entries, SlidePosition start, int width, int height, PictureShow show);
  // Asks the thread to stop and waits at most a second for a decode in progress;
  // a decode that takes longer finishes on its own and is thrown away.
  ~PictureLoader();
  PictureLoader(const PictureLoader&) = delete;
  PictureLoader& operator=(const PictureLoader&) = delete;

  // Decoding begins (the scene calls this after the start-up speed test).
  void Start();
  std::optional<LoadedPicture> Take();
  // A whole round of the list gave no readable picture: nothing will come.
  bool Exhausted() const;

  // What a picture that cannot be read leaves in the debugger output.
  static constexpr wchar_t kFailedMessage[] = L"Failed to load texture. UserTextures::AddTexture ()\n";

private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
};
