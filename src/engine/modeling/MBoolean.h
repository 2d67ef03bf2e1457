#pragma once
// The mesh boolean: union, intersection and the two differences of two
// triangle meshes, and imprinting the crossing curves of one mesh on
// another. Three stages: a uniform grid gathers the face pairs whose boxes
// are close; each pair's crossing segment becomes a pair of lines drawn on
// the two faces (their side codes say which side lies inside the other
// operand); the faces carrying lines are split (MMeshObj::SplitFaceByLines)
// and the unwanted side removed. Degenerate contacts (a corner on the other
// face's plane, a crossing on an edge) move a vertex by a few tolerances
// and the whole pass runs again, at most six times.
//
// One object per operation: construct, call Combine once, destroy.
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/core/EngArrays.h"
#include "engine/core/EngGeometry.h"

namespace engine {

class MMeshObj;
class MFace;
class MLine;
class MVertex;

class MBoolean {
 public:
  // Combine's types.
  enum Type : int {
    kUnion = 0,
    kAMinusB = 1,
    kIntersection = 2,
    kSelfSplit = 3,
    kImprint = 4,
    kTrim = 6,
    kBMinusA = 7,
  };
  static constexpr int kReasonMissingPair = 9;
  static constexpr int kReasonOpenCurve = 10;
  static constexpr int kReasonDegenerate = 11;
  static constexpr int kPasses = 6;

  MBoolean();
  virtual ~MBoolean();
  MBoolean(const MBoolean&) = delete;
  MBoolean& operator=(const MBoolean&) = delete;

  // Takes over both meshes (the caller uses only the answer afterwards):
  // B is always destroyed when it is another mesh than A; on failure the
  // answer is null, the failure state says why, and nothing is left over
  // (the merged mesh is destroyed too), except that the imprint always
  // answers A, changed in place. Matrices are the operands' world matrices.
  virtual MMeshObj* Combine(MMeshObj* a, MMeshObj* b, const MatrixRecord& matrixA, const MatrixRecord& matrixB,
                            int type);

  // ---- stages (MBoolean.cpp) ----------------------------------------------
  virtual void RunCombine();
  // tolerance = the box's tolerance, triple tolerance three times it, the
  // band a hundred times it.
  virtual void SetTolerance(const BoundsRecord& box);
  // Each face's position in its operand list goes to its number field.
  virtual void NumberFaces();
  void ForgetFaceNumbers();
  virtual void ClearFaceMarks();
  // The grid and, from it, each face of list A's candidates in list-B order.
  virtual bool BuildCandidateGrid();
  virtual void ComputeFaceBounds(BoundsRecord& gridBox, bool& empty);
  virtual void GetGridCellCounts(const BoundsRecord& gridBox, int& nx, int& ny, int& nz);
  virtual void GetFaceCorners(MFace* face, PointRecord corners[3], BoundsRecord& box) const;
  virtual bool FaceBoxesOverlap(MFace* faceA, MFace* faceB) const;
  // Parts of either operand that no crossing curve reaches take their class
  // from a point-in-solid test against the other operand.
  virtual bool ClassifyUnreachedParts();

  // ---- crossings (MBoolean_Intersect.cpp) ---------------------------------
  virtual void TestFacePair(MFace* faceA, MFace* faceB);
  // -1 outside, 0 on the boundary (edge code in `edge`), 1 inside.
  virtual int ClassifyParamPoint(double s, double t, double la, double lb, int& edge) const;
  // Whether triangle g (in the unit triangle's parameters) meets it.
  virtual bool TriangleMeetsUnitTriangle(const double s[3], const double t[3]) const;
  // Each listed vertex within the band of the plane moves two bands along
  // n, to the side its distance points to.
  virtual void NudgeCorners(MVertex* const corners[], const double distances[], int n, const PointRecord& normal);
  // The two vertices move sideways off the edge by two and a half bands.
  virtual void NudgeOffEdge(const PointRecord& edgeVector, const PointRecord& normal, MVertex* i, MVertex* j);
  // After the pairs: every curve end must be met again (reason 10 for a
  // curve ending at an open border when curves must close, 9 otherwise).
  virtual void CheckCurvesClosed();

