#include "render/xfile_outline.h"

#include <algorithm>
#include <unordered_map>

#include "render/xfile_text_cursor.h"

namespace {

// The fewest bytes one element can take in the text, separators included ("0;0;0;" for a
// vector, "3;0,0,0;" for a triangle). A declared count that needs more than the rest of the
// file is refused before anything is read or sized by it.
constexpr std::size_t kMinVectorBytes = 6;
constexpr std::size_t kMinCoordsBytes = 4;
constexpr std::size_t kMinFaceBytes = 8;
constexpr std::size_t kMinIndexBytes = 2;
constexpr std::size_t kMinColorBytes = 10;
constexpr std::size_t kMinMaterialBytes = 3;  // "{a}"
constexpr std::size_t kMinWeightBytes = 4;
constexpr int kMaxSetsPerMesh = 8;  // texture coordinate and colour sets the importer keeps

// The importer spends about a kilobyte on every frame, material, bone and animation, however
// small its text, and some of its steps take time in the product of two counts (faces times
// materials of a mesh, bones times vertices, references times materials). These limits keep
// memory and time in proportion; real models stay far below them.
constexpr std::size_t kMaxFrames = 65536;
constexpr std::size_t kMaxMeshes = 8192;
constexpr std::size_t kMaxMaterials = 16384;
constexpr std::size_t kMaxBones = 65536;
constexpr std::size_t kMaxAnimations = 65536;
constexpr double kMaxImportWork = 2e8;

struct FrameOutline {
  bool unnamed = false;
  int line = 0;
  std::vector<std::size_t> meshes;
  std::vector<std::size_t> children;
};

class OutlineReader {
 public:
  explicit OutlineReader(std::string_view text) : in_(text) {}

  XFileOutline Read() {
    for (;;) {
      const std::string_view token = in_.NextToken();
      if (token.empty()) break;
      if (token == "template") {
        ReadTemplate();
      } else if (token == "Frame") {
        topFrames_.push_back(ReadFrame(1));
      } else if (token == "Mesh") {
        topMeshes_.push_back(ReadMesh(false));
      } else if (token == "Material") {
        outline_.globalMaterials.push_back(ReadMaterial());
      } else if (token == "AnimTicksPerSecond") {
        in_.ReadObjectHead();
        in_.ReadInt();
        in_.ExpectClosingBrace();
      } else if (token == "AnimationSet") {
        ReadAnimationSet();
      } else if (token != "}") {
        in_.SkipUnknownObject();
      }
    }
    ResolveMaterialReferences();
    for (std::size_t frame : topFrames_) CheckFoldedFrames(frame);
    for (std::size_t frame : topFrames_) AppendImporterOrder(frame);
    for (std::size_t mesh : topMeshes_) outline_.importerOrder.push_back(mesh);
    return std::move(outline_);
  }

 private:
  void CheckFits(std::int64_t count, std::size_t minBytes, const char* what) {
    if (count < 0) in_.Fail(std::string("negative number of ") + what);
    if (static_cast<std::uint64_t>(count) > in_.Remaining() / minBytes) {
      in_.Fail("declares " + std::to_string(count) + " " + what + ", more than the rest of the file (" +
               std::to_string(in_.Remaining()) + " bytes) can hold");
    }
  }

  std::uint32_t ReadCount(std::size_t minBytes, const char* what) {
    const std::int64_t count = in_.ReadInt();
    CheckFits(count, minBytes, what);
    return static_cast<std::uint32_t>(count);
  }

  void Count(std::size_t* counter, std::size_t limit, const char* what) {
    if (++*counter > limit) in_.Fail("the file has more than " + std::to_string(limit) + " " + what);
  }

  std::uint32_t ReadIndex(std::uint32_t limit, const char* what) {
    const std::int64_t index = in_.ReadInt();
    if (index < 0 || index >= limit) {
      in_.Fail(std::string(what) + " index " + std::to_string(index) + " is out of range (there are " +
               std::to_string(limit) + ")");
    }
    return static_cast<std::uint32_t>(index);
  }

