#include <gtest/gtest.h>

#include "render/Window.h"

TEST(LogoGeometry, BottomLeftAtThePicturesOwnSize) {
  ScreenVertex q[4];
  ASSERT_TRUE(LogoQuad(RECT{0, 0, 1280, 1024}, 100, 40, q));
  // Top-left first, clockwise: 5 pixels from the left and bottom edges, 100 x 40.
  const float corners[4][2] = {{5.0f, 979.0f}, {105.0f, 979.0f}, {105.0f, 1019.0f}, {5.0f, 1019.0f}};
  const float uvs[4][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};  // v = 1 at the bottom edge
  for (int k = 0; k < 4; ++k) {
    EXPECT_FLOAT_EQ(q[k].x, corners[k][0]) << k;
    EXPECT_FLOAT_EQ(q[k].y, corners[k][1]) << k;
    EXPECT_FLOAT_EQ(q[k].u, uvs[k][0]) << k;
    EXPECT_FLOAT_EQ(q[k].v, uvs[k][1]) << k;
    EXPECT_FLOAT_EQ(q[k].z, 0.0f);
    EXPECT_FLOAT_EQ(q[k].rhw, 1.0f);
  }
}

TEST(LogoGeometry, NoLogoBelow640By480) {
  ScreenVertex q[4];
  EXPECT_FALSE(LogoQuad(RECT{0, 0, 639, 480}, 100, 40, q));
  EXPECT_FALSE(LogoQuad(RECT{0, 0, 640, 479}, 100, 40, q));
  EXPECT_FALSE(LogoQuad(RECT{0, 0, 152, 112}, 100, 40, q));
  EXPECT_TRUE(LogoQuad(RECT{0, 0, 640, 480}, 100, 40, q));
}
