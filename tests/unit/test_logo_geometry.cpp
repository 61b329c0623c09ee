#include <gtest/gtest.h>

#include "render/Window.h"

TEST(LogoGeometry, BottomLeftAtThePicturesOwnSize) {
  LogoVertex q[4];
  ASSERT_TRUE(LogoQuad(RECT{0, 0, 1280, 1024}, 100, 40, q));
  EXPECT_FLOAT_EQ(q[0].x, 5.0f);
  EXPECT_FLOAT_EQ(q[0].y, 1019.0f);
  EXPECT_FLOAT_EQ(q[1].x, 105.0f);
  EXPECT_FLOAT_EQ(q[2].y, 979.0f);
  EXPECT_FLOAT_EQ(q[3].x, 5.0f);
  EXPECT_FLOAT_EQ(q[3].y, 979.0f);
  // texture orientation: v = 1 at the bottom edge
  EXPECT_FLOAT_EQ(q[0].v, 1.0f);
  EXPECT_FLOAT_EQ(q[3].v, 0.0f);
  EXPECT_FLOAT_EQ(q[1].u, 1.0f);
  for (const auto& v : q) {
    EXPECT_FLOAT_EQ(v.z, 0.0f);
    EXPECT_FLOAT_EQ(v.rhw, 1.0f);
  }
}

TEST(LogoGeometry, NoLogoBelow640By480) {
  LogoVertex q[4];
  EXPECT_FALSE(LogoQuad(RECT{0, 0, 639, 480}, 100, 40, q));
  EXPECT_FALSE(LogoQuad(RECT{0, 0, 640, 479}, 100, 40, q));
  EXPECT_FALSE(LogoQuad(RECT{0, 0, 152, 112}, 100, 40, q));
  EXPECT_TRUE(LogoQuad(RECT{0, 0, 640, 480}, 100, 40, q));
}
