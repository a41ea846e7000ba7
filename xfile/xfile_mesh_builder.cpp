#include "xfile/xfile_mesh_builder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

namespace {

static_assert(sizeof(XBuiltVertex) == 36, "vertices are compared byte by byte and must have no padding");

struct BuildError {
  std::string reason;
};

std::uint32_t PackColor(const XColor& c) {
  auto channel = [](float v) { return static_cast<std::uint32_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f); };
  return (channel(c.a) << 24) | (channel(c.r) << 16) | (channel(c.g) << 8) | channel(c.b);
}

XVector TransformPoint(const XMatrix& m, const XVector& p) {
  XVector out;
  for (int i = 0; i < 3; ++i) out[i] = m[i] * p[0] + m[4 + i] * p[1] + m[8 + i] * p[2] + m[12 + i];
  return out;
}

// n' = n times the inverse transpose of the transform's 3 x 3 part (row vectors), which is
// the plain inverse of its transpose `a`.
std::array<float, 9> NormalMatrix(const XMatrix& m) {
  const float a1 = m[0], a2 = m[4], a3 = m[8], b1 = m[1], b2 = m[5], b3 = m[9], c1 = m[2], c2 = m[6],
              c3 = m[10];
  const float det = a1 * b2 * c3 - a1 * b3 * c2 + a2 * b3 * c1 - a2 * b1 * c3 + a3 * b1 * c2 - a3 * b2 * c1;
  if (!std::isfinite(det) || det == 0.0f) {
    throw BuildError{"a frame transform cannot be inverted to transform normals"};
  }
  const float inv = 1.0f / det;
  return {inv * (b2 * c3 - b3 * c2),  -inv * (a2 * c3 - a3 * c2), inv * (a2 * b3 - a3 * b2),
          -inv * (b1 * c3 - b3 * c1), inv * (a1 * c3 - a3 * c1),  -inv * (a1 * b3 - a3 * b1),
          inv * (b1 * c2 - b2 * c1),  -inv * (a1 * c2 - a2 * c1), inv * (a1 * b2 - a2 * b1)};
}

XVector TransformNormal(const std::array<float, 9>& n, const XVector& v) {
  XVector out;
  for (int i = 0; i < 3; ++i) out[i] = v[0] * n[i] + v[1] * n[3 + i] + v[2] * n[6 + i];
  return out;
}

// Gives equal vertices one index, numbered in the order they first appear.
class VertexPool {
 public:
  explicit VertexPool(std::vector<XBuiltVertex>* vertices) : vertices_(vertices), slots_(64, kEmpty) {}

  std::uint32_t IndexOf(const XBuiltVertex& v) {
    std::size_t slot = Hash(v) & (slots_.size() - 1);
    while (slots_[slot] != kEmpty) {
      if (std::memcmp(&(*vertices_)[slots_[slot]], &v, sizeof v) == 0) return slots_[slot];
      slot = (slot + 1) & (slots_.size() - 1);
    }
    const auto index = static_cast<std::uint32_t>(vertices_->size());
    vertices_->push_back(v);
    slots_[slot] = index;
    if (2 * vertices_->size() > slots_.size()) Grow();
    return index;
  }

 private:
  static std::size_t Hash(const XBuiltVertex& v) {
    unsigned char bytes[sizeof v];
    std::memcpy(bytes, &v, sizeof bytes);
    std::uint64_t h = 1469598103934665603ULL;
    for (unsigned char b : bytes) h = (h ^ b) * 1099511628211ULL;
    return static_cast<std::size_t>(h ^ (h >> 29));
  }

  void Grow() {
    std::vector<std::uint32_t> old(2 * slots_.size(), kEmpty);
    old.swap(slots_);
    for (std::uint32_t index : old) {
      if (index == kEmpty) continue;
      std::size_t slot = Hash((*vertices_)[index]) & (slots_.size() - 1);
      while (slots_[slot] != kEmpty) slot = (slot + 1) & (slots_.size() - 1);
      slots_[slot] = index;
    }
  }

  static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
  std::vector<XBuiltVertex>* vertices_;
  std::vector<std::uint32_t> slots_;
};

class MeshBuilder {
 public:
  explicit MeshBuilder(const XFile& file) : file_(file), pool_(&result_.vertices) {}

