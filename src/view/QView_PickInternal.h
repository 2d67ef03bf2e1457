#pragma once
// Private to the view's pick files: what every pick sets around the
// scene's own picking.
#include "engine/core/EngGeometry.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MObject.h"

namespace view::pick_detail {

inline bool Failed() { return engine::EngContext().failState != engine::kEngFailNone; }

inline engine::PointRecord Along(const engine::PointRecord& a, const engine::PointRecord& b, double t) {
  return {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z)};
}

// The pick scale follows the supersampling factor for the length of a pick.
class PickScale {
 public:
  explicit PickScale(int factor) : saved_(engine::EngContext().pickScale) {
    engine::EngContext().pickScale = factor != 0 ? factor : 1;
  }
  ~PickScale() { engine::EngContext().pickScale = saved_; }
  PickScale(const PickScale&) = delete;
  PickScale& operator=(const PickScale&) = delete;

 private:
  double saved_;
};

// The scene's include-excluded switch holds the view's setting during one
// scene pick and is cleared afterwards.
class IncludeExcluded {
 public:
  IncludeExcluded(engine::MObject* scene, bool on) : scene_(scene) { scene_->pickExcluded = on ? 1 : 0; }
  ~IncludeExcluded() { scene_->pickExcluded = 0; }
  IncludeExcluded(const IncludeExcluded&) = delete;
  IncludeExcluded& operator=(const IncludeExcluded&) = delete;

 private:
  engine::MObject* scene_;
};

}  // namespace view::pick_detail
