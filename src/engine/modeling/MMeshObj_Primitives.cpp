// Modelling: the primitive meshes (quad, disc, box, cone, capped cylinder,
// sphere), whole or as the mirror half at x <= b.x, and the material new
// faces take.
#include <cmath>
#include <vector>

#include "engine/core/CRGlobalM.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

MShader* MMeshObj::GetNewFaceShader() {
  CRGlobalM& store = EngGlobalM();
  if (store.lastMesh == this && store.lastShader != nullptr)
    for (MShader* shader : shaders)
      if (shader == store.lastShader) return shader;
  MShader* shader = AddShader();
  if (shader == nullptr) return nullptr;
  store.SetCurrentShader(this, shader);
  shader->id = 0;
  return shader;
}

namespace {

constexpr double kPi = 3.14159265358979323846;

// One ring of points at height y: point k at the angle k 2π/n + π, so the
// ring starts at (c.x, c.z - rz) and runs towards negative x first. The half
// ring stops on the plane x = c.x: for odd n its last point is the midpoint
// of the one before and the next computed one.
std::vector<PointRecord> RingPoints(double cx, double cz, double rx, double rz, double y, int n, bool half) {
  std::vector<PointRecord> points;
  auto at = [&](int k) {
    const double t = k * 2 * kPi / n + kPi;
    return PointRecord{cx + rx * std::sin(t), y, cz + rz * std::cos(t)};
  };
  if (!half) {
    for (int k = 0; k < n; ++k) points.push_back(at(k));
    return points;
  }
  for (int k = 0; 2 * k <= n + 1; ++k) {
    PointRecord p = at(k);
    if (2 * k == n + 1) {
      const PointRecord& last = points.back();
      p = {(last.x + p.x) / 2, y, (last.z + p.z) / 2};
    }
    points.push_back(p);
  }
  // Both ends lie on the plane; keep it exact.
  points.front().x = cx;
  points.back().x = cx;
  return points;
}

// The work shared by every generator: the vertices it made, in order, and
// the failure tests between its steps.
class PrimitiveBuilder {
 public:
  explicit PrimitiveBuilder(MMeshObj& mesh) : mesh_(mesh) {}

  MVertex* Vertex(const PointRecord& p, std::uint32_t flags = 0) {
    if (Failed()) return nullptr;
    MVertex* v = mesh_.AddVertex(p);
    if (v == nullptr) return nullptr;
    v->flags |= flags;
    if (!Append(made_, v)) return nullptr;
    return v;
  }
  std::vector<MVertex*> Ring(const std::vector<PointRecord>& points, std::uint32_t endFlags) {
    std::vector<MVertex*> ring;
    for (std::size_t k = 0; k < points.size(); ++k) {
      const bool end = k == 0 || k + 1 == points.size();
      MVertex* v = Vertex(points[k], end ? endFlags : 0);
      if (v == nullptr) return {};
      ring.push_back(v);
    }
    return ring;
  }
  bool Shader() {
    if (Failed()) return false;
    shader_ = mesh_.GetNewFaceShader();
    return shader_ != nullptr;
  }
  bool Face(MVertex* a, MVertex* b, MVertex* c) { return !Failed() && mesh_.AddFace(a, b, c, shader_) != nullptr; }
  static void Flag(MVertex* a, MVertex* b, std::uint32_t flags) {
    MLine* line = a->FindLine(b);
    ENG_FATAL_IF(line == nullptr);
    line->flags |= flags;
  }
  void Finish(bool half) {
    if (Failed()) return;
    if (half) mesh_.SetMirrorMode(1);
    for (int i = 0; i < made_.count; ++i) At<MVertex>(made_, i)->UpdateNormals();
    mesh_.MarkChanged();
  }

 private:
  MMeshObj& mesh_;
  MShader* shader_ = nullptr;
  PtrArray made_;
};

struct Circle {
  double cx, cz, rx, rz;
};

Circle CircleOf(const PointRecord& a, const PointRecord& b, bool half) {
  if (half) return {b.x, (a.z + b.z) / 2, std::fabs(a.x - b.x), std::fabs(a.z - b.z) / 2};
  return {(a.x + b.x) / 2, (a.z + b.z) / 2, std::fabs(a.x - b.x) / 2, std::fabs(a.z - b.z) / 2};
}

// Consecutive pairs of a ring: (k, k + 1), and (last, first) when whole.
template <class F>
bool ForEachRingPair(std::size_t size, bool half, F f) {
  const std::size_t pairs = half ? size - 1 : size;
  for (std::size_t k = 0; k < pairs; ++k)
    if (!f(k, (k + 1) % size)) return false;
  return true;
}

bool SegmentsRefused(int n) {
  if (n >= 3) return false;
  Refuse();
  return true;
}

}  // namespace

