#pragma once
#include <cstdint>
#include <memory>

#include "effects/SceneEffect.h"

enum EffectFamily : int32_t { Blobs = 0, Sparks = 1, DesktopBackground = 2, Fire = 3 };

// The family this executable draws; fixed at build time (app/EffectFamilyChoice.cpp).
extern const int32_t kBuildEffectFamily;

// A new effect of the family, or null for a value no family has.
std::unique_ptr<SceneEffect> CreateSceneEffect(int32_t family);
