// Single-precision vectors, matrices and quaternions. Matrix4 is row-major with row vectors
// (p' = p * M, translation in row 3), left-handed as Direct3D. Every operation is a small stateless
// computation in float with the sum orders written here; nothing allocates. Only the three status
// builders (MatrixInvertAffine, MatrixProjection, MatrixView) detect bad input: they return E_INVALIDARG
// and leave their output untouched. Everything else computes blindly (a zero length gives NaN).
#pragma once

#include <xmmintrin.h>

#include "platform/win32.h"

struct Vector3 {
  float x, y, z;
  float& operator[](int i) { return (&x)[i]; }
  float operator[](int i) const { return (&x)[i]; }
};

// Four lanes, no alignment requirement: the kernels load and store it unaligned.
struct Vector4 {
  float x, y, z, w;
  // this - other on all four lanes, with one SSE subtraction.
  Vector4 SubtractVector4(const Vector4* other) const {
    Vector4 result;
    _mm_storeu_ps(&result.x, _mm_sub_ps(_mm_loadu_ps(&x), _mm_loadu_ps(&other->x)));
    return result;
  }
};

struct Matrix4 {
  float m[16];  // element (r, c) at 4r + c
  float& operator()(int r, int c) { return m[4 * r + c]; }
  float operator()(int r, int c) const { return m[4 * r + c]; }
};

// Vector part first, scalar last.
struct Quaternion {
  float x, y, z, w;
};

static_assert(sizeof(Vector3) == 12, "Vector3 is three floats");
static_assert(sizeof(Vector4) == 16, "Vector4 is four floats");
static_assert(sizeof(Matrix4) == 64, "Matrix4 is sixteen floats");

Vector3 MakeVector(float x, float y, float z);
Vector3 Subtract(const Vector3& a, const Vector3& b);
Vector3 Add(const Vector3& a, const Vector3& b);
Vector3 ScaleVector(float s, const Vector3& v);
Vector3 MultiplyVector(const Vector3& v, float s);
Vector3 DivideVector(const Vector3& v, float s);
void DivideInPlace(Vector3& v, float s);
float LengthSquared(const Vector3& v);
float Length(const Vector3& v);
Vector3 Normalize(const Vector3& v);
float Dot(const Vector3& a, const Vector3& b);
Vector3 Cross(const Vector3& a, const Vector3& b);
Vector3 FaceNormal(const Vector3& p0, const Vector3& p1, const Vector3& p2);
float InverseLerp(float a, float hi, float lo);

void MatrixIdentity(Matrix4& out);
// out may be A or B: the product goes through a temporary.
void MatrixMultiply(Matrix4& out, const Matrix4& a, const Matrix4& b);
// (A * B) * C with A * B rounded to float; out may alias any input.
void MatrixMultiply3(Matrix4& out, const Matrix4& a, const Matrix4& b, const Matrix4& c);
void MatrixScaling(Matrix4& out, const Vector3& s);
void MatrixTranslation(Matrix4& out, const Vector3& t);
void MatrixRotationAxis(Matrix4& out, const Vector3& axis, float angle_rad);
void MatrixFromQuaternion(Matrix4& out, float x, float y, float z, float w);
// Writes element by element while still reading m, so an in-place call (out == m) sees its own
// partial results; callers rely on that exact order.
HRESULT MatrixInvertAffine(Matrix4& out, const Matrix4& m);
HRESULT MatrixProjection(Matrix4& out, float fov_rad, float aspect, float near_plane, float far_plane);
HRESULT MatrixView(Matrix4& out, const Vector3& from, const Vector3& at, const Vector3& world_up);
void TransformPoint(const Vector3& p, Vector3& out, const Matrix4& m);

void QuaternionFromAxisAngle(float& x, float& y, float& z, float& w, const Vector3& axis, float angle_rad);
// The Hamilton product B (x) A.
void QuaternionMultiply(float& x, float& y, float& z, float& w, float ax, float ay, float az, float aw, float bx,
                        float by, float bz, float bw);

// Copies the characters after the last backslash of path (all of it when there is none) to destination,
// without a terminating zero: the caller passes a zero-filled buffer large enough. Null pointers: no-op.
void FileNameFromPath(char* destination, const char* path);
