#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "QtTestApp.h"
#include "app/AppResources.h"
#include "app/ButtonStrips.h"
#include "app/CImageButton.h"
#include "app/ControlLogic.h"
#include "imaging/PnUtil.h"
#include "platform/ImageCodec.h"
#include "platform/ResStrings.h"
#include "support/TempDir.h"

namespace {

using platform::Bgra;
using platform::Image;

// A resource folder of the test's own: the program's button skin and the
// pictures a test draws.
class ImageButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_.File("skins"));
    std::filesystem::copy_file(app::ResourceFolder() + "/skins/button.png", dir_.File("skins/button.png"));
    app::SetResourceFolder(dir_.Path());
  }
  void TearDown() override { app::SetResourceFolder(""); }

  void WritePicture(const std::string& name, const QImage& image) {
    ASSERT_TRUE(image.save(QString::fromStdString(dir_.File("skins/" + name))));
  }

  testsupport::TempDir dir_;
};

// What a frame of the strip looks like at (x, y) over the button face.
QRgb FrameOverFace(const Image& strip, int frame, int width, int x, int y, QColor face) {
  const Bgra s = strip.GetBgra(frame * width + x, y);
  auto over = [&](int source, int background) { return source + background * (255 - s.a) / 255; };
  return qRgb(over(s.r, face.red()), over(s.g, face.green()), over(s.b, face.blue()));
}

TEST_F(ImageButtonTest, EachStateShowsItsFrame) {
  app::CImageButton button;
  button.resize(36, 30);
  button.SetFocusLook(true);
  ASSERT_TRUE(app::ButtonStrips::HasFramePicture());
  const QColor face = button.palette().color(QPalette::Button);

  struct Case {
    const char* name;
    std::function<void()> enter;
    int frame;
  };
  const Case cases[] = {
      {"normal", [] {}, app::kFrameNormal},
      {"hover", [&] { apptest::SendEnter(button); }, app::kFrameHover},
      {"pressed", [&] { button.setDown(true); }, app::kFramePressed},
      {"disabled", [&] { button.setEnabled(false); }, app::kFrameDisabled},
      {"checked", [&] { button.SetCheck(1); }, app::kFramePressed},
      {"checked hover", [&] {
         button.SetCheck(1);
         apptest::SendEnter(button);
       },
       app::kFrameCheckedHover},
  };
  for (const Case& c : cases) {
    button.setEnabled(true);
    button.setDown(false);
    button.SetCheck(0);
    apptest::SendLeave(button);
    c.enter();
    EXPECT_EQ(button.CurrentFrame(), c.frame) << c.name;
    const QImage shown = apptest::Render(button);
    ASSERT_NE(button.FrameStrip(), nullptr);
    // The border and the middle of the frame, where the skins differ.
    for (const QPoint p : {QPoint(1, 15), QPoint(18, 1), QPoint(18, 15)})
      EXPECT_EQ(shown.pixel(p), FrameOverFace(*button.FrameStrip(), c.frame, 36, p.x(), p.y(), face))
          << c.name << " at " << p.x() << "," << p.y();
  }
}

TEST_F(ImageButtonTest, FocusFrameNeedsTheFocusLook) {
  QWidget window;
  auto* button = new app::CImageButton(&window);
  button->resize(36, 30);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  button->setFocus();
  ASSERT_TRUE(button->hasFocus());
  apptest::SendLeave(*button);  // wherever the pointer is
  EXPECT_EQ(button->CurrentFrame(), app::kFrameNormal);
  button->SetFocusLook(true);
  EXPECT_EQ(button->CurrentFrame(), app::kFrameFocused);
  // The dotted focus rectangle lies 2 pixels inside: some of the pixels of
  // its left side are drawn over the frame, not all.
  const QImage shown = apptest::Render(*button);
  const QColor face = button->palette().color(QPalette::Button);
  int dots = 0;
  for (int y = 2; y < 28; ++y)
    dots += shown.pixel(2, y) != FrameOverFace(*button->FrameStrip(), app::kFrameFocused, 36, 2, y, face);
  EXPECT_GE(dots, 6);
  EXPECT_LE(dots, 20);
}

