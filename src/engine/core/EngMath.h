#pragma once
// Vector, matrix, box and quaternion maths over the records of
// EngGeometry.h. Conventions every stored matrix and pose relies on:
// - points are row vectors, p' = p · M; MUtilMultiply(a, b) is b · a, so b
//   acts first; a product is a parallel projection (flag 1) when either
//   factor is;
// - the rotation builders turn in mixed senses (see MUtilRotateY/X/Z and
//   MUtilRotateAxis), and the quaternion builders turn about X opposite to
//   the matrix builders; stored angles depend on this, so it stays;
// - a transform composed from angles is the scale, then the rotations about
//   Y, X and Z, then the translation.
// Outputs may be the same records as inputs unless said otherwise.
#include "engine/core/EngGeometry.h"

namespace engine {

// ---- points and vectors: MUtilVector.cpp ----------------------------------
double MUtilDistance(const PointRecord& a, const PointRecord& b);
double MUtilDistanceSquared(const PointRecord& a, const PointRecord& b);
double MUtilLength(const PointRecord& v);
void OsUtilCrossProduct(const PointRecord& a, const PointRecord& b, PointRecord& out);
// v / |v|; a vector with |v|² at most 1e-16 becomes (0, 0, 1).
void OsUtilNormalize(PointRecord& v);
// Cosine of the angle at b between b→a and b→c.
double MUtilCosAngle(const PointRecord& a, const PointRecord& b, const PointRecord& c);
// The same squared, without square roots.
double MUtilCosSquaredAngle(const PointRecord& a, const PointRecord& b, const PointRecord& c);
// Cosine of the turn at b of the path a → b → c.
double SegmentTurnCos(const PointRecord& a, const PointRecord& b, const PointRecord& c);
// Parameter t of p's orthogonal projection on the line a + t (b - a).
double LineProjectionParam(const PointRecord& a, const PointRecord& b, const PointRecord& p);
bool MUtilIsNaN(double value);

// ---- curves: MUtilVector.cpp -----------------------------------------------
// The cubic Bézier from p0 to p2 pulled towards p1 (inner control points
// 0.35 p0 + 0.65 p1 and 0.65 p1 + 0.35 p2).
void MUtilCurvePoint(const PointRecord& p0, const PointRecord& p1, const PointRecord& p2, double t,
                     PointRecord& out);
// count + 1 points at a + i (b - a) / count; nothing when count is negative.
void MUtilCurvePoints(const PointRecord& p0, const PointRecord& p1, const PointRecord& p2, double a, double b,
                      int count, PointRecord* out);

// ---- matrices: MUtilMatrix.cpp ---------------------------------------------
void MUtilIdentity(MatrixRecord& m);
// out = b · a: b applied first, then a.
void MUtilMultiply(const MatrixRecord& a, const MatrixRecord& b, MatrixRecord& out);
void MUtilTransformPoint(const MatrixRecord& m, const PointRecord& p, PointRecord& out);
// Through the upper-left 3×3 part only.
void MUtilTransformVector(const MatrixRecord& m, const PointRecord& v, PointRecord& out);
// dst = R · src: the rotation acts before src, in src's own frame; the flag
// is kept. About Y: x' = x cos a - z sin a, z' = x sin a + z cos a.
void MUtilRotateY(const MatrixRecord& src, double angle, MatrixRecord& dst);
// About X: y' = y cos a - z sin a, z' = y sin a + z cos a.
void MUtilRotateX(const MatrixRecord& src, double angle, MatrixRecord& dst);
// About Z: x' = x cos a + y sin a, y' = -x sin a + y cos a.
void MUtilRotateZ(const MatrixRecord& src, double angle, MatrixRecord& dst);
// About an axis (normalised first; a zero axis means z), in the sense of
// MUtilRotateX about every axis.
void MUtilRotateAxis(const MatrixRecord& src, double angle, const PointRecord& axis, MatrixRecord& dst);
// dst = T · src: translation before src, in its own frame.
void MUtilTranslate(const MatrixRecord& src, const PointRecord& t, MatrixRecord& dst);
// dst = src · T: translation after src, in the parent frame.
void MUtilTranslateAfter(const MatrixRecord& src, const PointRecord& t, MatrixRecord& dst);
void MUtilScale(const MatrixRecord& src, double sx, double sy, double sz, MatrixRecord& dst);
void MUtilScaleAfter(const MatrixRecord& src, double sx, double sy, double sz, MatrixRecord& dst);
// out = S · Ry · Rx · Rz · E · T; E (extra) may be null. The flag is E's, or 0.
void MUtilComposeMatrix(double angleY, double angleX, double angleZ, const PointRecord& scale,
                        const PointRecord& translation, const MatrixRecord* extra, MatrixRecord& out);
// The inverse of compose without an extra matrix. Near X = ±π/2 the Z angle
// comes back 0 and Y absorbs it.
void MUtilDecomposeMatrix(const MatrixRecord& m, double& angleY, double& angleX, double& angleZ,
                          PointRecord& scale, PointRecord& translation);
// Blends the elements, then rebuilds a rigid transform from the blend's
// angles and translation.
void MUtilInterpolateMatrix(const MatrixRecord& first, const MatrixRecord& last, double t, MatrixRecord& out);
// By least squares, row by row; a singular matrix gives non-finite elements.
void MUtilInvert(const MatrixRecord& src, MatrixRecord& out);
// Every element within 1e-8 and the same flag.
bool MUtilMatrixEqual(const MatrixRecord& a, const MatrixRecord& b);
// The 16 elements; the destination's flag is not touched.
void CopyMatrixElements(MatrixRecord source, MatrixRecord& destination);
// The 16 elements, and the destination's flag set to 0.
void CopyMatrixRecord(MatrixRecord& destination, const MatrixRecord& source);
// Screen x, y and depth of p; (0, 0, -1) behind the eye of a perspective
// projection.
void MUtilProjectPoint(const MatrixRecord& projection, const PointRecord& p, PointRecord& out);

// ---- boxes: MUtilBox.cpp ---------------------------------------------------
void MUtilBoxOfPoints(int n, const PointRecord* points, BoundsRecord& out);
void MUtilBoxUnion(const BoundsRecord& a, const BoundsRecord& b, BoundsRecord& out);
// Empty when either box is empty or they do not overlap.
void MUtilBoxIntersect(const BoundsRecord& a, const BoundsRecord& b, BoundsRecord& out);
// (x0,y0,z0), (x0,y1,z0), (x1,y1,z0), (x1,y0,z0), then the same at z1.
void MUtilBoxCorners(const BoundsRecord& box, PointRecord out[8]);
void MUtilTransformBox(const BoundsRecord& box, const MatrixRecord& m, BoundsRecord& out);
double MUtilBoxTolerance(const BoundsRecord& box);
// Face centres pushed outwards: x min, x max, y min, y max, z min, z max.
void MUtilBoxHandlePoints(const BoundsRecord& box, PointRecord out[6], bool shrink, bool centre);

// ---- distances, intersections, solving: MUtilGeometry.cpp ------------------
// t (clamped to 0..1) is stored when asked.
double MUtilPointSegmentDistanceSquared(const PointRecord& p, const PointRecord& a, const PointRecord& b,
                                        double* t);
double MUtilDistanceToInnerSegment(const PointRecord& p, const PointRecord& a, const PointRecord& b,
                                   double margin, double& t);
double MUtilPointLineDistanceSquared2D(double ax, double ay, double bx, double by, double px, double py);
// -1 parallel (nothing written), 0 in front of p0, 1 otherwise.
int MUtilLinePlaneIntersect(const PointRecord& p0, const PointRecord& p1, const PointRecord& n,
                            const PointRecord& q, PointRecord& out);
// -1 when (p1 - p0)·n is exactly 0, else 0 with t stored.
int MUtilLinePlaneParam(const PointRecord& p0, const PointRecord& p1, const PointRecord& n, const PointRecord& q,
                        double& t);
// The ray p1 + r d1 against the segment p2 .. p2 + d2 in the plane z = 0
// (the z of all four arguments is set to 0). 0 hit, -1 none or nearly
// parallel, -2 hit behind the ray's start.
int MUtilIntersectLines2D(PointRecord& d1, PointRecord& p1, PointRecord& d2, PointRecord& p2, PointRecord& out);
// The point of the line q + s d closest to the line through a and b; -1 when
// the lines are nearly parallel.
int MUtilClosestPointOnLine(const PointRecord& a, const PointRecord& b, const PointRecord& d,
                            const PointRecord& q, PointRecord& out);
// Least squares by Gram–Schmidt: columns holds n columns of m values each
// (column i at columns[i * m]); requires n <= m. False (and an out-of-memory
// failure recorded) when the working storage of a large system cannot be
// had.
bool MUtilSolveLeastSquares(int n, int m, const double* columns, const double* rhs, double* out);
// c with c0 u + c1 v + c2 (P[i] - P[j]) = P[i] - q.
void MUtilSolveInBasis3(const PointRecord& u, const PointRecord& v, int i, int j, const PointRecord& q,
                        const PointRecord* points, double out[3]);
// s, t with P0 + s (P1 - P0) + t (P2 - P0) nearest to p.
void MUtilTriangleCoords(const PointRecord& p0, const PointRecord& p1, const PointRecord& p2,
                         const PointRecord& p, double& s, double& t);

// ---- quaternions: Quaternion.cpp -------------------------------------------
Quaternion QuatMultiply(const Quaternion& p, const Quaternion& q);
// All zero for a zero axis.
Quaternion QuatFromAxisAngle(double angle, const PointRecord& axis);
// Qy(a) ⊗ (Qx(b) ⊗ Qz(c)).
Quaternion QuatFromEulerYXZ(double a, double b, double c);
void QuatNormalize(Quaternion& q);
void QuatToMatrix(double w, double x, double y, double z, MatrixRecord& out);
// The engine's own blend (not normalised; callers normalise): for a negative
// dot product it turns the far end but keeps the long arc's angle, which
// animation blending relies on.
Quaternion QuatSlerp(const Quaternion& p, const Quaternion& q, double t);
// Running weighted average of orientations given as compose angles.
void MUtilAccumulateRotation(double& angleY, double& angleX, double& angleZ, double& weight, double newY,
                             double newX, double newZ, double newWeight);

}  // namespace engine
