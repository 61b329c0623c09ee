#pragma once
// The unit tests' look inside the effect families, whose state is private to the
// product: each family names this struct its friend.
#include "effects/BlobsEffect.h"
#include "effects/DesktopEffect.h"
#include "effects/FireEffect.h"
#include "effects/ParticleSystem.h"
#include "effects/SparksEffect.h"

struct EffectProbe {
#define VARNELLE_PROBE(field) \
  template <class E>          \
  static auto& field(E& e) {  \
    return e.field;           \
  }
  VARNELLE_PROBE(style)
  VARNELLE_PROBE(effect)
  VARNELLE_PROBE(device)
  VARNELLE_PROBE(camera)
  VARNELLE_PROBE(texture)
  VARNELLE_PROBE(flameTexture)
  VARNELLE_PROBE(noiseVolume)
  VARNELLE_PROBE(flameTarget)
  VARNELLE_PROBE(colorDistribution)
  VARNELLE_PROBE(flamability)
  VARNELLE_PROBE(sideFadeSharpness)
  VARNELLE_PROBE(yFade)
  VARNELLE_PROBE(yScale)
  VARNELLE_PROBE(spread)
  VARNELLE_PROBE(glowTarget)
  VARNELLE_PROBE(initialised)
  VARNELLE_PROBE(sizeScale)
  VARNELLE_PROBE(speedDivisor)
  VARNELLE_PROBE(blobs)
  VARNELLE_PROBE(positions)
  VARNELLE_PROBE(velocities)
  VARNELLE_PROBE(envMap)
  VARNELLE_PROBE(passMode)
  VARNELLE_PROBE(targetSurfaces)
  VARNELLE_PROBE(accumulation)
  VARNELLE_PROBE(zeroTexture)
  VARNELLE_PROBE(blobTexture)
  VARNELLE_PROBE(fieldFormat)
  VARNELLE_PROBE(frameSurfaces)
  VARNELLE_PROBE(savedDepthStencil)
  VARNELLE_PROBE(accumulationSize)
  VARNELLE_PROBE(accumulationMode)
#undef VARNELLE_PROBE

  static ParticleSystem& Fountain(SparksEffect& sparks) { return *sparks.particles_; }
  // The sparks' fountain run on by `frames` frames before a test draws.
  static void Step(SparksEffect& sparks, int frames) {
    for (int i = 0; i < frames; ++i) StepSparks(*sparks.particles_, sparks.clock_);
  }
};
