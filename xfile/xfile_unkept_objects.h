#pragma once
// Skin weights and animations do not make the mesh, but a file where they are malformed is
// refused all the same: these read them as far as their structure goes and keep nothing.
#include <cstdint>

#include "xfile/xfile_cursor.h"

// Each reads the object whose template name the cursor has just read.
void CheckSkinMeshHeader(XTextCursor& in);
// The weights' vertex indices must name vertices of the mesh.
void CheckSkinWeights(XTextCursor& in, std::uint32_t vertexCount);
void CheckAnimationSet(XTextCursor& in);
void CheckAnimTicksPerSecond(XTextCursor& in);
