#pragma once
// Fill loops working on eight pixels at a time with AVX2, for processors that have it. They
// compute exactly what the one-pixel loop computes, with the same float operations.
#include "render/fill_setup.h"

// The eight-pixel loop for: depth test off, or less-equal with writes; a power-of-two texture
// or none. Null when the processor or the build lacks AVX2.
TriangleFillFunction ChooseAvx2FillFunction(bool depthTest, bool textured);
