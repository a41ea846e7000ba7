#pragma once
#include "render/pipeline/pipeline_vertex.h"

// Divides by w and maps the clip volume onto a viewport of `width` x `height` pixels (depth 0..1).
// The vertex must lie inside the clip stage's guard band, which bounds the result.
ScreenVertex MapToViewport(const ClipVertex& vertex, int width, int height);
