#include "effects/ParticleSystem.h"

ParticleSystem& GetParticleSystem() {
  static ParticleSystem system;
  return system;
}
