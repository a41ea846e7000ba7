// Loading meshes from .x files: what the platform's loader yields for files written here,
// and clear refusals of bad files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/d3dx_mesh.h"
#include "render/device_test_support.h"
#include "render/scratch_folder.h"

namespace {

class XFileLoaderTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& content) {
    return folder_.Write(name, content);
  }

  HRESULT Load(const std::string& path, Direct3DDevice8* device = nullptr) {
    return D3DXLoadMeshFromX(path, D3DXMESH_MANAGED, device, &mesh, &materials, &materialCount, &error);
  }

  void LoadText(const std::string& content, Direct3DDevice8* device = nullptr) {
    ASSERT_EQ(Load(Write("model.x", content), device), D3D_OK) << error;
    ASSERT_NE(mesh, nullptr);
  }

  D3DVECTOR Corner(DWORD face, int corner) const {
    return mesh->Vertices()[mesh->Indices()[3 * face + corner]].position;
  }

  ScratchFolder folder_;
  std::unique_ptr<D3DXMesh> mesh;
  std::vector<D3DXMATERIAL> materials;
  DWORD materialCount = 0;
  std::string error;
};

void ExpectColour(const D3DCOLORVALUE& c, float r, float g, float b, float a) {
  EXPECT_FLOAT_EQ(c.r, r);
  EXPECT_FLOAT_EQ(c.g, g);
  EXPECT_FLOAT_EQ(c.b, b);
  EXPECT_FLOAT_EQ(c.a, a);
}

void ExpectPosition(const D3DVECTOR& p, float x, float y, float z) {
  EXPECT_FLOAT_EQ(p.x, x);
  EXPECT_FLOAT_EQ(p.y, y);
  EXPECT_FLOAT_EQ(p.z, z);
}

// A quad (material 1) and a triangle (material 0) inside two nested frames: the outer one
// scales by 2 and moves 10 along x, the inner one moves 5 along y.
const char* const kPanelFile = R"(xof 0302txt 0032
template Vector { <3D82AB5E-62DA-11cf-AB39-0020AF71E433> FLOAT x; FLOAT y; FLOAT z; }
Frame Outer {
  FrameTransformMatrix { 2.0,0.0,0.0,0.0, 0.0,2.0,0.0,0.0, 0.0,0.0,2.0,0.0, 10.0,0.0,0.0,1.0;; }
  Frame Inner {
    FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,5.0,0.0,1.0;; }
    Mesh Panel {
      5;
      0.0;0.0;0.0;, 1.0;0.0;0.0;, 1.0;1.0;0.5;, 0.0;1.0;0.0;, 0.5;-1.0;3.0;;
      2;
      4;0,1,2,3;,
      3;0,4,1;;
      MeshNormals { 1; 0.0;0.0;-1.0;; 2; 4;0,0,0,0;, 3;0,0,0;; }
      MeshTextureCoords { 5; 0.0;0.0;, 1.0;0.0;, 1.0;1.0;, 0.0;1.0;, 0.25;0.75;; }
      MeshMaterialList { 2; 2; 1, 0;;
        Material Red { 1.0;0.0;0.0;0.5;; 10.0; 0.5;0.5;0.5;; 0.1;0.0;0.0;; TextureFilename { "maps\\red.png"; } }
        Material Plain { 0.0;0.0;1.0;1.0;; 0.0; 0.25;0.25;0.25;; 0.0;0.0;0.0;; }
      }
    }
  }
}
)";

