#pragma once
// A sphere-like grid of triangles for the mesh benchmarks: two poles and
// `parallels` rings of `meridians` points, every triangle counter-clockwise
// seen from outside; 2 × meridians × parallels triangles in all, listed in
// the order a modeller would add them (north cap, the bands ring by ring,
// south cap), so every ring closes on its first triangle.
#include <unistd.h>

#include <cstdio>

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace bench {

struct SphereGrid {
  struct Point {
    double x, y, z;
  };
  std::vector<Point> points;
  std::vector<std::array<int, 3>> triangles;

  SphereGrid(int meridians, int parallels) {
    const int north = 0;
    const int south = 1 + meridians * parallels;
    auto at = [meridians](int ring, int i) { return 1 + ring * meridians + i % meridians; };
    points.push_back({0, 0, 1});
    for (int ring = 0; ring < parallels; ++ring) {
      const double theta = std::numbers::pi * (ring + 1) / (parallels + 1);
      for (int i = 0; i < meridians; ++i) {
        const double phi = 2 * std::numbers::pi * i / meridians;
        points.push_back({std::sin(theta) * std::cos(phi), std::sin(theta) * std::sin(phi), std::cos(theta)});
      }
    }
    points.push_back({0, 0, -1});
    triangles.reserve(2 * static_cast<size_t>(meridians) * parallels);
    for (int i = 0; i < meridians; ++i) triangles.push_back({north, at(0, i), at(0, i + 1)});
    for (int ring = 0; ring + 1 < parallels; ++ring)
      for (int i = 0; i < meridians; ++i) {
        triangles.push_back({at(ring, i), at(ring + 1, i), at(ring + 1, i + 1)});
        triangles.push_back({at(ring, i), at(ring + 1, i + 1), at(ring, i + 1)});
      }
    for (int i = 0; i < meridians; ++i) triangles.push_back({south, at(parallels - 1, i + 1), at(parallels - 1, i)});
  }
};

// The process's peak resident size so far, in bytes.
// The process's resident size now, in bytes.
inline double ResidentBytes() {
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return 0;
  long pages = 0, resident = 0;
  const int read = std::fscanf(statm, "%ld %ld", &pages, &resident);
  std::fclose(statm);
  return read == 2 ? static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) : 0;
}

}  // namespace bench
