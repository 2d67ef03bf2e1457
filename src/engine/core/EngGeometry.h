#pragma once
// The plain records of the engine's geometry. All values are doubles and all
// angles radians. Points are row vectors: p' = p · M, so a matrix's row 3 is
// its translation and rows 0 to 2 are the images of the x, y and z axes.
// The records are plain data: arrays copy them byte by byte.

namespace engine {

// A point, a vector or an RGB colour.
struct PointRecord {
  double x;
  double y;
  double z;
};

// A 4×4 transform in row order. `flag` 1 marks a parallel (orthographic)
// projection, which projects without the perspective division; it is not
// stored in files.
struct MatrixRecord {
  double m[4][4];
  unsigned char flag;
};

// An axis-aligned box; when `empty` is 1 the corners mean nothing.
struct BoundsRecord {
  double minX;
  double minY;
  double minZ;
  double maxX;
  double maxY;
  double maxZ;
  int empty;
};

// A segment with the style code of its users.
struct LineSegRecord {
  PointRecord from;
  PointRecord to;
  int kind;
  int param;
};

// w is the scalar part.
struct Quaternion {
  double w;
  double x;
  double y;
  double z;
};

}  // namespace engine
