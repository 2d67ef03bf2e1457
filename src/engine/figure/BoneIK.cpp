#include "engine/figure/FigureInternal.h"
#include "engine/figure/BoneIK.h"

#include <cmath>

#include "engine/core/EngMath.h"

namespace engine {

using namespace figure_detail;

namespace {

double Length(const PointRecord& a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }

constexpr double kEpsilon = 1e-8;
constexpr double kFarFactor = 0.999;
constexpr double kNearFactor = 1.001;

}  // namespace

TwoBoneChain MakeTwoBoneChain(const PointRecord& end, const PointRecord* joint, const PointRecord* root) {
  TwoBoneChain chain;
  chain.end = end;
  chain.hasJoint = joint != nullptr;
  chain.hasRoot = joint != nullptr && root != nullptr;
  chain.joint = joint != nullptr ? *joint : end;
  chain.root = chain.hasRoot ? *root : chain.joint;
  chain.upper = Length(Sub(chain.root, chain.joint));
  chain.lower = Length(Sub(chain.end, chain.joint));
  return chain;
}

bool SolveTwoBoneDrag(const TwoBoneChain& c, const PointRecord& currentJoint, PointRecord& target,
                      PointRecord& newJoint) {
  newJoint = c.joint;
  if (!c.hasJoint) return false;
  if (!c.hasRoot) {
    target = Add(c.joint, Mul(Unit(Sub(target, c.joint)), c.lower));
    return false;
  }
  const double l1 = c.upper, l2 = c.lower;
  const double d = Length(Sub(target, c.root));
  const bool tooFar = d > l1 + l2;
  const bool tooNear = d < std::fabs(l1 - l2);
  if (tooFar || tooNear) {
    const double r = tooFar ? kFarFactor * (l1 + l2) : kNearFactor * std::fabs(l1 - l2);
    PointRecord u = Sub(target, c.root);
    if (Length(u) < kEpsilon) u = {1, 1, 1};
    target = Add(c.root, Mul(Unit(u), r));
  }
  const double d2 = Length(Sub(target, c.root));
  if (d2 < kEpsilon) {
    PointRecord w = Sub(currentJoint, c.root);
    if (Length(w) < kEpsilon) w = {1, 1, 1};
    newJoint = Add(c.root, Mul(Unit(w), l1));
    return true;
  }
  const PointRecord n = Unit(Sub(target, c.root));
  const double x = (d2 * d2 + l2 * l2 - l1 * l1) / (2 * d2);
  const PointRecord foot = Sub(target, Mul(n, x));
  // The bend reference: from the set-up chain's axis towards its joint.
  PointRecord b{1, 0, 0};
  const double q = Length(Sub(c.end, c.root));
  if (q >= kEpsilon) {
    const PointRecord u = Unit(Sub(c.end, c.root));
    const double y = (q * q + l2 * l2 - l1 * l1) / (2 * q);
    b = Unit(Sub(c.joint, Sub(c.end, Mul(u, y))));
  }
  PointRecord k = Cross(Cross(n, b), n);
  if (Length(k) < kEpsilon) k = Cross(Cross(n, {0, 1, 0}), n);
  if (Length(k) < kEpsilon) k = Cross(Cross(n, {0, 0, 1}), n);
  k = Unit(k);
  const double h2 = l2 * l2 - x * x;
  const double h = h2 >= kEpsilon ? std::sqrt(h2) : 0.0;
  newJoint = Add(foot, Mul(k, h));
  return true;
}

}  // namespace engine
