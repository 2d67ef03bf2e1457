// The camera history: a ring of the last ten cameras for the back and
// forward commands. A camera is stored only when it moved since the last
// stored or restored one.
#include "engine/core/EngRuntime.h"
#include "view/QView.h"

namespace view {

void QView::ResetHistory() {
  for (CameraHistoryEntry& e : history_) e.empty = true;
  historyNewest_ = historyOldest_ = historyCurrent_ = 0;
  historyChanged_ = true;
}

void QView::StoreHistoryEntry(int i) {
  CameraHistoryEntry& e = history_[i];
  e.empty = false;
  e.projectionKind = projectionKind_;
  e.savedProjectionKind = savedProjectionKind_;
  e.target = target_;
  e.yaw = yaw_;
  e.pitch = pitch_;
  e.roll = roll_;
  e.distance = distance_;
  e.zoomFactor = zoomFactor_;
  e.depthUnit = depthUnit_;
  e.axisCode = axisCode_;
  e.savedAxisCode = savedAxisCode_;
  e.axisViewMarker = axisViewMarker_;
}

void QView::RestoreHistoryEntry(int i) {
  const CameraHistoryEntry& e = history_[i];
  projectionKind_ = e.projectionKind;
  savedProjectionKind_ = e.savedProjectionKind;
  target_ = e.target;
  yaw_ = e.yaw;
  pitch_ = e.pitch;
  roll_ = e.roll;
  distance_ = e.distance;
  zoomFactor_ = e.zoomFactor;
  depthUnit_ = e.depthUnit;
  axisCode_ = e.axisCode;
  savedAxisCode_ = e.savedAxisCode;
  if (savedAxisViewMarker_ == 0) savedAxisViewMarker_ = e.axisViewMarker;
  axisViewMarker_ = e.axisViewMarker;
}

void QView::PushHistory() {
  if (!historyChanged_) return;
  historyCurrent_ = (historyCurrent_ + 1) % kHistorySize;
  historyNewest_ = historyCurrent_;
  if (historyCurrent_ == historyOldest_) historyOldest_ = (historyOldest_ + 1) % kHistorySize;
  StoreHistoryEntry(historyCurrent_);
  historyChanged_ = false;
}

void QView::ApplyRestoredCamera() {
  const platform::RECT vp = GetViewportRect();
  SetupProjection(vp, true, 0, 0, false);
  if (engine::EngContext().failState == engine::kEngFailNone) InvalidateMatrices();
}

void QView::HistoryBack() {
  PushHistory();
  if (historyCurrent_ == historyOldest_) return;
  const int i = (historyCurrent_ + kHistorySize - 1) % kHistorySize;
  if (history_[i].empty || i == historyNewest_) return;
  historyCurrent_ = i;
  RestoreHistoryEntry(i);
  historyChanged_ = false;
  ApplyRestoredCamera();
}

void QView::HistoryForward() {
  if (historyCurrent_ == historyNewest_) return;
  const int i = (historyCurrent_ + 1) % kHistorySize;
  ENG_FATAL_IF(history_[i].empty || i == historyOldest_);  // a corrupt ring
  historyCurrent_ = i;
  RestoreHistoryEntry(i);
  historyChanged_ = false;
  ApplyRestoredCamera();
}

bool QView::CanGoBack() const {
  if (historyChanged_ && (historyNewest_ != 0 || historyOldest_ != 0)) return true;
  if (historyCurrent_ == historyOldest_) return false;
  const int i = (historyCurrent_ + kHistorySize - 1) % kHistorySize;
  return !history_[i].empty && i != historyNewest_;
}

bool QView::CanGoForward() const { return historyCurrent_ != historyNewest_ && !historyChanged_; }

}  // namespace view
