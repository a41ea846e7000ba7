#pragma once
// Textures from image files (bmp, dib, jpg, png, tga), kept at their own size.
#include <memory>
#include <string>

#include "render/types/d3d_types.h"
#include "render/types/texture.h"

class Direct3DDevice8;

// Decodes `path` into a texture of 0xAARRGGBB texels. `device` is not needed to decode and
// may be null. On failure `texture` is left alone and `error` (if given) names the file and
// the reason. Pictures beyond kMaxTextureSide or kMaxTextureTexels are refused before they
// are decoded.
HRESULT D3DXCreateTextureFromFile(Direct3DDevice8* device, const std::string& path,
                                  std::shared_ptr<Texture>* texture, std::string* error);
