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

Chain MakeChainWith(const std::vector<MMeshObj*>& meshes, int rigKind) {
  Chain chain;
  chain.group.reset(new MGroupObj());
  chain.figure = new MBoneObj();
  chain.group->AddChild(chain.figure);
  chain.c = chain.figure->AddVertex({0, 2, 0});
  chain.b = chain.figure->AddVertex({0, 1, 0});
  chain.a = chain.figure->AddVertex({0, 0, 0});
  chain.a->flags |= kVertexRootJoint;
  chain.upper = standardfigure::AddSkeletonLine(*chain.figure, chain.b, chain.c);
  chain.lower = standardfigure::AddSkeletonLine(*chain.figure, chain.a, chain.b);
  for (MMeshObj* m : meshes) chain.group->AddChild(m);
  chain.body = meshes.empty() ? nullptr : meshes[0];
  chain.figure->AllocateRig(rigKind);
  chain.figure->CaptureRestState(nullptr, true);
  chain.figure->BuildRig(nullptr);
  chain.figure->SetSkinBound(true);
  chain.figure->UpdateBoneMatrices(2);
  for (MMeshObj* m : MeshesOf(*chain.group)) m->Checkpoint(false);
  return chain;
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

bool AllFinite(MGroupObj& group) {
  for (MMeshObj* m : MeshesOf(group))
    for (MVertex* v : m->GetVertexList())
      if (!std::isfinite(v->position.x) || !std::isfinite(v->position.y) || !std::isfinite(v->position.z))
        return false;
  return true;
}

std::vector<MMeshObj*> MeshesOf(MGroupObj& group) {
  std::vector<MMeshObj*> out;
  for (int i = 0; i < group.GetChildCount(); ++i)
    if (group.ChildAt(i)->GetType() == kObjectMesh) out.push_back(static_cast<MMeshObj*>(group.ChildAt(i)));
  return out;
}

}  // namespace figuretest