  void ReadTemplate() {
    in_.ReadObjectHead();
    in_.NextToken();  // the template's GUID
    for (;;) {
      const std::string_view token = in_.NextToken();
      if (token == "}") return;
      if (token.empty()) in_.Fail("the file ends inside a template");
    }
  }

  std::size_t ReadFrame(int nesting) {
    if (nesting > kMaxFrameNesting) {
      in_.Fail("frames are nested more than " + std::to_string(kMaxFrameNesting) + " deep");
    }
    Count(&frameCount_, kMaxFrames, "frames");
    const int line = in_.Line();
    const bool unnamed = in_.ReadObjectHead().empty();
    const std::size_t id = frames_.size();
    frames_.push_back({unnamed, line, {}, {}});
    for (;;) {
      const std::string_view token = in_.NextToken();
      if (token.empty()) in_.Fail("the file ends inside a frame");
      if (token == "}") break;
      if (token == "Frame") {
        const std::size_t child = ReadFrame(nesting + 1);
        frames_[id].children.push_back(child);
      } else if (token == "FrameTransformMatrix") {
        in_.ReadObjectHead();
        in_.ReadFloats(16);
        in_.ExpectSemicolon();
        in_.ExpectClosingBrace();
      } else if (token == "Mesh") {
        const std::size_t mesh = ReadMesh(true);
        frames_[id].meshes.push_back(mesh);
      } else {
        in_.SkipUnknownObject();
      }
    }
    return id;
  }

  std::size_t ReadMesh(bool inFrame) {
    Count(&meshCount_, kMaxMeshes, "meshes");
    XMeshOutline mesh;
    mesh.inFrame = inFrame;
    in_.ReadObjectHead();
    mesh.vertexCount = ReadCount(kMinVectorBytes, "vertices");
    for (std::uint32_t i = 0; i < mesh.vertexCount; ++i) ReadVector(3);
    mesh.faceCount = ReadCount(kMinFaceBytes, "faces");
    std::vector<std::uint32_t> faceSizes;
    for (std::uint32_t i = 0; i < mesh.faceCount; ++i) {
      const std::uint32_t corners = ReadCount(kMinIndexBytes, "face indices");
      if (corners < 3) in_.Fail("face " + std::to_string(i) + " has fewer than 3 vertices");
      for (std::uint32_t k = 0; k < corners; ++k) ReadIndex(mesh.vertexCount, "vertex");
      in_.TestForSeparator();
      faceSizes.push_back(corners);
    }
    int textureSets = 0;
    int colorSets = 0;
    std::size_t bones = 0;
    for (;;) {
      const std::string_view token = in_.NextToken();
      if (token.empty()) in_.Fail("the file ends inside a mesh");
      if (token == "}") break;
      if (token == "MeshNormals") {
        if (mesh.hasNormals) in_.Fail("a mesh has more than one MeshNormals");
        ReadNormals(faceSizes);
        mesh.hasNormals = true;
      } else if (token == "MeshTextureCoords") {
        if (++textureSets > kMaxSetsPerMesh) in_.Fail("a mesh has too many MeshTextureCoords");
        ReadTextureCoords(mesh.vertexCount);
        mesh.hasTextureCoords = true;
      } else if (token == "MeshVertexColors") {
        if (++colorSets > kMaxSetsPerMesh) in_.Fail("a mesh has too many MeshVertexColors");
        ReadVertexColors(mesh.vertexCount);
        mesh.hasVertexColors = true;
      } else if (token == "MeshMaterialList") {
        if (mesh.hasMaterialList) in_.Fail("a mesh has more than one MeshMaterialList");
        ReadMaterialList(&mesh);
        mesh.hasMaterialList = true;
      } else if (token == "XSkinMeshHeader") {
        in_.ReadObjectHead();
        for (int i = 0; i < 3; ++i) in_.ReadInt();
        in_.ExpectClosingBrace();
      } else if (token == "SkinWeights") {
        ReadSkinWeights(mesh.vertexCount);
        ++bones;
      } else {
        in_.SkipUnknownObject();
      }
    }
    AddImportWork(mesh, faceSizes, bones);
    outline_.meshes.push_back(std::move(mesh));
    return outline_.meshes.size() - 1;
  }

