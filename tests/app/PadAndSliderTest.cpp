#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <string>
#include <vector>

#include "QtTestApp.h"
#include "app/CLAngButton.h"
#include "app/CMySliderCtrl.h"

namespace {

using Log = std::vector<std::string>;

// ---- angle pad ----------------------------------------------------------

// A 180 × 90 pad (two pixels per degree across, one down) whose
// notifications are written to a log with the angles they see.
class AnglePadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pad_.resize(180, 90);
    auto note = [this](const char* name) {
      return [this, name] {
        const app::PadAngles a = pad_.GetAngles();
        log_.push_back(std::string(name) + " " + std::to_string(a.horizontal) + "," + std::to_string(a.vertical));
      };
    };
    QObject::connect(&pad_, &app::CLAngButton::sigPressed, note("pressed"));
    QObject::connect(&pad_, &app::CLAngButton::sigDragged, note("dragged"));
    QObject::connect(&pad_, &app::CLAngButton::sigSnapped, note("snapped"));
    QObject::connect(&pad_, &app::CLAngButton::sigReleased, note("released"));
  }

  app::CLAngButton pad_;
  Log log_;
};

TEST_F(AnglePadTest, PressNotifiesFromTheEventLoopAndAClickNearAViewSnaps) {
  pad_.SetSnap(true);
  QTest::mousePress(&pad_, Qt::LeftButton, {}, QPoint(175, 46));  // 170, 2
  EXPECT_TRUE(log_.empty());  // not yet: the press is posted
  EXPECT_EQ(pad_.GetAngles(), (app::PadAngles{170, 2}));
  QApplication::processEvents();
  EXPECT_EQ(log_, (Log{"pressed 170,2"}));
  QTest::mouseRelease(&pad_, Qt::LeftButton, {}, QPoint(175, 46));
  EXPECT_EQ(log_, (Log{"pressed 170,2", "snapped 180,0"}));
}

TEST_F(AnglePadTest, NoSnapAwayFromAViewOrWithSnappingOff) {
  struct Case {
    bool snap;
    QPoint at;
    const char* release;
  };
  const Case cases[] = {
      {true, QPoint(112, 45), "released 44,0"},   // 44 degrees across
      {true, QPoint(90, 20), "released 0,-50"},   // 50 degrees up
      {false, QPoint(175, 46), "released 170,2"},  // near a view, snapping off
  };
  for (const Case& c : cases) {
    log_.clear();
    pad_.SetSnap(c.snap);
    QTest::mousePress(&pad_, Qt::LeftButton, {}, c.at);
    QTest::mouseRelease(&pad_, Qt::LeftButton, {}, c.at);
    ASSERT_EQ(log_.size(), 2u) << c.release;
    EXPECT_EQ(log_[1], c.release);
  }
}

TEST_F(AnglePadTest, DragNotifiesEachChangeAndAMovedPressDoesNotSnap) {
  pad_.SetSnap(true);
  QTest::mousePress(&pad_, Qt::LeftButton, {}, QPoint(90, 45));  // 0, 0
  QApplication::processEvents();
  QTest::mouseMove(&pad_, QPoint(100, 50));   // 20, 10
  QTest::mouseMove(&pad_, QPoint(100, 50));   // no change: no notice
  QTest::mouseMove(&pad_, QPoint(400, -20));  // held inside the pad: 178, -90
  // Posted drag notices still waiting come out before the release's own.
  QTest::mouseRelease(&pad_, Qt::LeftButton, {}, QPoint(400, -20));
  EXPECT_EQ(log_, (Log{"pressed 0,0", "dragged 178,-90", "dragged 178,-90", "released 178,-90"}));
  QApplication::processEvents();
  EXPECT_EQ(log_.size(), 4u);  // nothing twice
}

TEST_F(AnglePadTest, CtrlDragGathersAMoveOffsetAndKeepsTheAngles) {
  pad_.SetMoveAllowed(true);
  pad_.SetAngles(30, -20);
  QTest::mousePress(&pad_, Qt::LeftButton, Qt::ControlModifier, QPoint(50, 50));
  EXPECT_TRUE(pad_.IsMoving());
  EXPECT_EQ(pad_.cursor().shape(), Qt::SizeAllCursor);
  QTest::mouseMove(&pad_, QPoint(55, 47));
  QTest::mouseMove(&pad_, QPoint(58, 40));
  QApplication::processEvents();
  EXPECT_EQ(log_, (Log{"pressed 30,-20", "dragged 30,-20", "dragged 30,-20"}));
  const platform::POINT offset = pad_.TakeMoveOffset();
  EXPECT_EQ(offset, (platform::POINT{8, -10}));
  EXPECT_EQ(pad_.TakeMoveOffset(), (platform::POINT{0, 0}));
  QTest::mouseRelease(&pad_, Qt::LeftButton, {}, QPoint(58, 40));
  EXPECT_FALSE(pad_.IsMoving());
  EXPECT_EQ(pad_.cursor().shape(), Qt::ArrowCursor);
  EXPECT_EQ(pad_.GetAngles(), (app::PadAngles{30, -20}));

  // Without moving allowed, Ctrl makes an ordinary press.
  pad_.SetMoveAllowed(false);
  QTest::mousePress(&pad_, Qt::LeftButton, Qt::ControlModifier, QPoint(50, 50));
  EXPECT_FALSE(pad_.IsMoving());
  EXPECT_EQ(pad_.GetAngles(), (app::PadAngles{-80, 10}));
  QTest::mouseRelease(&pad_, Qt::LeftButton, {}, QPoint(50, 50));
}

