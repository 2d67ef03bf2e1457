#include "meshkit/MeshFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

namespace meshkit {

using namespace engine;

MVertex* MeshFixture::Vertex(double x, double y, double z) {
  MVertex* vertex = mesh->AddVertex({x, y, z});
  if (vertex == nullptr) ADD_FAILURE() << "AddVertex failed (reason " << EngContext().failReason << ")";
  v.push_back(vertex);
  return vertex;
}

MFace* MeshFixture::Face(int a, int b, int c) {
  MFace* face = mesh->AddFace(v[a], v[b], v[c], shader);
  if (face == nullptr)
    ADD_FAILURE() << "AddFace(" << a << ", " << b << ", " << c << ") failed (reason " << EngContext().failReason
                  << ")";
  return face;
}

void MeshFixture::Add(std::initializer_list<PointRecord> points, std::initializer_list<std::array<int, 3>> triangles) {
  for (const PointRecord& p : points) Vertex(p.x, p.y, p.z);
  for (const auto& t : triangles) Face(t[0], t[1], t[2]);
}

MeshFixture MakeEmptyMesh() {
  MeshFixture f;
  f.mesh.reset(new MMeshObj());
  f.shader = f.mesh->AddShader();
  return f;
}

RgbaImageRecord BlankTexture(int width, int height) {
  const std::size_t bytes = static_cast<std::size_t>(width) * height * 4;
  auto* pixels = static_cast<unsigned char*>(EngAlloc(bytes));
  std::memset(pixels, 0, bytes);
  return {width, height, pixels};
}

void GiveTexture(MeshFixture& f, int width, int height) {
  RgbaImageRecord& texture = f.shader->texture;
  EngFree(texture.pixels);
  texture.width = width;
  texture.height = height;
  texture.pixels = static_cast<unsigned char*>(EngAlloc(static_cast<std::size_t>(width) * height * 4));
  for (int k = 0; k < width * height; ++k) {
    unsigned char* texel = texture.pixels + 4 * k;
    texel[0] = static_cast<unsigned char>(k);
    texel[1] = static_cast<unsigned char>(2 * k);
    texel[2] = static_cast<unsigned char>(3 * k);
    texel[3] = 255;
  }
  for (MFace* face : f->faces) {
    face->SetShader(face->shader);
    MVertex* c[3];
    face->GetVertices(c);
    face->SetUVs(c[0]->position.x, c[0]->position.y, c[1]->position.x, c[1]->position.y, c[2]->position.x,
                 c[2]->position.y);
  }
}

void SelectVertices(MeshFixture& f, std::initializer_list<int> members) {
  f->ClearSelection();
  for (int i : members) f.v[i]->flags |= kVertexSelected;
  for (MLine* line : f->lines)
    if ((line->end0->flags & kVertexSelected) && (line->end1->flags & kVertexSelected)) line->flags |= kLineSelected;
  f->InvalidateSelectionCache();
}

std::unique_ptr<MMorphTgt> MakeMorph(MeshFixture& f, std::initializer_list<int> members, const char* name) {
  SelectVertices(f, members);
  int next = 0, request = 0;
  MMorph* morph = f->CreateMorphFromSelection(name, next, request, nullptr);
  if (morph == nullptr) ADD_FAILURE() << "CreateMorphFromSelection failed";
  else morph->SetValue(next);
  f->ClearSelection();
  auto target = std::make_unique<MMorphTgt>();
  target->SetGroupName(name);
  target->SetVectorCount(next);
  return target;
}

MeshFixture MakeTetra() {
  MeshFixture f = MakeEmptyMesh();
  f.Add({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {2, 0, 3}});
  return f;
}

MeshFixture MakeCubeCorners() {
  MeshFixture f = MakeEmptyMesh();
  f.Add({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}});
  return f;
}

MeshFixture MakeCube(bool quads) {
  MeshFixture f = MakeCubeCorners();
  const int sides[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {2, 3, 7, 6}, {0, 4, 7, 3}, {1, 2, 6, 5}};
  for (const auto& s : sides) {
    f.Face(s[0], s[1], s[2]);
    f.Face(s[0], s[2], s[3]);
    if (quads) f.Line(s[0], s[2])->flags |= kLineHiddenDiagonal;
  }
  return f;
}

