#include "effects/ParticleSystem.h"

#include <cmath>
#include <cstdlib>

namespace {

// Quad corners in vertex order: (-A+B), (A+B), (A-B), (-A-B) with A = +X, B = +Y.
constexpr float kCorner[4][2] = {{-1.0f, 1.0f}, {1.0f, 1.0f}, {1.0f, -1.0f}, {-1.0f, -1.0f}};
constexpr float kCornerUv[4][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};

constexpr ParticleColor kCheerful[ParticleSystem::kColorKeys] = {
    {0, 0, 0, 0},    {0, 0, 0.25f, 0}, {0, 0, 0.5f, 0}, {0, 0, 1, 0},    {0, 0.5f, 1, 0}, {0, 1, 1, 0},
    {0, 1, 0.5f, 0}, {0, 1, 0, 0},     {0.5f, 1, 0, 0}, {1, 1, 0, 0},    {1, 0.5f, 0, 0}, {1, 0, 0, 0}};

}  // namespace

ParticleSystem::ParticleSystem() : randomInt(&std::rand) { SetColorScheme(0); }

void ParticleSystem::SetColorScheme(int32_t scheme) {
  for (int i = 0; i < kColorKeys; ++i) {
    const float fi = static_cast<float>(i);
    switch (scheme) {
      case 0: {  // Flame: black to orange
        const float g = fi / 22.0f;
        colorKeys[i] = {g, g * 0.5f, g / 10.0f, 1.0f};
        break;
      }
      case 1: {  // Ice: blue, the blue channel reaching 5.5
        const float a = fi * 0.5f;
        colorKeys[i] = {a / 10.0f, a / 10.0f, a, 1.0f};
        break;
      }
      case 2: {  // Smoke: faint grey
        const float g = fi / 222.0f;
        colorKeys[i] = {g, g, g, g};
        break;
      }
      case 3: colorKeys[i] = kCheerful[i]; break;
      default: return;
    }
  }
}

float ParticleSystem::Random() {
  return static_cast<float>(static_cast<double>(randomInt()) / 32767.0 * 2.0 - 1.0);
}

// The signed square bunches values near the base and still reaches base +- spread.
float ParticleSystem::Spread(float base, float spread) {
  const float r = Random();
  return base + spread * r * std::fabs(r);
}

void ParticleSystem::Emit(Particle& p) {
  for (int i = 0; i < 3; ++i) p.position[i] = emitPosition[i];
  const float a = Random();
  const float b = Random();
  float dir[3] = {0.3f * b * std::fabs(b), 1.0f, 0.3f * a * std::fabs(a)};
  const float length = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
  const float speed = Spread(speedBase, speedSpread);
  for (int i = 0; i < 3; ++i) p.velocity[i] = dir[i] / length * speed;
  p.halfSize = Spread(sizeBase, sizeSpread);
  const float life = Spread(lifeBase, lifeSpread);
  p.lifeLeft = life;
  p.invLifeSpan = 1.0f / life;
  p.spinAngle = 0.0f;
  p.spinRate = 0.0f;
}

void ParticleSystem::Update(float now) {
  const float dt = now - lastTime;
  lastTime = now;
  const float owed = emitRate * dt + emitRemainder;
  const int count = static_cast<int>(owed);
  emitRemainder = owed - static_cast<float>(count);
  for (int i = 0; i < count; ++i) {
    Particle p;
    Emit(p);
    particles.push_back(p);
  }

  const float retention = std::pow(velocityRetention, dt);
  // Compaction in place: survivors slide down over the dead, order kept.
  size_t kept = 0;
  for (size_t i = 0; i < particles.size(); ++i) {
    Particle p = particles[i];
    p.lifeLeft -= dt;
    if (p.lifeLeft < 0.0f) continue;
    float accel[3] = {gravity[0], gravity[1], gravity[2]};
    for (const ParticleAttractor& at : attractors) {
      float d[3];
      for (int c = 0; c < 3; ++c) d[c] = at.position[c] - p.position[c];
      const float dist2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
      const float dist = std::sqrt(dist2);
      const float k = at.strength / (1.0f + at.linearAttenuation * dist + at.quadraticAttenuation * dist2);
      for (int c = 0; c < 3; ++c) accel[c] += k * d[c];
    }
    for (int c = 0; c < 3; ++c) p.velocity[c] = (p.velocity[c] + accel[c] * dt) * retention;
    if (spinEnabled) p.spinAngle += p.spinRate * dt;
    for (int c = 0; c < 3; ++c) p.position[c] += p.velocity[c] * dt;
    particles[kept++] = p;
  }
  particles.resize(kept);
}

ParticleColor ParticleSystem::ColorAt(float lifeFraction) const {
  const float u = lifeFraction * 11.0f;
  int k = static_cast<int>(u);
  if (k > 10) k = 10;
  if (k < 0) k = 0;
  const float t = u - static_cast<float>(k);
  const ParticleColor& a = colorKeys[k];
  const ParticleColor& b = colorKeys[k + 1];
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

const ParticleVertex* ParticleSystem::BuildVertices() {
  const size_t needed = particles.size() * 4;
  if (needed > vertexCapacity_) {
    vertices_.reset();
    vertices_.reset(new ParticleVertex[needed]);
    vertexCapacity_ = needed;
  }
  ParticleVertex* v = vertices_.get();
  for (const Particle& p : particles) {
    const ParticleColor color = ColorAt(p.lifeLeft * p.invLifeSpan);
    float corners[4][2];
    for (int j = 0; j < 4; ++j) {
      if (spinEnabled) {
        const float angle = p.spinAngle - static_cast<float>(j) * 1.5707964f;
        corners[j][0] = 1.4142137f * std::cos(angle);
        corners[j][1] = 1.4142137f * std::sin(angle);
      } else {
        corners[j][0] = kCorner[j][0];
        corners[j][1] = kCorner[j][1];
      }
    }
    const float reach = p.halfSize * spriteReach;
    for (int j = 0; j < 4; ++j, ++v) {
      v->position[0] = p.position[0] + corners[j][0] * reach;
      v->position[1] = p.position[1] + corners[j][1] * reach;
      v->position[2] = p.position[2];
      v->texCoord[0] = 0.5f + (kCornerUv[j][0] - 0.5f) * spriteReach;
      v->texCoord[1] = 0.5f + (kCornerUv[j][1] - 0.5f) * spriteReach;
      v->color[0] = color.r;
      v->color[1] = color.g;
      v->color[2] = color.b;
      v->color[3] = color.a;
    }
  }
  return vertices_.get();
}

const uint16_t* ParticleSystem::BuildIndices() {
  const size_t needed = DrawnCount() * 6;
  if (needed > indexCapacity_) {
    indices_.reset();
    indices_.reset(new uint16_t[needed]);
    indexCapacity_ = needed;
    // Indices depend only on the slot, so a buffer filled once stays valid.
    for (size_t p = 0; p < needed / 6; ++p) {
      const uint16_t v = static_cast<uint16_t>(p * 4);
      uint16_t* out = &indices_[p * 6];
      out[0] = v;
      out[1] = static_cast<uint16_t>(v + 1);
      out[2] = static_cast<uint16_t>(v + 3);
      out[3] = static_cast<uint16_t>(v + 3);
      out[4] = static_cast<uint16_t>(v + 1);
      out[5] = static_cast<uint16_t>(v + 2);
    }
  }
  return indices_.get();
}

