#include "FittingTestSupport.h"

#include <cmath>

#include "engine/core/EngMath.h"

#include "engine/mesh/MFace.h"
#include "engine/mesh/MGroup.h"
#include "engine/mesh/MeshWalk.h"

namespace figuretest {

using namespace engine;

void ColourLine(MLine* line, const unsigned char rgb[3]) {
  line->colourR = rgb[0];
  line->colourG = rgb[1];
  line->colourB = rgb[2];
}

MShader* PaintFaces(MMeshObj& mesh, const std::vector<MFace*>& faces, const PointRecord& colour) {
  MShader* shader = mesh.AddShader();
  shader->diffuseColor = colour;
  for (MFace* face : faces) face->SetShader(shader);
  return shader;
}

void SetFeaturePoints(MBoneObj& figure, std::initializer_list<std::pair<int, PointRecord>> points) {
  figure.ResetFeatureSets();
  for (const auto& [code, point] : points) {
    const int n = figure.featureCount[0]++;
    figure.featureCodes[0][n] = code;
    figure.featureCodeMap[0][code] = n;
    figure.featurePoints[0][n] = point;
  }
}

MMeshObj* MakeUprightTube(double y0, double y1, double step, double r, int sides) {
  std::vector<PointRecord> centres;
  std::vector<double> radii;
  const int n = static_cast<int>(std::lround((y1 - y0) / step));
  for (int i = 0; i <= n; ++i) {
    centres.push_back({0, y0 + i * step, 0});
    radii.push_back(r);
  }
  return standardfigure::MakeTubeMesh(centres, radii, radii, sides, {0.8, 0.8, 0.8});
}

MVertex* NearestVertex(MMeshObj& mesh, const PointRecord& p) {
  MVertex* best = nullptr;
  for (MVertex* v : mesh.GetVertexList())
    if (best == nullptr || MUtilDistance(v->position, p) < MUtilDistance(best->position, p)) best = v;
  return best;
}

MGroup* MarkPatch(MMeshObj& mesh, MVertex* centre, const PointRecord* colour) {
  MGroup* group = mesh.AddGroup();
  centre->group = group;
  std::vector<MFace*> faces;
  ForEachLineAround(centre, [&](MLine* line) {
    line->group = group;
    line->OtherEnd(centre)->group = group;
    if (MFace* face = line->LeavingFace(centre)) faces.push_back(face);
  });
  if (colour != nullptr) PaintFaces(mesh, faces, *colour);
  return group;
}

MarkedArm MakeMarkedArm() {
  MarkedArm arm;
  MMeshObj* tube = MakeUprightTube(0, 2, 0.1, 0.2, 16);
  // Lines of width 0: the regions move without a fall-off round them.
  for (MLine* line : tube->lines) line->flags &= ~kLineWidthMask;
  const PointRecord magenta{1, 0, 1};
  const PointRecord places[4] = {{0.2, 0.5, 0.05}, {-0.2, 0.5, 0.05}, {0, 0.8, 0.2}, {0, 0.2, 0.2}};
  for (int k = 0; k < 4; ++k) {
    arm.centres[k] = NearestVertex(*tube, places[k]);
    arm.regions[k] = MarkPatch(*tube, arm.centres[k], &magenta);
  }
  arm.chain = MakeChainWith({tube});
  return arm;
}

FaceFigure MakeFaceFigure(bool outlineOnBothSides, bool onStandardFigure) {
  FaceFigure face;
  const double r = onStandardFigure ? 0.1 : 0.3;
  const PointRecord centre = onStandardFigure ? PointRecord{0, 1.6, 0.01} : PointRecord{0, 1.6, 0};
  meshkit::MeshFixture sphere = meshkit::MakeSphere(32, 24, r);
  for (MVertex* v : sphere.v) v->position = Add(v->position, centre);
  MMeshObj& head = *sphere;
  for (MLine* line : head.lines) line->flags &= ~kLineWidthMask;
  const PointRecord magenta{1, 0, 1};
  // Eyes, nose and mouth, as offsets from the centre in tenths of the
  // radius.
  const PointRecord places[4] = {{4.5, 3, 9}, {-4.5, 3, 9}, {0, 0, 10}, {0, -5, 9}};
  for (int k = 0; k < 4; ++k)
    face.features[k] = MarkPatch(head, NearestVertex(head, Add(centre, Mul(places[k], r / 10))), &magenta);
  // The face's outline: the lines of a band 53 to 63 degrees round from
  // the front.
  auto onOutline = [&](const MVertex* v) {
    const double c = (v->position.z - centre.z) / r;
    return c > 0.45 && c < 0.6 && (outlineOnBothSides || v->position.x < 0);
  };
  for (MLine* line : head.lines)
    if (onOutline(line->end0) && onOutline(line->end1)) ColourLine(line, kRed);
  face.head = sphere.mesh.release();
  if (onStandardFigure) {
    face.group = standardfigure::BuildStandardFigure();
    face.figure = standardfigure::FigureOf(*face.group);
    MObject* oldHead = face.group->ChildAt(2);
    face.group->RemoveChild(oldHead);
    delete oldHead;
    face.group->AddChild(face.head);
    using namespace standardfigure;
    ColourLine(face.figure->GetVertexByIndex(kNeck)->FindLine(face.figure->GetVertexByIndex(kHeadTop)), kRed);
    RigFigure(*face.figure, *face.group);
  } else {
    Chain chain = MakeChainWith({face.head});
    ColourLine(chain.upper, kRed);
    face.figure = chain.figure;
    face.group = std::move(chain.group);
  }
  return face;
}

SeamSheet MakeSeamSheet() {
  SeamSheet s;
  meshkit::MeshFixture grid = meshkit::MakeGrid(SeamSheet::kColumns, SeamSheet::kRows);
  meshkit::GiveTexture(grid);
  for (MVertex* v : grid.v) {
    const double i = v->position.x, j = v->position.y;
    v->position = {(i - 3) / 10, 0.2 + j / 20, j / 10};
  }
  for (int i = 0; i < SeamSheet::kColumns; ++i) {
    MLine* line = grid.Line(i, i + 1);
    ColourLine(line, kGreen);
    line->flags = (line->flags & ~kLineWidthMask) | 2u << kLineWidthShift;
  }
  s.v = grid.v;
  s.mesh = grid.mesh.release();
  s.chain = MakeChainWith({s.mesh});
  ColourLine(s.chain.lower, kRed);
  return s;
}

Chain MakeLimbPlate() {
  MMeshObj* tube = MakeUprightTube(0, 2, 0.1, 0.2, 8);
  for (MLine* line : tube->lines)
    if (line->end0->position.y < 0.95 && line->end1->position.y < 0.95) ColourLine(line, kMagenta);
  meshkit::MeshFixture plate = meshkit::MakeGrid(1, 1);
  for (MVertex* v : plate.v) v->position = {0.3, v->position.y * 2 - 0.5, v->position.x * 2 - 1};
  for (MLine* line : plate->lines) ColourLine(line, kRed);
  return MakeChainWith({tube, plate.mesh.release()});
}

MatrixRecord IdentityMatrix() {
  MatrixRecord m;
  MUtilIdentity(m);
  return m;
}

bool AllFinite(MGroupObj& group) {
  for (MMeshObj* m : MeshesOf(group))
    for (MVertex* v : m->GetVertexList())
      if (!std::isfinite(v->position.x) || !std::isfinite(v->position.y) || !std::isfinite(v->position.z))
        return false;
  return true;
}


}  // namespace figuretest
