#include "math/math3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

Matrix4 Identity() {
  Matrix4 m;
  MatrixIdentity(m);
  return m;
}

Matrix4 Filled(float base) {
  Matrix4 m;
  for (int i = 0; i < 16; ++i) m.m[i] = base + static_cast<float>(i);
  return m;
}

}  // namespace

TEST(MatrixInvertAffine, ChecksTheAffineColumnWithItsTolerance) {
  struct Case {
    int index;
    float value;
    HRESULT expected;
  } cases[] = {{15, 1.0005f, S_OK}, {15, 1.002f, E_INVALIDARG}, {3, 0.01f, E_INVALIDARG},
               {7, 0.0009f, S_OK},  {11, -0.01f, E_INVALIDARG}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    Matrix4 m = Identity();
    m.m[c.index] = c.value;
    Matrix4 out = Filled(100.0f);
    const Matrix4 before = out;
    EXPECT_EQ(MatrixInvertAffine(out, m), c.expected);
    if (c.expected != S_OK) {
      EXPECT_EQ(std::memcmp(&out, &before, sizeof(out)), 0) << "output changed on failure";
    }
  }
}

TEST(MatrixInvertAffine, InvertsATransformAndInPlaceFollowsTheWriteOrder) {
  Matrix4 rotation, translation, m;
  MatrixRotationAxis(rotation, MakeVector(0, 0, 1), 0.5f);
  MatrixTranslation(translation, MakeVector(1, 2, 3));
  MatrixMultiply(m, rotation, translation);
  Matrix4 inverse;
  ASSERT_EQ(MatrixInvertAffine(inverse, m), S_OK);
  Matrix4 product;
  MatrixMultiply(product, m, inverse);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(product.m[i], Identity().m[i], 1e-6f) << i;

  // In place, every element after the first is computed from a partly overwritten matrix: element
  // (0, 1) already sees the new (0, 0), so the result differs from the true inverse.
  Matrix4 in_place = m;
  ASSERT_EQ(MatrixInvertAffine(in_place, in_place), S_OK);
  EXPECT_EQ(in_place.m[0], inverse.m[0]);
  EXPECT_NE(std::memcmp(&in_place, &inverse, sizeof(Matrix4)), 0);
}

TEST(MatrixMultiply, OutputMayBeAnInput) {
  Matrix4 a = Filled(1.0f), b = Filled(-3.0f);
  Matrix4 expected;
  MatrixMultiply(expected, a, b);
  Matrix4 m = a;
  MatrixMultiply(m, m, b);
  EXPECT_EQ(std::memcmp(&m, &expected, sizeof(m)), 0);
  Matrix4 c = Filled(0.5f), expected3;
  MatrixMultiply3(expected3, a, b, c);
  Matrix4 alias = c;
  MatrixMultiply3(alias, a, b, alias);
  EXPECT_EQ(std::memcmp(&alias, &expected3, sizeof(alias)), 0);
}

TEST(MatrixProjection, RefusesDegenerateInput) {
  Matrix4 out = Filled(7.0f);
  const Matrix4 before = out;
  EXPECT_EQ(MatrixProjection(out, 0.785398f, 0.75f, 1.0f, 1.005f), E_INVALIDARG);
  EXPECT_EQ(MatrixProjection(out, 0.0f, 0.75f, 1.0f, 100.0f), E_INVALIDARG);
  EXPECT_EQ(std::memcmp(&out, &before, sizeof(out)), 0);
  ASSERT_EQ(MatrixProjection(out, 0.7853982f, 0.75f, 1.0f, 2000.0f), S_OK);
  const float k = 1.0f / std::tan(0.7853982f / 2.0f);
  EXPECT_NEAR(out(0, 0), 0.75f * k, 1e-5f);
  EXPECT_NEAR(out(1, 1), k, 1e-5f);
  EXPECT_FLOAT_EQ(out(2, 3), 1.0f);
  EXPECT_FLOAT_EQ(out(3, 2), -2000.0f / 1999.0f);
  EXPECT_EQ(out(3, 3), 0.0f);
}