TEST_F(XFileLoaderTest, MaterialsKeepTheFileValuesWithOpaqueSpecularAndEmissiveAndBlackAmbient) {
  LoadText(kPanelFile);
  ASSERT_EQ(materialCount, 2u);
  ASSERT_EQ(materials.size(), 2u);
  const D3DMATERIAL8& red = materials[0].MatD3D;
  ExpectColour(red.Diffuse, 1, 0, 0, 0.5f);
  ExpectColour(red.Ambient, 0, 0, 0, 1);
  ExpectColour(red.Specular, 0.5f, 0.5f, 0.5f, 1);
  ExpectColour(red.Emissive, 0.1f, 0, 0, 1);
  EXPECT_FLOAT_EQ(red.Power, 10);
  EXPECT_EQ(materials[0].TextureFilename, "maps\\\\red.png")
      << "the name exactly as written, both backslashes";
  const D3DMATERIAL8& plain = materials[1].MatD3D;
  ExpectColour(plain.Diffuse, 0, 0, 1, 1);
  ExpectColour(plain.Specular, 0.25f, 0.25f, 0.25f, 1);
  EXPECT_FLOAT_EQ(plain.Power, 0);
  EXPECT_EQ(materials[1].TextureFilename, "");
}

TEST_F(XFileLoaderTest, FacesAreSortedBySubsetAndPolygonsBecomeFans) {
  LoadText(kPanelFile);
  EXPECT_EQ(mesh->GetFVF(), D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
  ASSERT_EQ(mesh->GetNumFaces(), 3u);
  EXPECT_EQ(mesh->FaceAttributes(), (std::vector<DWORD>{0, 1, 1}));
  // Vertex p lands at 2 * (p + (0, 5, 0)) + (10, 0, 0).
  ExpectPosition(Corner(0, 0), 10, 10, 0);  // the triangle 0, 4, 1
  ExpectPosition(Corner(0, 1), 11, 8, 6);
  ExpectPosition(Corner(0, 2), 12, 10, 0);
  ExpectPosition(Corner(1, 0), 10, 10, 0);  // the quad as (0, 1, 2) and (0, 2, 3)
  ExpectPosition(Corner(1, 1), 12, 10, 0);
  ExpectPosition(Corner(1, 2), 12, 12, 1);
  ExpectPosition(Corner(2, 0), 10, 10, 0);
  ExpectPosition(Corner(2, 1), 12, 12, 1);
  ExpectPosition(Corner(2, 2), 10, 12, 0);
}

TEST_F(XFileLoaderTest, VerticesKeepTheirTextureCoordinatesAndTransformedNormalsAndAreShared) {
  LoadText(kPanelFile);
  EXPECT_EQ(mesh->GetNumVertices(), 5u) << "corners that agree in everything share one vertex";
  const Vertex& v4 = mesh->Vertices()[mesh->Indices()[1]];
  EXPECT_FLOAT_EQ(v4.u, 0.25f);
  EXPECT_NEAR(v4.v, 0.75f, 1e-7);
  // Normals go through the inverse transpose: a uniform scale by 2 halves them.
  for (const Vertex& v : mesh->Vertices()) ExpectPosition(v.normal, 0, 0, -0.5f);
}

// Mesh A lies outside any frame and refers to a top-level material; mesh B sits in a moved
// frame; mesh C has no material list.
const char* const kThreeMeshFile = R"(xof 0303txt 0032
Material Shared { 0.2;0.3;0.4;1.0;; 2.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; TextureFilename { "shared.png"; } }
Mesh A {
  3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;;
  2; 3;0,1,2;, 3;2,1,0;;
  MeshMaterialList { 2; 2; 1, 0;; { Shared } Material OwnA { 1.0;1.0;0.0;1.0;; 3.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; } }
}
Frame Moved {
  FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 7.0,0.0,0.0,1.0;; }
  Mesh B {
    3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;;
    1; 3;0,1,2;;
    MeshMaterialList { 1; 1; 0;; Material OwnB { 0.0;1.0;1.0;1.0;; 4.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; } }
  }
}
Mesh C { 3; 0.0;0.0;2.0;, 1.0;0.0;2.0;, 0.0;1.0;2.0;; 1; 3;0,1,2;; }
)";

