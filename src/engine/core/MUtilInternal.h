#pragma once
// Small vector helpers shared by the maths files.
#include "engine/core/EngGeometry.h"

namespace engine::detail {

inline PointRecord Sub(const PointRecord& a, const PointRecord& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline PointRecord Add(const PointRecord& a, const PointRecord& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline PointRecord Mul(const PointRecord& a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double Dot(const PointRecord& a, const PointRecord& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

}  // namespace engine::detail