TEST_F(ImageButtonTest, ButtonsOfOneSizeShareOneStrip) {
  {
    app::CImageButton a, b, c;
    a.resize(40, 30);
    b.resize(40, 30);
    c.resize(50, 30);
    apptest::Render(a);
    apptest::Render(b);
    apptest::Render(c);
    EXPECT_EQ(a.FrameStrip(), b.FrameStrip());
    EXPECT_NE(a.FrameStrip(), c.FrameStrip());
    EXPECT_EQ(app::ButtonStrips::StripCount(), 2);
    ASSERT_NE(a.FrameStrip(), nullptr);
    EXPECT_EQ(a.FrameStrip()->Width(), 6 * 40);
    EXPECT_EQ(a.FrameStrip()->Height(), 30);
  }
  // The last button takes every strip with it.
  EXPECT_EQ(app::ButtonStrips::StripCount(), 0);
  EXPECT_FALSE(app::ButtonStrips::HasFramePicture());
}

TEST_F(ImageButtonTest, DisabledPictureIsGreyWithinItsAlpha) {
  // White at alpha 100: premultiplied (100, 100, 100, 100), whose plain
  // grey (r + g + b) / 2 = 150 would exceed the alpha.
  QImage white(30, 24, QImage::Format_ARGB32);
  white.fill(qRgba(255, 255, 255, 100));
  WritePicture("white.png", white);
  QImage red(30, 24, QImage::Format_ARGB32);
  red.fill(qRgba(255, 0, 0, 255));
  WritePicture("red.png", red);

  app::CImageButton plain, pictured;
  for (app::CImageButton* b : {&plain, &pictured}) {
    b->resize(32, 26);
    b->setEnabled(false);
  }
  ASSERT_TRUE(pictured.SetButtonPictureFile("white.png"));
  const QImage background = apptest::Render(plain);
  const QImage shown = apptest::Render(pictured);
  for (const QPoint p : {QPoint(5, 5), QPoint(16, 13), QPoint(26, 20)}) {
    const QRgb under = background.pixel(p), over = shown.pixel(p);
    // grey 100 over the background: 100 + b × (255 − 100) / 255
    EXPECT_EQ(qRed(over), 100 + qRed(under) * 155 / 255) << p.x() << "," << p.y();
    EXPECT_EQ(qRed(over), qGreen(over));
    EXPECT_EQ(qRed(over), qBlue(over));
  }

  // An opaque colour picture turns to its grey, and back when enabled.
  ASSERT_TRUE(pictured.SetButtonPictureFile("red.png"));
  const QRgb disabled = apptest::Render(pictured).pixel(16, 13);
  EXPECT_EQ(disabled, qRgb(127, 127, 127));
  pictured.setEnabled(true);
  EXPECT_EQ(apptest::Render(pictured).pixel(16, 13), qRgb(255, 0, 0));
}

TEST_F(ImageButtonTest, PressedPictureMovesOnePixelUnlessTurnedOff) {
  QImage dot(30, 24, QImage::Format_ARGB32);
  dot.fill(Qt::transparent);
  dot.setPixel(15, 12, qRgba(0, 0, 255, 255));
  WritePicture("dot.png", dot);
  app::CImageButton button;
  button.resize(32, 26);  // the picture fits exactly inside the 1-pixel margin
  ASSERT_TRUE(button.SetButtonPictureFile("dot.png"));
  EXPECT_EQ(apptest::Render(button).pixel(16, 13), qRgb(0, 0, 255));
  button.setDown(true);
  EXPECT_EQ(apptest::Render(button).pixel(17, 14), qRgb(0, 0, 255));
  button.SetShiftWhenPressed(false);
  EXPECT_EQ(apptest::Render(button).pixel(16, 13), qRgb(0, 0, 255));
}

TEST_F(ImageButtonTest, PictureWithoutAlphaIsRefusedAndTheCaptionShows) {
  QImage opaque(30, 24, QImage::Format_RGB888);
  opaque.fill(qRgb(0, 0, 255));
  WritePicture("opaque.png", opaque);

  app::CImageButton captioned(QStringLiteral("Wx"), nullptr), empty;
  for (app::CImageButton* b : {&captioned, &empty}) b->resize(60, 30);
  EXPECT_FALSE(captioned.SetButtonPictureFile("opaque.png"));
  EXPECT_FALSE(captioned.HasPicture());
  EXPECT_FALSE(captioned.SetButtonPictureFile("missing.png"));
  const QImage withText = apptest::Render(captioned), without = apptest::Render(empty);
  int differing = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x) differing += withText.pixel(x, y) != without.pixel(x, y);
  EXPECT_GT(differing, 10);  // the caption is drawn
  int blue = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x) blue += qBlue(withText.pixel(x, y)) > 200 && qRed(withText.pixel(x, y)) < 50;
  EXPECT_EQ(blue, 0);  // and no trace of the refused picture
}

