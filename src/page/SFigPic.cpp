#include "page/SFigPic.h"

#include "imaging/ImageFiles.h"
#include "imaging/PixelOps.h"
#include "page/PageMembers.h"
#include "page/PnFatal.h"
#include "page/PnFile.h"
#include "page/PropVal.h"
#include "page/ResultCodes.h"
#include "page/SObj.h"
#include "page/ShapeGeometry.h"
#include "platform/Blit.h"
#include "platform/ImageCodec.h"
#include "platform/Paths.h"

namespace page {
namespace {

// An opaque 32-bit copy of a picture of any other depth.
std::unique_ptr<platform::Image> OpaqueCopy(const platform::Image& source) {
  auto copy = std::make_unique<platform::Image>();
  if (!copy->Create(source.Width(), source.Height(), 32, true)) return nullptr;
  imaging::PnUtilFillImage(*copy, 0, 255);
  if (source.Bpp() == 24) {
    imaging::PnUtilCopyImageBits(source, *copy);
    return copy;
  }
  for (int y = 0; y < source.Height(); ++y)
    for (int x = 0; x < source.Width(); ++x) {
      platform::Bgra pixel = source.GetBgra(x, y);
      pixel.a = 255;
      copy->SetBgra(x, y, pixel);
    }
  return copy;
}

platform::RECT Moved(const platform::RECT& r, int dx, int dy) {
  return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

}  // namespace

void SFigPic::AttachToObject(SObj& object) {
  if (!image_) return;
  PropSCVal placement = object.placement;
  placement.width = image_->Width();
  placement.height = image_->Height();
  object.ApplyPropSC(placement, false);
}

std::unique_ptr<SFig> SFigPic::Clone() const {
  auto copy = std::make_unique<SFigPic>();
  if (image_) {
    copy->image_ = std::make_unique<platform::Image>(*image_);
    if (copy->image_->IsNull()) return nullptr;
  }
  return copy;
}

int SFigPic::SetPicture(std::unique_ptr<platform::Image> image, bool jpeg, bool premultiplied) {
  image_.reset();
  ForgetStoredBytes();
  if (!image || image->IsNull()) return kResultNoMemory;
  if (image->Bpp() == 32) {
    // Without the alpha flag the fourth byte means nothing: the picture is opaque.
    if (!image->HasAlpha()) imaging::PnUtilSetAlpha(*image, 255);
    image->SetHasAlpha(true);
  } else {
    image = OpaqueCopy(*image);
    if (!image) return kResultNoMemory;
  }
  if (!premultiplied) imaging::PnUtilPremultiplyAlpha(*image);
  image_ = std::move(image);
  jpeg_ = jpeg;
  return kResultOk;
}

bool SFigPic::MirrorHorizontal() {
  if (image_) imaging::PnUtilMirrorHorizontal(*image_);
  ForgetStoredBytes();
  return true;
}

void SFigPic::ForgetStoredBytes() {
  storedBytes_.clear();
  storedBytes_.shrink_to_fit();
  scaled_.Destroy();
}

bool SFigPic::DrawRaster(platform::Image& target, const SDrawSize& size, const Prop2DVal& V, bool /*vectorOnly*/) {
  if (!image_) return true;
  PN_FATAL_IF(!size.isPart && (target.Width() < size.width || target.Height() < size.height), "SFig", 345);
  imaging::PnUtilFillImage(target, 0, 0);
  if (V.FillOff()) return true;
  const double m = size.margin * size.scale / 2;
  const platform::RECT place{static_cast<int>(m), static_cast<int>(m), static_cast<int>(size.width - m),
                             static_cast<int>(size.height - m)};
  if (place.IsEmpty()) return true;
  // The box in the work picture (of a part: reaching past it). A picture
  // stretched too large to keep resamples only the source under the part
  // (the mapping stays the one of the whole box).
  const platform::RECT moved = Moved(place, -size.cutX, -size.cutY);
  constexpr long long kLargestKept = 1 << 22;  // pixels of a kept copy
  if (static_cast<long long>(place.Width()) * place.Height() > kLargestKept) {
    scaled_.Destroy();
    platform::AlphaBlendBits(target, moved, *image_, {0, 0, image_->Width(), image_->Height()}, {255, true});
    return true;
  }
  // Blending onto the cleared picture gives the stretched picture itself,
  // so the kept copy is copied in.
  if (scaled_.Width() != place.Width() || scaled_.Height() != place.Height()) {
    if (!scaled_.Create(place.Width(), place.Height(), 32, true)) {
      platform::AlphaBlendBits(target, moved, *image_, {0, 0, image_->Width(), image_->Height()}, {255, true});
      return true;
    }
    platform::AlphaBlendBits(scaled_, {0, 0, place.Width(), place.Height()}, *image_,
                             {0, 0, image_->Width(), image_->Height()}, {255, true});
  }
  platform::StretchBits(target, moved, scaled_, {0, 0, place.Width(), place.Height()},
                        platform::StretchMode::kColorOnColor);
  return true;
}

bool SFigPic::HitTest(const PropSCVal& P, const Prop2DVal& V, SPoint point, double tolerance) const {
  if (!SFig::HitTest(P, V, point, tolerance)) return false;
  if (!image_) return false;
  const SPoint d = ToShapeFrame(P, point);
  const SPoint inner = InnerSize(P);
  if (inner.x <= 0 || inner.y <= 0) return false;
  const int px = static_cast<int>(image_->Width() * (inner.x / 2 + d.x) / inner.x);
  const int py = static_cast<int>(image_->Height() * (inner.y / 2 + d.y) / inner.y);
  std::uint32_t colour = 0;
  int alpha = 0;
  imaging::PnUtilGetPixel(*image_, {px, py}, colour, alpha);
  return alpha > 0;
}

void SFigPic::Write(PnFile& file, int objectId) const {
  file.WriteInt(-1);
  if (!image_) return;
  const std::string path = platform::JoinPath(file.GetFolder(), PictureMemberName(objectId, jpeg_));
  if (!storedBytes_.empty() && storedJpeg_ == jpeg_) {
    WriteMemberFile(path, storedBytes_);
    return;
  }
  // The premultiplied values are written as they are; reading takes them back the same way.
  const bool saved = jpeg_ ? imaging::SaveJpegWithResolution(*image_, 72, path, 100) == 0
                           : platform::SaveImageFile(*image_, path, "png");
  if (!saved) throw PnFileError(kResultDiskFull, "the picture of object " + std::to_string(objectId) + " cannot be saved");
}

void SFigPic::Read(PnFile& file, int objectId) {
  file.ReadInt();  // the marker; the picture itself is a member file
  image_.reset();
  ForgetStoredBytes();
  jpeg_ = false;
  bool found = false;
  for (const bool asJpeg : {false, true}) {
    const std::optional<std::string> member = file.FindMember(PictureMemberName(objectId, asJpeg));
    if (!member) continue;
    const std::string& path = *member;
    found = true;
    auto image = std::make_unique<platform::Image>();
    if (!platform::LoadImageFile(path, *image)) continue;
    if (SetPicture(std::move(image), asJpeg, true) < 0) throw PnFileError(kResultNoMemory, "no memory for a picture");
    storedBytes_ = ReadMemberFile(path);
    storedJpeg_ = asJpeg;
    return;
  }
  // The code of a picture that cannot be made, as for a failed image.
  if (found)
    throw PnFileError(kResultNoMemory, "the picture of object " + std::to_string(objectId) + " cannot be read");
}

}  // namespace page
