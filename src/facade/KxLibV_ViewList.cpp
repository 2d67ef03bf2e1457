// KxLibV: the view list of scene files.
//
//   count        int      the writer writes 1
//   per view:    int      a value kept and written back as read
//                4 × int  the window rectangle: top, left, bottom, right
//                         (the picture is right - left - 8 by bottom - top - 34)
//                record   the view record, with the supersampling factor
#include <algorithm>
#include <cstdint>
#include <memory>

#include "engine/core/EngRuntime.h"
#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"
#include "engine/scene/MDocObj.h"
#include "facade/FacadeResult.h"
#include "facade/KxLibEngine.h"
#include "facade/KxLibV.h"
#include "facade/KxLibVImp.h"
#include "view/QView.h"

namespace facade {

namespace {

constexpr const char* kWhat = "view list";
// The window frame around the picture in the stored rectangle.
constexpr int kFrameWidth = 8;
constexpr int kFrameHeight = 34;
// The five values before each view record.
constexpr std::int64_t kViewHeaderBytes = 20;

int PictureSide(std::int64_t low, std::int64_t high, int frame) {
  return static_cast<int>(std::clamp<std::int64_t>(high - low - frame, 1, std::int64_t{1} << 20));
}

}  // namespace

void KxLibV::ReadViewList(engine::QFile& file, engine::MDocObj& scene) {
  std::int32_t count = 0;
  file.ReadInt(count);
  if (!engine::EngCheckNotTruncated(file, kWhat)) return;
  if (count < 0 || count > file.BytesLeft() / kViewHeaderBytes) {
    engine::EngRecordLoadFailure("view list: more views than the file holds");
    return;
  }
  for (int i = 0; i < count; ++i) {
    ViewListValues values;
    file.ReadInt(values.kept);
    file.ReadInt(values.top);
    file.ReadInt(values.left);
    file.ReadInt(values.bottom);
    file.ReadInt(values.right);
    if (!engine::EngCheckNotTruncated(file, kWhat)) return;
    auto read = std::make_unique<view::QView>(platform::RECT{0, 0, 40, 40}, KxLibRendererMode());
    if (EngineFailed() || !read->HasContext()) return;
    read->MakeCurrent(true);
    read->FitToBounds(scene.GetGridObject());
    read->SetStateFlag(0);
    read->ReadRecord(file);
    read->MakeCurrent(false);
    if (!engine::EngCheckNotTruncated(file, kWhat) || EngineFailed()) return;
    if (i > 0) continue;  // only the first view is the figure's
    // The old view's surfaces and drag go with it.
    DropTracker();
    renderer_->FreeBitmaps(view_.get());
    view_ = std::move(read);
    viewListValues_ = values;
    viewListRead_ = true;
  }
  if (count == 0) return;
  const int factor = view_->GetSamplingFactor();
  // The figure supersamples by itself; its view renders at the full size.
  view_->SetSamplingFactor(0);
  SetOutputSize(PictureSide(viewListValues_.left, viewListValues_.right, kFrameWidth),
                PictureSide(viewListValues_.top, viewListValues_.bottom, kFrameHeight), factor, 1.0);
  SetImageValid(false, true);
}

void KxLibV::WriteViewList(engine::QFile& file) {
  ViewListValues values = viewListValues_;
  if (!viewListRead_) {
    // A figure that never came from a file stores its current size.
    int width = 0, height = 0, factor = 0;
    double lineScale = 1.0;
    GetOutputSize(width, height, factor, lineScale);
    values = ViewListValues{0, 0, 0, height + kFrameHeight, width + kFrameWidth};
  }
  file.WriteInt(1);
  file.WriteInt(values.kept);
  file.WriteInt(values.top);
  file.WriteInt(values.left);
  file.WriteInt(values.bottom);
  file.WriteInt(values.right);
  view_->SetSamplingFactor(requestedFactor_);
  view_->WriteRecord(file);
  view_->SetSamplingFactor(0);
}

}  // namespace facade