  void AddImportWork(const XMeshOutline& mesh, const std::vector<std::uint32_t>& faceSizes,
                     std::size_t bones) {
    double corners = 0;
    for (std::uint32_t size : faceSizes) corners += size;
    double importerMeshes = mesh.faceCount > 0 && !mesh.hasMaterialList ? 1 : 0;
    for (const XMaterialSlot& slot : mesh.materials) importerMeshes += slot.faceCount > 0 ? 1 : 0;
    const double slots = std::max<std::size_t>(mesh.materials.size(), 1);
    importWork_ +=
        slots * mesh.faceCount + static_cast<double>(bones) * importerMeshes * (mesh.vertexCount + corners);
    CheckImportWork();
  }

  void CheckImportWork() const {
    if (importWork_ > kMaxImportWork) {
      in_.Fail("too many faces, materials and skin weights to import together");
    }
  }

  void ReadVector(int components) {
    in_.ReadFloats(components);
    in_.TestForSeparator();
  }

  void ReadNormals(const std::vector<std::uint32_t>& faceSizes) {
    in_.ReadObjectHead();
    const std::uint32_t normalCount = ReadCount(kMinVectorBytes, "normals");
    for (std::uint32_t i = 0; i < normalCount; ++i) ReadVector(3);
    const std::int64_t faceCount = in_.ReadInt();
    if (faceCount != static_cast<std::int64_t>(faceSizes.size())) {
      in_.Fail("MeshNormals has " + std::to_string(faceCount) + " faces, the mesh has " +
               std::to_string(faceSizes.size()));
    }
    for (std::uint32_t size : faceSizes) {
      const std::int64_t corners = in_.ReadInt();
      if (corners != size) in_.Fail("a normal face has a different number of vertices than its face");
      for (std::uint32_t k = 0; k < size; ++k) ReadIndex(normalCount, "normal");
      in_.TestForSeparator();
    }
    in_.ExpectClosingBrace();
  }

  void ReadTextureCoords(std::uint32_t vertexCount) {
    in_.ReadObjectHead();
    const std::int64_t count = in_.ReadInt();
    if (count != vertexCount) {
      in_.Fail("MeshTextureCoords has " + std::to_string(count) + " entries for " +
               std::to_string(vertexCount) + " vertices");
    }
    CheckFits(count, kMinCoordsBytes, "texture coordinates");
    for (std::int64_t i = 0; i < count; ++i) ReadVector(2);
    in_.ExpectClosingBrace();
  }

  void ReadVertexColors(std::uint32_t vertexCount) {
    in_.ReadObjectHead();
    const std::int64_t count = in_.ReadInt();
    if (count != vertexCount) {
      in_.Fail("MeshVertexColors has " + std::to_string(count) + " entries for " +
               std::to_string(vertexCount) + " vertices");
    }
    CheckFits(count, kMinColorBytes, "vertex colours");
    for (std::int64_t i = 0; i < count; ++i) {
      ReadIndex(vertexCount, "vertex colour");
      ReadVector(4);
      in_.TestForSeparator();
    }
    in_.ExpectClosingBrace();
  }

  void ReadMaterialList(XMeshOutline* mesh) {
    in_.ReadObjectHead();
    const std::uint32_t materialCount = ReadCount(kMinMaterialBytes, "materials");
    const std::int64_t indexCount = in_.ReadInt();
    // One index for all faces is accepted, as the importer replicates it.
    if (indexCount != mesh->faceCount && !(indexCount == 1 && mesh->faceCount > 0)) {
      in_.Fail("MeshMaterialList has " + std::to_string(indexCount) + " face indices for " +
               std::to_string(mesh->faceCount) + " faces");
    }
    std::vector<std::uint32_t> faceCounts(materialCount, 0);
    for (std::int64_t i = 0; i < indexCount; ++i) {
      const std::uint32_t material = ReadIndex(materialCount, "material");
      faceCounts[material] += indexCount == 1 ? mesh->faceCount : 1;
    }
    in_.SkipSemicolonRightHere();
    for (;;) {
      const std::string_view token = in_.NextToken();
      if (token.empty()) in_.Fail("the file ends inside a MeshMaterialList");
      if (token == "}") break;
      if (token == "{") {
        references_.push_back(
            {std::string(in_.NextToken()), in_.Line(), outline_.meshes.size(), mesh->materials.size()});
        in_.ExpectClosingBrace();
        mesh->materials.emplace_back();
      } else if (token == "Material") {
        mesh->materials.push_back({-1, ReadMaterial(), 0});
      } else if (token != ";") {
        in_.SkipUnknownObject();
      }
    }
    if (mesh->materials.size() != materialCount) {
      in_.Fail("MeshMaterialList declares " + std::to_string(materialCount) + " materials and holds " +
               std::to_string(mesh->materials.size()));
    }
    for (std::uint32_t m = 0; m < materialCount; ++m) mesh->materials[m].faceCount = faceCounts[m];
  }