TEST_F(AnglePadTest, TheHintHookFollowsEachRelease) {
  int hints = 0;
  std::size_t logAtHint = 0;
  const auto previous = app::CLAngButton::SetReleaseHintHook([&] {
    ++hints;
    logAtHint = log_.size();
  });
  QTest::mouseClick(&pad_, Qt::LeftButton, {}, QPoint(20, 20));
  QTest::mouseClick(&pad_, Qt::LeftButton, {}, QPoint(30, 20));
  EXPECT_EQ(hints, 2);
  EXPECT_EQ(logAtHint, 4u);  // after the release's notice
  app::CLAngButton::SetReleaseHintHook(previous);
}

TEST_F(AnglePadTest, PaintsSnapMarksOnlyWhenSnappingAndTheIconAtTheAngles) {
  pad_.SetAngles(-90, 45);  // drawn at 45, 67
  const QImage plain = apptest::Render(pad_);
  pad_.SetSnap(true);
  const QImage marked = apptest::Render(pad_);
  EXPECT_EQ(plain.pixel(10, 20), qRgb(220, 220, 220));
  EXPECT_EQ(plain.pixel(139, 50), qRgb(220, 220, 220));
  // The snap mark around the centre point (90, 45): its left side at 84.
  EXPECT_EQ(marked.pixel(84, 40), qRgb(200, 200, 200));
  EXPECT_EQ(plain.pixel(84, 40), qRgb(220, 220, 220));
  // The sketch: the frame and the middle line.
  EXPECT_EQ(plain.pixel(0, 10), qRgb(150, 150, 150));
  EXPECT_EQ(plain.pixel(10, 45), qRgb(150, 150, 150));
  // The icon sits at the angles' point and moves with them.
  auto iconAt = [](const QImage& image, int x, int y) {
    int drawn = 0;
    for (int dy = -3; dy <= 3; ++dy)
      for (int dx = -3; dx <= 3; ++dx) {
        const QRgb p = image.pixel(x + dx, y + dy);
        drawn += qRed(p) != qGreen(p) || qGreen(p) != qBlue(p);  // the icon's colours, not the sketch's greys
      }
    return drawn;
  };
  EXPECT_GT(iconAt(plain, 45, 67), 20);
  EXPECT_EQ(iconAt(plain, 135, 22), 0);
  pad_.SetAngles(90, -45);
  EXPECT_GT(iconAt(apptest::Render(pad_), 135, 22), 20);
  // A pad that is off (a bar waiting for a 3D figure) shows its icon grey,
  // never brighter than its alpha allows.
  pad_.setEnabled(false);
  const QImage off = apptest::Render(pad_);
  EXPECT_EQ(iconAt(off, 135, 22), 0) << "grey";
  pad_.SetAngles(-90, 45);
  EXPECT_NE(off.copy(132, 19, 7, 7), apptest::Render(pad_).copy(132, 19, 7, 7)) << "still drawn";
}

// ---- slider -------------------------------------------------------------

// The lens slider: 0 to 170 with ticks at 40, 89, 125 and 170, 200 pixels
// wide. Its notifications go to a log with the value each one sees.
class SliderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    slider_.setRange(0, 170);
    slider_.resize(200, slider_.sizeHint().height());
    slider_.SetTicks({40, 89, 125, 170});
    auto note = [this](const char* name) {
      return [this, name] { log_.push_back(std::string(name) + " " + std::to_string(slider_.value())); };
    };
    QObject::connect(&slider_, &app::CMySliderCtrl::sigPressed, note("pressed"));
    QObject::connect(&slider_, &app::CMySliderCtrl::sigScroll, note("scroll"));
    QObject::connect(&slider_, &app::CMySliderCtrl::sigBeforeRelease, note("before"));
    QObject::connect(&slider_, &app::CMySliderCtrl::sigAfterRelease, note("after"));
  }
  int ThumbY() const {
    const platform::RECT thumb = slider_.ThumbRect();
    return (thumb.top + thumb.bottom) / 2;
  }
  int ThumbCentreX() const {
    const platform::RECT thumb = slider_.ThumbRect();
    return (thumb.left + thumb.right) / 2;
  }

  app::CMySliderCtrl slider_;
  Log log_;
};

