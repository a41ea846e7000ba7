#include "render/xfile_scene_merge.h"

#include <assimp/material.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

namespace {

// Which outline mesh and which of its material slots one importer mesh holds.
struct ImporterMeshSource {
  std::size_t mesh;
  std::size_t slot;
  std::uint32_t faceCount;
  int sceneMaterial;  // -1 where the importer's material index is not to be trusted
};

struct MergeError {
  MergeProblem problem;
  std::string reason;
};

// The importer numbers materials: top-level ones first, then each mesh's own ones (not the
// references) in its mesh order. Returns the scene index of each mesh's first own material.
std::vector<int> FirstOwnSceneMaterials(const XFileOutline& outline) {
  std::vector<int> first(outline.meshes.size(), -1);
  int next = static_cast<int>(outline.globalMaterials.size());
  for (std::size_t m : outline.importerOrder) {
    first[m] = next;
    for (const XMaterialSlot& slot : outline.meshes[m].materials) {
      if (slot.globalIndex < 0) ++next;
    }
  }
  return first;
}

// The importer makes one mesh per (mesh, material) pair that has faces, in its own order.
// Its material index for a referenced material is unreliable, so only own ones are checked.
std::vector<ImporterMeshSource> PredictImporterMeshes(const XFileOutline& outline,
                                                      const std::vector<int>& firstOwnSceneMaterial) {
  std::vector<ImporterMeshSource> sources;
  for (std::size_t m : outline.importerOrder) {
    const XMeshOutline& mesh = outline.meshes[m];
    if (!mesh.hasMaterialList) {
      if (mesh.faceCount > 0) sources.push_back({m, 0, mesh.faceCount, -1});
      continue;
    }
    int sceneMaterial = firstOwnSceneMaterial[m];
    for (std::size_t s = 0; s < mesh.materials.size(); ++s) {
      const XMaterialSlot& slot = mesh.materials[s];
      const int own = slot.globalIndex >= 0 ? -1 : sceneMaterial++;
      if (slot.faceCount > 0) sources.push_back({m, s, slot.faceCount, own});
    }
  }
  return sources;
}

void CollectNodeTransforms(const aiNode& node, const aiMatrix4x4& parent, std::vector<const aiNode*>* owner,
                           std::vector<aiMatrix4x4>* transforms) {
  const aiMatrix4x4 world = parent * node.mTransformation;
  for (unsigned i = 0; i < node.mNumMeshes; ++i) {
    const unsigned meshIndex = node.mMeshes[i];
    if (meshIndex < owner->size()) {
      (*owner)[meshIndex] = &node;
      (*transforms)[meshIndex] = world;
    }
  }
  for (unsigned i = 0; i < node.mNumChildren; ++i) {
    if (node.mChildren[i]) CollectNodeTransforms(*node.mChildren[i], world, owner, transforms);
  }
}

// Frame meshes take their node's accumulated transform, meshes outside frames none. The
// importer hangs meshes outside frames on the root node, dropping the root frame's own meshes
// from it; those still belong to the root frame.
std::vector<aiMatrix4x4> MeshTransforms(const aiScene& scene, const XFileOutline& outline,
                                        const std::vector<ImporterMeshSource>& sources) {
  std::vector<const aiNode*> owner(scene.mNumMeshes, nullptr);
  std::vector<aiMatrix4x4> transforms(scene.mNumMeshes);
  if (scene.mRootNode) CollectNodeTransforms(*scene.mRootNode, aiMatrix4x4(), &owner, &transforms);
  for (std::size_t i = 0; i < sources.size(); ++i) {
    if (!outline.meshes[sources[i].mesh].inFrame) {
      transforms[i] = aiMatrix4x4();
    } else if (!owner[i] && scene.mRootNode) {
      transforms[i] = scene.mRootNode->mTransformation;
    }
  }
  return transforms;
}

D3DCOLORVALUE ColorValue(const aiColor4D& c) { return {c.r, c.g, c.b, c.a}; }

bool IsFinite(const D3DCOLORVALUE& c) {
  return std::isfinite(c.r) && std::isfinite(c.g) && std::isfinite(c.b) && std::isfinite(c.a);
}

D3DXMATERIAL DefaultMaterial() {
  D3DXMATERIAL material{};
  material.MatD3D.Diffuse = {0.5f, 0.5f, 0.5f, 0.0f};
  material.MatD3D.Specular = {0.5f, 0.5f, 0.5f, 0.0f};
  return material;
}

D3DXMATERIAL ConvertMaterial(const aiMaterial& source, const XMaterialOutline& outline) {
  aiColor4D diffuse(0, 0, 0, 0);
  aiColor4D specular(0, 0, 0, 1);
  aiColor4D emissive(0, 0, 0, 1);
  float power = 0;
  source.Get(AI_MATKEY_COLOR_DIFFUSE, diffuse);
  source.Get(AI_MATKEY_COLOR_SPECULAR, specular);
  source.Get(AI_MATKEY_COLOR_EMISSIVE, emissive);
  source.Get(AI_MATKEY_SHININESS, power);
  D3DXMATERIAL material{};
  material.MatD3D.Diffuse = ColorValue(diffuse);
  material.MatD3D.Ambient = {0, 0, 0, 1};
  material.MatD3D.Specular = {specular.r, specular.g, specular.b, 1};
  material.MatD3D.Emissive = {emissive.r, emissive.g, emissive.b, 1};
  material.MatD3D.Power = power;
  // The importer rewrites "\\" in names; the outline keeps them as written.
  if (outline.hasTexture) material.TextureFilename = outline.textureName;
  return material;
}

D3DCOLOR PackColor(const aiColor4D& c) {
  auto channel = [](float v) { return static_cast<D3DCOLOR>(std::clamp(v, 0.0f, 1.0f) * 255.0f); };
  return (channel(c.a) << 24) | (channel(c.r) << 16) | (channel(c.g) << 8) | channel(c.b);
}

struct VertexBytesHash {
  std::size_t operator()(const Vertex& v) const {
    unsigned char bytes[sizeof(Vertex)];
    std::memcpy(bytes, &v, sizeof bytes);
    std::size_t h = 1469598103934665603ULL;
    for (unsigned char b : bytes) h = (h ^ b) * 1099511628211ULL;
    return h;
  }
};
struct VertexBytesEqual {
  bool operator()(const Vertex& a, const Vertex& b) const { return std::memcmp(&a, &b, sizeof(Vertex)) == 0; }
};
static_assert(sizeof(Vertex) == 36, "Vertex is compared byte by byte and must have no padding");

class SceneMerger {
 public:
  SceneMerger(const aiScene& scene, const XFileOutline& outline) : scene_(scene), outline_(outline) {}

