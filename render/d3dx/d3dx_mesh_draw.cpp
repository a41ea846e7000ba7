// Kept apart from loading so that the loader builds without the device (the fuzz target).
#include "render/d3dx/d3dx_mesh.h"
#include "render/device/device.h"

HRESULT D3DXMesh::DrawSubset(DWORD attribId) const {
  if (!device_) return D3DERR_INVALIDCALL;
  if (attribId >= subsets_.size() || subsets_[attribId].faceCount == 0) return D3D_OK;
  const Range& range = subsets_[attribId];
  return device_->DrawIndexedTriangleList(
      fvf_, vertices_.data(), static_cast<std::uint32_t>(vertices_.size()),
      indices_.data() + 3 * static_cast<std::size_t>(range.firstFace), range.faceCount);
}
