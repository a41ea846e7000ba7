#pragma once
#include "render/types/d3d_types.h"

// One vertex of a mesh or a draw call. Which fields mean something is said by the vertex
// format (D3DFVF_* flags) that goes with it: position always; normal, diffuse colour and
// the texture coordinate only when their flag is set.
struct Vertex {
  D3DVECTOR position{0, 0, 0};
  D3DVECTOR normal{0, 0, 0};
  D3DCOLOR diffuse = 0xFFFFFFFFU;
  float u = 0;
  float v = 0;
};
