#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct Particle {
  float position[3];
  float halfSize;
  float velocity[3];
  float lifeLeft;
  float invLifeSpan;
  float spinAngle;
  float spinRate;
};

struct ParticleAttractor {
  float position[3];
  float strength;
  float linearAttenuation;
  float quadraticAttenuation;
};

// The GPU layout of one quad corner: 36 bytes, declared by the sparks effect.
struct ParticleVertex {
  float position[3];
  float texCoord[2];
  float color[4];  // not clamped: some schemes go above 1
};
static_assert(sizeof(ParticleVertex) == 36, "ParticleVertex is the 36-byte stream layout");

struct ParticleColor {
  float r, g, b, a;
};

// A CPU particle emitter with one emission point: steady emission with signed-square
// spreads, constant acceleration plus attractors, velocity decay, a 12-key colour
// ramp over each particle's life, and camera-independent quads for one indexed draw.
class ParticleSystem {
public:
  static constexpr int kColorKeys = 12;
  // 16-bit indices reach 65536 vertices: four per particle.
  static constexpr size_t kMaxDrawnParticles = 16384;

  ParticleSystem();
  ParticleSystem(const ParticleSystem&) = delete;
  ParticleSystem& operator=(const ParticleSystem&) = delete;

  // Schemes 0 Flame, 1 Ice, 2 Smoke, 3 Cheerful; other values keep the keys.
  void SetColorScheme(int32_t scheme);
  void Update(float now);
  void Emit(Particle& out);
  const ParticleVertex* BuildVertices();
  const uint16_t* BuildIndices();

  size_t Count() const { return particles.size(); }
  // Particles the index scratch can address; the rest are simulated but not drawn.
  size_t DrawnCount() const { return particles.size() < kMaxDrawnParticles ? particles.size() : kMaxDrawnParticles; }
  // Colour of a particle at a life fraction (1 at birth, 0 at death).
  ParticleColor ColorAt(float lifeFraction) const;

  std::vector<Particle> particles;
  std::vector<ParticleAttractor> attractors;
  float gravity[3] = {0.0f, 0.0f, 0.0f};
  float lastTime = 0.0f;
  float emitRemainder = 0.0f;
  ParticleColor colorKeys[kColorKeys]{};
  float emitPosition[3] = {0.0f, 0.0f, 0.0f};
  float emitRate = 10.0f;
  float speedBase = 100.0f, speedSpread = 25.0f;
  float sizeBase = 100.0f, sizeSpread = 10.0f;
  float lifeBase = 2.5f, lifeSpread = 0.5f;
  float velocityRetention = 0.7f;
  bool spinEnabled = false;
  // How much of the sprite each quad shows, from its centre: 1 the whole sprite,
  // less a smaller quad with the sprite's middle on it at the same size (the
  // texture coordinates shrink with the corners). A sprite that is all but black
  // near its edges need not be drawn there.
  float spriteReach = 1.0f;
  // The runtime's generator, never seeded here; tests put a scripted one in.
  int (*randomInt)() = nullptr;

private:
  float Random();
  float Spread(float base, float spread);

  std::unique_ptr<ParticleVertex[]> vertices_;
  size_t vertexCapacity_ = 0;  // in vertices
  std::unique_ptr<uint16_t[]> indices_;
  size_t indexCapacity_ = 0;  // in indices
};