TEST_F(SliderTest, AClickJumpsToItsTickAndTheDragGoesOnFromThere) {
  const int x = slider_.TickPixel(125);
  QTest::mousePress(&slider_, Qt::LeftButton, {}, QPoint(x, ThumbY()));
  EXPECT_EQ(log_, (Log{"pressed 0"}));  // told before the jump
  EXPECT_NEAR(slider_.value(), 125, 1);
  EXPECT_LE(std::abs(ThumbCentreX() - x), 2);  // the thumb is under the pointer
  const int to = slider_.TickPixel(40);
  QTest::mouseMove(&slider_, QPoint(to, ThumbY()));
  EXPECT_NEAR(slider_.value(), 40, 2);
  const std::string dragged = "scroll " + std::to_string(slider_.value());
  QTest::mouseRelease(&slider_, Qt::LeftButton, {}, QPoint(to, ThumbY()));
  const std::string end = std::to_string(slider_.value());
  EXPECT_EQ(log_, (Log{"pressed 0", dragged, "before " + end, "scroll " + end, "after " + end}));
}

TEST_F(SliderTest, AClickOnTheThumbOnlyStartsTheDrag) {
  slider_.setValue(85);
  EXPECT_TRUE(log_.empty());  // the program's own changes notify nothing
  const int x = slider_.TickPixel(85) + 2;
  QTest::mousePress(&slider_, Qt::LeftButton, {}, QPoint(x, ThumbY()));
  EXPECT_EQ(slider_.value(), 85);
  QTest::mouseRelease(&slider_, Qt::LeftButton, {}, QPoint(x, ThumbY()));
  EXPECT_EQ(log_, (Log{"pressed 85", "before 85", "scroll 85", "after 85"}));
}

TEST_F(SliderTest, PressesBelowTheThumbAreIgnored) {
  const platform::RECT thumb = slider_.ThumbRect();
  ASSERT_LT(thumb.bottom, slider_.height());
  QTest::mousePress(&slider_, Qt::LeftButton, {}, QPoint(150, thumb.bottom));
  EXPECT_EQ(slider_.value(), 0);
  EXPECT_TRUE(log_.empty());
  QTest::mouseRelease(&slider_, Qt::LeftButton, {}, QPoint(150, thumb.bottom));
  EXPECT_EQ(log_, (Log{"before 0", "after 0"}));  // no drag to end
}

TEST_F(SliderTest, ASliderNarrowerThanItsThumbDoesNotJump) {
  slider_.resize(slider_.ThumbRect().Width() - 2, slider_.height());
  ASSERT_LE(app::SliderUsableChannel(slider_.ChannelRect(), slider_.ThumbRect().Width()).Width(), 0);
  const int before = slider_.value();
  QTest::mousePress(&slider_, Qt::LeftButton, {}, QPoint(slider_.width() - 1, ThumbY()));
  QTest::mouseRelease(&slider_, Qt::LeftButton, {}, QPoint(slider_.width() - 1, ThumbY()));
  ASSERT_FALSE(log_.empty());
  EXPECT_EQ(log_.front(), "pressed " + std::to_string(before));
  EXPECT_EQ(log_.back(), "after " + std::to_string(slider_.value()));
}

TEST_F(SliderTest, KeysScroll) {
  QTest::keyClick(&slider_, Qt::Key_Right);
  EXPECT_EQ(log_, (Log{"scroll 1"}));
  QTest::keyClick(&slider_, Qt::Key_Left);
  QTest::keyClick(&slider_, Qt::Key_Left);  // already at the minimum
  EXPECT_EQ(log_, (Log{"scroll 1", "scroll 0"}));
}

TEST_F(SliderTest, TicksArePaintedAtTheirValuesOnly) {
  const QImage shown = apptest::Render(slider_);
  const int top = slider_.ThumbRect().bottom + 1;
  auto tickAt = [&](int x) {
    int dark = 0;
    for (int y = top; y < std::min(top + 4, shown.height()); ++y) dark += qGray(shown.pixel(x, y)) < 128;
    return dark;
  };
  for (int value : {0, 40, 89, 125, 170}) EXPECT_GE(tickAt(slider_.TickPixel(value)), 3) << value;
  for (int value : {20, 60, 107, 150}) EXPECT_EQ(tickAt(slider_.TickPixel(value)), 0) << value;
  // Irregular: the gaps differ.
  EXPECT_NE(slider_.TickPixel(89) - slider_.TickPixel(40), slider_.TickPixel(125) - slider_.TickPixel(89));
}

}  // namespace
