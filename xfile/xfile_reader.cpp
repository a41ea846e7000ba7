#include "xfile/xfile_reader.h"

#include <unordered_map>

#include "xfile/xfile_cursor.h"
#include "xfile/xfile_unkept_objects.h"

namespace {

// The fewest bytes one element can take in the text, separators included ("0;0;0;" for a
// vector, "3;0,0,0;" for a triangle).
constexpr std::size_t kMinVectorBytes = 6;
constexpr std::size_t kMinCoordsBytes = 4;
constexpr std::size_t kMinFaceBytes = 8;
constexpr std::size_t kMinIndexBytes = 2;
constexpr std::size_t kMinColorBytes = 10;
constexpr std::size_t kMinMaterialBytes = 3;  // "{a}"

// Each mesh and material becomes a subset and each frame is kept until the file is read;
// real models stay far below these.
constexpr std::size_t kMaxMeshes = 8192;
constexpr std::size_t kMaxMaterials = 65536;
constexpr std::size_t kMaxFrames = 65536;

class XFileReader {
 public:
  explicit XFileReader(std::string_view text) : in_(text) {}

  XFile Read() {
    for (;;) {
      const std::string_view token = in_.NextToken();
      if (token.empty()) break;
      if (token == "template") {
        SkipTemplate();
      } else if (token == "Frame") {
        ReadFrame(kXOutsideFrames, 1);
      } else if (token == "Mesh") {
        ReadMesh(kXOutsideFrames);
      } else if (token == "Material") {
        std::string name;
        XMaterial material = ReadMaterial(&name);
        topMaterialIndex_.try_emplace(std::move(name), topMaterials_.size());
        topMaterials_.push_back(std::move(material));
      } else if (token == "AnimationSet") {
        CheckAnimationSet(in_);
      } else if (token == "AnimTicksPerSecond") {
        CheckAnimTicksPerSecond(in_);
      } else if (token != "}") {
        in_.SkipObject();
      }
    }
    ResolveMaterialReferences();
    ApplyFrameTransforms();
    return std::move(file_);
  }

 private:
  struct Frame {
    std::uint32_t parent;
    XMatrix local = kXIdentity;
  };

  // A `{ Name }` in a material list: a top-level Material, which may come later in the file.
  struct Reference {
    std::string name;
    int line;
    std::size_t mesh;
    std::size_t slot;
  };

  void CountUpTo(std::size_t* counter, std::size_t limit, const char* what) const {
    if (++*counter > limit) in_.Fail("the file has more than " + std::to_string(limit) + " " + what);
  }

  XVector ReadVector() {
    XVector v{in_.ReadFloat(), in_.ReadFloat(), in_.ReadFloat()};
    in_.TestForSeparator();
    return v;
  }

  XColor ReadColor(bool withAlpha) {
    XColor c{in_.ReadFloat(), in_.ReadFloat(), in_.ReadFloat(), withAlpha ? in_.ReadFloat() : 1.0f};
    in_.TestForSeparator();
    return c;
  }

  void SkipTemplate() {
    in_.ReadObjectHead();
    in_.NextToken();  // the template's GUID
    for (;;) {
      const std::string_view token = in_.NextToken();
      if (token == "}") return;
      if (token.empty()) in_.Fail("the file ends inside a template");
    }
  }

  void ReadFrame(std::uint32_t parent, int nesting) {
    if (nesting > kMaxXNesting) {
      in_.Fail("frames are nested more than " + std::to_string(kMaxXNesting) + " deep");
    }
    CountUpTo(&frameCount_, kMaxFrames, "frames");
    in_.ReadObjectHead();
    const auto id = static_cast<std::uint32_t>(frames_.size());
    frames_.push_back({parent});
    for (;;) {
      const std::string_view token = in_.NextToken();
      if (token.empty()) in_.Fail("the file ends inside a frame");
      if (token == "}") break;
      if (token == "Frame") {
        ReadFrame(id, nesting + 1);
      } else if (token == "FrameTransformMatrix") {
        in_.ReadObjectHead();
        for (float& element : frames_[id].local) element = in_.ReadFloat();
        in_.ExpectSemicolon();
        in_.ExpectClosingBrace();
      } else if (token == "Mesh") {
        ReadMesh(id);
      } else {
        in_.SkipObject();
      }
    }
  }