  XMaterialOutline ReadMaterial() {
    Count(&materialCount_, kMaxMaterials, "materials");
    XMaterialOutline material;
    material.name = in_.ReadObjectHead();
    in_.ReadFloats(4);
    in_.TestForSeparator();
    in_.ReadFloat();
    for (int colour = 0; colour < 2; ++colour) {
      in_.ReadFloats(3);
      in_.TestForSeparator();
    }
    for (;;) {
      const std::string_view token = in_.NextToken();
      if (token.empty()) in_.Fail("the file ends inside a Material");
      if (token == "}") break;
      const bool texture = token == "TextureFilename" || token == "TextureFileName";
      if (texture || token == "NormalmapFilename" || token == "NormalmapFileName") {
        in_.ReadObjectHead();
        std::string name = in_.ReadString();
        in_.ExpectClosingBrace();
        if (texture && !material.hasTexture) {
          material.hasTexture = true;
          material.textureName = std::move(name);
        }
      } else {
        in_.SkipUnknownObject();
      }
    }
    return material;
  }

  void ReadSkinWeights(std::uint32_t vertexCount) {
    Count(&boneCount_, kMaxBones, "skin weight sets");
    in_.ReadObjectHead();
    in_.ReadString();
    const std::uint32_t count = ReadCount(kMinWeightBytes, "skin weights");
    for (std::uint32_t i = 0; i < count; ++i) ReadIndex(vertexCount, "skin weight vertex");
    in_.ReadFloats(static_cast<int>(count));
    in_.ReadFloats(16);
    in_.ExpectSemicolon();
    in_.ExpectClosingBrace();
  }

  void ReadAnimationSet() {
    Count(&animationCount_, kMaxAnimations, "animations");
    in_.ReadObjectHead();
    for (;;) {
      const std::string_view token = in_.NextToken();
      if (token.empty()) in_.Fail("the file ends inside an AnimationSet");
      if (token == "}") return;
      if (token == "Animation") {
        ReadAnimation();
      } else {
        in_.SkipUnknownObject();
      }
    }
  }

  void ReadAnimation() {
    Count(&animationCount_, kMaxAnimations, "animations");
    in_.ReadObjectHead();
    for (;;) {
      const std::string_view token = in_.NextToken();
      if (token.empty()) in_.Fail("the file ends inside an Animation");
      if (token == "}") return;
      if (token == "AnimationKey") {
        ReadAnimationKey();
      } else if (token == "{") {
        in_.NextToken();
        in_.ExpectClosingBrace();
      } else {
        in_.SkipUnknownObject();
      }
    }
  }

  void ReadAnimationKey() {
    in_.ReadObjectHead();
    const std::int64_t keyType = in_.ReadInt();
    const std::int64_t keyCount = in_.ReadInt();
    if (keyCount < 0) in_.Fail("negative number of animation keys");
    static constexpr struct {
      int values;
      bool semicolon;
    } kKeyShapes[] = {{4, true}, {3, false}, {3, false}, {16, true}, {16, true}};
    if (keyType < 0 || keyType > 4) in_.Fail("unknown animation key type " + std::to_string(keyType));
    const auto shape = kKeyShapes[keyType];
    for (std::int64_t i = 0; i < keyCount; ++i) {
      in_.ReadInt();  // time
      if (in_.ReadInt() != shape.values) in_.Fail("an animation key has the wrong number of values");
      if (shape.semicolon) {
        in_.ReadFloats(shape.values);
        in_.ExpectSemicolon();
      } else {
        ReadVector(shape.values);
      }
      in_.ExpectSeparator();
    }
    in_.ExpectClosingBrace();
  }

