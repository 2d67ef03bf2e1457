#pragma once
// The off-screen figure renderer: a figure's scene rendered by its 3D view
// into a 32-bit picture with alpha, which the page composites like any
// picture. OpenGL gives no alpha, so it is made one of two ways: a scene
// without transparent materials is rendered on pure green, which becomes
// transparent; a scene with one is rendered on white and on black, and
// alpha comes from the difference. A supersampled render is box-reduced.
//
// KxLibVImp is the renderer interface (inert defaults), KxLibVImpGL the
// OpenGL one (KxLibVImpGL.cpp).
#include "platform/Image.h"
#include "platform/WinTypes.h"

namespace view {
class QView;
}

namespace facade {

class KxLibR;

// The key colour of a render without transparent materials. The scene
// reader moves materials of exactly this colour off it.
inline constexpr platform::COLORREF kKeyGreen = platform::MakeRgb(0, 255, 0);

// The pixel rules of the two ways, between 32-bit pictures of one size:
// pure green becomes transparent black and every other pixel opaque; a
// pixel rendered on white and on black gets the alpha of their difference
// and its colour before blending (or as it rendered on black, which is the
// premultiplied colour, when that is kept).
void KeyGreenPixelsToAlpha(const platform::Image& pass, platform::Image& out);
void TwoBackgroundPixelsToAlpha(const platform::Image& onWhite, const platform::Image& onBlack, platform::Image& out,
                                bool keepPremultiplied);

class KxLibVImp {
 public:
  KxLibVImp() = default;
  virtual ~KxLibVImp() = default;
  KxLibVImp(const KxLibVImp&) = delete;
  KxLibVImp& operator=(const KxLibVImp&) = delete;

  // Renders the figure's scene into the picture; `rect` is the render size
  // (the picture is reduced by `factor` when it is 2 to 4). 0 or -1.
  virtual int RenderFigureImage(KxLibR& figure, view::QView* view, const platform::RECT& rect, int factor,
                                bool keepPremultiplied);
  // Makes or keeps the render surfaces for that size. 0 or -1.
  virtual int MakeBitmaps(const platform::RECT& rect, view::QView* view);
  virtual void FreeBitmaps(view::QView* view);
  // The picture the page gets: the reduced one when there is one.
  virtual const platform::Image* GetImage() const { return image_.IsNull() ? nullptr : &image_; }

 protected:
  platform::Image image_;  // render size, 32 bits with alpha
};

class KxLibVImpGL : public KxLibVImp {
 public:
  int RenderFigureImage(KxLibR& figure, view::QView* view, const platform::RECT& rect, int factor,
                        bool keepPremultiplied) override;
  // Both surfaces are kept while the size stays; otherwise the view's
  // render target is made again for the size.
  int MakeBitmaps(const platform::RECT& rect, view::QView* view) override;
  // Frees both surfaces and the view's render target.
  void FreeBitmaps(view::QView* view) override;
  const platform::Image* GetImage() const override;

  // The pictures are kept only while both the render size and the reduced
  // size stay the same. 0 or -1.
  int MakeImages(const platform::RECT& rect, int factor);
  void FreeImages();
  // One frame of the figure's scene on the view's surface.
  static void DrawFrame(KxLibR& figure, view::QView& view);
  // The green-key render to the picture: green pixels transparent black,
  // the others opaque.
  void KeyGreenToAlpha(bool downSample);
  // The white and black renders to the picture; colour straight, or as it
  // rendered on black (premultiplied) when kept.
  void AlphaFromTwoBackgrounds(bool downSample, bool keepPremultiplied);

  // The surfaces of the two passes, for the tests.
  const platform::Image& WhiteBitmap() const { return whiteBitmap_; }
  const platform::Image& BlackBitmap() const { return blackBitmap_; }

 private:
  void DownSample();

  platform::Image whiteBitmap_;   // the key-green pass, or the pass on white
  platform::Image blackBitmap_;   // the pass on black
  platform::Image reducedImage_;  // render size / factor, only with a factor
};

}  // namespace facade
