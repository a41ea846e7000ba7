#pragma once
#include <cstdint>
#include <vector>

// A texture's top level: texels 0xAARRGGBB, row by row from the top-left (v grows downwards).
struct Texture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> texels;
};
