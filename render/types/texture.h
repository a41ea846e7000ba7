#pragma once
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

// Storage whose new elements are left uninitialised: a decoder writes every texel itself, and
// zeroing a 2048 x 1024 texture first costs as much as decoding it, all of it at start-up.
template <typename T>
struct UninitialisedAllocator : std::allocator<T> {
  using value_type = T;
  template <typename U>
  struct rebind {
    using other = UninitialisedAllocator<U>;
  };
  UninitialisedAllocator() = default;
  template <typename U>
  UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}
  template <typename U>
  void construct(U* place) noexcept {
    ::new (static_cast<void*>(place)) U;
  }
  template <typename U, typename... Args>
  void construct(U* place, Args&&... args) {
    ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
  }
};

using TexelVector = std::vector<std::uint32_t, UninitialisedAllocator<std::uint32_t>>;

// The largest texture the device takes, and a file may decode to.
constexpr int kMaxTextureSide = 16384;
constexpr long long kMaxTextureTexels = 64LL << 20;

// A texture's top level: texels 0xAARRGGBB, row by row from the top-left (v grows downwards).
struct Texture {
  int width = 0;
  int height = 0;
  TexelVector texels;
};
