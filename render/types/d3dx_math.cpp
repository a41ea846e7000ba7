#include "render/types/d3dx_math.h"

#include <cmath>

namespace {

void SetZero(D3DMATRIX* m) {
  for (auto& row : m->m)
    for (float& value : row) value = 0.0f;
}

}  // namespace

D3DMATRIX* D3DXMatrixIdentity(D3DMATRIX* out) {
  SetZero(out);
  for (int i = 0; i < 4; ++i) out->m[i][i] = 1.0f;
  return out;
}

D3DMATRIX* D3DXMatrixMultiply(D3DMATRIX* out, const D3DMATRIX* a, const D3DMATRIX* b) {
  D3DMATRIX product;
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += a->m[row][k] * b->m[k][column];
      product.m[row][column] = sum;
    }
  }
  *out = product;
  return out;
}

D3DMATRIX* D3DXMatrixScaling(D3DMATRIX* out, float sx, float sy, float sz) {
  D3DXMatrixIdentity(out);
  out->m[0][0] = sx;
  out->m[1][1] = sy;
  out->m[2][2] = sz;
  return out;
}

D3DMATRIX* D3DXMatrixTranslation(D3DMATRIX* out, float x, float y, float z) {
  D3DXMatrixIdentity(out);
  out->m[3][0] = x;
  out->m[3][1] = y;
  out->m[3][2] = z;
  return out;
}

D3DMATRIX* D3DXMatrixRotationY(D3DMATRIX* out, float angle) {
  D3DXMatrixIdentity(out);
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  out->m[0][0] = c;
  out->m[0][2] = -s;
  out->m[2][0] = s;
  out->m[2][2] = c;
  return out;
}

D3DMATRIX* D3DXMatrixLookAtLH(D3DMATRIX* out, const D3DVECTOR* eye, const D3DVECTOR* at,
                              const D3DVECTOR* up) {
  const D3DVECTOR z = Normalize(Subtract(*at, *eye));
  const D3DVECTOR x = Normalize(Cross(*up, z));
  const D3DVECTOR y = Cross(z, x);
  SetZero(out);
  const D3DVECTOR axes[3] = {x, y, z};
  for (int column = 0; column < 3; ++column) {
    out->m[0][column] = axes[column].x;
    out->m[1][column] = axes[column].y;
    out->m[2][column] = axes[column].z;
    out->m[3][column] = -Dot(axes[column], *eye);
  }
  out->m[3][3] = 1.0f;
  return out;
}

D3DMATRIX* D3DXMatrixPerspectiveFovLH(D3DMATRIX* out, float fovy, float aspect, float zn, float zf) {
  const float ys = 1.0f / std::tan(fovy / 2.0f);
  const float xs = ys / aspect;
  SetZero(out);
  out->m[0][0] = xs;
  out->m[1][1] = ys;
  out->m[2][2] = zf / (zf - zn);
  out->m[2][3] = 1.0f;
  out->m[3][2] = -zn * zf / (zf - zn);
  return out;
}

bool InverseTranspose3x3(const D3DMATRIX& m, float out[3][3]) {
  const auto a = [&m](int row, int column) { return static_cast<double>(m.m[row][column]); };
  // Cofactor matrix divided by the determinant is the inverse transpose.
  double cofactor[3][3];
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      const int r0 = (row + 1) % 3, r1 = (row + 2) % 3;
      const int c0 = (column + 1) % 3, c1 = (column + 2) % 3;
      cofactor[row][column] = a(r0, c0) * a(r1, c1) - a(r0, c1) * a(r1, c0);
    }
  }
  const double determinant = a(0, 0) * cofactor[0][0] + a(0, 1) * cofactor[0][1] + a(0, 2) * cofactor[0][2];
  const bool invertible = determinant != 0.0 && std::isfinite(determinant);
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < 3; ++column)
      out[row][column] = invertible ? static_cast<float>(cofactor[row][column] / determinant) : 0.0f;
  return invertible;
}
