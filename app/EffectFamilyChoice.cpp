#include "app/EffectFamilies.h"

#ifndef VARNELLE_EFFECT_FAMILY
#define VARNELLE_EFFECT_FAMILY 3
#endif

// The one value that selects the effect family of a build.
const int32_t kBuildEffectFamily = VARNELLE_EFFECT_FAMILY;
