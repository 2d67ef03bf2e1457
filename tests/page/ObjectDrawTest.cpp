#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "PageTestSupport.h"
#include "page/SFigLine.h"
#include "page/SFigOval.h"
#include "page/SFigRect.h"
#include "page/SFig3D.h"
#include "page/SObj.h"
#include "platform/Dc.h"

namespace {

using page::Prop2DVal;
using page::SObj;
using platform::Bgra;
using platform::COLORREF;
using platform::Image;

constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kGreen = 0x00FF00;
constexpr COLORREF kBlue = 0xFF0000;
constexpr COLORREF kWhite = 0xFFFFFF;

// An opaque white page of 100 × 60 to draw on.
Image WhitePage() {
  Image page(100, 60, 32);
  page.Fill(Bgra::FromColorRef(kWhite));
  return page;
}

COLORREF At(const Image& image, int x, int y) { return image.GetBgra(x, y).ToColorRef(); }

// The colours met along a row.
std::set<COLORREF> RowColours(const Image& image, int y) {
  std::set<COLORREF> colours;
  for (int x = 0; x < image.Width(); ++x) colours.insert(At(image, x, y));
  return colours;
}

// A shape centred on (50, 30) whose drawn box is w × h: the values are
// applied in full, so the margin makes room for them.
std::unique_ptr<SObj> Shape(std::unique_ptr<page::SFig> fig, double w, double h, const Prop2DVal& values) {
  auto object = std::make_unique<SObj>();
  object->SetFig(std::move(fig), true);
  object->placement.x = 50, object->placement.y = 30;
  object->placement.width = w, object->placement.height = h;
  object->ApplyProp2D(values, false);
  return object;
}

Prop2DVal Colours(COLORREF line, COLORREF fill, int lineWidth = 2) {
  Prop2DVal v;
  v.lineColor = line, v.fillColor = fill, v.lineWidth = lineWidth;
  v.edgeQuality = 1;
  return v;
}

class ObjectDrawTest : public ::testing::Test {
 protected:
  int Draw(SObj& object, Image& target, const page::STrim* clip = nullptr, bool vectorOnly = false, double zoom = 1) {
    page::PageTransform transform;
    transform.scale = transform.scaleX = transform.scaleY = zoom;
    return object.Draw(&target, transform, clip, vectorOnly, buffers_);
  }
  page::SDrawBuffers buffers_;
};

// ---- vector shapes -------------------------------------------------------------

TEST_F(ObjectDrawTest, ShapesKeepExactColoursOnATransparentGround) {
  for (const bool oval : {false, true}) {
    std::unique_ptr<page::SFig> fig;
    if (oval)
      fig = std::make_unique<page::SFigOval>();
    else
      fig = std::make_unique<page::SFigRect>();
    auto object = Shape(std::move(fig), 40, 20, Colours(kRed, kGreen));
    Image page = WhitePage();
    ASSERT_EQ(Draw(*object, page), 0);
    EXPECT_EQ(At(page, 50, 30), kGreen) << oval;
    EXPECT_EQ(RowColours(page, 30), (std::set<COLORREF>{kWhite, kRed, kGreen})) << "no key colour shows: " << oval;
    EXPECT_EQ(At(page, 50, 5), kWhite) << oval;
    EXPECT_EQ(At(page, 5, 30), kWhite) << oval;
  }
}

TEST_F(ObjectDrawTest, NeitherLineNorFillVanishesIntoTheKeyColour) {
  struct Case {
    COLORREF line, fill;
  };
  // Black fill with a 0x020202 line would lose the line to a key chosen
  // from the line alone; a 0x010101 fill with a black line keeps its fill.
  for (const Case c : {Case{0x020202, 0x000000}, Case{0x000000, 0x010101}, Case{0x010101, 0x020202}}) {
    auto object = Shape(std::make_unique<page::SFigRect>(), 40, 20, Colours(c.line, c.fill, 3));
    Image page = WhitePage();
    ASSERT_EQ(Draw(*object, page), 0);
    EXPECT_EQ(RowColours(page, 30), (std::set<COLORREF>{kWhite, c.line, c.fill})) << c.line << " on " << c.fill;
  }
}

TEST_F(ObjectDrawTest, SupersamplingSoftensOnlyTheEdges) {
  Prop2DVal v = Colours(kRed, kGreen);
  v.edgeQuality = 2;
  v.lineColorMode = Prop2DVal::kColorNone;
  auto object = Shape(std::make_unique<page::SFigOval>(), 40, 20, v);
  Image page = WhitePage();
  ASSERT_EQ(Draw(*object, page), 0);
  EXPECT_EQ(At(page, 50, 30), kGreen);
  EXPECT_EQ(At(page, 2, 2), kWhite);
  EXPECT_GT(RowColours(page, 30).size(), 2u) << "edge pixels mix green and white";
}

TEST_F(ObjectDrawTest, NothingIsDrawnForHiddenEmptyOrInvisibleObjects) {
  const Image blank = WhitePage();
  auto hidden = Shape(std::make_unique<page::SFigRect>(), 40, 20, Colours(kRed, kGreen));
  hidden->flags = page::kObjHidden;
  auto flat = Shape(std::make_unique<page::SFigRect>(), 40, 20, Colours(kRed, kGreen));
  flat->placement.width = 0;
  Prop2DVal none = Colours(kRed, kGreen);
  none.lineColorMode = none.fillColorMode = Prop2DVal::kColorNone;
  auto invisible = Shape(std::make_unique<page::SFigRect>(), 40, 20, none);
  for (SObj* object : {hidden.get(), flat.get(), invisible.get()}) {
    Image page = WhitePage();
    EXPECT_EQ(Draw(*object, page), 0);
    EXPECT_TRUE(std::equal(page.Bits(), page.Bits() + page.SizeBytes(), blank.Bits()));
  }
}

TEST_F(ObjectDrawTest, OpacityAndShadowFollowTheValues) {
  Prop2DVal half = Colours(kRed, kGreen);
  half.lineColorMode = Prop2DVal::kColorNone;
  half.opacity = 50;
  auto faint = Shape(std::make_unique<page::SFigRect>(), 20, 20, half);
  Image page = WhitePage();
  ASSERT_EQ(Draw(*faint, page), 0);
  const Bgra mixed = page.GetBgra(50, 30);
  EXPECT_EQ(mixed.g, 255);
  EXPECT_NEAR(mixed.r, 128, 1);
  EXPECT_NEAR(mixed.b, 128, 1);

  Prop2DVal shadow = Colours(kRed, kGreen);
  shadow.lineColorMode = Prop2DVal::kColorNone;
  shadow.effectColorMode = 0, shadow.effectColor = kBlue, shadow.effectX = shadow.effectY = 5, shadow.effectBlur = 0;
  auto shaded = Shape(std::make_unique<page::SFigRect>(), 20, 20, shadow);
  Image page2 = WhitePage();
  ASSERT_EQ(Draw(*shaded, page2), 0);
  EXPECT_EQ(At(page2, 50, 30), kGreen);
  EXPECT_EQ(At(page2, 62, 35), kBlue) << "the shadow 5 down and right of the shape";
  EXPECT_EQ(At(page2, 38, 30), kWhite);
}

// ---- panel frames ------------------------------------------------------------------

TEST_F(ObjectDrawTest, PanelFrameClipsItsMembersToItsFilledOutline) {
  Prop2DVal outline = Colours(kRed, kWhite);
  outline.fillColorMode = Prop2DVal::kColorNone;
  auto frame = Shape(std::make_unique<page::SFigRect>(), 40, 20, outline);
  frame->SetFlagsAll(page::kObjContainer | page::kObjFrame);
  auto member = Shape(std::make_unique<page::SFigRect>(), 90, 50, Colours(kBlue, kBlue));
  member->parentId = frame->id;

  Image page = WhitePage();
  const Image blank = WhitePage();
  ASSERT_EQ(Draw(*frame, page), 0);
  EXPECT_TRUE(std::equal(page.Bits(), page.Bits() + page.SizeBytes(), blank.Bits()))
      << "a frame without fill keeps its mask and leaves its line to the outline pass";
  ASSERT_FALSE(frame->frame.mask.IsNull());

  ASSERT_EQ(Draw(*member, page, &frame->frame), 0);
  EXPECT_EQ(At(page, 50, 30), kBlue);
  EXPECT_EQ(At(page, 10, 30), kWhite) << "outside the frame";
  EXPECT_EQ(At(page, 50, 8), kWhite) << "outside the frame";

  ASSERT_EQ(Draw(*frame, page, nullptr, true), 0);  // the outline pass
  EXPECT_EQ(RowColours(page, 30), (std::set<COLORREF>{kWhite, kRed, kBlue}));
  EXPECT_EQ(At(page, 50, 30), kBlue) << "the outline pass does not fill";

  EXPECT_TRUE(member->HitTest({50, 30}, 1, &frame->frame, 0).hit);
  EXPECT_FALSE(member->HitTest({10, 30}, 1, &frame->frame, 0).hit);
}

TEST_F(ObjectDrawTest, FrameThatKeepsNoMaskDrawsAsItIsAndClipsNothing) {
  Prop2DVal outline = Colours(kRed, kWhite);
  outline.fillColorMode = Prop2DVal::kColorNone;
  auto frame = Shape(std::make_unique<page::SFigRect>(), 40, 20, outline);
  frame->SetFlagsAll(page::kObjContainer | page::kObjFrame | page::kObjFrameNoClip);
  Image page = WhitePage();
  ASSERT_EQ(Draw(*frame, page), 0);
  EXPECT_TRUE(frame->frame.mask.IsNull());
  EXPECT_EQ(RowColours(page, 30), (std::set<COLORREF>{kWhite, kRed})) << "its line, and no fill";
}

TEST_F(ObjectDrawTest, NestedFrameMaskIsCutByTheOuterOne) {
  Prop2DVal v = Colours(kRed, kWhite);
  auto outer = Shape(std::make_unique<page::SFigRect>(), 40, 40, v);
  outer->SetFlagsAll(page::kObjContainer | page::kObjFrame);
  auto inner = Shape(std::make_unique<page::SFigRect>(), 40, 40, v);
  inner->placement.x = 70;  // overlaps the outer frame's right half
  inner->SetFlagsAll(page::kObjContainer | page::kObjFrame);
  Image page = WhitePage();
  ASSERT_EQ(Draw(*outer, page), 0);
  ASSERT_EQ(Draw(*inner, page, &outer->frame), 0);
  EXPECT_TRUE(inner->frame.MaskAllowsPoint({65, 30}, 1));
  EXPECT_FALSE(inner->frame.MaskAllowsPoint({85, 30}, 1)) << "inside the inner frame but outside the outer";
}

// ---- marks and stand-ins -------------------------------------------------------------

TEST_F(ObjectDrawTest, HandlesAreMarkedAroundTheirPoints) {
  auto object = Shape(std::make_unique<page::SFigRect>(), 40, 20, Colours(kRed, kGreen));
  object->placement.width = 40, object->placement.height = 20;  // box corners at (30, 20) and (70, 40)
  object->SetSelected(true);
  Image page = WhitePage();
  page.Fill(Bgra::FromColorRef(0x404040));
  platform::Dc dc(page);
  object->DrawHandles(dc, page::PageTransform(), 0, 0);
  EXPECT_EQ(At(page, 27, 20), 0x00FE00u) << "the corner mark's frame";
  EXPECT_EQ(At(page, 30, 20), kWhite) << "inside the corner mark";
  EXPECT_EQ(At(page, 40, 20), 0x00FE00u) << "the box's top edge";
  // The rotation mark: 15 below the bottom edge, three quarters along it.
  EXPECT_EQ(At(page, 60, 55), kWhite) << "inside the rotation mark";
  EXPECT_EQ(At(page, 56, 55), 0x00FE00u) << "the rotation mark's rim";
  EXPECT_EQ(At(page, 60, 45), 0x404040u) << "between the edge and the rotation mark";
}

TEST_F(ObjectDrawTest, KeptShapesStandInAsAGreyBox) {
  auto object = std::make_unique<SObj>();
  auto kept = std::make_unique<page::SFig3D>();
  kept->KeepAsStored(std::string(4, '\0'), "a scene that cannot be read");
  object->SetFig(std::move(kept), true);
  object->placement.x = 50, object->placement.y = 30, object->placement.width = 40, object->placement.height = 20;
  object->props2D.edgeQuality = 1;
  Image page = WhitePage();
  ASSERT_EQ(Draw(*object, page), 0);
  EXPECT_EQ(RowColours(page, 30), (std::set<COLORREF>{kWhite, 0x808080}));
  EXPECT_EQ(At(page, 50, 30), kWhite);
}

}  // namespace
