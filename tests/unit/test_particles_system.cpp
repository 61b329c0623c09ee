// The particle emitter's maths: emission with its remainder, ageing and in-place
// removal, velocity retention and attractors, colour ramps, quads and indices.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "effects/ParticleSystem.h"

namespace {

// A scripted generator: every draw returns the same value.
int g_scripted = 16384;
int Scripted() { return g_scripted; }

// The runtime's generator, modelled: state * 214013 + 2531011, bits 16..30.
struct Lcg {
  uint32_t state;
  int Next() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 32767u);
  }
};

float Draw(Lcg& lcg) { return static_cast<float>(lcg.Next() / 32767.0 * 2.0 - 1.0); }

Particle Alive(float lifeLeft, float x = 0.0f) {
  Particle p{};
  p.position[0] = x;
  p.lifeLeft = lifeLeft;
  p.invLifeSpan = 1.0f / 10.0f;
  p.halfSize = 1.0f;
  return p;
}

void ExpectColor(const ParticleColor& c, float r, float g, float b, float a) {
  EXPECT_FLOAT_EQ(c.r, r);
  EXPECT_FLOAT_EQ(c.g, g);
  EXPECT_FLOAT_EQ(c.b, b);
  EXPECT_FLOAT_EQ(c.a, a);
}

}  // namespace

TEST(ParticleSystem, EmitsWithTheRuntimeSequenceAndSignedSquares) {
  ParticleSystem ps;
  std::srand(4242);
  Lcg lcg{4242};
  ps.emitPosition[0] = 5.0f;
  Particle p{};
  ps.Emit(p);

  const float a = Draw(lcg), b = Draw(lcg), c = Draw(lcg), d = Draw(lcg), e = Draw(lcg);
  float dir[3] = {0.3f * b * std::fabs(b), 1.0f, 0.3f * a * std::fabs(a)};
  const float len = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
  const float speed = 100.0f + 25.0f * c * std::fabs(c);
  EXPECT_FLOAT_EQ(p.position[0], 5.0f);
  // x87 intermediates may keep extra bits: a relative tolerance, not exact floats.
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(p.velocity[i], dir[i] / len * speed, 1e-5f * speed);
  EXPECT_FLOAT_EQ(p.halfSize, 100.0f + 10.0f * d * std::fabs(d));
  const float life = 2.5f + 0.5f * e * std::fabs(e);
  EXPECT_FLOAT_EQ(p.lifeLeft, life);
  EXPECT_FLOAT_EQ(p.invLifeSpan, 1.0f / life);
}

TEST(ParticleSystem, SpreadsReachBothEnds) {
  ParticleSystem ps;
  ps.randomInt = Scripted;
  Particle p{};
  g_scripted = 0;  // r = -1
  ps.Emit(p);
  EXPECT_FLOAT_EQ(p.halfSize, 90.0f);
  EXPECT_FLOAT_EQ(p.lifeLeft, 2.0f);
  g_scripted = 32767;  // r = +1
  ps.Emit(p);
  EXPECT_FLOAT_EQ(p.halfSize, 110.0f);
  EXPECT_FLOAT_EQ(p.lifeLeft, 3.0f);
}

TEST(ParticleSystem, EmitsSixPerThousandthAtRate6000AndCarriesTheFraction) {
  ParticleSystem ps;
  ps.emitRate = 6000.0f;
  ps.Update(0.001f);
  EXPECT_EQ(ps.Count(), 6u);
  EXPECT_GE(ps.emitRemainder, 0.0f);
  EXPECT_LT(ps.emitRemainder, 1.0f);
  ps.Update(0.002f);
  EXPECT_EQ(ps.Count(), 12u);

  // A fraction is owed, not lost: 2.5 per update gives 2, then 3.
  ParticleSystem half;
  half.emitRate = 2500.0f;
  half.Update(0.001f);
  EXPECT_EQ(half.Count(), 2u);
  half.Update(0.002f);
  EXPECT_EQ(half.Count(), 5u);
  EXPECT_NEAR(half.emitRemainder, 0.0f, 1e-5f);
}

TEST(ParticleSystem, TwoUpdatesAtTheSameTimeChangeNothing) {
  ParticleSystem ps;
  ps.emitRate = 6000.0f;
  ps.Update(0.003f);
  const size_t count = ps.Count();
  const float remainder = ps.emitRemainder;
  const Particle first = ps.particles.front();
  ps.Update(0.003f);
  EXPECT_EQ(ps.Count(), count);
  EXPECT_EQ(ps.emitRemainder, remainder);
  EXPECT_EQ(ps.particles.front().position[1], first.position[1]);
  EXPECT_EQ(ps.particles.front().lifeLeft, first.lifeLeft);
}

