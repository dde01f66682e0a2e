#include "math/math3d.h"

#include <cmath>
#include <cstring>

Vector3 MakeVector(float x, float y, float z) { return Vector3{x, y, z}; }

Vector3 Subtract(const Vector3& a, const Vector3& b) { return Vector3{a.x - b.x, a.y - b.y, a.z - b.z}; }

Vector3 Add(const Vector3& a, const Vector3& b) { return Vector3{a.x + b.x, a.y + b.y, a.z + b.z}; }

Vector3 ScaleVector(float s, const Vector3& v) { return Vector3{s * v.x, s * v.y, s * v.z}; }

Vector3 MultiplyVector(const Vector3& v, float s) { return Vector3{v.x * s, v.y * s, v.z * s}; }

Vector3 DivideVector(const Vector3& v, float s) { return Vector3{v.x / s, v.y / s, v.z / s}; }

void DivideInPlace(Vector3& v, float s) {
  v.x /= s;
  v.y /= s;
  v.z /= s;
}

float LengthSquared(const Vector3& v) { return v.x * v.x + v.y * v.y + v.z * v.z; }

float Length(const Vector3& v) { return std::sqrt(LengthSquared(v)); }

Vector3 Normalize(const Vector3& v) { return DivideVector(v, Length(v)); }

float Dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vector3 Cross(const Vector3& a, const Vector3& b) {
  return Vector3{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

Vector3 FaceNormal(const Vector3& p0, const Vector3& p1, const Vector3& p2) {
  return Normalize(Cross(Subtract(p1, p0), Subtract(p2, p0)));
}

float InverseLerp(float a, float hi, float lo) { return (a - lo) / (hi - lo); }

void MatrixIdentity(Matrix4& out) {
  std::memset(out.m, 0, sizeof(out.m));
  out.m[0] = out.m[5] = out.m[10] = out.m[15] = 1.0f;
}

void MatrixMultiply(Matrix4& out, const Matrix4& a, const Matrix4& b) {
  Matrix4 product;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += a(r, k) * b(k, c);
      product(r, c) = sum;
    }
  }
  out = product;
}

void MatrixMultiply3(Matrix4& out, const Matrix4& a, const Matrix4& b, const Matrix4& c) {
  Matrix4 ab;
  MatrixMultiply(ab, a, b);
  MatrixMultiply(out, ab, c);
}

void MatrixScaling(Matrix4& out, const Vector3& s) {
  MatrixIdentity(out);
  out(0, 0) = s.x;
  out(1, 1) = s.y;
  out(2, 2) = s.z;
}

void MatrixTranslation(Matrix4& out, const Vector3& t) {
  MatrixIdentity(out);
  out(3, 0) = t.x;
  out(3, 1) = t.y;
  out(3, 2) = t.z;
}

void MatrixRotationAxis(Matrix4& out, const Vector3& axis, float angle_rad) {
  const Vector3 n = Normalize(axis);
  const float c = static_cast<float>(std::cos(static_cast<double>(angle_rad)));
  const float s = static_cast<float>(std::sin(static_cast<double>(angle_rad)));
  const float t = 1.0f - c;
  MatrixIdentity(out);
  out(0, 0) = c + n.x * n.x * t;
  out(0, 1) = n.x * n.y * t - n.z * s;
  out(0, 2) = n.x * n.z * t + n.y * s;
  out(1, 0) = n.y * n.x * t + n.z * s;
  out(1, 1) = c + n.y * n.y * t;
  out(1, 2) = n.y * n.z * t - n.x * s;
  out(2, 0) = n.z * n.x * t - n.y * s;
  out(2, 1) = n.z * n.y * t + n.x * s;
  out(2, 2) = c + n.z * n.z * t;
}

void MatrixFromQuaternion(Matrix4& out, float x, float y, float z, float w) {
  // Each product is rounded to float before it is combined.
  const float xx = x * x, yy = y * y, zz = z * z;
  const float xy = x * y, xz = x * z, yz = y * z;
  const float wx = w * x, wy = w * y, wz = w * z;
  MatrixIdentity(out);
  out(0, 0) = 1.0f - 2.0f * (yy + zz);
  out(0, 1) = 2.0f * (xy - wz);
  out(0, 2) = 2.0f * (xz + wy);
  out(1, 0) = 2.0f * (xy + wz);
  out(1, 1) = 1.0f - 2.0f * (xx + zz);
  out(1, 2) = 2.0f * (yz - wx);
  out(2, 0) = 2.0f * (xz - wy);
  out(2, 1) = 2.0f * (yz + wx);
  out(2, 2) = 1.0f - 2.0f * (xx + yy);
}