TEST_F(XFileLoaderTest, MaterialsFollowTheMeshOrderWithEachMeshsIndicesOffset) {
  LoadText(kThreeMeshFile);
  ASSERT_EQ(materialCount, 4u);
  ExpectColour(materials[0].MatD3D.Diffuse, 0.2f, 0.3f, 0.4f, 1);  // A's {Shared}
  EXPECT_EQ(materials[0].TextureFilename, "shared.png");
  EXPECT_FLOAT_EQ(materials[1].MatD3D.Power, 3);  // OwnA
  EXPECT_FLOAT_EQ(materials[2].MatD3D.Power, 4);  // OwnB
  EXPECT_EQ(mesh->FaceAttributes(), (std::vector<DWORD>{0, 1, 2, 3}));
  ExpectPosition(Corner(0, 0), 0, 1, 0);  // A's second face (2, 1, 0) uses material 0
  ExpectPosition(Corner(1, 0), 0, 0, 0);
}

TEST_F(XFileLoaderTest, AMeshWithoutMaterialListGetsTheDefaultMaterial) {
  LoadText(kThreeMeshFile);
  ASSERT_EQ(materialCount, 4u);
  const D3DMATERIAL8& fallback = materials[3].MatD3D;
  ExpectColour(fallback.Diffuse, 0.5f, 0.5f, 0.5f, 0);
  ExpectColour(fallback.Specular, 0.5f, 0.5f, 0.5f, 0);
  EXPECT_FLOAT_EQ(fallback.Power, 0);
  EXPECT_EQ(materials[3].TextureFilename, "");
}

TEST_F(XFileLoaderTest, OnlyMeshesInsideAFrameTakeItsTransform) {
  LoadText(kThreeMeshFile);
  ExpectPosition(Corner(2, 0), 7, 0, 0);  // B, moved by its frame
  ExpectPosition(Corner(3, 0), 0, 0, 2);  // C, outside any frame
}

TEST_F(XFileLoaderTest, TransformsOfAnUnnamedOnlyChildFrameStillAccumulate) {
  LoadText(R"(xof 0302txt 0032
Frame Outer {
  FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 3.0,0.0,0.0,1.0;; }
  Frame {
    FrameTransformMatrix { 0.0,1.0,0.0,0.0, -1.0,0.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,4.0,0.0,1.0;; }
    Mesh { 3; 1.0;0.0;0.0;, 0.0;1.0;0.0;, 0.0;0.0;1.0;; 1; 3;0,1,2;; }
  }
}
)");
  // Rotated a quarter turn about z (x to y), moved by (0, 4, 0), then by (3, 0, 0).
  ExpectPosition(Corner(0, 0), 3, 5, 0);
  ExpectPosition(Corner(0, 1), 2, 4, 0);
  ExpectPosition(Corner(0, 2), 3, 4, 1);
}

TEST_F(XFileLoaderTest, TheVertexFormatHasOnlyWhatTheFileHas) {
  LoadText("xof 0302txt 0032\nMesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }\n");
  EXPECT_EQ(mesh->GetFVF(), static_cast<DWORD>(D3DFVF_XYZ)) << "no normals are made up";
  for (const Vertex& v : mesh->Vertices()) ExpectPosition(v.normal, 0, 0, 0);

  LoadText(R"(xof 0302txt 0032
Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;;
  MeshVertexColors { 3; 0;1.0;0.0;0.0;1.0;;, 1;0.0;1.0;0.0;0.5;;, 2;0.0;0.0;1.0;0.0;;; } }
)");
  EXPECT_EQ(mesh->GetFVF(), D3DFVF_XYZ | D3DFVF_DIFFUSE);
  ASSERT_EQ(mesh->GetNumVertices(), 3u);
  EXPECT_EQ(mesh->Vertices()[mesh->Indices()[0]].diffuse, 0xFFFF0000u);
  EXPECT_EQ(mesh->Vertices()[mesh->Indices()[1]].diffuse, 0x7F00FF00u);
  EXPECT_EQ(mesh->Vertices()[mesh->Indices()[2]].diffuse, 0x000000FFu);
}