TEST_F(ImageButtonTest, PictureFollowsTheStringTable) {
  QImage dot(8, 8, QImage::Format_ARGB32);
  dot.fill(qRgba(0, 200, 0, 255));
  WritePicture("green.png", dot);
  const auto previous = platform::SetStringTableHook([](int id) { return id == 313 ? std::string("green.png") : std::string(); });
  app::CImageButton button;
  button.resize(32, 32);
  EXPECT_TRUE(button.SetButtonPicture(313));
  EXPECT_EQ(apptest::Render(button).pixel(16, 16), qRgb(0, 200, 0));
  EXPECT_FALSE(button.SetButtonPicture(999));
  platform::SetStringTableHook(previous);
}

TEST_F(ImageButtonTest, PressTogglesTheCheckAndSpaceIsSwallowed) {
  app::CImageButton box;
  box.resize(30, 30);
  box.SetCheckBoxStyle(true);
  QSignalSpy clicks(&box, &QAbstractButton::clicked);
  QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(15, 15));
  EXPECT_EQ(box.GetCheck(), 1);
  EXPECT_EQ(box.GetState() & 3, 3);
  QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(15, 15));
  EXPECT_EQ(box.GetCheck(), 0);
  EXPECT_EQ(clicks.count(), 2);
  QTest::keyClick(&box, Qt::Key_Space);
  EXPECT_EQ(clicks.count(), 2);
  EXPECT_EQ(box.GetCheck(), 0);

  // A push button never reports a check, but shows it as pressed.
  app::CImageButton push;
  push.resize(30, 30);
  push.SetState(true);
  EXPECT_EQ(push.GetCheck(), 0);
  EXPECT_EQ(push.GetState() & app::CImageButton::kStatePushed, app::CImageButton::kStatePushed);
  EXPECT_EQ(push.CurrentFrame(), app::kFramePressed);
  push.SetToggleLook(false);
  push.setDown(false);
  EXPECT_EQ(push.CurrentFrame(), app::kFrameNormal);
}

TEST(ButtonStrips, FramesAreScaledIntoTheirPlacesAndPremultiplied) {
  // Six 12 × 12 frames: each a flat colour; frame 3 half transparent.
  Image picture(72, 12, 32, true);
  for (int frame = 0; frame < 6; ++frame)
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 12; ++x)
        picture.SetBgra(frame * 12 + x, y,
                        Bgra{static_cast<std::uint8_t>(frame * 40), 100, 200, static_cast<std::uint8_t>(frame == 3 ? 128 : 255)});
  const Image strip = app::ButtonStrips::MakeStrip(picture, 20, 16, 1);
  ASSERT_EQ(strip.Width(), 120);
  ASSERT_EQ(strip.Height(), 16);
  for (int frame = 0; frame < 6; ++frame) {
    const int left = frame * 20;
    EXPECT_EQ(strip.GetBgra(left, 5).a, 0) << frame;  // the margin stays clear
    EXPECT_EQ(strip.GetBgra(left + 10, 0).a, 0) << frame;
    const Bgra inside = strip.GetBgra(left + 10, 8);
    if (frame == 3)
      EXPECT_EQ(inside, (Bgra{60, 50, 100, 128}));  // 120, 100, 200 times 128/255
    else
      EXPECT_EQ(inside, (Bgra{static_cast<std::uint8_t>(frame * 40), 100, 200, 255})) << frame;
  }
  // A picture without alpha counts as opaque.
  Image opaque(72, 12, 24);
  opaque.Fill(Bgra{10, 20, 30, 0});
  const Image fromOpaque = app::ButtonStrips::MakeStrip(opaque, 20, 16, 1);
  EXPECT_EQ(fromOpaque.GetBgra(50, 8), (Bgra{10, 20, 30, 255}));
  // A button smaller than its margins gets an empty strip.
  const Image tiny = app::ButtonStrips::MakeStrip(picture, 2, 2, 1);
  EXPECT_EQ(tiny.GetBgra(0, 0).a, 0);
}

}  // namespace
