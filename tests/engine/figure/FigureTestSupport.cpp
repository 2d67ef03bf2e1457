#include "FigureTestSupport.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "meshkit/MeshDump.h"
#include "meshkit/MeshUndoCheck.h"
#include "meshkit/MeshValidator.h"

namespace figuretest {

using namespace engine;

Chain MakeChain(int rigKind, int sides, int segments) {
  std::vector<PointRecord> centres;
  std::vector<double> radii;
  for (int i = 0; i <= segments; ++i) {
    centres.push_back({0, i * (2.0 / segments), 0});
    radii.push_back(0.2);
  }
  return MakeChainWith({standardfigure::MakeTubeMesh(centres, radii, radii, sides, {0.8, 0.8, 0.8})}, rigKind);
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

std::vector<MMeshObj*> MeshesOf(MGroupObj& group) {
  std::vector<MMeshObj*> out;
  for (int i = 0; i < group.GetChildCount(); ++i)
    if (group.ChildAt(i)->GetType() == kObjectMesh) out.push_back(static_cast<MMeshObj*>(group.ChildAt(i)));
  return out;
}

namespace {

std::string Number(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.9g", std::fabs(v) < 5e-10 ? 0.0 : v);
  return text;
}
std::string Point(const PointRecord& p) { return "(" + Number(p.x) + " " + Number(p.y) + " " + Number(p.z) + ")"; }
std::string Matrix(const MatrixRecord& m) {
  std::string out = "[";
  for (const auto& row : m.m)
    for (double v : row) out += Number(v) + " ";
  return out + "]";
}

}  // namespace

std::string DumpFigureData(MBoneObj& figure) {
  std::string out = "rig " + std::to_string(figure.rigKind) + " bound " + std::to_string(figure.skinBound) + "\n";
  if (figure.bones != nullptr) {
    for (int i = 0; i < figure.bones->count; ++i) {
      const BoneRecord& b = (*figure.bones)[i];
      int line = 0;
      for (MLine* l : figure.lines) {
        if (l == b.line) break;
        ++line;
      }
      out += "bone " + std::to_string(i) + " line " + std::to_string(line) + " " + Point(b.restStart) +
             Point(b.restEnd) + " posed " + Matrix(b.posedMatrix) + " deform " + Matrix(b.deformMatrix) +
             " radius " + Number(b.radius) + " twist " + Number(b.twist) + " excluded " +
             std::to_string(b.excluded) + "\n";
    }
  }
  if (figure.skinRecords != nullptr) {
    for (int i = 0; i < figure.skinRecords->count; ++i) {
      const SkinRecord& r = (*figure.skinRecords)[i];
      out += "skin " + std::to_string(i) + " locked " + std::to_string(r.locked) + ":";
      for (int k = 0; k < r.count; ++k)
        out += " " + std::to_string(r.bones[k]) + "/" + Number(r.weights[k]) + "/" + Number(r.params[k]);
      out += "\n";
    }
  }
  if (figure.restPositions != nullptr)
    for (int i = 0; i < figure.restPositions->count; ++i) out += "rest " + Point((*figure.restPositions)[i]) + "\n";
  for (int set = 0; set < 2; ++set)
    for (int i = 0; i < figure.featureCount[set]; ++i)
      out += "feature " + std::to_string(set) + " " + std::to_string(figure.featureCodes[set][i]) + " " +
             Point(figure.featurePoints[set][i]) + "\n";
  return out;
}

::testing::AssertionResult GroupUndoRoundTrip(MGroupObj& group, const std::function<void()>& edit) {
  std::vector<MMeshObj*> meshes;
  for (int i = 0; i < group.GetChildCount(); ++i)
    if (group.ChildAt(i)->GetType() == kObjectMesh) meshes.push_back(static_cast<MMeshObj*>(group.ChildAt(i)));
  MBoneObj* figure = FindBoneObj(&group);
  auto snapshot = [&] {
    std::vector<meshkit::MeshSnapshot> s;
    for (MMeshObj* m : meshes) {
      m->UpdateSelectionCache();
      s.push_back(meshkit::TakeSnapshot(*m));
    }
    return s;
  };
  auto compare = [&](const std::vector<meshkit::MeshSnapshot>& expected, const std::string& figureData,
                     const char* when) -> std::string {
    if (EngContext().failState != kEngFailNone) return std::string(when) + ": a failure is recorded";
    for (size_t i = 0; i < meshes.size(); ++i) {
      const ::testing::AssertionResult valid = meshkit::MeshIsValid(*meshes[i], 0);
      if (!valid) return std::string(when) + ": mesh " + std::to_string(i) + " " + valid.message();
      meshes[i]->UpdateSelectionCache();
      if (meshkit::DumpInOrderOf(*meshes[i], expected[i]) != expected[i].dump)
        return std::string(when) + ": mesh " + std::to_string(i) + " differs";
    }
    if (figure != nullptr && DumpFigureData(*figure) != figureData) return std::string(when) + ": figure data differ";
    return {};
  };
  for (MMeshObj* m : meshes) m->Checkpoint(true);
  const auto before = snapshot();
  const std::string figureBefore = figure != nullptr ? DumpFigureData(*figure) : "";
  edit();
  if (EngContext().failState != kEngFailNone)
    return ::testing::AssertionFailure() << "the edit failed with reason " << EngContext().failReason;
  const auto after = snapshot();
  const std::string figureAfter = figure != nullptr ? DumpFigureData(*figure) : "";
  if (figureAfter == figureBefore) {
    bool same = true;
    for (size_t i = 0; i < meshes.size(); ++i) same = same && after[i].dump == before[i].dump;
    if (same) return ::testing::AssertionFailure() << "the edit changed nothing";
  }
  std::vector<MMeshObj*> stepped;
  for (MMeshObj* m : meshes)
    if (m->GetEditState() == kEditMeshStep) stepped.push_back(m);
  for (int round = 0; round < 2; ++round) {
    for (MMeshObj* m : stepped) m->ExchangeUndoStep(0);
    if (std::string fault = compare(before, figureBefore, "after the undo"); !fault.empty())
      return ::testing::AssertionFailure() << fault;
    for (MMeshObj* m : stepped) m->ExchangeUndoStep(1);
    if (std::string fault = compare(after, figureAfter, "after the redo"); !fault.empty())
      return ::testing::AssertionFailure() << fault;
  }
  for (MMeshObj* m : meshes) m->Checkpoint(true);
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult GroupUndoRestoresAfterAllocationFailures(const std::function<MGroupObj&()>& makeFresh,
                                                                    const std::function<void(MGroupObj&)>& edit) {
  for (int nth = 1; nth <= 3000; ++nth) {
    EngContext().ClearFailure();
    MGroupObj& group = makeFresh();
    std::vector<MMeshObj*> meshes;
    for (int i = 0; i < group.GetChildCount(); ++i)
      if (group.ChildAt(i)->GetType() == kObjectMesh) meshes.push_back(static_cast<MMeshObj*>(group.ChildAt(i)));
    MBoneObj* figure = FindBoneObj(&group);
    std::vector<meshkit::MeshSnapshot> before;
    for (MMeshObj* m : meshes) {
      m->Checkpoint(true);
      m->UpdateSelectionCache();
      before.push_back(meshkit::TakeSnapshot(*m));
    }
    const std::string figureBefore = figure != nullptr ? DumpFigureData(*figure) : "";
    {
      EngAllocFailureScope fail(nth);
      edit(group);
    }
    if (EngContext().failState != kEngFailFailed) return ::testing::AssertionSuccess();
    if (EngContext().failReason != kEngReasonOutOfMemory)
      return ::testing::AssertionFailure() << "allocation " << nth << ": reason " << EngContext().failReason;
    EngContext().ClearFailure();
    for (MMeshObj* m : meshes)
      if (m->GetEditState() == kEditMeshStep) m->ExchangeUndoStep(0);
    for (size_t i = 0; i < meshes.size(); ++i) {
      meshes[i]->UpdateSelectionCache();
      if (meshkit::DumpInOrderOf(*meshes[i], before[i]) != before[i].dump)
        return ::testing::AssertionFailure() << "allocation " << nth << ": mesh " << i << " not restored";
    }
    if (figure != nullptr && DumpFigureData(*figure) != figureBefore) {
      const std::string now = DumpFigureData(*figure);
      size_t at = 0;
      while (at < now.size() && at < figureBefore.size() && now[at] == figureBefore[at]) ++at;
      const size_t line = figureBefore.rfind('\n', at) + 1;
      return ::testing::AssertionFailure() << "allocation " << nth << ": figure data not restored:\n  expected "
                                           << figureBefore.substr(line, figureBefore.find('\n', at) - line)
                                           << "\n  actual   " << now.substr(line, now.find('\n', at) - line);
    }
  }
  return ::testing::AssertionFailure() << "the edit still failed after 3000 allocations";
}

double JointDistance(MBoneObj& a, MBoneObj& b) {
  double worst = 0;
  MVertex* v = a.GetVertexList().First();
  MVertex* w = b.GetVertexList().First();
  for (; v != nullptr && w != nullptr;
       v = static_cast<MVertex*>(v->next), w = static_cast<MVertex*>(w->next))
    worst = std::max(worst, MUtilDistance(v->position, w->position));
  return worst;
}

}  // namespace figuretest
