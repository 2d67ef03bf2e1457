// Landmark joints found from the skeleton's shape, and the figure's
// feature points.
#include "engine/core/CrPrefs.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/QImp.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {

MBoneObj* MBoneObj::ResetFeatureSets() {
  for (int s = 0; s < 2; ++s) {
    for (int& entry : featureCodeMap[s]) entry = -1;
    featureCount[s] = 0;
    featureCurrent[s] = 0;
    featureActive[s] = 1;
  }
  ClearReservedWord();
  return this;
}

namespace {

// The line around a joint of two lines other than the one arrived by.
MLine* NextLine(const MVertex* joint, const MLine* arrived) {
  MLine* next = nullptr;
  ForEachLineAround(joint, [&](MLine* line) {
    if (line == arrived) return true;
    next = line;
    return false;
  });
  return next;
}

}  // namespace

bool MBoneObj::FindLandmarks(bool onlyTop, std::string* why) {
  MVertex* found[kLandmarkCount] = {};
  auto refuse = [&](const char* reason) {
    if (why != nullptr) *why = reason;
    return false;
  };
  auto valence = [](const MVertex* v) { return v->CountLines(); };

  // The top end: the end joint with the greatest y, the first on ties.
  for (MVertex* v : vertices)
    if (valence(v) == 1 && (found[0] == nullptr || v->position.y > found[0]->position.y)) found[0] = v;
  if (found[0] == nullptr) return refuse("the skeleton has no end joint");
  MLine* line = found[0]->firstLine;
  found[1] = line->OtherEnd(found[0]);
  if (valence(found[1]) != 2) return refuse("the joint below the top end does not join two bones");
  if (onlyTop) {
    landmarks[0] = found[0];
    landmarks[1] = found[1];
    return true;
  }
  line = NextLine(found[1], line);
  found[2] = line->OtherEnd(found[1]);
  if (valence(found[2]) != 4) return refuse("the chest joint does not join four bones");
  MLine* down = nullptr;
  ForEachLineAround(found[2], [&](MLine* l) {
    MVertex* other = l->OtherEnd(found[2]);
    if (found[3] == nullptr || other->position.y < found[3]->position.y) {
      found[3] = other;
      down = l;
    }
  });
  if (found[3] == nullptr || valence(found[3]) != 2) return refuse("the spine joint does not join two bones");
  found[4] = NextLine(found[3], down)->OtherEnd(found[3]);
  if (valence(found[4]) != 3) return refuse("the hip joint does not join three bones");

  // A limb from its end: the three joints inward, each of two bones.
  auto chain = [&](MVertex* end, int a, int b, int c) {
    MLine* l = end->firstLine;
    MVertex* joint = l->OtherEnd(end);
    const int slots[3] = {a, b, c};
    for (int k = 0; k < 3; ++k) {
      if (valence(joint) != 2) return false;
      found[slots[k]] = joint;
      if (k == 2) break;
      l = NextLine(joint, l);
      joint = l->OtherEnd(joint);
    }
    return true;
  };
  for (int pass = 0; pass < 2; ++pass) {
    MVertex* best = nullptr;
    for (MVertex* v : vertices) {
      if (valence(v) != 1) continue;
      if (best == nullptr || (pass == 0 ? v->position.x > best->position.x : v->position.x < best->position.x))
        best = v;
    }
    if (best == nullptr) return refuse("the skeleton has no arm end");
    const int base = pass == 0 ? 5 : 9;
    found[base] = best;
    if (!chain(best, base + 1, base + 2, base + 3)) return refuse("an arm is not a chain of three joints");
  }
  MVertex* legs[2] = {};
  int legCount = 0;
  for (MVertex* v : vertices) {
    if (valence(v) != 1 || v == found[0] || v == found[5] || v == found[9]) continue;
    if (legCount < 2) legs[legCount] = v;
    ++legCount;
  }
  if (legCount != 2) return refuse("the skeleton does not have exactly two leg ends");
  const bool secondRight = legs[1]->position.x >= legs[0]->position.x;
  found[16] = secondRight ? legs[1] : legs[0];
  found[20] = secondRight ? legs[0] : legs[1];
  if (!chain(found[16], 15, 14, 13) || !chain(found[20], 19, 18, 17))
    return refuse("a leg is not a chain of three joints");
  for (int i = 0; i < kLandmarkCount; ++i) landmarks[i] = found[i];
  return true;
}

bool MBoneObj::GetTopLandmarkPoints(PointRecord& top, PointRecord& next) {
  if (!FindLandmarks(true)) return false;
  top = landmarks[0]->position;
  next = landmarks[1]->position;
  return true;
}

bool MBoneObj::SelectTopBone() {
  if (!FindLandmarks(true)) return false;
  MLine* line = landmarks[0]->FindLine(landmarks[1]);
  if (line == nullptr) return false;
  line->flags |= kLineSelected;
  landmarks[0]->flags |= kVertexSelected;
  landmarks[1]->flags |= kVertexSelected;
  UpdateSelectionCache();
  return true;
}

void MBoneObj::DrawFeaturePoints(QView* view) {
  const int set = GetFeatureSetIndex();
  if (const CrPrefs* prefs = EngContext().prefs) {
    const PrefColour& c = prefs->colours[kColourFeaturePoint];
    view->GetRenderer()->SetMarkerColor(c.r / 255.0f, c.g / 255.0f, c.b / 255.0f);
  }
  const int k = featureActive[set] != 0 ? featureCurrent[set] : featureCount[set];
  for (int i = 0; i < k && i < kFeaturePointLimit; ++i) {
    if (EngContext().failState != kEngFailNone) break;
    view->DrawMarkerPoint(featurePoints[set][i], 0);
  }
}

}  // namespace engine
