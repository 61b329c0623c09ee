#include "app/EffectFamilies.h"

#include "effects/BlobsEffect.h"
#include "effects/DesktopEffect.h"
#include "effects/FireEffect.h"
#include "effects/SparksEffect.h"

namespace {
template <typename Effect>
std::unique_ptr<SceneEffect> Make() {
  return std::make_unique<Effect>();
}

struct Registration {
  int32_t family;
  std::unique_ptr<SceneEffect> (*create)();
};

// One line per family.
constexpr Registration kFamilies[] = {
    {Blobs, Make<BlobsEffect>},
    {Sparks, Make<SparksEffect>},
    {DesktopBackground, Make<DesktopEffect>},
    {Fire, Make<FireEffect>},
};
}  // namespace

std::unique_ptr<SceneEffect> CreateSceneEffect(int32_t family) {
  for (const Registration& r : kFamilies)
    if (r.family == family) return r.create();
  return nullptr;
}
