#include "engine/core/MGridObj.h"

#include "engine/core/EngRuntime.h"

namespace engine {
namespace {

constexpr PointRecord kDefaultGridColour{0.4, 0.7, 0.4};
constexpr PointRecord kDefaultAxisColour{0.7, 0.2, 0.7};

// Where Rebuild puts one line; false once a line could not be added.
class LineSink {
 public:
  explicit LineSink(MGridObj& grid) : grid_(grid) {}
  bool Floor(bool centre, const PointRecord& a, const PointRecord& b) {
    return centre ? Add(grid_.axisFrom[0], grid_.axisTo[0], a, b) : Add(grid_.floorFrom, grid_.floorTo, a, b);
  }
  bool BackWall(bool centre, const PointRecord& a, const PointRecord& b) {
    return centre ? Add(grid_.axisFrom[1], grid_.axisTo[1], a, b) : Add(grid_.floorFrom, grid_.floorTo, a, b);
  }
  bool LeftWall(bool centre, const PointRecord& a, const PointRecord& b) {
    return centre ? Add(grid_.axisFrom[2], grid_.axisTo[2], a, b) : Add(grid_.wallFrom, grid_.wallTo, a, b);
  }

 private:
  bool Add(PointArray& from, PointArray& to, const PointRecord& a, const PointRecord& b) {
    if (!from.Add(a)) return false;
    if (!to.Add(b)) {
      --from.count;  // keep the two arrays in step
      return false;
    }
    return true;
  }
  MGridObj& grid_;
};

}  // namespace

MGridObj::MGridObj() {
  typeCode = kObjectGrid;
  Rebuild(0, 100.0, 10, 5, kDefaultGridColour, kDefaultAxisColour);
  editState = kEditUnchanged;
  gridColour = kDefaultGridColour;
  axisColour = kDefaultAxisColour;
  mirrorShown = 0;
}

void MGridObj::SetMirrorShown(unsigned char shown) { mirrorShown = shown; }

void MGridObj::GetGridParams(int& kind, double& size, int& divisionCount, PointRecord& colour,
                             PointRecord& axisColourOut, int& subdivisionCount) {
  kind = gridKind;
  size = gridBounds.maxX - gridBounds.minX;
  divisionCount = divisions;
  colour = gridColour;
  axisColourOut = axisColour;
  subdivisionCount = subdivisions;
}

void MGridObj::Rebuild(int kind, double size, int divisionCount, int subdivisionCount, const PointRecord& colour,
                       const PointRecord& axisColourIn) {
  MarkChanged();
  subdivisions = subdivisionCount;
  for (PointArray* a : {&floorFrom, &floorTo, &wallFrom, &wallTo}) a->RemoveAll();
  for (int i = 0; i < 3; ++i) {
    axisFrom[i].RemoveAll();
    axisTo[i].RemoveAll();
  }
  const double h = size / 2.0;
  const double height = kind == 1 ? h / 2.0 : 2.0 * h;
  gridKind = kind;
  divisions = divisionCount;
  gridBounds = BoundsRecord{-h, 0.0, -h, h, height, h, 0};
  gridColour = colour;
  axisColour = axisColourIn;

  LineSink lines(*this);
  const int n = divisionCount;
  for (int i = 0; i <= n && n > 0; ++i) {
    const double w = -h + i * 2.0 * h / n;
    const double y = i * height / n;
    const bool centre = n % 2 == 0 && i == n / 2;
    bool ok = lines.Floor(centre, {-h, 0, w}, {0, 0, w});
    if (ok && kind == 2) {
      ok = lines.BackWall(centre, {-h, y, h}, {0, y, h}) && lines.LeftWall(centre, {-h, 0, w}, {-h, height, w}) &&
           lines.LeftWall(centre, {-h, y, -h}, {-h, y, h});
    }
    // Lines across x only on the stored half (and the centre).
    if (ok && w < 0.01 * h) {
      ok = lines.Floor(centre, {w, 0, -h}, {w, 0, h});
      if (ok && kind == 2) ok = lines.BackWall(centre, {w, 0, h}, {w, height, h});
    }
    if (!ok) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
  if (kind == 1) return;
  // The box outline.
  const bool ok = lines.Floor(false, {-h, 0, -h}, {-h, height, -h}) && lines.Floor(false, {-h, 0, h}, {-h, height, h}) &&
                  lines.Floor(false, {-h, height, -h}, {0, height, -h}) &&
                  lines.Floor(false, {-h, height, h}, {0, height, h}) &&
                  lines.Floor(false, {-h, height, -h}, {-h, height, h});
  if (!ok) EngRecordFailure(kEngReasonOutOfMemory);
}

void MGridObj::GetLocalBounds(BoundsRecord& out) {
  out = gridBounds;
  out.empty = 0;
}

bool MGridObj::IsSymmetric() { return mirrorShown != 0; }

void MGridObj::Select(bool) {}

bool MGridObj::IsSelected() { return false; }

}  // namespace engine
