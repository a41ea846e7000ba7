#pragma once
// The matrix helpers of the utility library, with its row-vector convention (v' = v * M) and
// its left-handed camera and projection.
#include "render/d3d_types.h"

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

// The matrix that takes normals along with positions transformed by `m`: the inverse transpose
// of its upper-left 3x3. Returns false (and zeros) when that part is singular.
bool InverseTranspose3x3(const D3DMATRIX& m, float out[3][3]);