MeshFixture MakeQuadPair(bool hidden) {
  MeshFixture f = MakeEmptyMesh();
  f.Add({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}});
  if (hidden) f.Line(0, 2)->flags |= kLineHiddenDiagonal;
  return f;
}

MeshFixture MakeGrid(int columns, int rows) {
  MeshFixture f = MakeEmptyMesh();
  for (int j = 0; j <= rows; ++j)
    for (int i = 0; i <= columns; ++i) f.Vertex(i, j, 0);
  const int stride = columns + 1;
  for (int j = 0; j < rows; ++j)
    for (int i = 0; i < columns; ++i) {
      const int a = j * stride + i;
      f.Face(a, a + 1, a + stride + 1);
      f.Face(a, a + stride + 1, a + stride);
    }
  return f;
}

MeshFixture MakeSphere(int segments, int rings, double radius) {
  MeshFixture f = MakeEmptyMesh();
  f.Vertex(0, -radius, 0);
  for (int j = 1; j < rings; ++j) {
    const double polar = std::numbers::pi * j / rings;
    for (int i = 0; i < segments; ++i) {
      const double angle = 2 * std::numbers::pi * i / segments;
      f.Vertex(radius * std::sin(polar) * std::cos(angle), -radius * std::cos(polar),
               -radius * std::sin(polar) * std::sin(angle));
    }
  }
  f.Vertex(0, radius, 0);
  const int top = 1 + (rings - 1) * segments;
  auto at = [&](int ring, int i) { return 1 + (ring - 1) * segments + (i % segments); };
  for (int i = 0; i < segments; ++i) f.Face(0, at(1, i + 1), at(1, i));
  for (int j = 1; j < rings - 1; ++j)
    for (int i = 0; i < segments; ++i) {
      f.Face(at(j, i), at(j, i + 1), at(j + 1, i + 1));
      f.Face(at(j, i), at(j + 1, i + 1), at(j + 1, i));
    }
  for (int i = 0; i < segments; ++i) f.Face(at(rings - 1, i), at(rings - 1, i + 1), top);
  return f;
}

MeshFixture MakeFan(int spokes, int sharpSpokes, double height) {
  MeshFixture f = MakeEmptyMesh();
  f.Vertex(0, 0, height);
  for (int k = 0; k < spokes; ++k) {
    const double angle = 2 * std::numbers::pi * k / spokes;
    f.Vertex(std::cos(angle), std::sin(angle), 0);
  }
  for (int k = 1; k <= spokes; ++k) f.Face(0, k, k % spokes + 1);
  if (sharpSpokes >= 1) f.Line(0, 1)->flags |= kLineSharp;
  if (sharpSpokes >= 2) f.Line(0, 1 + spokes / 2)->flags |= kLineSharp;
  return f;
}

MeshFixture MakeSeamTube(int segments, int rows) {
  MeshFixture f = MakeEmptyMesh();
  const int stride = segments + 1;
  for (int j = 0; j <= rows; ++j) {
    for (int i = 0; i < segments; ++i) {
      const double angle = 2 * std::numbers::pi * i / segments;
      f.Vertex(std::cos(angle), std::sin(angle), j);
    }
    // The seam's second copy, in the first vertex's ring.
    MVertex* copy = f.mesh->AddVertexCopy(f.v[j * stride]);
    if (copy == nullptr) ADD_FAILURE() << "AddVertexCopy failed";
    f.v.push_back(copy);
  }
  for (int j = 0; j < rows; ++j)
    for (int i = 0; i < segments; ++i) {
      const int a = j * stride + i;
      f.Face(a, a + 1, a + stride + 1);
      f.Face(a, a + stride + 1, a + stride);
    }
  return f;
}

MeshFixture MakeMirrorHalf() {
  MeshFixture f = MakeGrid(2, 2);
  for (int j = 0; j <= 2; ++j) f.v[j * 3]->flags |= kVertexOnMirror;
  f.mesh->SetMirrorMode(1);
  return f;
}

MeshFixture MakeSeamTrianglePair(bool turned) {
  MeshFixture f = MakeEmptyMesh();
  f.Add({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 0}, {0.5, -1, 0}},
        {{0, 1, 2}, turned ? std::array<int, 3>{4, 3, 5} : std::array<int, 3>{3, 4, 5}});
  f.v[0]->JoinRing(f.v[4]);
  f.v[1]->JoinRing(f.v[3]);
  return f;
}

}  // namespace meshkit