  struct Reference {
    std::string name;
    int line;
    std::size_t mesh;
    std::size_t slot;
  };

  // The importer finds every top-level Material before it converts meshes, so a reference
  // may name one that comes later in the file.
  // The importer looks each reference up among all materials.
  void ResolveMaterialReferences() {
    importWork_ += static_cast<double>(references_.size()) * materialCount_;
    CheckImportWork();
    std::unordered_map<std::string, int> firstByName;
    for (std::size_t i = 0; i < outline_.globalMaterials.size(); ++i) {
      firstByName.try_emplace(outline_.globalMaterials[i].name, static_cast<int>(i));
    }
    for (const Reference& ref : references_) {
      const auto found = firstByName.find(ref.name);
      if (found == firstByName.end()) {
        throw XImporterTextError("line " + std::to_string(ref.line) + ": the material reference {" +
                                 ref.name + "} names no top-level Material");
      }
      outline_.meshes[ref.mesh].materials[ref.slot].globalIndex = found->second;
    }
  }

  bool HoldsMeshes(const std::vector<std::size_t>& frames) const {
    return std::any_of(frames.begin(), frames.end(), [&](std::size_t f) {
      return !frames_[f].meshes.empty() || HoldsMeshes(frames_[f].children);
    });
  }

  // The importer folds an unnamed frame with meshes into its parent when it is that parent's
  // only child and the parent has no meshes, and drops the folded frame's own child frames.
  void CheckFoldedFrames(std::size_t frame) const {
    const FrameOutline& outer = frames_[frame];
    if (outer.meshes.empty() && outer.children.size() == 1) {
      const FrameOutline& only = frames_[outer.children[0]];
      if (only.unnamed && !only.meshes.empty()) {
        if (HoldsMeshes(only.children)) {
          throw XImporterTextError(
              "line " + std::to_string(only.line) +
              ": meshes in frames below an unnamed frame that is the only child of a frame without "
              "meshes cannot be read");
        }
        return;
      }
    }
    for (std::size_t child : outer.children) CheckFoldedFrames(child);
  }

  void AppendImporterOrder(std::size_t frame) {
    for (std::size_t mesh : frames_[frame].meshes) outline_.importerOrder.push_back(mesh);
    for (std::size_t child : frames_[frame].children) AppendImporterOrder(child);
  }

  XImporterTextCursor in_;
  XFileOutline outline_;
  std::vector<FrameOutline> frames_;
  std::vector<std::size_t> topFrames_;
  std::vector<std::size_t> topMeshes_;
  std::vector<Reference> references_;
  std::size_t frameCount_ = 0;
  std::size_t meshCount_ = 0;
  std::size_t materialCount_ = 0;
  std::size_t boneCount_ = 0;
  std::size_t animationCount_ = 0;
  double importWork_ = 0;
};

std::optional<std::string> HeaderProblem(std::string_view text) {
  if (text.size() < 4 || text.substr(0, 4) != "xof ") return "not a DirectX .x file (no \"xof \" header)";
  if (text.size() < 16) return "the header is truncated";
  const std::string_view format = text.substr(8, 4);
  if (format == "bin ") return "binary .x files are not supported (only the text format is)";
  if (format == "tzip" || format == "bzip")
    return "compressed .x files are not supported (only the text format is)";
  if (format != "txt ") return "unknown .x format \"" + std::string(format) + "\"";
  const std::string_view floatSize = text.substr(12, 4);
  if (floatSize != "0032" && floatSize != "0064") return "unknown float size in the header";
  if (text.find('\0') != std::string_view::npos) return "a text .x file holds a NUL byte";
  return std::nullopt;
}

}  // namespace

std::optional<XFileOutline> ReadXFileOutline(std::string_view text, std::string* error) {
  if (auto problem = HeaderProblem(text)) {
    *error = *problem;
    return std::nullopt;
  }
  try {
    return OutlineReader(text).Read();
  } catch (const XImporterTextError& e) {
    *error = e.what();
    return std::nullopt;
  }
}