void MMeshObj::MakeQuad(const PointRecord& a, const PointRecord& b, unsigned char half) {
  PrimitiveBuilder build(*this);
  const std::uint32_t plane = half ? std::uint32_t{kVertexOnMirror} : 0u;
  MVertex* v0 = build.Vertex(a);
  MVertex* v1 = build.Vertex({b.x, a.y, a.z}, plane);
  MVertex* v2 = build.Vertex({b.x, a.y, b.z}, plane);
  MVertex* v3 = build.Vertex({a.x, a.y, b.z});
  if (!build.Shader() || !build.Face(v0, v1, v2) || !build.Face(v2, v3, v0)) return;
  build.Flag(v0, v2, kLineHiddenDiagonal);
  build.Finish(half);
}

void MMeshObj::MakeFan(const PointRecord& a, const PointRecord& b, unsigned char half, int n) {
  if (SegmentsRefused(n)) return;
  const Circle c = CircleOf(a, b, half);
  const double y = (a.y + b.y) / 2;
  const std::uint32_t plane = half ? std::uint32_t{kVertexOnMirror} : 0u;
  PrimitiveBuilder build(*this);
  MVertex* centre = build.Vertex({half ? b.x : (a.x + b.x) / 2, y, c.cz}, plane);
  if (centre == nullptr) return;
  std::vector<MVertex*> ring = build.Ring(RingPoints(c.cx, c.cz, c.rx, c.rz, y, n, half), plane);
  if (ring.empty() || !build.Shader()) return;
  if (!ForEachRingPair(ring.size(), half, [&](std::size_t k, std::size_t j) {
        return build.Face(centre, ring[k], ring[j]);
      }))
    return;
  build.Finish(half);
}

void MMeshObj::MakeBox(const PointRecord& a, const PointRecord& b, unsigned char half) {
  PrimitiveBuilder build(*this);
  const std::uint32_t plane = half ? std::uint32_t{kVertexOnMirror} : 0u;
  MVertex* v[8];
  const double xs[4] = {a.x, b.x, b.x, a.x};
  const double zs[4] = {a.z, a.z, b.z, b.z};
  for (int k = 0; k < 8; ++k) {
    const bool onPlane = xs[k % 4] == b.x;
    if ((v[k] = build.Vertex({xs[k % 4], k < 4 ? a.y : b.y, zs[k % 4]}, onPlane ? plane : 0)) == nullptr) return;
  }
  if (!build.Shader()) return;
  const int faces[12][3] = {{0, 2, 1}, {0, 3, 2}, {2, 7, 6}, {7, 2, 3}, {4, 7, 3}, {4, 3, 0},
                            {5, 4, 0}, {5, 0, 1}, {5, 1, 2}, {5, 2, 6}, {4, 5, 6}, {4, 6, 7}};
  for (int f = 0; f < 12; ++f) {
    if (half && (f == 8 || f == 9)) continue;  // the side on the plane stays open
    if (!build.Face(v[faces[f][0]], v[faces[f][1]], v[faces[f][2]])) return;
  }
  const int sharp[12][2] = {{0, 1}, {2, 3}, {3, 0}, {4, 5}, {6, 7}, {7, 4},
                            {0, 4}, {3, 7}, {1, 2}, {5, 6}, {1, 5}, {2, 6}};
  for (int e = 0; e < (half ? 8 : 12); ++e) build.Flag(v[sharp[e][0]], v[sharp[e][1]], kLineSharp);
  const int diagonals[6][2] = {{0, 2}, {2, 7}, {3, 4}, {0, 5}, {4, 6}, {2, 5}};
  for (int e = 0; e < (half ? 5 : 6); ++e) build.Flag(v[diagonals[e][0]], v[diagonals[e][1]], kLineHiddenDiagonal);
  build.Finish(half);
}

