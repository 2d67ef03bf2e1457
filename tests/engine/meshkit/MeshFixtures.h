#pragma once
// Mesh fixtures built face by face through the mesh's own factories, each
// once, with its numbering drawn beside its builder. `v` holds the vertices
// in the order they were made (the mesh's list holds them reversed, as
// factories link at the head); `shader` is the one material every face uses.
// A builder whose factory call fails reports it as a test failure.
#include <array>
#include <initializer_list>
#include <memory>
#include <vector>

#include "engine/mesh/MMeshObj.h"

namespace meshkit {

struct MeshFixture {
  std::unique_ptr<engine::MMeshObj> mesh;
  std::vector<engine::MVertex*> v;
  engine::MShader* shader = nullptr;

  engine::MMeshObj& operator*() const { return *mesh; }
  engine::MMeshObj* operator->() const { return mesh.get(); }
  // The line between two vertices of `v`, or null.
  engine::MLine* Line(int a, int b) const { return v[a]->FindLine(v[b]); }
  // Adds a vertex to the mesh and to `v`.
  engine::MVertex* Vertex(double x, double y, double z);
  // Adds the face v[a], v[b], v[c] (counter-clockwise seen from its front).
  engine::MFace* Face(int a, int b, int c);
  // Adds the points as vertices, then the triangles (indices into `v`).
  void Add(std::initializer_list<engine::PointRecord> points,
           std::initializer_list<std::array<int, 3>> triangles = {});
};

// A mesh with one material and no element.
MeshFixture MakeEmptyMesh();

// A texture of zero bytes (so that dumps of it compare), to put in a
// material.
engine::RgbaImageRecord BlankTexture(int width = 1, int height = 1);

// Gives the fixture's material a width × height texture whose texel k is
// (k, 2k, 3k, 255) (bytes wrap), and every face texture coordinates taken
// from its corners' positions: u = x, v = y. Texturing must be on.
void GiveTexture(MeshFixture& f, int width = 2, int height = 2);

// Selects the listed vertices of `v` and the lines between them, and
// nothing else; the caches are left unknown.
void SelectVertices(MeshFixture& f, std::initializer_list<int> members);

// A morph `name` of the listed vertices made from the selection (target
// indices 0, 1, ... in vertex-list order), its value set to its entry
// count, and a target of it with that many zero vectors, as the scene makes
// them. The selection is cleared.
std::unique_ptr<engine::MMorphTgt> MakeMorph(MeshFixture& f, std::initializer_list<int> members,
                                             const char* name = "m");

//        3           0 (0,0,0)  1 (1,0,0)  2 (0,1,0)  3 (0,0,1)
//       /|\          faces 0-2-1, 0-1-3, 1-2-3, 2-0-3: closed, every face
//      / | \         counter-clockwise seen from outside
//     0--+--2
//      \ | /
//        1
MeshFixture MakeTetra();

// The eight corners of the unit cube below, without faces.
MeshFixture MakeCubeCorners();

//      7-------6     the unit cube, 0 at the origin, 6 at (1,1,1):
//     /|      /|     0 (0,0,0) 1 (1,0,0) 2 (1,1,0) 3 (0,1,0)
//    4-------5 |     4 (0,0,1) 5 (1,0,1) 6 (1,1,1) 7 (0,1,1)
//    | 3-----|-2     sides a-b-c-d (outside view, counter-clockwise) become
//    |/      |/      a-b-c and a-c-d; with `quads` each diagonal a-c is a
//    0-------1       hidden quad diagonal (0x20)
MeshFixture MakeCube(bool quads = false);

//   3-----2     two triangles sharing line 0-2,
//   | B  /|     vertices numbered as drawn: A = 0-1-2, B = 0-2-3;
//   |  /  |     with `hidden` the diagonal 0-2 carries 0x20
//   |/  A |
//   0-----1
MeshFixture MakeQuadPair(bool hidden = true);

//   (0,r)---(1,r)--- ... ---(c,r)    an open grid in z = 0 of c × r cells;
//     |    / |                |      vertex (i, j) is v[j * (c + 1) + i] at
//     |  /   |                |      (i, j, 0); cell (i, j) is split along
//   (0,0)---(1,0)--- ... ---(c,0)    (i,j)-(i+1,j+1) into two triangles
MeshFixture MakeGrid(int columns, int rows);

// A closed sphere of `rings` rings and `segments` segments around the y
// axis: v[0] the bottom pole, then ring by ring from the bottom, the top
// pole last; triangles counter-clockwise seen from outside.
MeshFixture MakeSphere(int segments, int rings, double radius = 1.0);
//        1
//      / | \          an interior vertex v[0] raised to (0, 0, height) with
//     2--0--n         n spokes to v[1..n] on the unit circle (v[k] at angle
//      \ | /          2π(k-1)/n), one face per sector; `sharpSpokes` (0, 1
//        .            or 2) of the spokes carry 0x01: spoke 0-1 first, then
//                     the spoke opposite it, 0-(1 + n/2)
MeshFixture MakeFan(int spokes, int sharpSpokes, double height = 0.5);

// A tube around the z axis of `segments` sides and `rows` rows, cut open
// along the seam at angle 0: the seam's vertices stand twice (v[j * (s + 1)]
// and v[j * (s + 1) + s] for row j), joined in rings of coincident vertices.
MeshFixture MakeSeamTube(int segments, int rows);

// The right half of a symmetric strip: grid vertices (i, j, 0) for i = 0..2,
// j = 0..2, as in MakeGrid(2, 2), with the column x = 0 on the mirror plane
// (0x02) and the mesh in mirror mode.
MeshFixture MakeMirrorHalf();

//   2             two triangles 0-1-2 and 3-4-5 (or 4-3-5 when `turned`)
//   | \           whose border lines 0-1 and 3-4 lie on a seam: 0 and 4,
//   0---1         1 and 3 are coincident (joined in rings); turned, both
//   4---3         triangles run along the seam the same way round, so one
//    \ /          must be turned over before they can be joined
//     5
MeshFixture MakeSeamTrianglePair(bool turned);

}  // namespace meshkit