  XBuiltMesh Build() {
    if (file_.meshes.empty()) throw BuildError{"the file holds no mesh"};
    std::vector<std::size_t> firstSubset;
    for (const XMesh& mesh : file_.meshes) {
      firstSubset.push_back(result_.subsets.size());
      if (!mesh.hasMaterialList) result_.subsets.push_back({});
      for (const XMaterial& material : mesh.materials) result_.subsets.push_back({true, material});
      result_.hasNormals |= mesh.hasNormals;
      result_.hasVertexColors |= mesh.hasVertexColors;
      result_.hasTextureCoords |= mesh.hasTextureCoords;
    }
    triangles_.resize(result_.subsets.size());
    std::vector<std::size_t> order(file_.meshes.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      return file_.meshes[a].frameRank < file_.meshes[b].frameRank;
    });
    for (std::size_t m : order) AddMesh(file_.meshes[m], firstSubset[m]);
    for (std::uint32_t subset = 0; subset < triangles_.size(); ++subset) {
      const std::vector<std::uint32_t>& corners = triangles_[subset];
      result_.indices.insert(result_.indices.end(), corners.begin(), corners.end());
      result_.faceSubsets.insert(result_.faceSubsets.end(), corners.size() / 3, subset);
    }
    if (result_.faceSubsets.empty()) throw BuildError{"the file's meshes have no faces"};
    return std::move(result_);
  }

 private:
  // Faces go subset by subset, each subset's faces in file order.
  void AddMesh(const XMesh& mesh, std::size_t firstSubset) {
    if (mesh.faceSizes.empty()) return;
    const std::array<float, 9> normalMatrix =
        mesh.hasNormals ? NormalMatrix(mesh.transform) : std::array<float, 9>{};
    std::vector<std::uint32_t> faceStart(mesh.faceSizes.size());
    std::exclusive_scan(mesh.faceSizes.begin(), mesh.faceSizes.end(), faceStart.begin(), 0u);
    std::vector<std::uint32_t> faces(mesh.faceSizes.size());
    std::iota(faces.begin(), faces.end(), 0u);
    if (mesh.hasMaterialList) {
      std::stable_sort(faces.begin(), faces.end(), [&](std::uint32_t a, std::uint32_t b) {
        return mesh.faceMaterials[a] < mesh.faceMaterials[b];
      });
    }
    for (std::uint32_t face : faces) {
      const std::size_t slot = mesh.hasMaterialList ? mesh.faceMaterials[face] : 0;
      std::vector<std::uint32_t>& out = triangles_[firstSubset + slot];
      auto vertex = [&](std::uint32_t k) { return VertexOf(mesh, normalMatrix, faceStart[face] + k); };
      const std::uint32_t first = vertex(0);
      for (std::uint32_t k = 1; k + 1 < mesh.faceSizes[face]; ++k) {
        out.push_back(first);
        out.push_back(vertex(k));
        out.push_back(vertex(k + 1));
      }
    }
  }

  std::uint32_t VertexOf(const XMesh& mesh, const std::array<float, 9>& normalMatrix, std::size_t corner) {
    const std::uint32_t p = mesh.corners[corner];
    XBuiltVertex v;
    v.position = TransformPoint(mesh.transform, mesh.positions[p]);
    if (mesh.hasNormals) v.normal = TransformNormal(normalMatrix, mesh.normals[mesh.normalCorners[corner]]);
    if (mesh.hasTextureCoords) {
      v.u = mesh.textureCoords[p][0];
      v.v = mesh.textureCoords[p][1];
    }
    if (mesh.hasVertexColors) v.diffuse = PackColor(mesh.vertexColors[p]);
    for (int i = 0; i < 3; ++i) {
      if (!std::isfinite(v.position[i]) || !std::isfinite(v.normal[i])) {
        throw BuildError{"a vertex holds a number that is not finite (after its frame transform)"};
      }
      // -0 and 0 are one value: the vertices must not differ by it.
      v.position[i] += 0.0f;
      v.normal[i] += 0.0f;
    }
    return pool_.IndexOf(v);
  }

  const XFile& file_;
  XBuiltMesh result_;
  VertexPool pool_;
  std::vector<std::vector<std::uint32_t>> triangles_;
};

}  // namespace

std::optional<XBuiltMesh> BuildXMesh(const XFile& file, std::string* error) {
  try {
    return MeshBuilder(file).Build();
  } catch (const BuildError& e) {
    *error = e.reason;
    return std::nullopt;
  }
}
