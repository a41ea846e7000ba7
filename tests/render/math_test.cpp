// The matrix helpers against their published formulas, with values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "render/types/d3dx_math.h"

namespace {

constexpr float kTolerance = 1e-5f;

void ExpectMatrixNear(const D3DMATRIX& actual, const float (&expected)[4][4]) {
  for (int row = 0; row < 4; ++row)
    for (int column = 0; column < 4; ++column)
      EXPECT_NEAR(actual.m[row][column], expected[row][column], kTolerance) << "element " << row << column;
}

TEST(DeviceMatrixHelpers, IdentityScalingTranslation) {
  D3DMATRIX m;
  EXPECT_EQ(D3DXMatrixIdentity(&m), &m);
  ExpectMatrixNear(m, {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
  EXPECT_EQ(D3DXMatrixScaling(&m, 2, 3, 4), &m);
  ExpectMatrixNear(m, {{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {0, 0, 0, 1}});
  EXPECT_EQ(D3DXMatrixTranslation(&m, 5, 6, 7), &m);
  ExpectMatrixNear(m, {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {5, 6, 7, 1}});
}

TEST(DeviceMatrixHelpers, MultiplyAppliesTheFirstMatrixFirst) {
  D3DMATRIX translate, scale, product;
  D3DXMatrixTranslation(&translate, 1, 2, 3);
  D3DXMatrixScaling(&scale, 2, 3, 4);
  EXPECT_EQ(D3DXMatrixMultiply(&product, &translate, &scale), &product);
  // (1,1,1) moved to (2,3,4), then scaled: (4, 9, 16).
  ExpectMatrixNear(product, {{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {2, 6, 12, 1}});
  D3DXMatrixMultiply(&product, &scale, &translate);
  ExpectMatrixNear(product, {{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {1, 2, 3, 1}});
}

TEST(DeviceMatrixHelpers, MultiplyGeneralMatricesAndAliasing) {
  D3DMATRIX a = {{{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}}};
  // Row i of a*a is sum over k of a[i][k] * row k: e.g. (0,0) = 1 + 10 + 27 + 52 = 90.
  const float squared[4][4] = {
      {90, 100, 110, 120}, {202, 228, 254, 280}, {314, 356, 398, 440}, {426, 484, 542, 600}};
  D3DXMatrixMultiply(&a, &a, &a);
  ExpectMatrixNear(a, squared);
}

TEST(DeviceMatrixHelpers, RotationYTurnsXTowardsMinusZ) {
  D3DMATRIX m;
  EXPECT_EQ(D3DXMatrixRotationY(&m, 3.14159265f / 2), &m);
  const D3DVECTOR x = TransformPoint({1, 0, 0}, m);
  EXPECT_NEAR(x.x, 0, kTolerance);
  EXPECT_NEAR(x.z, -1, kTolerance);
  const D3DVECTOR z = TransformPoint({0, 0, 1}, m);
  EXPECT_NEAR(z.x, 1, kTolerance);
  EXPECT_NEAR(z.z, 0, kTolerance);
  D3DXMatrixRotationY(&m, 0.5f);
  const float c = std::cos(0.5f), s = std::sin(0.5f);
  ExpectMatrixNear(m, {{c, 0, -s, 0}, {0, 1, 0, 0}, {s, 0, c, 0}, {0, 0, 0, 1}});
}

TEST(DeviceMatrixHelpers, LookAtLHAlongPlusZIsIdentity) {
  const D3DVECTOR eye{0, 0, 0}, at{0, 0, 1}, up{0, 1, 0};
  D3DMATRIX m;
  EXPECT_EQ(D3DXMatrixLookAtLH(&m, &eye, &at, &up), &m);
  ExpectMatrixNear(m, {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
}

TEST(DeviceMatrixHelpers, LookAtLHFromAnOffAxisEye) {
  // Eye (-2, 2, -2) at the origin: z = (1,-1,1)/sqrt3, x = norm(up x z) = (1,0,-1)/sqrt2,
  // y = z x x = (1,2,1)/sqrt6; x.eye = y.eye = 0 and z.eye = -6/sqrt3.
  const D3DVECTOR eye{-2, 2, -2}, at{0, 0, 0}, up{0, 1, 0};
  D3DMATRIX m;
  D3DXMatrixLookAtLH(&m, &eye, &at, &up);
  const float r2 = 1 / std::sqrt(2.0f), r3 = 1 / std::sqrt(3.0f), r6 = 1 / std::sqrt(6.0f);
  ExpectMatrixNear(m, {{r2, r6, r3, 0}, {0, 2 * r6, -r3, 0}, {-r2, r6, r3, 0}, {0, 0, 6 * r3, 1}});
  const D3DVECTOR eyeInView = TransformPoint(eye, m);
  EXPECT_NEAR(eyeInView.x, 0, kTolerance);
  EXPECT_NEAR(eyeInView.y, 0, kTolerance);
  EXPECT_NEAR(eyeInView.z, 0, kTolerance);
}

TEST(DeviceMatrixHelpers, LookAtLHWithEyeOnTargetGivesNoNaN) {
  const D3DVECTOR eye{0, 0, 0}, up{0, 1, 0};
  D3DMATRIX m;
  D3DXMatrixLookAtLH(&m, &eye, &eye, &up);
  for (const auto& row : m.m)
    for (float value : row) EXPECT_FALSE(std::isnan(value));
}

TEST(DeviceMatrixHelpers, PerspectiveFovLHMapsNearAndFarToZeroAndOne) {
  // fovy 90 degrees: ys = 1, xs = ys / 2; zf/(zf-zn) = 11/10; -zn*zf/(zf-zn) = -1.1.
  D3DMATRIX m;
  EXPECT_EQ(D3DXMatrixPerspectiveFovLH(&m, 3.14159265f / 2, 2, 1, 11), &m);
  ExpectMatrixNear(m, {{0.5f, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1.1f, 1}, {0, 0, -1.1f, 0}});
  // w = z (the matrix above): the near plane lands at depth 0, the far one at 1.
  EXPECT_NEAR(TransformPoint({0, 0, 1}, m).z / 1, 0, kTolerance);
  EXPECT_NEAR(TransformPoint({0, 0, 11}, m).z / 11, 1, kTolerance);
  // The globe's projection: 60 degrees, so ys = 1/tan(30 degrees) = sqrt(3).
  D3DXMatrixPerspectiveFovLH(&m, 3.14159f / 3, 1, 0.1f, 500);
  EXPECT_NEAR(m.m[1][1], 1.7320508f, 1e-4f);
  EXPECT_NEAR(m.m[0][0], 1.7320508f, 1e-4f);
  EXPECT_NEAR(m.m[2][2], 500 / 499.9f, kTolerance);
  EXPECT_NEAR(m.m[3][2], -50 / 499.9f, kTolerance);
}

TEST(DeviceMatrixHelpers, InverseTransposeForNormals) {
  float out[3][3];
  D3DMATRIX scale;
  D3DXMatrixScaling(&scale, 2, 4, 8);
  ASSERT_TRUE(InverseTranspose3x3(scale, out));
  EXPECT_NEAR(out[0][0], 0.5f, kTolerance);
  EXPECT_NEAR(out[1][1], 0.25f, kTolerance);
  EXPECT_NEAR(out[2][2], 0.125f, kTolerance);
  // Shear x += y: the inverse subtracts, and the transpose moves that to row 0.
  D3DMATRIX shear;
  D3DXMatrixIdentity(&shear);
  shear.m[1][0] = 1;
  ASSERT_TRUE(InverseTranspose3x3(shear, out));
  const float expected[3][3] = {{1, -1, 0}, {0, 1, 0}, {0, 0, 1}};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(out[r][c], expected[r][c], kTolerance) << r << c;
  // A rotation is its own inverse transpose.
  D3DMATRIX rotation;
  D3DXMatrixRotationY(&rotation, 0.7f);
  ASSERT_TRUE(InverseTranspose3x3(rotation, out));
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(out[r][c], rotation.m[r][c], kTolerance) << r << c;
}

TEST(DeviceMatrixHelpers, InverseTransposeOfSingularMatrixFails) {
  D3DMATRIX flat;
  D3DXMatrixScaling(&flat, 1, 0, 1);
  float out[3][3];
  EXPECT_FALSE(InverseTranspose3x3(flat, out));
  for (const auto& row : out)
    for (float value : row) EXPECT_EQ(value, 0.0f);
}

}  // namespace