HRESULT MatrixInvertAffine(Matrix4& out, const Matrix4& matrix) {
  const float* m = matrix.m;  // may be out.m: read live on purpose
  float* o = out.m;
  if (std::fabs(m[15] - 1.0f) > 0.001f || std::fabs(m[3]) > 0.001f || std::fabs(m[7]) > 0.001f ||
      std::fabs(m[11]) > 0.001f) {
    return E_INVALIDARG;
  }
  const float det = m[0] * (m[5] * m[10] - m[6] * m[9]) - m[1] * (m[4] * m[10] - m[6] * m[8]) +
                    m[2] * (m[4] * m[9] - m[5] * m[8]);
  const float inv = 1.0f / det;
  o[0] = inv * (m[5] * m[10] - m[6] * m[9]);
  o[1] = -inv * (m[1] * m[10] - m[2] * m[9]);
  o[2] = inv * (m[1] * m[6] - m[2] * m[5]);
  o[3] = 0.0f;
  o[4] = -inv * (m[4] * m[10] - m[6] * m[8]);
  o[5] = inv * (m[0] * m[10] - m[2] * m[8]);
  o[6] = -inv * (m[0] * m[6] - m[2] * m[4]);
  o[7] = 0.0f;
  o[8] = inv * (m[4] * m[9] - m[5] * m[8]);
  o[9] = -inv * (m[0] * m[9] - m[1] * m[8]);
  o[10] = inv * (m[0] * m[5] - m[1] * m[4]);
  o[11] = 0.0f;
  for (int c = 0; c < 3; ++c) o[12 + c] = -(m[12] * o[c] + m[13] * o[4 + c] + m[14] * o[8 + c]);
  o[15] = 1.0f;
  return S_OK;
}

HRESULT MatrixProjection(Matrix4& out, float fov_rad, float aspect, float near_plane, float far_plane) {
  if (std::fabs(far_plane - near_plane) < 0.01f) return E_INVALIDARG;
  const float half = fov_rad / 2.0f;
  const float s = static_cast<float>(std::sin(static_cast<double>(half)));
  if (std::fabs(s) < 0.01f) return E_INVALIDARG;
  const float c = static_cast<float>(std::cos(static_cast<double>(half)));
  const float k = c / s;
  std::memset(out.m, 0, sizeof(out.m));
  const float q = far_plane / (far_plane - near_plane);
  out(0, 0) = aspect * k;
  out(1, 1) = k;
  out(2, 2) = q;
  out(2, 3) = 1.0f;
  out(3, 2) = -q * near_plane;
  return S_OK;
}

HRESULT MatrixView(Matrix4& out, const Vector3& from, const Vector3& at, const Vector3& world_up) {
  Vector3 view = Subtract(at, from);
  const float length = Length(view);
  if (!(length >= 1e-6f)) return E_INVALIDARG;  // also refuses NaN
  view = DivideVector(view, length);

  Vector3 up = Subtract(world_up, MultiplyVector(view, Dot(world_up, view)));
  float up_length = Length(up);
  if (up_length < 1e-6f) {
    up = Subtract(MakeVector(0.0f, 1.0f, 0.0f), MultiplyVector(view, view.y));
    up_length = Length(up);
    if (up_length < 1e-6f) {
      up = Subtract(MakeVector(0.0f, 0.0f, 1.0f), MultiplyVector(view, view.z));
      up_length = Length(up);
      if (up_length < 1e-6f) return E_INVALIDARG;
    }
  }
  up = DivideVector(up, up_length);
  const Vector3 right = Cross(up, view);

  MatrixIdentity(out);
  out(0, 0) = right.x;
  out(0, 1) = up.x;
  out(0, 2) = view.x;
  out(1, 0) = right.y;
  out(1, 1) = up.y;
  out(1, 2) = view.y;
  out(2, 0) = right.z;
  out(2, 1) = up.z;
  out(2, 2) = view.z;
  out(3, 0) = -Dot(from, right);
  out(3, 1) = -Dot(from, up);
  out(3, 2) = -Dot(from, view);
  return S_OK;
}

void TransformPoint(const Vector3& p, Vector3& out, const Matrix4& m) {
  const Vector3 in = p;  // out may be p
  out.x = in.x * m(0, 0) + in.y * m(1, 0) + in.z * m(2, 0) + m(3, 0);
  out.y = in.x * m(0, 1) + in.y * m(1, 1) + in.z * m(2, 1) + m(3, 1);
  out.z = in.x * m(0, 2) + in.y * m(1, 2) + in.z * m(2, 2) + m(3, 2);
}

void QuaternionFromAxisAngle(float& x, float& y, float& z, float& w, const Vector3& axis, float angle_rad) {
  const float half = angle_rad / 2.0f;
  const float s = static_cast<float>(std::sin(static_cast<double>(half)));
  x = s * axis.x;
  y = s * axis.y;
  z = s * axis.z;
  w = static_cast<float>(std::cos(static_cast<double>(half)));
}

void QuaternionMultiply(float& x, float& y, float& z, float& w, float ax, float ay, float az, float aw, float bx,
                        float by, float bz, float bw) {
  const float rx = bw * ax + bx * aw + by * az - bz * ay;
  const float ry = bw * ay + by * aw + bz * ax - bx * az;
  const float rz = bw * az + bz * aw + bx * ay - by * ax;
  const float rw = bw * aw - bx * ax - by * ay - bz * az;
  x = rx;
  y = ry;
  z = rz;
  w = rw;
}

void FileNameFromPath(char* destination, const char* path) {
  if (destination == nullptr || path == nullptr) return;
  const char* name = std::strrchr(path, '\\');
  name = name ? name + 1 : path;
  std::memcpy(destination, name, std::strlen(name));
}