TEST(ParticleSystem, NegativeLifeAtBirthIsRemovedInTheSameUpdate) {
  ParticleSystem ps;
  ps.randomInt = Scripted;
  g_scripted = 0;  // every draw -1: life = 1 - 3 = -2
  ps.lifeBase = 1.0f;
  ps.lifeSpread = 3.0f;
  ps.emitRate = 6000.0f;
  ps.Update(0.001f);
  EXPECT_EQ(ps.Count(), 0u);
  ps.BuildVertices();
  EXPECT_EQ(ps.DrawnCount(), 0u);
}

TEST(ParticleSystem, RemovalKeepsOrderAndTakesNeighboursInOnePass) {
  ParticleSystem ps;
  ps.emitRate = 0.0f;
  ps.velocityRetention = 1.0f;
  ps.particles = {Alive(5, 1), Alive(0.0005f, 2), Alive(0.0005f, 3), Alive(7, 4), Alive(0.001f, 5), Alive(0, 6)};
  ps.Update(0.001f);
  ASSERT_EQ(ps.Count(), 3u);
  EXPECT_EQ(ps.particles[0].position[0], 1.0f);
  EXPECT_EQ(ps.particles[1].position[0], 4.0f);
  EXPECT_EQ(ps.particles[2].position[0], 5.0f);  // exactly 0 left: stays
  EXPECT_EQ(ps.particles[2].lifeLeft, 0.0f);
}

TEST(ParticleSystem, VelocityDecaysByPowerAndAttractorsPull) {
  ParticleSystem ps;
  ps.emitRate = 0.0f;
  ps.velocityRetention = 0.25f;
  Particle p = Alive(10);
  p.velocity[1] = 8.0f;
  ps.particles = {p};
  ps.Update(0.5f);  // 0.25 ^ 0.5 = 0.5
  EXPECT_FLOAT_EQ(ps.particles[0].velocity[1], 4.0f);
  EXPECT_FLOAT_EQ(ps.particles[0].position[1], 2.0f);  // moved with the new velocity

  ParticleSystem pulled;
  pulled.emitRate = 0.0f;
  pulled.velocityRetention = 1.0f;
  pulled.gravity[1] = -1.0f;
  pulled.attractors.push_back({{3.0f, 0.0f, 4.0f}, 2.0f, 1.0f, 1.0f});  // |d| = 5: 2 / 31 along d
  pulled.particles = {Alive(10)};
  pulled.Update(1.0f);
  const Particle& q = pulled.particles[0];
  EXPECT_FLOAT_EQ(q.velocity[0], 3.0f * 2.0f / 31.0f);
  EXPECT_FLOAT_EQ(q.velocity[1], -1.0f);
  EXPECT_FLOAT_EQ(q.velocity[2], 4.0f * 2.0f / 31.0f);
}

TEST(ParticleSystem, ColourAtBirthAndDeathForEachScheme) {
  struct Case {
    int scheme;
    ParticleColor birth, death;
  };
  const Case cases[] = {
      {0, {0.5f, 0.25f, 0.05f, 1.0f}, {0, 0, 0, 1}},
      {1, {0.55f, 0.55f, 5.5f, 1.0f}, {0, 0, 0, 1}},
      {2, {11.0f / 222, 11.0f / 222, 11.0f / 222, 11.0f / 222}, {0, 0, 0, 0}},
      {3, {1, 0, 0, 0}, {0, 0, 0, 0}},
  };
  ParticleSystem ps;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scheme);
    ps.SetColorScheme(c.scheme);
    const ParticleColor birth = ps.ColorAt(1.0f), death = ps.ColorAt(0.0f);
    ExpectColor(birth, c.birth.r, c.birth.g, c.birth.b, c.birth.a);
    ExpectColor(death, c.death.r, c.death.g, c.death.b, c.death.a);
  }
  // Between keys the channels are interpolated: half-way from key 5 to key 6.
  ps.SetColorScheme(3);
  EXPECT_NEAR(ps.ColorAt(5.5f / 11.0f).b, 0.75f, 1e-5f);
}

