#pragma once
// A mesh refined by OpenSubdiv's Catmull-Clark, for the comparison test and
// the subdivision benchmark: the control mesh as the smooth surface reads
// it (a quad of two triangles is one four-sided face, sharp lines are
// creases of sharpness 3.01, open borders interpolated as creases) and
// uniform refinement with uniform creasing.
#include <opensubdiv/far/primvarRefiner.h>
#include <opensubdiv/far/topologyDescriptor.h>
#include <opensubdiv/far/topologyRefinerFactory.h>

#include <memory>
#include <unordered_map>
#include <vector>

#include "engine/mesh/MMeshObj.h"

namespace osdtest {

struct OsdPoint {
  double x, y, z;
  void Clear() { x = y = z = 0; }
  void AddWithWeight(const OsdPoint& p, double weight) {
    x += weight * p.x;
    y += weight * p.y;
    z += weight * p.z;
  }
};

struct OsdControl {
  std::vector<OsdPoint> points;
  std::vector<int> perFace;
  std::vector<int> indices;
  std::vector<int> creasePairs;
  std::vector<float> creaseWeights;
};

inline OsdControl ControlMeshOf(engine::MMeshObj& mesh) {
  using namespace engine;
  OsdControl c;
  std::unordered_map<const MVertex*, int> number;
  for (MVertex* v : mesh.vertices) {
    number[v] = static_cast<int>(c.points.size());
    c.points.push_back({v->position.x, v->position.y, v->position.z});
  }
  std::unordered_map<const MFace*, bool> taken;
  for (MFace* face : mesh.faces) {
    if ((face->flags & kFaceHidden) != 0 || taken[face]) continue;
    MFace* partner = nullptr;
    MLine* lines[5];
    MVertex* corners[4];
    const int n = GetQuadCorners(face, &partner, lines, corners, nullptr, nullptr, nullptr);
    if (partner != nullptr) taken[partner] = true;
    c.perFace.push_back(n);
    for (int k = 0; k < n; ++k) c.indices.push_back(number[corners[k]]);
  }
  for (MLine* line : mesh.lines) {
    if (!line->IsSharp() || (line->flags & kLineHiddenDiagonal) != 0) continue;
    c.creasePairs.push_back(number[line->end0]);
    c.creasePairs.push_back(number[line->end1]);
    c.creaseWeights.push_back(3.01f);
  }
  return c;
}

inline std::unique_ptr<OpenSubdiv::Far::TopologyRefiner> MakeRefiner(const OsdControl& c) {
  using namespace OpenSubdiv;
  using Factory = Far::TopologyRefinerFactory<Far::TopologyDescriptor>;
  Far::TopologyDescriptor d;
  d.numVertices = static_cast<int>(c.points.size());
  d.numFaces = static_cast<int>(c.perFace.size());
  d.numVertsPerFace = c.perFace.data();
  d.vertIndicesPerFace = c.indices.data();
  d.numCreases = static_cast<int>(c.creaseWeights.size());
  d.creaseVertexIndexPairs = c.creasePairs.data();
  d.creaseWeights = c.creaseWeights.data();
  Sdc::Options options;
  options.SetVtxBoundaryInterpolation(Sdc::Options::VTX_BOUNDARY_EDGE_ONLY);
  options.SetCreasingMethod(Sdc::Options::CREASE_UNIFORM);
  options.SetTriangleSubdivision(Sdc::Options::TRI_SUB_CATMARK);
  return std::unique_ptr<Far::TopologyRefiner>(Factory::Create(d, Factory::Options(Sdc::SCHEME_CATMARK, options)));
}

// The positions of every vertex of the last level.
inline std::vector<OsdPoint> Refine(OpenSubdiv::Far::TopologyRefiner& refiner, const OsdControl& c, int levels) {
  using namespace OpenSubdiv;
  refiner.RefineUniform(Far::TopologyRefiner::UniformOptions(levels));
  std::vector<OsdPoint> previous = c.points, next;
  Far::PrimvarRefinerReal<double> primvar(refiner);  // double weights: float ones differ by 1e-8
  for (int level = 1; level <= levels; ++level) {
    next.assign(static_cast<std::size_t>(refiner.GetLevel(level).GetNumVertices()), OsdPoint{});
    const OsdPoint* source = previous.data();
    OsdPoint* destination = next.data();
    primvar.Interpolate(level, source, destination);
    previous.swap(next);
  }
  return previous;
}

inline std::vector<engine::PointRecord> RefineWithOpenSubdiv(engine::MMeshObj& mesh, int levels) {
  const OsdControl c = ControlMeshOf(mesh);
  auto refiner = MakeRefiner(c);
  std::vector<engine::PointRecord> out;
  for (const OsdPoint& p : Refine(*refiner, c, levels)) out.push_back({p.x, p.y, p.z});
  return out;
}

}  // namespace osdtest