TEST(MatrixView, LooksAlongTheViewAndFallsBackForParallelUp) {
  Matrix4 out = Filled(7.0f);
  const Matrix4 before = out;
  EXPECT_EQ(MatrixView(out, MakeVector(1, 2, 3), MakeVector(1, 2, 3), MakeVector(0, 1, 0)), E_INVALIDARG);
  EXPECT_EQ(std::memcmp(&out, &before, sizeof(out)), 0);

  ASSERT_EQ(MatrixView(out, MakeVector(0, 0, -10), MakeVector(0, 0, 0), MakeVector(0, 1, 0)), S_OK);
  Vector3 p;
  TransformPoint(MakeVector(0, 0, 0), p, out);
  EXPECT_NEAR(p.z, 10.0f, 1e-6f);  // the target lies 10 ahead, +z into the screen
  TransformPoint(MakeVector(1, 0, 0), p, out);
  EXPECT_NEAR(p.x, 1.0f, 1e-6f);  // left-handed: +x stays to the right

  // Up parallel to the view: falls back to (0, 1, 0), then for a view along y to (0, 0, 1).
  ASSERT_EQ(MatrixView(out, MakeVector(0, 0, -10), MakeVector(0, 0, 0), MakeVector(0, 0, 1)), S_OK);
  EXPECT_NEAR(out(1, 1), 1.0f, 1e-6f);
  ASSERT_EQ(MatrixView(out, MakeVector(0, -10, 0), MakeVector(0, 0, 0), MakeVector(0, 1, 0)), S_OK);
  EXPECT_NEAR(out(2, 1), 1.0f, 1e-6f);
}

TEST(Quaternion, MultiplyIsTheHamiltonProductBTimesA) {
  float x, y, z, w;
  QuaternionMultiply(x, y, z, w, 0, 0, 0, 1, 0.1f, 0.2f, 0.3f, 0.9f);
  EXPECT_FLOAT_EQ(x, 0.1f);
  EXPECT_FLOAT_EQ(w, 0.9f);
  QuaternionMultiply(x, y, z, w, 0.1f, 0.2f, 0.3f, 0.9f, 0, 0, 0, 1);
  EXPECT_FLOAT_EQ(y, 0.2f);
  // A = 90 degrees about x, B = 90 degrees about y: B (x) A = (s*s... ) has z = +0.5, A (x) B has z = -0.5.
  const float s = std::sqrt(0.5f);
  QuaternionMultiply(x, y, z, w, s, 0, 0, s, 0, s, 0, s);
  EXPECT_NEAR(z, -0.5f, 1e-6f);
  QuaternionMultiply(x, y, z, w, 0, s, 0, s, s, 0, 0, s);
  EXPECT_NEAR(z, 0.5f, 1e-6f);
}

TEST(Quaternion, FromAxisAngleDoesNotNormaliseTheAxis) {
  float x, y, z, w;
  QuaternionFromAxisAngle(x, y, z, w, MakeVector(0, 2, 0), 1.0f);
  EXPECT_GT(x * x + y * y + z * z + w * w, 1.5f);
  EXPECT_FLOAT_EQ(y, 2.0f * std::sin(0.5f));
}

TEST(Rotation, AxisAndQuaternionBuildTheSameBlock) {
  const Vector3 axis = MakeVector(0.3f, -0.5f, 0.8f);
  Matrix4 from_axis, from_quaternion;
  MatrixRotationAxis(from_axis, axis, 0.7f);
  const Vector3 n = Normalize(axis);
  float x, y, z, w;
  QuaternionFromAxisAngle(x, y, z, w, n, 0.7f);
  MatrixFromQuaternion(from_quaternion, x, y, z, w);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(from_axis.m[i], from_quaternion.m[i], 1e-6f) << i;
  // Written for column vectors: a row vector is turned by the opposite angle.
  Matrix4 quarter;
  MatrixRotationAxis(quarter, MakeVector(0, 0, 1), 1.5707964f);
  Vector3 p;
  TransformPoint(MakeVector(1, 0, 0), p, quarter);
  EXPECT_NEAR(p.y, -1.0f, 1e-6f);
}

TEST(Vectors, NormalizeOfZeroIsNotANumber) {
  const Vector3 n = Normalize(MakeVector(0, 0, 0));
  EXPECT_TRUE(std::isnan(n.x) && std::isnan(n.y) && std::isnan(n.z));
  const Vector3 f = FaceNormal(MakeVector(1, 1, 1), MakeVector(1, 1, 1), MakeVector(2, 2, 2));
  EXPECT_TRUE(std::isnan(f.x));
  EXPECT_FLOAT_EQ(InverseLerp(3.0f, 4.0f, 2.0f), 0.5f);
}

TEST(FileNameFromPath, TakesWhatFollowsTheLastBackslashWithoutTerminating) {
  char out[16];
  std::memset(out, 'Z', sizeof(out));
  FileNameFromPath(out, "C:\\maps\\wall.tif");
  EXPECT_EQ(std::memcmp(out, "wall.tifZ", 9), 0);
  char whole[16] = {};
  FileNameFromPath(whole, "light.ase");
  EXPECT_STREQ(whole, "light.ase");
  FileNameFromPath(nullptr, "x");
  FileNameFromPath(whole, nullptr);
}
