#include <gtest/gtest.h>

#include <cmath>

#include "app/EffectFamilies.h"
#include "effects/BlobsEffect.h"
#include "effects/DesktopEffect.h"
#include "effects/FireEffect.h"
#include "effects/SparksEffect.h"
#include "render/Camera.h"
#include "app/SceneManager.h"

namespace {
struct V3 {
  double x, y, z;
};
V3 Sub(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Norm(V3 a) {
  const double l = std::sqrt(Dot(a, a));
  return {a.x / l, a.y / l, a.z / l};
}

void ExpectMatrix(const D3DXMATRIX& m, const double (&e)[4][4]) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(m.m[r][c], e[r][c], 1e-5) << "row " << r << " col " << c;
}
}  // namespace

TEST(Camera, LookAtIsLeftHandedRowVector) {
  Camera cam;
  cam.LookAt(0.0f, -1.8f, -5.0f);
  const V3 eye{0, -1.8, -5}, up{0, 1, 0};
  const V3 z = Norm(Sub(V3{0, 0, 0}, eye));
  const V3 x = Norm(Cross(up, z));
  const V3 y = Cross(z, x);
  const double expected[4][4] = {{x.x, y.x, z.x, 0},
                                 {x.y, y.y, z.y, 0},
                                 {x.z, y.z, z.z, 0},
                                 {-Dot(x, eye), -Dot(y, eye), -Dot(z, eye), 1}};
  ExpectMatrix(cam.view, expected);
}

TEST(Camera, ResetBuildsA70DegreePerspective) {
  Camera cam;
  cam.Reset(800, 600, 1.0f, 1000.0f);
  const double ys = 1.0 / std::tan(1.2217305 / 2.0);
  const double xs = ys / (800.0 / 600.0);
  const double q = 1000.0 / (1000.0 - 1.0);
  const double expected[4][4] = {{xs, 0, 0, 0}, {0, ys, 0, 0}, {0, 0, q, 1}, {0, 0, -q * 1.0, 0}};
  ExpectMatrix(cam.projection, expected);
}

TEST(Camera, AngleAdvancesInSinglePrecisionAndWrapsPast1000) {
  float angle = 0.0f;
  int frames = 0;
  do {
    angle = AdvanceCameraAngle(angle);
    ++frames;
  } while (angle != 0.0f && frames < 300000);
  EXPECT_EQ(frames, 199837);
}

TEST(Camera, UpdateComposesRotationsAndProducts) {
  Camera cam;
  cam.angle = 250.0f;  // a quarter turn
  cam.Reset(640, 480, 1.0f, 1000.0f);
  cam.LookAt(0.0f, -10.0f, 300.0f);
  cam.Update(false);
  const float theta = 250.0f * 6.2831855f / 1000.0f;
  D3DXMATRIX rx, ry, rz, expected;
  D3DXMatrixRotationX(&rx, theta);
  D3DXMatrixRotationY(&ry, theta);
  D3DXMatrixRotationZ(&rz, theta);
  expected = rz * (rx * ry);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(cam.world.m[r][c], expected.m[r][c], 1e-6);
  const D3DXMATRIX wv = cam.world * cam.view;
  const D3DXMATRIX wvp = wv * cam.projection;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      EXPECT_NEAR(cam.worldView.m[r][c], wv.m[r][c], 1e-4);
      EXPECT_NEAR(cam.worldViewProjection.m[r][c], wvp.m[r][c], 1e-4);
    }
  EXPECT_FLOAT_EQ(cam.angle, 250.0f);  // no advance
}

TEST(SceneUpdate, OnlyTheFamiliesThatUseTheCameraComputeItsWorld) {
  SceneManager scenes;
  Scene& scene = scenes.GetScene();  // the unit tests are built with the fire family
  ASSERT_NE(dynamic_cast<FireEffect*>(scene.effect.get()), nullptr);
  Camera& cam = scene.camera;
  cam = Camera();
  scenes.Update();
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      EXPECT_EQ(cam.world.m[r][c], 0.0f);
      EXPECT_EQ(cam.worldViewProjection.m[r][c], 0.0f);
    }
  SparksEffect sparks;  // without advance the angle stays 0: identity world
  sparks.UpdateCamera(cam);
  EXPECT_FLOAT_EQ(cam.world._11, 1.0f);
  EXPECT_FLOAT_EQ(cam.world._44, 1.0f);
  EXPECT_FLOAT_EQ(cam.angle, 0.0f);
  BlobsEffect blobs;  // the blobs turn the world a step a frame
  blobs.UpdateCamera(cam);
  EXPECT_FLOAT_EQ(cam.angle, AdvanceCameraAngle(0.0f));
  cam = Camera();
}

TEST(EffectFamilies, EachBuildValueMakesItsFamily) {
  EXPECT_NE(dynamic_cast<BlobsEffect*>(CreateSceneEffect(Blobs).get()), nullptr);
  EXPECT_NE(dynamic_cast<SparksEffect*>(CreateSceneEffect(Sparks).get()), nullptr);
  EXPECT_NE(dynamic_cast<DesktopEffect*>(CreateSceneEffect(DesktopBackground).get()), nullptr);
  EXPECT_NE(dynamic_cast<FireEffect*>(CreateSceneEffect(Fire).get()), nullptr);
  EXPECT_EQ(CreateSceneEffect(4), nullptr);
  EXPECT_EQ(CreateSceneEffect(-1), nullptr);
  // Only the blobs keep per-frame surfaces for the render loop to give back.
  EXPECT_TRUE(CreateSceneEffect(Blobs)->HoldsFrameSurfaces());
  for (int32_t family : {Sparks, DesktopBackground, Fire}) EXPECT_FALSE(CreateSceneEffect(family)->HoldsFrameSurfaces());
}
