// The math builders' refusals, their in-place rule and the scales and quaternions the view and animation
// code take from them; handedness and rotation sense show in the viewer's pictures and the poses.
#include "math/math3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

Matrix4 Filled(float base) {
  Matrix4 m;
  for (int i = 0; i < 16; ++i) m.m[i] = base + static_cast<float>(i);
  return m;
}

bool Same(const Matrix4& a, const Matrix4& b) { return std::memcmp(&a, &b, sizeof(Matrix4)) == 0; }

TEST(Math3d, AffineInverseChecksItsColumnAndInPlaceReadsItsOwnResults) {
  const struct {
    int index;
    float value;
    HRESULT expected;
  } cases[] = {{15, 1.0005f, S_OK}, {15, 1.002f, E_INVALIDARG}, {3, 0.01f, E_INVALIDARG},
               {7, 0.0009f, S_OK},  {11, -0.01f, E_INVALIDARG}};
  for (const auto& c : cases) {
    Matrix4 m;
    MatrixIdentity(m);
    m.m[c.index] = c.value;
    Matrix4 out = Filled(100.0f);
    EXPECT_EQ(MatrixInvertAffine(out, m), c.expected) << c.index;
    if (c.expected != S_OK) {
      EXPECT_TRUE(Same(out, Filled(100.0f))) << "output changed on failure";
    }
  }
  Matrix4 rotation, translation, m, inverse, product;
  MatrixRotationAxis(rotation, MakeVector(0, 0, 1), 0.5f);
  MatrixTranslation(translation, MakeVector(1, 2, 3));
  MatrixMultiply(m, rotation, translation);
  ASSERT_EQ(MatrixInvertAffine(inverse, m), S_OK);
  MatrixMultiply(product, m, inverse);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(product.m[i], i % 5 == 0 ? 1.0f : 0.0f, 1e-6f) << i;
  // In place, element (0, 1) already sees the new (0, 0), so the result is not the true inverse.
  ASSERT_EQ(MatrixInvertAffine(m, m), S_OK);
  EXPECT_EQ(m.m[0], inverse.m[0]);
  EXPECT_FALSE(Same(m, inverse));
}

TEST(Math3d, ProjectionAndViewRefuseDegenerateInput) {
  Matrix4 out = Filled(7.0f);
  EXPECT_EQ(MatrixProjection(out, 0.785398f, 0.75f, 1.0f, 1.005f), E_INVALIDARG);
  EXPECT_EQ(MatrixProjection(out, 0.0f, 0.75f, 1.0f, 100.0f), E_INVALIDARG);
  EXPECT_EQ(MatrixView(out, MakeVector(1, 2, 3), MakeVector(1, 2, 3), MakeVector(0, 1, 0)), E_INVALIDARG);
  EXPECT_TRUE(Same(out, Filled(7.0f)));
  ASSERT_EQ(MatrixProjection(out, 0.7853982f, 0.75f, 1.0f, 2000.0f), S_OK);
  const float k = 1.0f / std::tan(0.7853982f / 2.0f);
  EXPECT_NEAR(out(0, 0), 0.75f * k, 1e-5f);
  EXPECT_NEAR(out(1, 1), k, 1e-5f);
  EXPECT_EQ(out(2, 3) + out(3, 3), 1.0f);
  EXPECT_FLOAT_EQ(out(3, 2), -2000.0f / 1999.0f);

  ASSERT_EQ(MatrixView(out, MakeVector(0, 0, -10), MakeVector(0, 0, 0), MakeVector(0, 1, 0)), S_OK);
  // Up parallel to the view falls back to (0, 1, 0), then for a view along y to (0, 0, 1).
  ASSERT_EQ(MatrixView(out, MakeVector(0, 0, -10), MakeVector(0, 0, 0), MakeVector(0, 0, 1)), S_OK);
  EXPECT_NEAR(out(1, 1), 1.0f, 1e-6f);
  ASSERT_EQ(MatrixView(out, MakeVector(0, -10, 0), MakeVector(0, 0, 0), MakeVector(0, 1, 0)), S_OK);
  EXPECT_NEAR(out(2, 1), 1.0f, 1e-6f);
}

TEST(Math3d, AxisAndQuaternionBuildTheSameRotation) {
  const Vector3 axis = MakeVector(0.3f, -0.5f, 0.8f);
  Matrix4 from_axis, from_quaternion;
  MatrixRotationAxis(from_axis, axis, 0.7f);
  float x, y, z, w;
  QuaternionFromAxisAngle(x, y, z, w, Normalize(axis), 0.7f);
  MatrixFromQuaternion(from_quaternion, x, y, z, w);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(from_axis.m[i], from_quaternion.m[i], 1e-6f) << i;
  // The quaternion keeps the axis's length: rotation keys are not normalised.
  QuaternionFromAxisAngle(x, y, z, w, MakeVector(0, 2, 0), 1.0f);
  EXPECT_FLOAT_EQ(y, 2.0f * std::sin(0.5f));
}

}  // namespace