TEST(ParticleSystem, SchemesOutsideTheRangeKeepTheRamp) {
  ParticleSystem ps;
  ps.SetColorScheme(1);
  ps.SetColorScheme(4);
  ps.SetColorScheme(-1);
  EXPECT_FLOAT_EQ(ps.colorKeys[11].b, 5.5f);
}

TEST(ParticleSystem, QuadsLieInTheXyPlaneWithTheParticleColour) {
  ParticleSystem ps;
  Particle p = Alive(10, 1.0f);  // life fraction 1: key 11
  p.position[1] = 2.0f;
  p.position[2] = 3.0f;
  p.halfSize = 2.0f;
  ps.particles = {p};
  const ParticleVertex* v = ps.BuildVertices();
  const float expected[4][5] = {{-1, 4, 3, 0, 0}, {3, 4, 3, 1, 0}, {3, 0, 3, 1, 1}, {-1, 0, 3, 0, 1}};
  for (int j = 0; j < 4; ++j) {
    SCOPED_TRACE(j);
    EXPECT_FLOAT_EQ(v[j].position[0], expected[j][0]);
    EXPECT_FLOAT_EQ(v[j].position[1], expected[j][1]);
    EXPECT_FLOAT_EQ(v[j].position[2], expected[j][2]);
    EXPECT_FLOAT_EQ(v[j].texCoord[0], expected[j][3]);
    EXPECT_FLOAT_EQ(v[j].texCoord[1], expected[j][4]);
    EXPECT_FLOAT_EQ(v[j].color[0], 0.5f);
    EXPECT_FLOAT_EQ(v[j].color[3], 1.0f);
  }
  // Spin at 135 degrees gives the unrotated corners.
  ps.spinEnabled = true;
  ps.particles[0].spinAngle = 2.3561945f;
  v = ps.BuildVertices();
  for (int j = 0; j < 4; ++j) {
    EXPECT_NEAR(v[j].position[0], expected[j][0], 1e-5f);
    EXPECT_NEAR(v[j].position[1], expected[j][1], 1e-5f);
  }
}

// A shorter reach draws the middle of the sprite at the same size on a smaller quad.
TEST(ParticleSystem, ReachShrinksTheQuadAndItsTextureTogether) {
  ParticleSystem ps;
  Particle p = Alive(10, 1.0f);
  p.position[0] = 1.0f;
  p.halfSize = 4.0f;
  ps.particles = {p};
  ps.spriteReach = 0.5f;
  const ParticleVertex* v = ps.BuildVertices();
  EXPECT_FLOAT_EQ(v[0].position[0], -1.0f);  // 1 - 4 * 0.5
  EXPECT_FLOAT_EQ(v[1].position[0], 3.0f);
  EXPECT_FLOAT_EQ(v[0].texCoord[0], 0.25f);
  EXPECT_FLOAT_EQ(v[2].texCoord[0], 0.75f);
  EXPECT_FLOAT_EQ(v[2].texCoord[1], 0.75f);
  // Texture units per world unit stay as with the whole sprite: 1 / (2 * 4).
  EXPECT_FLOAT_EQ((v[1].texCoord[0] - v[0].texCoord[0]) / (v[1].position[0] - v[0].position[0]), 1.0f / 8.0f);
}

TEST(ParticleSystem, IndicesAndAnEmptySystem) {
  ParticleSystem empty;
  empty.BuildVertices();
  empty.BuildIndices();
  EXPECT_EQ(empty.DrawnCount(), 0u);

  ParticleSystem ps;
  ps.particles.assign(3, Alive(1));
  ps.BuildVertices();
  const uint16_t* idx = ps.BuildIndices();
  const uint16_t expected[6] = {8, 9, 11, 11, 9, 10};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(idx[12 + i], expected[i]);
  // A smaller count later reuses the filled scratch.
  ps.particles.resize(1);
  EXPECT_EQ(ps.BuildIndices(), idx);
}

TEST(ParticleSystem, OnlyWhatSixteenBitIndicesReachIsDrawn) {
  ParticleSystem ps;
  ps.particles.assign(ParticleSystem::kMaxDrawnParticles + 5, Alive(1));
  EXPECT_EQ(ps.DrawnCount(), ParticleSystem::kMaxDrawnParticles);
  ps.BuildVertices();
  const uint16_t* idx = ps.BuildIndices();
  EXPECT_EQ(idx[ParticleSystem::kMaxDrawnParticles * 6 - 1], 65534);  // v + 2 of the last drawn quad
  EXPECT_EQ(idx[ParticleSystem::kMaxDrawnParticles * 6 - 4], 65535);
}
