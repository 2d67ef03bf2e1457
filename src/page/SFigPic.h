#pragma once
// The picture shape: a 32-bit picture with alpha stretched over the
// object's box. The picture is kept with premultiplied colour, and so it is
// stored: the page file holds it as a member ("image<id>_.PNG", or ".JPG"
// for pictures that came from JPEG files) with the premultiplied values as
// they are.
#include <memory>
#include <string>

#include "page/SFig.h"
#include "platform/Image.h"

namespace page {

class SFigPic : public SFig {
 public:
  SFigPic() = default;

  int GetTypeId() const override { return kFigPicture; }
  int GetDrawKind() const override { return kDrawKindPicture; }
  bool CanConvertToPicture() const override { return false; }
  // Gives the object the picture's pixel size.
  void AttachToObject(SObj& object) override;
  // A copy of the picture, stored as PNG whatever the original was. Null
  // when the copy cannot be made.
  std::unique_ptr<SFig> Clone() const override;
  // The marker int32 -1 and the member file. A picture whose member bytes
  // were read and not changed since writes them back as they were.
  void Write(PnFile& file, int objectId) const override;
  // A missing member leaves the picture empty (pages may hold pictures
  // without one); a member that cannot be decoded is damage.
  void Read(PnFile& file, int objectId) override;

  // Takes the picture. 32-bit pictures are kept as they are; others become
  // opaque 32-bit ones. Unless `premultiplied`, the colour is premultiplied
  // by the alpha. 0, or -1 without a picture or when memory runs out (the
  // shape then has none).
  int SetPicture(std::unique_ptr<platform::Image> image, bool jpeg, bool premultiplied) override;
  const platform::Image* GetPicture() const override { return image_.get(); }
  bool IsJpeg() const { return jpeg_; }
  bool MirrorHorizontal() override;

  // Clears the target and, unless V's fill is off, draws the picture
  // stretched into the box less half the scaled margin on each side (of a
  // part: what falls into it). A picture stretched to a moderate size is
  // kept so for the next drawing at that size, which copies from it instead
  // of resampling; a larger one resamples only the source under the part.
  bool DrawRaster(platform::Image& target, const SDrawSize& size, const Prop2DVal& V, bool vectorOnly) override;
  bool DrawsRasterParts() const override { return true; }
  // Inside the box, and on a pixel of the picture whose alpha is not 0.
  bool HitTest(const PropSCVal& P, const Prop2DVal& V, SPoint point, double tolerance) const override;

 private:
  void ForgetStoredBytes();

  std::unique_ptr<platform::Image> image_;
  bool jpeg_ = false;
  std::string storedBytes_;  // the member as read, while the picture is unchanged
  platform::Image scaled_;   // the picture stretched as last drawn; null after a change
  bool storedJpeg_ = false;
};

}  // namespace page
