#pragma once
// Private to the fills of the subdivision (MMeshObj_Patches.cpp,
// MMeshObj_QuadFills.cpp): the texture coordinates of a region's vertices,
// the faces and lines a fill makes, and the labels of the support mode.
#include "engine/core/EngArray.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine::modeling {

// The texture coordinates of the vertices a fill uses.
class RegionUVs {
 public:
  // Every side point at its place along its side between the corners.
  explicit RegionUVs(const RefillRegion& region);
  bool Add(const MVertex* v, double u, double w);
  bool Find(const MVertex* v, double& u, double& w) const;
  // Bilinear inside a quad (s along corner 0 to 1, t along 0 to 3), or
  // barycentric inside a triangle (s towards corner 1, t towards corner 2).
  bool AddAt(const RefillRegion& region, const MVertex* v, double s, double t);

 private:
  struct Entry {
    const MVertex* vertex;
    double u, v;
  };
  EngArray<Entry> entries_;
};

// The face a, b, c of the region (missing lines made), its texture
// coordinates and its place in the new-face list; null on failure.
MFace* RegionFace(MMeshObj& mesh, const RefillRegion& region, const RegionUVs& uvs, MVertex* a, MVertex* b,
                  MVertex* c);

// The line between a and b, when it exists, gets the hidden-diagonal flag
// (hide) and the group (when given).
void MarkRegionLine(MVertex* a, MVertex* b, bool hide, MGroup* group);

// A new inner vertex at p: the region's group, and on the mirror plane when
// all its corners are.
MVertex* RegionVertex(MMeshObj& mesh, const RefillRegion& region, const PointRecord& p);

inline MVertex* SidePoint(const RefillRegion& region, int side, int i) {
  return At<MVertex>(*region.sides[((side % region.count) + region.count) % region.count], i);
}
inline int SideCount(const RefillRegion& region, int side) {
  return region.sides[((side % region.count) + region.count) % region.count]->count;
}
inline MVertex* Corner(const RefillRegion& region, int k) { return SidePoint(region, k, 0); }

// Support-mode labels: the vertex's first face parameter.
constexpr int kLabelCorner = 1, kLabelCreaseLine = 2, kLabelLine = 3, kLabelNearLone = 4, kLabelInner = 5;
inline void SetLabel(MVertex* v, int label) { v->faceS = label; }
inline int Label(const MVertex* v) { return static_cast<int>(v->faceS); }

}  // namespace engine::modeling
