#pragma once
// Textures from image files (bmp, dib, jpg, png, tga), kept at their own size.
#include <memory>
#include <string>

#include "render/d3d_types.h"
#include "render/texture.h"

class Direct3DDevice8;

// Pictures beyond these sizes are refused before they are decoded.
constexpr int kMaxTextureSide = 16384;
constexpr long long kMaxTextureTexels = 64LL << 20;

// Decodes `path` into a texture of 0xAARRGGBB texels. `device` is not needed to decode and
// may be null. On failure `texture` is left alone and `error` (if given) names the file and
// the reason.
HRESULT D3DXCreateTextureFromFile(Direct3DDevice8* device, const std::string& path,
                                  std::shared_ptr<Texture>* texture, std::string* error);
