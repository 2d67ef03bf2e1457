#include "StandardFigure.h"

#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"

namespace standardfigure {

using namespace engine;

namespace {

bool Failed() { return EngContext().failState == kEngFailFailed; }

// Standing, facing +z, y up, 1.7 high; +x is the figure's right side here.
const PointRecord kJoints[kJointCount] = {
    {0, 1.70, 0},           {0, 1.50, 0},           {0, 1.38, 0},           {0, 1.15, 0},
    {0, 0.95, 0},           {0.18, 1.38, 0},        {0.34, 1.14, 0},        {0.48, 0.92, 0.02},
    {0.54, 0.82, 0.03},     {-0.18, 1.38, 0},       {-0.34, 1.14, 0},       {-0.48, 0.92, 0.02},
    {-0.54, 0.82, 0.03},    {0.10, 0.90, 0},        {0.11, 0.50, 0.01},     {0.12, 0.09, 0},
    {0.12, 0.02, 0.14},     {-0.10, 0.90, 0},       {-0.11, 0.50, 0.01},    {-0.12, 0.09, 0},
    {-0.12, 0.02, 0.14},
};

// The bones in their order in the figure's line list: parent joint, child
// joint. The hips are the root; bones 2, 4 and 17 start there.
const int kBones[20][2] = {
    {kChest, kNeck},         {kNeck, kHeadTop},       {kPelvis, kSpine},       {kSpine, kChest},
    {kPelvis, kHipR},        {kHipR, kKneeR},         {kKneeR, kAnkleR},       {kAnkleR, kToeR},
    {kChest, kShoulderR},    {kShoulderR, kElbowR},   {kElbowR, kWristR},      {kWristR, kHandR},
    {kChest, kShoulderL},    {kShoulderL, kElbowL},   {kElbowL, kWristL},      {kWristL, kHandL},
    {kHipL, kKneeL},         {kPelvis, kHipL},        {kKneeL, kAnkleL},       {kAnkleL, kToeL},
};

// Each bone's influence radius as thousandths of three times its length
// (the skeleton lines' stored ratios): wide enough that every body vertex
// lies well inside its nearest bone's reach, so far bones take no share.
const int kInfluence[20] = {3600, 3600, 3600, 3600, 2400, 3000, 3000, 3000, 2400, 3000,
                            3000, 3000, 2400, 3000, 3000, 3000, 3000, 2400, 3000, 3000};

PointRecord Sub(const PointRecord& a, const PointRecord& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
PointRecord Add(const PointRecord& a, const PointRecord& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
PointRecord Mul(const PointRecord& a, double s) { return {a.x * s, a.y * s, a.z * s}; }
PointRecord Lerp(const PointRecord& a, const PointRecord& b, double t) { return Add(a, Mul(Sub(b, a), t)); }
PointRecord Cross(const PointRecord& a, const PointRecord& b) {
  PointRecord out;
  OsUtilCrossProduct(a, b, out);
  return out;
}
double Dot(const PointRecord& a, const PointRecord& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// A closed tube through centre points with elliptic sections: `sides`
// points per ring, radii (across x-ish, across z-ish) per centre, and caps
// at both ends. Faces run counter-clockwise seen from outside.
struct TubeSpec {
  std::vector<PointRecord> centres;
  std::vector<double> radiusA;
  std::vector<double> radiusB;
  int sides = 10;
};

// The skeleton: joints in kJoint order (vertex list order), lines so that
// the live list runs in kBones order (the factory links at the head).
MBoneObj* BuildSkeleton() {
  MBoneObj* figure = new (std::nothrow) MBoneObj();
  if (figure == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  MVertex* joints[kJointCount];
  for (int i = kJointCount - 1; i >= 0; --i) {
    joints[i] = figure->AddVertex(kJoints[i]);
    if (joints[i] == nullptr) return figure;
    if (kJoints[i].x == 0) joints[i]->flags |= kVertexOnMirror;
  }
  joints[kPelvis]->flags |= kVertexRootJoint;
  for (int b = 19; b >= 0; --b) {
    MLine* line = AddSkeletonLine(*figure, joints[kBones[b][0]], joints[kBones[b][1]]);
    if (line == nullptr) return figure;
    line->pairValue = kInfluence[b];
  }
  return figure;
}

MMeshObj* BuildTube(const TubeSpec& spec, MShader** shaderOut, const PointRecord& colour);

}  // namespace

MLine* AddSkeletonLine(MBoneObj& figure, MVertex* from, MVertex* to) {
  // The new line goes just before each joint's first line in its cycle.
  auto wings = [](MVertex* v, MLine*& next, MLine*& prev) {
    next = v->firstLine;
    prev = next != nullptr ? next->GetPrevAround(v) : nullptr;
  };
  MLine *next0, *prev0, *next1, *prev1;
  wings(from, next0, prev0);
  wings(to, next1, prev1);
  return figure.AddLine(from, to, next0, prev0, prev1, next1);
}

MMeshObj* MakeTubeMesh(const std::vector<PointRecord>& centres, const std::vector<double>& radiusA,
                       const std::vector<double>& radiusB, int sides, const PointRecord& colour) {
  TubeSpec spec;
  spec.centres = centres;
  spec.radiusA = radiusA;
  spec.radiusB = radiusB;
  spec.sides = sides;
  return BuildTube(spec, nullptr, colour);
}

void RigFigure(MBoneObj& figure, MGroupObj& group) {
  figure.AllocateRig(1);
  if (Failed()) return;
  figure.CaptureRestState(nullptr, true);
  if (Failed()) return;
  // The radii stored in the skeleton's lines, when it has them, before the
  // binding uses them.
  figure.RestoreInfluenceRadii();
  figure.BuildRig(nullptr);
  if (Failed()) return;
  figure.SetSkinBound(true);
  figure.UpdateBoneMatrices(2);
  for (int i = 0; i < group.GetChildCount(); ++i) {
    MObject* child = group.ChildAt(i);
    if (child->GetType() == kObjectMesh) static_cast<MMeshObj*>(child)->Checkpoint(false);
  }
}

namespace {

MMeshObj* BuildTube(const TubeSpec& spec, MShader** shaderOut, const PointRecord& colour) {
  MMeshObj* mesh = new (std::nothrow) MMeshObj();
  if (mesh == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  MShader* shader = mesh->AddShader();
  if (shader == nullptr) return mesh;
  shader->diffuseColor = colour;
  if (shaderOut != nullptr) *shaderOut = shader;
  const int n = static_cast<int>(spec.centres.size());
  std::vector<std::vector<MVertex*>> rings(n);
  for (int i = 0; i < n; ++i) {
    const PointRecord prev = spec.centres[i > 0 ? i - 1 : i];
    const PointRecord next = spec.centres[i + 1 < n ? i + 1 : i];
    PointRecord t = Sub(next, prev);
    OsUtilNormalize(t);
    // A frame across the tube: u as near x as the tangent allows.
    PointRecord ref = std::fabs(t.x) > 0.8 ? PointRecord{0, 1, 0} : PointRecord{1, 0, 0};
    PointRecord v = Cross(t, ref);
    OsUtilNormalize(v);
    PointRecord u = Cross(v, t);
    OsUtilNormalize(u);
    for (int k = 0; k < spec.sides; ++k) {
      const double a = 2 * M_PI * k / spec.sides;
      const PointRecord p = Add(spec.centres[i], Add(Mul(u, spec.radiusA[i] * std::cos(a)),
                                                     Mul(v, spec.radiusB[i] * std::sin(a))));
      MVertex* vertex = mesh->AddVertex(p);
      if (vertex == nullptr) return mesh;
      rings[i].push_back(vertex);
    }
  }
  // A triangle made to face away from `inside`.
  auto face = [&](MVertex* a, MVertex* b, MVertex* c, const PointRecord& inside) {
    const PointRecord normal = Cross(Sub(b->position, a->position), Sub(c->position, a->position));
    const PointRecord centre = Mul(Add(a->position, Add(b->position, c->position)), 1.0 / 3);
    if (Dot(normal, Sub(centre, inside)) < 0) std::swap(b, c);
    return mesh->AddFace(a, b, c, shader) != nullptr;
  };
  for (int i = 0; i + 1 < n; ++i) {
    const PointRecord inside = Lerp(spec.centres[i], spec.centres[i + 1], 0.5);
    for (int k = 0; k < spec.sides; ++k) {
      const int k2 = (k + 1) % spec.sides;
      if (!face(rings[i][k], rings[i][k2], rings[i + 1][k2], inside) ||
          !face(rings[i][k], rings[i + 1][k2], rings[i + 1][k], inside))
        return mesh;
    }
  }
  for (int end = 0; end < 2; ++end) {
    const int i = end == 0 ? 0 : n - 1;
    const int j = end == 0 ? 1 : n - 2;
    PointRecord outward = Sub(spec.centres[i], spec.centres[j]);
    OsUtilNormalize(outward);
    const double capLength = 0.5 * std::min(spec.radiusA[i], spec.radiusB[i]);
    MVertex* tip = mesh->AddVertex(Add(spec.centres[i], Mul(outward, capLength)));
    if (tip == nullptr) return mesh;
    for (int k = 0; k < spec.sides; ++k)
      if (!face(tip, rings[i][k], rings[i][(k + 1) % spec.sides], spec.centres[i])) return mesh;
  }
  return mesh;
}

// Centres along joints a -> b -> ..., `per` rings per segment.
std::vector<PointRecord> Path(std::initializer_list<int> joints, int per) {
  std::vector<int> list(joints);
  std::vector<PointRecord> out;
  for (size_t s = 0; s + 1 < list.size(); ++s)
    for (int k = 0; k < per; ++k) out.push_back(Lerp(kJoints[list[s]], kJoints[list[s + 1]], double(k) / per));
  out.push_back(kJoints[list.back()]);
  return out;
}

TubeSpec Limb(std::initializer_list<int> joints, int per, double from, double to, int sides) {
  TubeSpec spec;
  spec.centres = Path(joints, per);
  spec.sides = sides;
  const int n = static_cast<int>(spec.centres.size());
  for (int i = 0; i < n; ++i) {
    const double r = from + (to - from) * i / (n - 1);
    spec.radiusA.push_back(r);
    spec.radiusB.push_back(r);
  }
  return spec;
}

// Marker colours: lines of one ring of a tube get a colour kind.
void ColourRing(MMeshObj* mesh, const PointRecord& centre, double reach, unsigned char r, unsigned char g,
                unsigned char b) {
  for (MLine* line : mesh->lines) {
    if (MUtilDistance(line->end0->position, centre) < reach && MUtilDistance(line->end1->position, centre) < reach) {
      line->colourR = r;
      line->colourG = g;
      line->colourB = b;
    }
  }
}

}  // namespace

MBoneObj* FigureOf(MGroupObj& group) { return FindBoneObj(&group); }

std::unique_ptr<MGroupObj> BuildStandardFigure() { return BuildStandardFigurePart(FigurePart::kWhole); }

std::unique_ptr<MGroupObj> BuildStandardFigurePart(FigurePart part) {
  auto group = std::unique_ptr<MGroupObj>(new (std::nothrow) MGroupObj());
  if (!group) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  MBoneObj* figure = BuildSkeleton();
  if (figure == nullptr || !group->AddChild(figure)) {
    delete figure;
    return nullptr;
  }
  if (Failed()) return nullptr;

  const PointRecord skin{0.93, 0.78, 0.66};  // no marker class
  const PointRecord shirt{0.25, 0.35, 0.80};  // blue: class 22
  const PointRecord trousers{0.30, 0.62, 0.32};  // green: class 25
  const PointRecord shoes{0.72, 0.18, 0.12};  // red: class 21

  std::vector<std::pair<TubeSpec, PointRecord>> parts;
  {
    TubeSpec torso;
    torso.sides = 14;
    const double heights[] = {0.88, 0.95, 1.05, 1.15, 1.25, 1.33, 1.40, 1.46};
    const double widths[] = {0.16, 0.17, 0.15, 0.14, 0.16, 0.19, 0.20, 0.07};
    const double depths[] = {0.10, 0.11, 0.10, 0.10, 0.11, 0.12, 0.11, 0.06};
    for (int i = 0; i < 8; ++i) {
      torso.centres.push_back({0, heights[i], 0});
      torso.radiusA.push_back(widths[i]);
      torso.radiusB.push_back(depths[i]);
    }
    parts.push_back({torso, shirt});
    TubeSpec head;
    head.sides = 12;
    const double hh[] = {1.47, 1.52, 1.56, 1.60, 1.64, 1.68, 1.71};
    const double hr[] = {0.05, 0.06, 0.085, 0.095, 0.09, 0.07, 0.03};
    for (int i = 0; i < 7; ++i) {
      head.centres.push_back({0, hh[i], 0.01});
      head.radiusA.push_back(hr[i]);
      head.radiusB.push_back(hr[i] * 1.1);
    }
    parts.push_back({head, skin});
    parts.push_back({Limb({kShoulderR, kElbowR, kWristR, kHandR}, 4, 0.05, 0.03, 8), skin});
    parts.push_back({Limb({kShoulderL, kElbowL, kWristL, kHandL}, 4, 0.05, 0.03, 8), skin});
    parts.push_back({Limb({kHipR, kKneeR, kAnkleR}, 5, 0.075, 0.045, 10), trousers});
    parts.push_back({Limb({kHipL, kKneeL, kAnkleL}, 5, 0.075, 0.045, 10), trousers});
    parts.push_back({Limb({kAnkleR, kToeR}, 3, 0.045, 0.035, 8), shoes});
    parts.push_back({Limb({kAnkleL, kToeL}, 3, 0.045, 0.035, 8), shoes});
  }
  // The head is the second tube.
  if (part == FigurePart::kHead) parts = {parts[1]};
  if (part == FigurePart::kBody) parts.erase(parts.begin() + 1);
  for (auto& [spec, colour] : parts) {
    MMeshObj* mesh = BuildTube(spec, nullptr, colour);
    if (mesh == nullptr) return nullptr;
    if (!group->AddChild(mesh)) {
      delete mesh;
      return nullptr;
    }
    if (Failed()) return nullptr;
  }
  // Lines of width 1 (the outlines and the bone editing's influence
  // lines draw them); line markers: cyan rings at the wrists, yellow at the
  // ankles.
  for (int i = 0; i < group->GetChildCount(); ++i) {
    MObject* child = group->ChildAt(i);
    if (child->IsBoneObject()) continue;
    for (MLine* line : static_cast<MMeshObj*>(child)->lines) line->flags |= 1u << kLineWidthShift;
  }
  for (int i = 0; i < group->GetChildCount(); ++i) {
    MObject* child = group->ChildAt(i);
    if (child->IsBoneObject()) continue;
    MMeshObj* mesh = static_cast<MMeshObj*>(child);
    ColourRing(mesh, kJoints[kWristR], 0.06, 0, 255, 255);
    ColourRing(mesh, kJoints[kWristL], 0.06, 0, 255, 255);
    ColourRing(mesh, kJoints[kAnkleR], 0.06, 255, 255, 0);
    ColourRing(mesh, kJoints[kAnkleL], 0.06, 255, 255, 0);
  }
  // The rig set-up binds the body to the skeleton.
  RigFigure(*figure, *group);
  if (Failed()) return nullptr;
  return group;
}

std::vector<std::string> StandardPoseNames() { return {"standing", "sitting", "walking", "arms_raised"}; }

namespace {

}  // namespace

void TurnBone(MBoneObj& figure, int a, int b, const PointRecord& axis, double degrees) {
  MVertex* from = figure.GetVertexByIndex(a);
  MVertex* to = figure.GetVertexByIndex(b);
  MLine* line = from->FindLine(to);
  PtrArray below;
  figure.CollectBonesBelow(false, line, below, false);
  MatrixRecord identity, rotation;
  MUtilIdentity(identity);
  MUtilRotateAxis(identity, degrees * M_PI / 180.0, axis, rotation);
  // The rotation about the joint (its translation is zero).
  figure.RotateBonesAbout(from->position, rotation, below);
}

bool MakeStandardPose(MBoneObj& figure, const std::string& name, MPose& pose) {
  const PointRecord x{1, 0, 0}, z{0, 0, 1};
  figure.ResetPose(nullptr);
  if (name == "standing") {
    // The rest pose with the arms a little lower.
    TurnBone(figure, kShoulderR, kElbowR, z, -8);
    TurnBone(figure, kShoulderL, kElbowL, z, 8);
  } else if (name == "sitting") {
    TurnBone(figure, kHipR, kKneeR, x, -85);
    TurnBone(figure, kHipL, kKneeL, x, -85);
    TurnBone(figure, kKneeR, kAnkleR, x, 90);
    TurnBone(figure, kKneeL, kAnkleL, x, 90);
    TurnBone(figure, kElbowR, kWristR, x, -40);
    TurnBone(figure, kElbowL, kWristL, x, -40);
    figure.MoveAllJoints({0, -0.42, 0});
  } else if (name == "walking") {
    TurnBone(figure, kHipR, kKneeR, x, -25);
    TurnBone(figure, kHipL, kKneeL, x, 20);
    TurnBone(figure, kKneeL, kAnkleL, x, 25);
    TurnBone(figure, kShoulderR, kElbowR, x, 20);
    TurnBone(figure, kShoulderL, kElbowL, x, -20);
    TurnBone(figure, kElbowR, kWristR, x, -15);
    TurnBone(figure, kElbowL, kWristL, x, -25);
  } else if (name == "arms_raised") {
    TurnBone(figure, kShoulderR, kElbowR, z, 115);
    TurnBone(figure, kShoulderL, kElbowL, z, -115);
    TurnBone(figure, kElbowR, kWristR, z, 15);
    TurnBone(figure, kElbowL, kWristL, z, -15);
  } else {
    return false;
  }
  if (Failed()) return false;
  figure.UpdateBoneMatrices(1);
  figure.DeformBoundObjects(nullptr);
  figure.GetPose(pose);
  return !Failed();
}

}  // namespace standardfigure