  MergedXMesh Merge() {
    const std::vector<int> firstOwnSceneMaterial = FirstOwnSceneMaterials(outline_);
    const std::vector<ImporterMeshSource> sources = PredictImporterMeshes(outline_, firstOwnSceneMaterial);
    CheckShape(sources);
    const std::vector<aiMatrix4x4> transforms = MeshTransforms(scene_, outline_, sources);
    const std::vector<std::size_t> firstAttribute = CollectMaterials(firstOwnSceneMaterial);
    for (const XMeshOutline& mesh : outline_.meshes) {
      if (mesh.hasNormals) result_.fvf |= D3DFVF_NORMAL;
      if (mesh.hasVertexColors) result_.fvf |= D3DFVF_DIFFUSE;
      if (mesh.hasTextureCoords) result_.fvf |= D3DFVF_TEX1;
    }
    triangles_.resize(result_.materials.size());
    for (std::size_t i = 0; i < sources.size(); ++i) {
      AddMesh(*scene_.mMeshes[i], transforms[i], firstAttribute[sources[i].mesh] + sources[i].slot);
    }
    for (DWORD attribute = 0; attribute < triangles_.size(); ++attribute) {
      const std::vector<std::uint32_t>& corners = triangles_[attribute];
      result_.indices.insert(result_.indices.end(), corners.begin(), corners.end());
      result_.faceAttributes.insert(result_.faceAttributes.end(), corners.size() / 3, attribute);
    }
    if (result_.faceAttributes.empty()) Fail(MergeProblem::kBadData, "the file's meshes have no faces");
    return std::move(result_);
  }

 private:
  [[noreturn]] static void Fail(MergeProblem problem, std::string reason) {
    throw MergeError{problem, std::move(reason)};
  }

  void CheckShape(const std::vector<ImporterMeshSource>& sources) {
    if (scene_.mNumMeshes != sources.size() || (scene_.mNumMeshes > 0 && !scene_.mMeshes)) {
      Fail(MergeProblem::kImporterDisagrees, "the importer made " + std::to_string(scene_.mNumMeshes) +
                                                 " meshes where " + std::to_string(sources.size()) +
                                                 " were expected");
    }
    for (std::size_t i = 0; i < sources.size(); ++i) {
      const aiMesh* mesh = scene_.mMeshes[i];
      if (!mesh || mesh->mNumFaces != sources[i].faceCount || !mesh->mVertices ||
          (sources[i].sceneMaterial >= 0 &&
           mesh->mMaterialIndex != static_cast<unsigned>(sources[i].sceneMaterial))) {
        Fail(MergeProblem::kImporterDisagrees,
             "the importer's mesh " + std::to_string(i) + " does not match the file's structure");
      }
    }
    std::size_t materials = outline_.globalMaterials.size();
    for (const XMeshOutline& mesh : outline_.meshes) {
      materials += std::count_if(mesh.materials.begin(), mesh.materials.end(),
                                 [](const XMaterialSlot& slot) { return slot.globalIndex < 0; });
    }
    if (scene_.mNumMaterials < materials || !scene_.mMaterials) {
      Fail(MergeProblem::kImporterDisagrees, "the importer made fewer materials than the file holds");
    }
  }

