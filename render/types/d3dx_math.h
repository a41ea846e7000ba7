#pragma once
// The matrix helpers of the utility library, with its row-vector convention (v' = v * M) and
// its left-handed camera and projection.
#include <cmath>

#include "render/types/d3d_types.h"

using D3DXMATRIX = D3DMATRIX;

D3DMATRIX* D3DXMatrixIdentity(D3DMATRIX* out);
// out = a * b: a transform that applies `a` first, then `b`. `out` may be `a` or `b`.
D3DMATRIX* D3DXMatrixMultiply(D3DMATRIX* out, const D3DMATRIX* a, const D3DMATRIX* b);
D3DMATRIX* D3DXMatrixScaling(D3DMATRIX* out, float sx, float sy, float sz);
D3DMATRIX* D3DXMatrixTranslation(D3DMATRIX* out, float x, float y, float z);
D3DMATRIX* D3DXMatrixRotationY(D3DMATRIX* out, float angle);
// A zero-length viewing direction or an `up` parallel to it gives zero axes rather than NaN.
D3DMATRIX* D3DXMatrixLookAtLH(D3DMATRIX* out, const D3DVECTOR* eye, const D3DVECTOR* at, const D3DVECTOR* up);
D3DMATRIX* D3DXMatrixPerspectiveFovLH(D3DMATRIX* out, float fovy, float aspect, float zn, float zf);

// The vector helpers the pipeline shares; inline, as lighting runs them for every vertex.
inline D3DVECTOR Subtract(const D3DVECTOR& a, const D3DVECTOR& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}

inline D3DVECTOR Cross(const D3DVECTOR& a, const D3DVECTOR& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline float Dot(const D3DVECTOR& a, const D3DVECTOR& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// A zero vector stays zero.
inline D3DVECTOR Normalize(const D3DVECTOR& v) {
  const float length = std::sqrt(Dot(v, v));
  if (length == 0.0f) return {0, 0, 0};
  return {v.x / length, v.y / length, v.z / length};
}

// The point p * m (row vector, w = 1), without the division by w.
inline D3DVECTOR TransformPoint(const D3DVECTOR& p, const D3DMATRIX& m) {
  return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
          p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
          p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}

// The matrix that takes normals along with positions transformed by `m`: the inverse transpose
// of its upper-left 3x3. Returns false (and zeros) when that part is singular.
bool InverseTranspose3x3(const D3DMATRIX& m, float out[3][3]);
