#pragma once
// The engine's mesh handed to meshoptimizer's simplifier (an independent
// reference for polygon reduction), and the distance of a triangle soup
// from the sphere it approximates. Tests and benchmarks only.
#include <meshoptimizer.h>

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "engine/mesh/MFace.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MVertex.h"

namespace meshopttest {

struct TriangleSoup {
  std::vector<float> positions;  // x, y, z per vertex
  std::vector<unsigned int> indices;
  std::size_t Faces() const { return indices.size() / 3; }
};

inline TriangleSoup SoupOf(const engine::MMeshObj& mesh) {
  TriangleSoup soup;
  std::unordered_map<const engine::MVertex*, unsigned int> index;
  for (const engine::MVertex* v : mesh.vertices) {
    index[v] = static_cast<unsigned int>(index.size());
    for (double c : {v->position.x, v->position.y, v->position.z}) soup.positions.push_back(static_cast<float>(c));
  }
  for (const engine::MFace* face : mesh.faces) {
    engine::MVertex* c[3];
    face->GetVertices(c);
    for (const engine::MVertex* v : c) soup.indices.push_back(index.at(v));
  }
  return soup;
}

// meshoptimizer's simplification of the soup to about `targetFaces` faces
// (no error limit).
inline TriangleSoup Simplified(const TriangleSoup& soup, std::size_t targetFaces) {
  TriangleSoup out{soup.positions, std::vector<unsigned int>(soup.indices.size())};
  const std::size_t n = meshopt_simplify(out.indices.data(), soup.indices.data(), soup.indices.size(),
                                         soup.positions.data(), soup.positions.size() / 3, 3 * sizeof(float),
                                         3 * targetFaces, 1.0f, 0, nullptr);
  out.indices.resize(n);
  return out;
}

struct SphereError {
  double worst = 0;  // the largest distance from the sphere
  double mean = 0;
};

// Distances from the sphere of radius r about the origin, sampled at each
// triangle's corners, edge midpoints and centroid: how far the coarse
// surface strays from the shape it stands for.
inline SphereError DistanceFromSphere(const TriangleSoup& soup, double r) {
  SphereError e;
  int samples = 0;
  auto at = [&](unsigned int i, int axis) { return static_cast<double>(soup.positions[3 * i + axis]); };
  for (std::size_t t = 0; t < soup.indices.size(); t += 3) {
    const unsigned int a = soup.indices[t], b = soup.indices[t + 1], c = soup.indices[t + 2];
    const double weights[7][3] = {{1, 0, 0},         {0, 1, 0},         {0, 0, 1},        {0.5, 0.5, 0},
                                  {0, 0.5, 0.5},     {0.5, 0, 0.5},     {1. / 3, 1. / 3, 1. / 3}};
    for (const auto& w : weights) {
      double p[3];
      for (int k = 0; k < 3; ++k) p[k] = w[0] * at(a, k) + w[1] * at(b, k) + w[2] * at(c, k);
      const double d = std::fabs(std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]) - r);
      e.worst = std::max(e.worst, d);
      e.mean += d;
      ++samples;
    }
  }
  if (samples > 0) e.mean /= samples;
  return e;
}

}  // namespace meshopttest