  // Materials in file order of the meshes; returns each mesh's first attribute id.
  std::vector<std::size_t> CollectMaterials(const std::vector<int>& firstOwnSceneMaterial) {
    std::vector<std::size_t> firstAttribute(outline_.meshes.size());
    for (std::size_t m = 0; m < outline_.meshes.size(); ++m) {
      const XMeshOutline& mesh = outline_.meshes[m];
      firstAttribute[m] = result_.materials.size();
      if (!mesh.hasMaterialList) {
        result_.materials.push_back(DefaultMaterial());
        continue;
      }
      int sceneMaterial = firstOwnSceneMaterial[m];
      for (const XMaterialSlot& slot : mesh.materials) {
        const bool shared = slot.globalIndex >= 0;
        const int index = shared ? slot.globalIndex : sceneMaterial++;
        if (index < 0 || static_cast<unsigned>(index) >= scene_.mNumMaterials || !scene_.mMaterials[index]) {
          Fail(MergeProblem::kImporterDisagrees, "the importer lost a material");
        }
        const XMaterialOutline& names = shared ? outline_.globalMaterials[slot.globalIndex] : slot.own;
        result_.materials.push_back(ConvertMaterial(*scene_.mMaterials[index], names));
        const D3DMATERIAL8& m8 = result_.materials.back().MatD3D;
        if (!IsFinite(m8.Diffuse) || !IsFinite(m8.Specular) || !IsFinite(m8.Emissive) ||
            !std::isfinite(m8.Power)) {
          Fail(MergeProblem::kBadData, "a material holds a number that is not finite");
        }
      }
    }
    return firstAttribute;
  }

  void AddMesh(const aiMesh& mesh, const aiMatrix4x4& transform, std::size_t attribute) {
    const bool normals = mesh.mNormals != nullptr;
    aiMatrix3x3 normalTransform(transform);
    if (normals) {
      const float det = normalTransform.Determinant();
      if (!std::isfinite(det) || det == 0.0f) {
        Fail(MergeProblem::kBadData, "a frame transform cannot be inverted to transform normals");
      }
      normalTransform.Inverse().Transpose();
    }
    const bool texture = mesh.mTextureCoords[0] != nullptr;
    const bool colors = mesh.mColors[0] != nullptr;
    std::vector<std::uint32_t> shared(mesh.mNumVertices, kUnset);
    auto vertexIndex = [&](unsigned i) {
      if (i >= mesh.mNumVertices)
        Fail(MergeProblem::kImporterDisagrees, "the importer made a face index out of range");
      if (shared[i] != kUnset) return shared[i];
      Vertex v;
      const aiVector3D p = transform * mesh.mVertices[i];
      v.position = {p.x, p.y, p.z};
      if (normals) {
        const aiVector3D n = normalTransform * mesh.mNormals[i];
        v.normal = {n.x, n.y, n.z};
      }
      if (texture) {
        v.u = mesh.mTextureCoords[0][i].x;
        v.v = mesh.mTextureCoords[0][i].y;
      }
      if (colors) v.diffuse = PackColor(mesh.mColors[0][i]);
      const float values[] = {v.position.x, v.position.y, v.position.z, v.normal.x,
                              v.normal.y,   v.normal.z,   v.u,          v.v};
      if (!std::all_of(std::begin(values), std::end(values), [](float f) { return std::isfinite(f); }) ||
          (colors && !std::isfinite(mesh.mColors[0][i].r + mesh.mColors[0][i].g + mesh.mColors[0][i].b +
                                    mesh.mColors[0][i].a))) {
        Fail(MergeProblem::kBadData,
             "a vertex holds a number that is not finite (after its frame transform)");
      }
      auto [it, inserted] = vertexIds_.try_emplace(v, static_cast<std::uint32_t>(result_.vertices.size()));
      if (inserted) result_.vertices.push_back(v);
      shared[i] = it->second;
      return it->second;
    };
    std::vector<std::uint32_t>& out = triangles_[attribute];
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
      const aiFace& face = mesh.mFaces[f];
      if (face.mNumIndices < 3 || !face.mIndices) {
        Fail(MergeProblem::kImporterDisagrees, "the importer made a face with fewer than 3 vertices");
      }
      const std::uint32_t first = vertexIndex(face.mIndices[0]);
      for (unsigned k = 1; k + 1 < face.mNumIndices; ++k) {
        out.push_back(first);
        out.push_back(vertexIndex(face.mIndices[k]));
        out.push_back(vertexIndex(face.mIndices[k + 1]));
      }
    }
  }

  static constexpr std::uint32_t kUnset = 0xFFFFFFFFu;
  const aiScene& scene_;
  const XFileOutline& outline_;
  MergedXMesh result_;
  std::vector<std::vector<std::uint32_t>> triangles_;
  std::unordered_map<Vertex, std::uint32_t, VertexBytesHash, VertexBytesEqual> vertexIds_;
};

}  // namespace

std::optional<MergedXMesh> MergeXScene(const aiScene& scene, const XFileOutline& outline, std::string* error,
                                       MergeProblem* problem) {
  try {
    *problem = MergeProblem::kNone;
    return SceneMerger(scene, outline).Merge();
  } catch (const MergeError& e) {
    *problem = e.problem;
    *error = e.reason;
    return std::nullopt;
  }
}