void MMeshObj::MakeCone(const PointRecord& a, const PointRecord& b, unsigned char half, int n) {
  if (SegmentsRefused(n)) return;
  const Circle c = CircleOf(a, b, half);
  const std::uint32_t plane = half ? std::uint32_t{kVertexOnMirror} : 0u;
  PrimitiveBuilder build(*this);
  MVertex* base = build.Vertex({c.cx, a.y, c.cz}, plane);
  MVertex* apex = build.Vertex({c.cx, b.y, c.cz}, kVertexFullCrease | plane);
  if (apex == nullptr) return;
  std::vector<MVertex*> ring = build.Ring(RingPoints(c.cx, c.cz, c.rx, c.rz, a.y, n, half), plane);
  if (ring.empty() || !build.Shader()) return;
  if (!ForEachRingPair(ring.size(), half, [&](std::size_t k, std::size_t j) {
        if (!build.Face(base, ring[j], ring[k]) || !build.Face(apex, ring[k], ring[j])) return false;
        build.Flag(ring[k], ring[j], kLineSharp);
        return true;
      }))
    return;
  build.Finish(half);
}

void MMeshObj::MakeCylinder(const PointRecord& a, const PointRecord& b, unsigned char half, int n) {
  if (SegmentsRefused(n)) return;
  const Circle c = CircleOf(a, b, half);
  const std::uint32_t plane = half ? std::uint32_t{kVertexOnMirror} : 0u;
  PrimitiveBuilder build(*this);
  MVertex* bottom = build.Vertex({c.cx, a.y, c.cz}, plane);
  MVertex* top = build.Vertex({c.cx, b.y, c.cz}, kVertexFullCrease | plane);
  if (top == nullptr) return;
  const std::vector<PointRecord> points = RingPoints(c.cx, c.cz, c.rx, c.rz, 0, n, half);
  std::vector<MVertex*> t, u;
  for (std::size_t k = 0; k < points.size(); ++k) {
    const std::uint32_t flags = k == 0 || k + 1 == points.size() ? plane : 0;
    t.push_back(build.Vertex({points[k].x, b.y, points[k].z}, flags));
    u.push_back(build.Vertex({points[k].x, a.y, points[k].z}, flags));
    if (u.back() == nullptr || t.back() == nullptr) return;
  }
  if (!build.Shader()) return;
  if (!ForEachRingPair(points.size(), half, [&](std::size_t k, std::size_t j) {
        if (!build.Face(bottom, u[j], u[k])) return false;
        build.Flag(u[k], u[j], kLineSharp);
        if (!build.Face(t[k], u[k], u[j]) || !build.Face(t[j], t[k], u[j])) return false;
        build.Flag(t[k], u[j], kLineHiddenDiagonal);
        if (!build.Face(top, t[k], t[j])) return false;
        build.Flag(t[k], t[j], kLineSharp);
        return true;
      }))
    return;
  build.Finish(half);
}

void MMeshObj::MakeSphere(const PointRecord& a, const PointRecord& b, unsigned char half, int n) {
  if (SegmentsRefused(n)) return;
  const Circle c = CircleOf(a, b, half);
  const std::uint32_t plane = half ? std::uint32_t{kVertexOnMirror} : 0u;
  PrimitiveBuilder build(*this);
  MVertex* bottom = build.Vertex({c.cx, a.y, c.cz}, plane);
  MVertex* top = build.Vertex({c.cx, b.y, c.cz}, plane);
  if (top == nullptr || !build.Shader()) return;
  const int bands = n / 2 < 2 ? 2 : n / 2;
  // The faces run so that the sphere faces outwards, as the other solids
  // do: each band's triangles go from the lower ring's point k to the upper
  // ring's point k + 1.
  std::vector<MVertex*> previous;
  for (int i = 1; i < bands; ++i) {
    const double f = i * kPi / bands;
    const double y = a.y + (1 - std::cos(f)) * (b.y - a.y) / 2;
    std::vector<MVertex*> ring =
        build.Ring(RingPoints(c.cx, c.cz, c.rx * std::sin(f), c.rz * std::sin(f), y, n, half), plane);
    if (ring.empty()) return;
    const bool ok = ForEachRingPair(ring.size(), half, [&](std::size_t k, std::size_t j) {
      if (i == 1) return build.Face(bottom, ring[j], ring[k]);
      if (!build.Face(previous[k], ring[j], ring[k]) || !build.Face(ring[j], previous[k], previous[j])) return false;
      build.Flag(ring[j], previous[k], kLineHiddenDiagonal);
      return true;
    });
    if (!ok) return;
    previous = std::move(ring);
  }
  if (!ForEachRingPair(previous.size(), half, [&](std::size_t k, std::size_t j) {
        return build.Face(top, previous[k], previous[j]);
      }))
    return;
  build.Finish(half);
}

}  // namespace engine