  // ---- cutting along a drawn path (MBoolean_Cut.cpp) ----------------------
  // Cuts the mesh in place along the path: the path's points on screen and
  // the near and far ends of the pick ray through each (world space, both
  // lists are overwritten with the cutter's points), the viewing direction
  // and the world-to-mesh matrix. An open path keeps only the curve nearest
  // the viewer. Answers 0; failures are in the failure state.
  virtual int Cut(MMeshObj* mesh, const PointArray& screen, PointArray& nearPoints, PointArray& farPoints,
                  const PointRecord& direction, const MatrixRecord& worldToMesh, bool closed, bool reverseWinding,
                  bool thin);
  virtual void TransformPointLists(PointArray& nearPoints, PointArray& farPoints, PointRecord& direction,
                                   const MatrixRecord& matrix);
  // The path swept between the box's front and back into thin triangles.
  virtual void BuildCutter(const PointArray& screen, PointArray& nearPoints, PointArray& farPoints, BoundsRecord box,
                           const PointRecord& direction, bool closed, bool reverseWinding, bool thin);
  // The smallest depth along the direction of the curve's vertices.
  virtual double PieceDistance(MLine* first, const PointRecord& direction);
  virtual int FindNearestPiece(const PointRecord& direction);
  virtual void KeepNearestPiece(const PointRecord& direction);
  virtual void SplitIntoPieces(const PointRecord& direction);
  // The mesh alone as the operand, its faces split along the kept curves.
  virtual void ResetOperands(MMeshObj* mesh);

  // The transform from B's space into A's, jitter included (valid after
  // Combine).
  const MatrixRecord& GetBToATransform() const { return bToA; }
  double GetTolerance() const { return tolerance; }

 protected:
  // A crossing of an edge line of one operand with a face of the other.
  struct Crossing {
    int kind = -2;  // -2 not yet computed, -1 none, 1 inside the face
    PointRecord point{0, 0, 0};
    double s = 0, t = 0;  // in the face's parameters
    MVertex* marker = nullptr;
    MVertex* inFace = nullptr;  // the face's drawn vertex
    MVertex* onLine = nullptr;  // the line's drawn vertex
  };
  struct CrossingKey {
    const MLine* line;
    const MFace* face;
    bool operator==(const CrossingKey& other) const { return line == other.line && face == other.face; }
  };
  struct CrossingHash {
    std::size_t operator()(const CrossingKey& k) const {
      return std::hash<const void*>()(k.line) * 31u ^ std::hash<const void*>()(k.face);
    }
  };

  Crossing* FindCrossing(MLine* line, MFace* face, int faceSide);
  bool Remember(MVertex* v, MLine* line);
  // The drawn lines connected to `first`.
  bool CollectCurve(MLine* first, PtrArray& out);
  // One line of each crossing curve on operand 0 into the imprint list.
  void GatherCurves();
  bool MakeCrossingVertices(Crossing& c, MLine* line, MFace* face, int faceSide);
  MLine* DrawLine(MFace* face, int side, MVertex* from, MVertex* to);
  bool GetsLines(int side) const { return side == 0 || cutBoth; }
  MMeshObj* MeshOf(int side) const { return side == 0 ? operandMesh0 : operandMesh1; }
  void DestroyOperands(bool failed);
  void PrepareByType(int type, bool& prepared);

  MMeshObj* operandA = nullptr;
  MMeshObj* operandB = nullptr;
  MMeshObj* operandMesh0 = nullptr;
  MMeshObj* operandMesh1 = nullptr;
  PtrArray* faceListA = nullptr;
  PtrArray* faceListB = nullptr;
  PtrArray* operandFaces0 = nullptr;
  PtrArray* operandFaces1 = nullptr;
  // Per face of list A, the positions of its candidate faces in list B.
  EngArray<int>* candidates = nullptr;
  int candidateCount = 0;
  MatrixRecord bToA{};
  double tolerance = 1e-8;
  double tripleTolerance = 3e-8;
  // How near a plane or an edge counts as touching it. Wider than the
  // tolerance: the face split works in face parameters and takes ends
  // closer than about 1e-8 of a face for one point, so features between the
  // two would reach it as ambiguous crossings.
  double band = 1e-7;
  PtrArray* intersectionVertices = nullptr;
  PtrArray* imprintLines = nullptr;
  int mode = 0;
  bool sidesSwapped = false;
  bool cutBoth = false;
  bool curvesMustClose = false;
  // Which operand had its faces turned over (a difference): its inside is
  // the complement of the solid it bounds.
  bool reversedA = false;
  bool reversedB = false;
  // The drawn vertices made in this pass with the crossing line each came
  // from, for the closing check.
  std::vector<std::pair<MVertex*, MLine*>> drawn;
  std::unordered_map<CrossingKey, Crossing, CrossingHash> crossings;
};

}  // namespace engine