  void ReadMesh(std::uint32_t frame) {
    CountUpTo(&meshCount_, kMaxMeshes, "meshes");
    XMesh& mesh = file_.meshes.emplace_back();
    mesh.frameRank = frame;
    in_.ReadObjectHead();
    const std::uint32_t vertexCount = in_.ReadCount(kMinVectorBytes, "vertices");
    mesh.positions.reserve(vertexCount);
    for (std::uint32_t i = 0; i < vertexCount; ++i) mesh.positions.push_back(ReadVector());
    const std::uint32_t faceCount = in_.ReadCount(kMinFaceBytes, "faces");
    mesh.faceSizes.reserve(faceCount);
    for (std::uint32_t i = 0; i < faceCount; ++i) {
      const std::uint32_t corners = in_.ReadCount(kMinIndexBytes, "face indices");
      if (corners < 3) in_.Fail("face " + std::to_string(i) + " has fewer than 3 vertices");
      for (std::uint32_t k = 0; k < corners; ++k)
        mesh.corners.push_back(in_.ReadIndex(vertexCount, "vertex"));
      in_.TestForSeparator();
      mesh.faceSizes.push_back(corners);
    }
    for (;;) {
      const std::string_view token = in_.NextToken();
      if (token.empty()) in_.Fail("the file ends inside a mesh");
      if (token == "}") break;
      if (token == "MeshNormals") {
        if (mesh.hasNormals) in_.Fail("a mesh has more than one MeshNormals");
        ReadNormals(&mesh);
      } else if (token == "MeshTextureCoords") {
        std::vector<XTextureCoords> set = ReadTextureCoords(vertexCount);
        if (!mesh.hasTextureCoords) mesh.textureCoords = std::move(set);
        mesh.hasTextureCoords = true;
      } else if (token == "MeshVertexColors") {
        std::vector<XColor> set = ReadVertexColors(vertexCount);
        if (!mesh.hasVertexColors) mesh.vertexColors = std::move(set);
        mesh.hasVertexColors = true;
      } else if (token == "MeshMaterialList") {
        if (mesh.hasMaterialList) in_.Fail("a mesh has more than one MeshMaterialList");
        ReadMaterialList(&mesh);
      } else if (token == "XSkinMeshHeader") {
        CheckSkinMeshHeader(in_);
      } else if (token == "SkinWeights") {
        CheckSkinWeights(in_, vertexCount);
      } else {
        in_.SkipObject();
      }
    }
  }

  void ReadNormals(XMesh* mesh) {
    in_.ReadObjectHead();
    const std::uint32_t normalCount = in_.ReadCount(kMinVectorBytes, "normals");
    mesh->normals.reserve(normalCount);
    for (std::uint32_t i = 0; i < normalCount; ++i) mesh->normals.push_back(ReadVector());
    const std::int64_t faceCount = in_.ReadInt();
    if (faceCount != static_cast<std::int64_t>(mesh->faceSizes.size())) {
      in_.Fail("MeshNormals has " + std::to_string(faceCount) + " faces, the mesh has " +
               std::to_string(mesh->faceSizes.size()));
    }
    mesh->normalCorners.reserve(mesh->corners.size());
    for (std::uint32_t size : mesh->faceSizes) {
      if (in_.ReadInt() != size) in_.Fail("a normal face has a different number of vertices than its face");
      for (std::uint32_t k = 0; k < size; ++k)
        mesh->normalCorners.push_back(in_.ReadIndex(normalCount, "normal"));
      in_.TestForSeparator();
    }
    in_.ExpectClosingBrace();
    mesh->hasNormals = true;
  }

  std::vector<XTextureCoords> ReadTextureCoords(std::uint32_t vertexCount) {
    in_.ReadObjectHead();
    const std::int64_t count = in_.ReadInt();
    if (count != vertexCount) {
      in_.Fail("MeshTextureCoords has " + std::to_string(count) + " entries for " +
               std::to_string(vertexCount) + " vertices");
    }
    in_.CheckFits(count, kMinCoordsBytes, "texture coordinates");
    std::vector<XTextureCoords> set(vertexCount);
    for (XTextureCoords& uv : set) {
      uv = {in_.ReadFloat(), in_.ReadFloat()};
      in_.TestForSeparator();
    }
    in_.ExpectClosingBrace();
    return set;
  }

  std::vector<XColor> ReadVertexColors(std::uint32_t vertexCount) {
    in_.ReadObjectHead();
    const std::int64_t count = in_.ReadInt();
    if (count != vertexCount) {
      in_.Fail("MeshVertexColors has " + std::to_string(count) + " entries for " +
               std::to_string(vertexCount) + " vertices");
    }
    in_.CheckFits(count, kMinColorBytes, "vertex colours");
    std::vector<XColor> set(vertexCount);
    for (std::uint32_t i = 0; i < vertexCount; ++i) {
      const std::uint32_t vertex = in_.ReadIndex(vertexCount, "vertex colour");
      set[vertex] = ReadColor(true);
      in_.TestForSeparator();
    }
    in_.ExpectClosingBrace();
    return set;
  }

