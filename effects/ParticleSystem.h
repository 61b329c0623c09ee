#pragma once
#include <cstdint>

// TODO: the particle emitter.
class ParticleSystem {
public:
  void SetColorScheme(int32_t scheme) { colorScheme_ = scheme; }
  int32_t ColorScheme() const { return colorScheme_; }

private:
  int32_t colorScheme_ = 0;
};

ParticleSystem& GetParticleSystem();
