#pragma once
// Live-object counts for the soak check: the owner types raise a count when they
// take an object and lower it when they let it go, so a count that keeps climbing
// names what leaks. Wine's own figures (GetGuiResources, GetProcessHandleCount) are
// stubs, hence counting here. Only the counters build (VARNELLE_COUNTERS) counts;
// in every other build each call below is an empty inline function.
#include <windows.h>

#include <string>

// Declared only: the settings code, which counts its file handles here, is also
// built natively for fuzzing, where there is no Direct3D.
struct IDirect3DBaseTexture9;

namespace platform::counters {

// kFrames is no live count but the frames drawn so far: it tells a running slideshow
// from the error screen, and gives the frame rate that paces the cross-fades.
enum Kind : int { kKernelHandles, kGdiObjects, kUserObjects, kModules, kTextures, kComObjects, kFrames, kKindCount };

#ifdef VARNELLE_COUNTERS
inline constexpr bool kEnabled = true;
void Add(Kind kind, long delta);
long Live(Kind kind);
// Textures count themselves: a small counting object rides on the texture as
// private data, and Direct3D releases it when the texture is destroyed, whoever
// held the last reference.
void TagTexture(IDirect3DBaseTexture9* texture);
// With VARNELLE_COUNTERS_FILE set, a thread appends one line of figures a second
// to that file: "seconds=... workingset=... private=... kernel=... ... frames=...".
void StartPublishing();
// The line the publisher writes, for the tests.
std::string FiguresLine(double seconds);
#else
inline constexpr bool kEnabled = false;
inline void Add(Kind, long) {}
inline long Live(Kind) { return 0; }
inline void TagTexture(IDirect3DBaseTexture9*) {}
inline void StartPublishing() {}
#endif

// A COM object an owner has just created: it counts as live until the owner's
// release is the last one (ReleaseCounted).
inline void CountCreated(const void* object) {
  if (object) Add(kComObjects, 1);
}
// Releases the owner's reference; the object stops counting only if that reference
// was the last, so one that something else still holds shows as a leak.
// ComPtr is any owner whose Reset() returns the count left, as WRL's does; so is
// the result (0 for an empty owner).
template <typename ComPtr>
unsigned long ReleaseCounted(ComPtr& object) {
  if (!object) return 0;
  const unsigned long left = object.Reset();
  if (left == 0) Add(kComObjects, -1);
  return left;
}

}  // namespace platform::counters