TEST_F(XFileLoaderTest, ClosedShapesShareVerticesUnlessTheirNormalsDiffer) {
  const std::string corners =
      "8; -1.0;-1.0;-1.0;, 1.0;-1.0;-1.0;, 1.0;1.0;-1.0;, -1.0;1.0;-1.0;,"
      " -1.0;-1.0;1.0;, 1.0;-1.0;1.0;, 1.0;1.0;1.0;, -1.0;1.0;1.0;;\n"
      "6; 4;0,3,2,1;, 4;4,5,6,7;, 4;0,1,5,4;, 4;2,3,7,6;, 4;1,2,6,5;, 4;0,4,7,3;;\n";
  LoadText("xof 0302txt 0032\nMesh Box {\n" + corners + "}\n");
  EXPECT_EQ(mesh->GetNumFaces(), 12u);
  EXPECT_EQ(mesh->GetNumVertices(), 8u);

  LoadText("xof 0302txt 0032\nMesh Box {\n" + corners +
           "MeshNormals { 6; 0.0;0.0;-1.0;, 0.0;0.0;1.0;, 0.0;-1.0;0.0;, 0.0;1.0;0.0;, 1.0;0.0;0.0;, "
           "-1.0;0.0;0.0;;\n"
           "6; 4;0,0,0,0;, 4;1,1,1,1;, 4;2,2,2,2;, 4;3,3,3,3;, 4;4,4,4,4;, 4;5,5,5,5;; }\n}\n");
  EXPECT_EQ(mesh->GetNumVertices(), 24u) << "each corner of the box carries three normals";
}