  void ReadMaterialList(XMesh* mesh) {
    in_.ReadObjectHead();
    const std::uint32_t materialCount = in_.ReadCount(kMinMaterialBytes, "materials");
    const std::int64_t indexCount = in_.ReadInt();
    const std::size_t faceCount = mesh->faceSizes.size();
    // One index stands for all faces.
    if (indexCount != static_cast<std::int64_t>(faceCount) && !(indexCount == 1 && faceCount > 0)) {
      in_.Fail("MeshMaterialList has " + std::to_string(indexCount) + " face indices for " +
               std::to_string(faceCount) + " faces");
    }
    mesh->faceMaterials.reserve(faceCount);
    for (std::int64_t i = 0; i < indexCount; ++i) {
      mesh->faceMaterials.push_back(in_.ReadIndex(materialCount, "material"));
    }
    if (indexCount == 1) mesh->faceMaterials.assign(faceCount, mesh->faceMaterials[0]);
    in_.SkipSemicolonRightHere();
    for (;;) {
      const std::string_view token = in_.NextToken();
      if (token.empty()) in_.Fail("the file ends inside a MeshMaterialList");
      if (token == "}") break;
      if (token == "{") {
        CountUpTo(&materialCount_, kMaxMaterials, "materials");
        references_.push_back(
            {std::string(in_.NextToken()), in_.Line(), file_.meshes.size() - 1, mesh->materials.size()});
        in_.ExpectClosingBrace();
        mesh->materials.emplace_back();
      } else if (token == "Material") {
        std::string name;
        mesh->materials.push_back(ReadMaterial(&name));
      } else if (token != ";") {
        in_.SkipObject();
      }
    }
    if (mesh->materials.size() != materialCount) {
      in_.Fail("MeshMaterialList declares " + std::to_string(materialCount) + " materials and holds " +
               std::to_string(mesh->materials.size()));
    }
    mesh->hasMaterialList = true;
  }

  XMaterial ReadMaterial(std::string* name) {
    CountUpTo(&materialCount_, kMaxMaterials, "materials");
    XMaterial material;
    *name = in_.ReadObjectHead();
    material.faceColor = ReadColor(true);
    material.power = in_.ReadFloat();
    material.specularColor = ReadColor(false);
    material.emissiveColor = ReadColor(false);
    for (;;) {
      const std::string_view token = in_.NextToken();
      if (token.empty()) in_.Fail("the file ends inside a Material");
      if (token == "}") break;
      const bool texture = token == "TextureFilename" || token == "TextureFileName";
      if (texture || token == "NormalmapFilename" || token == "NormalmapFileName") {
        in_.ReadObjectHead();
        std::string file = in_.ReadString();
        in_.ExpectClosingBrace();
        if (texture && !material.hasTexture) {
          material.hasTexture = true;
          material.textureFilename = std::move(file);
        }
      } else {
        in_.SkipObject();
      }
    }
    return material;
  }

  void ResolveMaterialReferences() {
    for (const Reference& ref : references_) {
      const auto found = topMaterialIndex_.find(ref.name);
      if (found == topMaterialIndex_.end()) {
        throw XTextError("line " + std::to_string(ref.line) + ": the material reference {" + ref.name +
                         "} names no top-level Material");
      }
      file_.meshes[ref.mesh].materials[ref.slot] = topMaterials_[found->second];
    }
  }

  // Frames come before their children, so a parent's transform is complete when its children
  // need it; a frame's own transform applies first.
  void ApplyFrameTransforms() {
    std::vector<XMatrix> world(frames_.size());
    for (std::size_t f = 0; f < frames_.size(); ++f) {
      const XMatrix& outer = frames_[f].parent == kXOutsideFrames ? kXIdentity : world[frames_[f].parent];
      const XMatrix& inner = frames_[f].local;
      for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
          float sum = 0;
          for (int k = 0; k < 4; ++k) sum += inner[4 * row + k] * outer[4 * k + col];
          world[f][4 * row + col] = sum;
        }
      }
    }
    for (XMesh& mesh : file_.meshes) {
      if (mesh.frameRank != kXOutsideFrames) mesh.transform = world[mesh.frameRank];
    }
  }

  XTextCursor in_;
  XFile file_;
  std::vector<Frame> frames_;
  std::vector<XMaterial> topMaterials_;
  std::unordered_map<std::string, std::size_t> topMaterialIndex_;
  std::vector<Reference> references_;
  std::size_t frameCount_ = 0;
  std::size_t meshCount_ = 0;
  std::size_t materialCount_ = 0;
};

}  // namespace

std::optional<XFile> ReadXFile(std::string_view text, std::string* error) {
  if (auto problem = XHeaderProblem(text)) {
    *error = *problem;
    return std::nullopt;
  }
  try {
    return XFileReader(text).Read();
  } catch (const XTextError& e) {
    *error = e.what();
    return std::nullopt;
  }
}
