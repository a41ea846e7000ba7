// Reading whole .x texts and building the one mesh they load as.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "xfile/xfile_mesh_builder.h"
#include "xfile/xfile_reader.h"

namespace {

XBuiltMesh Build(const std::string& text) {
  std::string error;
  std::optional<XFile> file = ReadXFile(text, &error);
  EXPECT_TRUE(file) << error;
  std::optional<XBuiltMesh> mesh = file ? BuildXMesh(*file, &error) : std::nullopt;
  EXPECT_TRUE(mesh) << error;
  return mesh ? *mesh : XBuiltMesh{};
}

XVector Corner(const XBuiltMesh& mesh, std::size_t triangle, int k) {
  return mesh.vertices[mesh.indices[3 * triangle + k]].position;
}

const char* const kTriangle = "3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;;";

// Unnamed frames, each the only child of its parent, one of them holding a mesh and a frame
// of its own: every mesh is kept, with the transforms of all its frames. The unnamed frame's
// transform comes after its mesh and still applies to it.
TEST(XFileMeshTest, UnnamedFramesFoldedInsideEachOtherKeepTheirMeshesAndTransforms) {
  const XBuiltMesh mesh =
      Build(std::string("xof 0302txt 0032\nFrame Outer {\n") +
            "  FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, "
            "10.0,0.0,0.0,1.0;; }\n"
            "  Frame {\n    Mesh A { " +
            kTriangle +
            " }\n"
            "    FrameTransformMatrix { 2.0,0.0,0.0,0.0, 0.0,2.0,0.0,0.0, 0.0,0.0,2.0,0.0, "
            "0.0,0.0,0.0,1.0;; }\n"
            "    Frame { FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, "
            "0.0,0.0,1.0,0.0, 0.0,5.0,0.0,1.0;; }\n"
            "      Frame { Mesh B { " +
            kTriangle + " } } }\n  }\n}\n");
  ASSERT_EQ(mesh.faceSubsets, (std::vector<std::uint32_t>{0, 1}));
  ASSERT_EQ(mesh.subsets.size(), 2u);
  EXPECT_EQ(Corner(mesh, 0, 1), (XVector{12, 0, 0})) << "A: scaled by 2, then moved by 10 along x";
  EXPECT_EQ(Corner(mesh, 1, 0), (XVector{10, 10, 0})) << "B: moved by 5 along y, scaled, moved";
  EXPECT_EQ(Corner(mesh, 1, 2), (XVector{10, 12, 0}));
}

TEST(XFileMeshTest, MaterialReferencesNameTheFirstTopLevelMaterialOfThatNameAnywhereInTheFile) {
  const XBuiltMesh mesh = Build(std::string("xof 0302txt 0032\n") + "Mesh { " + kTriangle +
                                " MeshMaterialList { 1; 1; 0;; { Later } } }\n"
                                "Material Later { 0.5;0.5;0.5;1.0;; 7.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }\n"
                                "Material Later { 0.1;0.1;0.1;1.0;; 9.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }\n");
  ASSERT_EQ(mesh.subsets.size(), 1u);
  EXPECT_TRUE(mesh.subsets[0].fromFile);
  EXPECT_EQ(mesh.subsets[0].material.power, 7.0f);
}

// Animations, duplication indices and objects of unknown templates are not part of the mesh.
TEST(XFileMeshTest, ObjectsThatDoNotMakeTheMeshAreSkipped) {
  const XBuiltMesh mesh =
      Build(std::string("xof 0303txt 0032\n") +
            "template Extra { <11111111-2222-3333-4444-555555555555> DWORD n; }\n"
            "Extra { 4; Nested { 1; } }\nFrame Root { Mesh { " +
            kTriangle +
            " VertexDuplicationIndices { 3; 3; 0, 1, 2; } } }\n"
            "AnimationSet { Animation { { Root } AnimationKey { 2; 1; 0;3;1.0,2.0,3.0;;; } } }\n");
  EXPECT_EQ(mesh.vertices.size(), 3u);
  EXPECT_EQ(mesh.indices, (std::vector<std::uint32_t>{0, 1, 2}));
}

// As the loader always has: vertices of meshes in frames come first, meshes outside frames
// after them, whatever their place in the file; triangles stay in subset order.
TEST(XFileMeshTest, VerticesOfMeshesInFramesAreNumberedFirst) {
  const XBuiltMesh mesh = Build(std::string("xof 0302txt 0032\n") + "Mesh Outside { " + kTriangle +
                                " }\nFrame F { Mesh Inside { 3; 0.0;0.0;4.0;, 1.0;0.0;4.0;, 0.0;1.0;4.0;; "
                                "1; 3;0,1,2;; } }\n");
  EXPECT_EQ(mesh.faceSubsets, (std::vector<std::uint32_t>{0, 1}));
  EXPECT_EQ(mesh.indices, (std::vector<std::uint32_t>{3, 4, 5, 0, 1, 2}));
  EXPECT_EQ(mesh.vertices[0].position, (XVector{0, 0, 4}));
}

TEST(XFileMeshTest, ColourEntriesThatNameNoVertexLeaveItOpaqueBlack) {
  const XBuiltMesh mesh = Build(std::string("xof 0302txt 0032\n") + "Mesh { " + kTriangle +
                                " MeshVertexColors { 3; 0;1.0;1.0;1.0;1.0;;, 0;0.0;0.0;1.0;0.5;;, "
                                "1;2.0;-1.0;0.0;1.0;;; } }\n");
  ASSERT_TRUE(mesh.hasVertexColors);
  EXPECT_EQ(mesh.vertices[0].diffuse, 0x7F0000FFu) << "the last entry for a vertex counts";
  EXPECT_EQ(mesh.vertices[1].diffuse, 0xFFFF0000u) << "channels are clamped to 0..1";
  EXPECT_EQ(mesh.vertices[2].diffuse, 0xFF000000u);
}

// The globe the build writes: 49 rows of 97 vertices, two triangles per cell but one at each
// pole row. The last vertex of the top row and the first of the bottom row belong to no face;
// every other one is a vertex of its own (seam and pole vertices differ in u).
TEST(XFileMeshTest, TheGlobeReadsAsWritten) {
  std::ifstream in(std::string(SKERROWEN_BINARY_DIR) + "/5.x", std::ios::binary);
  ASSERT_TRUE(in) << "the build makes 5.x";
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string error;
  const std::optional<XFile> file = ReadXFile(text, &error);
  ASSERT_TRUE(file) << error;
  ASSERT_EQ(file->meshes.size(), 1u);
  EXPECT_EQ(file->meshes[0].positions.size(), 49u * 97u);
  const XBuiltMesh mesh = Build(text);
  EXPECT_EQ(mesh.vertices.size(), 49u * 97u - 2u);
  EXPECT_EQ(mesh.faceSubsets, std::vector<std::uint32_t>(2 * 48 * 96 - 2 * 96, 0));
  EXPECT_TRUE(mesh.hasNormals && mesh.hasTextureCoords && !mesh.hasVertexColors);
  ASSERT_EQ(mesh.subsets.size(), 1u);
  EXPECT_EQ(mesh.subsets[0].material.textureFilename, "earth.jpg");
  EXPECT_EQ(mesh.vertices[mesh.indices[0]].position, file->meshes[0].positions[file->meshes[0].corners[0]]);
}

}  // namespace