// Vertices in clip space, lighting off, identity transforms: each subset shows its colour.
const char* const kTwoSubsetFile = R"(xof 0302txt 0032
Mesh {
  6; -1.0;-1.0;0.5;, 0.0;1.0;0.5;, 0.0;-1.0;0.5;, 0.0;-1.0;0.5;, 1.0;1.0;0.5;, 1.0;-1.0;0.5;;
  2; 3;0,1,2;, 3;3,4,5;;
  MeshVertexColors { 6; 0;1.0;0.0;0.0;1.0;;, 1;1.0;0.0;0.0;1.0;;, 2;1.0;0.0;0.0;1.0;;,
                        3;0.0;1.0;0.0;1.0;;, 4;0.0;1.0;0.0;1.0;;, 5;0.0;1.0;0.0;1.0;;; }
  MeshMaterialList { 3; 2; 1, 0;;
    Material { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
    Material { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
    Material { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; } }
}
)";

TEST_F(XFileLoaderTest, DrawSubsetDrawsOnlyThatSubsetsTriangles) {
  TestDevice target(8, 8);
  LoadText(kTwoSubsetFile, target.device.get());
  ASSERT_EQ(target.device->BeginScene(), D3D_OK);
  EXPECT_EQ(mesh->DrawSubset(1), D3D_OK);
  ASSERT_EQ(target.device->EndScene(), D3D_OK);
  EXPECT_EQ(target.Pixel(2, 6), Rgb(255, 0, 0)) << "the left triangle is subset 1";
  EXPECT_EQ(target.Pixel(6, 6), kBackground);

  target.ClearAll();
  ASSERT_EQ(target.device->BeginScene(), D3D_OK);
  EXPECT_EQ(mesh->DrawSubset(0), D3D_OK);
  ASSERT_EQ(target.device->EndScene(), D3D_OK);
  EXPECT_EQ(target.Pixel(2, 6), kBackground);
  EXPECT_EQ(target.Pixel(6, 6), Rgb(0, 255, 0));
}

TEST_F(XFileLoaderTest, DrawingASubsetWithoutFacesDrawsNothingAndSucceeds) {
  TestDevice target(8, 8);
  LoadText(kTwoSubsetFile, target.device.get());
  ASSERT_EQ(target.device->BeginScene(), D3D_OK);
  EXPECT_EQ(mesh->DrawSubset(2), D3D_OK);
  EXPECT_EQ(mesh->DrawSubset(40), D3D_OK);
  ASSERT_EQ(target.device->EndScene(), D3D_OK);
  EXPECT_EQ(target.CoverageMap().find('#'), std::string::npos);
}

TEST_F(XFileLoaderTest, AMeshLoadedWithoutDeviceCannotDraw) {
  LoadText(kTwoSubsetFile);
  EXPECT_EQ(mesh->DrawSubset(0), D3DERR_INVALIDCALL);
}

struct BadFile {
  const char* name;
  std::string content;
  const char* reason;
};

std::string Header() { return "xof 0302txt 0032\n"; }
std::string Triangle(const std::string& extra = "") {
  return "Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;;" + extra + " }\n";
}

std::vector<BadFile> BadFiles() {
  std::string nested = Header();
  for (int i = 0; i < 200; ++i) nested += "Frame {";
  nested += Triangle() + std::string(200, '}');
  const std::string material = "Material { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }";
  std::string manyMeshes = Header();
  for (int i = 0; i <= 8192; ++i) manyMeshes += "Mesh{0;0;}\n";
  std::string references;
  for (int i = 0; i <= 65536; ++i) references += "{G}";
  const std::string manyMaterials = Header() + "Material G " + std::string(material).substr(9) + "\n" +
                                    Triangle("MeshMaterialList { 65537; 1; 0;; " + references + " }");
  return {
      {"empty", "", "empty"},
      {"no_header", "Mesh { 3; 0.0;0.0;0.0;; }", "no \"xof \" header"},
      {"short_header", "xof 03", "header is truncated"},
      {"binary", "xof 0302bin 0032" + std::string(40, '\x01'), "binary .x files are not supported"},
      {"compressed_text", "xof 0302tzip0032" + std::string(40, '\x02'),
       "compressed .x files are not supported"},
      {"compressed_binary", "xof 0302bzip0032" + std::string(40, '\x03'),
       "compressed .x files are not supported"},
      {"truncated", Header() + "Mesh { 3; 0.0;0.0;0.0;, 1.0;", "the file ends"},
      {"truncated_object", Header() + "Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;;",
       "ends inside a mesh"},
      {"garbled", Header() + "Mesh { 3; 0.0;zz;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }",
       "real number was expected"},
      {"nul_byte", Header() + Triangle() + std::string(1, '\0'), "NUL byte"},
      {"huge_vertex_count", Header() + "Mesh { 4000000000; 0.0;0.0;0.0;; 1; 3;0,0,0;; }",
       "4000000000 vertices, more than"},
      {"huge_face_count",
       Header() + "Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 99999999; 3;0,1,2;; }",
       "99999999 faces, more than"},
      {"huge_index_count",
       Header() + "Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 2000000000;0,1,2;; }",
       "face indices, more than"},
      {"huge_material_count", Header() + Triangle("MeshMaterialList { 123456789; 1; 0;; " + material + " }"),
       "123456789 materials, more than"},
      {"huge_normal_count", Header() + Triangle("MeshNormals { 77777777; 0.0;0.0;1.0;; 1; 3;0,0,0;; }"),
       "77777777 normals, more than"},
      {"texcoord_count", Header() + Triangle("MeshTextureCoords { 3000000; 0.0;0.0;; }"),
       "3000000 entries for 3 vertices"},
      {"negative_count", Header() + "Mesh { -3; 0.0;0.0;0.0;; 0;; }", "negative number of vertices"},
      {"too_large_number", Header() + "Mesh { 99999999999; 0.0;0.0;0.0;; }", "too large"},
      {"face_index", Header() + "Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,3;; }",
       "vertex index 3 is out of range"},
      {"negative_face_index",
       Header() + "Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,-1,2;; }",
       "vertex index -1 is out of range"},
      {"two_corner_face", Header() + "Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 2;0,1;; }",
       "fewer than 3 vertices"},
      {"material_index", Header() + Triangle("MeshMaterialList { 1; 1; 3;; " + material + " }"),
       "material index 3 is out of range"},
      {"material_list_short", Header() + Triangle("MeshMaterialList { 2; 1; 0;; " + material + " }"),
       "declares 2 materials and holds 1"},
      // Only a ';' right after the indices is skipped: here ", ... {" reads as an unknown
      // object, which swallows the Material.
      {"material_list_stray_comma", Header() + Triangle("MeshMaterialList { 1; 1; 0;,; " + material + " }"),
       "declares 1 materials and holds 0"},
      {"material_reference", Header() + Triangle("MeshMaterialList { 1; 1; 0;; { Nowhere } }"),
       "{Nowhere} names no top-level Material"},
      {"two_material_lists",
       Header() + Triangle("MeshMaterialList { 1; 1; 0;; " + material + " } MeshMaterialList { 1; 1; 0;; " +
                           material + " }"),
       "more than one MeshMaterialList"},
      {"normal_index", Header() + Triangle("MeshNormals { 1; 0.0;0.0;1.0;; 1; 3;0,0,5;; }"),
       "normal index 5 is out of range"},
      {"normal_faces", Header() + Triangle("MeshNormals { 1; 0.0;0.0;1.0;; 2; 3;0,0,0;, 3;0,0,0;; }"),
       "MeshNormals has 2 faces, the mesh has 1"},
      {"colour_index",
       Header() +
           Triangle("MeshVertexColors { 3; 0;1.0;1.0;1.0;1.0;;, 1;1.0;1.0;1.0;1.0;;, 9;1.0;1.0;1.0;1.0;;; }"),
       "vertex colour index 9 is out of range"},
      {"skin_weight_index",
       Header() + Triangle("SkinWeights { \"bone\"; 1; 8; 1.0; 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, "
                           "0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;; }"),
       "skin weight vertex index 8 is out of range"},
      {"decimal_comma", Header() + "Mesh { 3; 0,5;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }",
       "ambiguous"},
      {"not_finite", Header() + "Mesh { 3; 1e999;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }",
       "not finite"},
      {"animation_key_type", Header() + Triangle() + "AnimationSet { Animation { AnimationKey { 7; 0; } } }",
       "unknown animation key type 7"},
      {"deep_frames", nested, "nested more than 128 deep"},
      {"no_mesh", Header() + "Frame Empty { }\n", "holds no mesh"},
      {"many_meshes", manyMeshes, "more than 8192 meshes"},
      {"many_materials", manyMaterials, "more than 65536 materials"},
      {"no_faces", Header() + "Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 0; }\n", "have no faces"},
  };
}

class BadXFileTest : public XFileLoaderTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BadXFileTest, FailsWithTheFileAndTheReasonAndLeavesTheOutputsAlone) {
  const BadFile& bad = GetParam();
  const std::string path = Write(std::string(bad.name) + ".x", bad.content);
  materialCount = 77;
  EXPECT_TRUE(FAILED(Load(path)));
  EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
  EXPECT_NE(error.find(bad.reason), std::string::npos) << error;
  EXPECT_EQ(mesh, nullptr);
  EXPECT_TRUE(materials.empty());
  EXPECT_EQ(materialCount, 77u);
}

INSTANTIATE_TEST_SUITE_P(Rows, BadXFileTest, ::testing::ValuesIn(BadFiles()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(XFileLoaderTest, AMissingFileAFolderOrADeviceIsRefusedByName) {
  const std::string missing = folder_.PathOf("absent.x");
  EXPECT_TRUE(FAILED(Load(missing)));
  EXPECT_EQ(error, missing + ": no such file");
  const std::string folder = folder_.Path().string();
  EXPECT_TRUE(FAILED(Load(folder)));
  EXPECT_EQ(error, folder + ": is a directory, not a file");
  EXPECT_TRUE(FAILED(Load("/dev/zero")));
  EXPECT_EQ(error, "/dev/zero: is not a regular file");
}

}  // namespace
