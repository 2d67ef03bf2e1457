// The main road of a figure, through the main window as a person goes it:
// the standard figure inserted with the menu command, a bone posed with the
// pose tool chosen on the palette, the figure turned on the figure view
// bar's angle pad, the page saved, closed and opened again: it draws the
// same. Screenshots of the window are left in test-images/ to look at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>

#include "../page/EditTestSupport.h"
#include "ShellTestSupport.h"
#include "app/AppCommands.h"
#include "app/CImageButton.h"
#include "app/CLAngButton.h"
#include "app/CPennetDoc.h"
#include "app/CProp3DBar.h"
#include "app/CPropToolBar.h"
#include "app/CSMainFrame.h"
#include "app/SFig3DDialog.h"
#include <QLabel>
#include "page/FigureService.h"
#include "page/PnGlobal.h"
#include "page/SDoc.h"
#include "page/SFig3D.h"
#include "page/SObj.h"
#include "page/STrackFactory.h"
#include "page/SView.h"
#include "platform/GlContext.h"
#include "platform/Image.h"
#include "support/FigureFiles.h"

namespace figureendtoendtest {

using shelltest::ShellFixture;
using shelltest::DrawnPage;
using shelltest::SamePixels;

class FigureEndToEnd : public ::testing::Test {
 protected:
  // The program starts the engine after its main frame and stops it after
  // its pages and copy buffer are gone; the shell here does the same.
  FigureEndToEnd() : started_(page::StartFigureService() == 0) { shell = std::make_unique<ShellFixture>(); }
  ~FigureEndToEnd() override {
    shell.reset();
    page::PnGlobal::Get().ClearCopyBuffer();
    page::StopFigureService();
    platform::GlContext::ReleaseCurrent();
    page::PnGlobal::Get().toolNumber = page::kToolSelectObjects;
  }

  void ChooseTool(int tool) {
    auto* palette = shell->Frame().findChild<app::CPropToolBar*>();
    ASSERT_NE(palette, nullptr);
    if (!palette->Button(app::CPropToolBar::kFirstTool + tool)->isVisible())
      QTest::mouseClick(palette->Button(app::CPropToolBar::kShowToolsPosition), Qt::LeftButton);
    QTest::mouseClick(palette->Button(app::CPropToolBar::kFirstTool + tool), Qt::LeftButton);
    ASSERT_EQ(page::PnGlobal::Get().toolNumber, tool);
  }
  void Screenshot(const std::string& name) { EXPECT_TRUE(shelltest::SaveScreenshot(shell->Frame(), name)); }
  app::CPennetView* ActiveView() { return dynamic_cast<app::CPennetView*>(shell->Frame().GetActiveView()); }

  // The window point a third of the way along the upper arm bone on the
  // figure's right-hand side of the picture (its left arm), where the pose
  // tool takes a bone.
  QPoint OnArmBone(app::CPennetView& view, page::SObj& figure) {
    page::SView& renderer = *view.GetPageRenderer();
    page::SDoc& doc = shell->pennet->GetActiveDocument()->GetSDoc();
    const page::PropSCVal& P = figure.placement;
    const page::SPoint towards(P.x + P.width * 0.12, P.y - P.height * 0.15);
    const auto handles = figure.GetHandles(1.0);
    QPoint best(-1, -1);
    double nearest = std::numeric_limits<double>::max();
    for (std::size_t i = 0; i + 1 < handles.size(); ++i) {
      const page::SCtlp& a = handles[i];
      const page::SCtlp& b = handles[i + 1];
      if (!a.poseOnly || a.kind != 1 || !a.visible || b.visible) continue;  // bone segments only
      const page::SPoint from(a.x, a.y), to(b.x, b.y);
      const platform::POINT grip = renderer.PageToScreen(from + (to - from) * 0.3);
      const double distance = ((from + to) * 0.5).Distance(towards);
      if (distance < nearest && renderer.PoseHitCode(doc, grip) >= 1) {
        nearest = distance;
        best = QPoint(grip.x, grip.y);
      }
    }
    return best;
  }

  // A new page in the shown main window and the standard figure inserted
  // through 挿入 → CorvandelVeltoファイル..., the file picked in its dialog.
  // The page's view and document stay in `view_` and `doc_`. False, with a
  // message, when either fails.
  ::testing::AssertionResult NewPageWithStandardFigure() {
    if (!started_) return ::testing::AssertionFailure() << "the figure service did not start";
    app::CSMainFrame& frame = shell->Frame();
    frame.resize(1200, 900);
    frame.show();
    frame.CommandAction(app::ID_FILE_NEW)->trigger();
    view_ = ActiveView();
    if (view_ == nullptr || !QTest::qWaitForWindowExposed(view_)) return ::testing::AssertionFailure() << "no page";
    doc_ = &shell->pennet->GetActiveDocument()->GetSDoc();
    shell->ui.dialogPaths.push_back(testsupport::StandardFigureFile());
    frame.CommandAction(app::ID_INSERT_3D)->trigger();
    if (doc_->GetObjectCount() == 1) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << (shell->ui.messages.empty() ? "" : shell->ui.messages.front());
  }
  // The pose tool chosen on the palette and its first press on the figure,
  // which starts pose editing.
  void StartPosing(page::SObj& figure) {
    ChooseTool(page::kToolPoseRotate);
    const platform::POINT centre = view_->GetPageRenderer()->PageToScreen({figure.placement.x, figure.placement.y});
    QTest::mouseClick(view_, Qt::LeftButton, {}, QPoint(centre.x, centre.y));
  }
  // A drag of the pose tool from the grip: the bone under it turns.
  void DragFrom(QPoint grip) {
    QTest::mousePress(view_, Qt::LeftButton, {}, grip);
    QTest::mouseMove(view_, grip + QPoint(15, 10));
    QTest::mouseMove(view_, grip + QPoint(40, 25));
    QTest::mouseRelease(view_, Qt::LeftButton, {}, grip + QPoint(40, 25));
  }

  app::CPennetView* view_ = nullptr;
  page::SDoc* doc_ = nullptr;

  bool started_;
  std::unique_ptr<ShellFixture> shell;
};

TEST_F(FigureEndToEnd, AFigureInsertedPosedTurnedAndSavedOpensAgainTheSame) {
  // Insert: 挿入 → CorvandelVeltoファイル..., the file picked in its dialog.
  ASSERT_TRUE(NewPageWithStandardFigure());
  app::CSMainFrame& frame = shell->Frame();
  app::CPennetView* view = view_;
  page::SDoc& doc = *doc_;
  page::SObj& figure = *doc.GetObject(0);
  ASSERT_EQ(figure.fig->GetTypeId(), page::kFig3D);
  EXPECT_TRUE(figure.IsSelected());
  auto* bar3D = frame.findChild<app::CProp3DBar*>();
  ASSERT_NE(bar3D, nullptr);
  EXPECT_TRUE(bar3D->isEnabled()) << "the figure view bar turns on for the figure";
  const platform::Image inserted = DrawnPage(doc);
  Screenshot("session-1-inserted");

  // Pose: the pose tool's first press on the figure starts pose editing,
  // then a drag on the arm turns the bone.
  StartPosing(figure);
  ASSERT_TRUE(figure.flags & page::kObjEditing);
  Screenshot("session-2-pose-mode");
  const QPoint grip = OnArmBone(*view, figure);
  ASSERT_GE(grip.x(), 0) << "no bone under the pose tool";
  DragFrom(grip);
  const platform::Image posed = DrawnPage(doc);
  EXPECT_FALSE(SamePixels(posed, inserted)) << "the arm moved";
  Screenshot("session-3-posed");

  // Turn: a press on the angle pad, 44 degrees across.
  const double angleBefore = figure.props3D.horizontalAngle;
  QTest::mousePress(bar3D->Pad(), Qt::LeftButton, {}, QPoint(112, 45));
  QApplication::processEvents();
  QTest::mouseRelease(bar3D->Pad(), Qt::LeftButton, {}, QPoint(112, 45));
  QApplication::processEvents();
  EXPECT_NE(figure.props3D.horizontalAngle, angleBefore);
  const platform::Image turned = DrawnPage(doc);
  EXPECT_FALSE(SamePixels(turned, posed)) << "the figure turned";
  Screenshot("session-4-turned");

  // Save, close, open again.
  const std::string path = shell->dir / "figure.z4g";
  shell->ui.dialogPaths.push_back(path);
  frame.CommandAction(app::ID_FILE_SAVE)->trigger();
  frame.CommandAction(app::ID_FILE_CLOSE)->trigger();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_TRUE(shell->pennet->GetDocuments().empty());
  ASSERT_NE(shell->pennet->OpenDocumentFile(path), nullptr);
  page::SDoc& reopened = shell->pennet->GetActiveDocument()->GetSDoc();
  ASSERT_EQ(reopened.GetObjectCount(), 1);
  EXPECT_TRUE(SamePixels(DrawnPage(reopened), turned)) << "the reopened page draws as saved";
  EXPECT_FALSE(shell->pennet->GetActiveDocument()->IsModified());
  Screenshot("session-5-reopened");
  EXPECT_TRUE(shell->ui.messages.empty()) << shell->ui.messages.front();
}

// A pose-tool drag on the inserted figure, which has no animation: one undo
// from the menu gives the page back byte for byte, redo draws the pose.
TEST_F(FigureEndToEnd, UndoingAPoseDragGivesThePageBytesBack) {
  ASSERT_TRUE(NewPageWithStandardFigure());
  page::SDoc& doc = *doc_;
  page::SObj& figure = *doc.GetObject(0);
  StartPosing(figure);
  ASSERT_TRUE(figure.flags & page::kObjEditing);
  const QPoint grip = OnArmBone(*view_, figure);
  ASSERT_GE(grip.x(), 0) << "no bone under the pose tool";
  const std::string before = pagetest::PageBytes(doc);
  const platform::Image still = DrawnPage(doc);
  DragFrom(grip);
  const platform::Image posed = DrawnPage(doc);
  ASSERT_FALSE(SamePixels(posed, still)) << "the arm moved";
  for (int cycle = 0; cycle < 2; ++cycle) {
    SCOPED_TRACE(cycle);
    shell->Frame().CommandAction(app::ID_EDIT_UNDO)->trigger();
    EXPECT_TRUE(pagetest::SameBytes(pagetest::PageBytes(doc), before)) << "undo";
    shell->Frame().CommandAction(app::ID_EDIT_REDO)->trigger();
    EXPECT_TRUE(SamePixels(DrawnPage(doc), posed)) << "redo";
  }
  EXPECT_TRUE(shell->ui.messages.empty()) << shell->ui.messages.front();
}

// The figure's dialog times one render of its scene; a render quicker than
// the clock can tell must not divide by zero.
TEST_F(FigureEndToEnd, TheFigureDialogShowsTheRenderingSpeed) {
  ASSERT_TRUE(started_);
  struct Case {
    double milliseconds;
    const char* rate;
    const char* time;
  };
  const Case cases[] = {{4, "250.000", "    4"}, {1000, " 1.000", " 1000"}, {0, "1000000.000", "    0"}};
  for (const Case& c : cases) {
    const auto [rate, time] = app::SFig3DDialog::SpeedTexts(c.milliseconds);
    EXPECT_EQ(rate.toStdString(), c.rate) << c.milliseconds;
    EXPECT_EQ(time.toStdString(), c.time) << c.milliseconds;
  }
  int rc = 0;
  std::unique_ptr<page::SFig> figure = page::FigureService().MakeFigureShape(testsupport::StandardFigureFile(), true, rc);
  ASSERT_NE(figure, nullptr) << rc;
  EXPECT_TRUE(figure->HasEditDialog());
  app::SFig3DDialog dialog(*figure);
  dialog.Measure();
  EXPECT_GT(dialog.RateLabel()->text().toDouble(), 0.0);
  EXPECT_GE(dialog.TimeLabel()->text().trimmed().toInt(), 0);
  EXPECT_FALSE(page::SFig3D().HasEditDialog()) << "a shape without its scene has nothing to measure";
}

// 「CorvandelVelto形式で保存」 on a posed figure: offered only while one 3D
// shape is selected; the file named in its dialog holds the figure as
// posed: inserted again it draws the same; a cancelled dialog writes
// nothing and says nothing; a folder that is not there is reported and
// nothing is left.
TEST_F(FigureEndToEnd, AFigureIsSavedInTheSceneFormatFromTheMenu) {
  ASSERT_TRUE(NewPageWithStandardFigure());
  app::CSMainFrame& frame = shell->Frame();
  app::CPennetView* view = view_;
  page::SDoc& doc = *doc_;
  page::SObj& figure = *doc.GetObject(0);

  StartPosing(figure);
  ASSERT_TRUE(figure.flags & page::kObjEditing);
  const QPoint grip = OnArmBone(*view, figure);
  ASSERT_GE(grip.x(), 0) << "no bone under the pose tool";
  const platform::Image still = DrawnPage(doc);
  DragFrom(grip);
  ASSERT_FALSE(SamePixels(DrawnPage(doc), still)) << "the arm moved";
  ChooseTool(page::kToolSelectObjects);

  QAction* exportScene = frame.CommandAction(app::ID_EXPORT_SCENE);
  ASSERT_NE(exportScene, nullptr);
  figure.SetSelected(false);
  frame.UpdateCommandUI();
  EXPECT_FALSE(exportScene->isEnabled()) << "nothing selected";
  figure.SetSelected(true);
  frame.UpdateCommandUI();
  ASSERT_TRUE(exportScene->isEnabled());

  const std::string exported = shell->dir / "posed.z4h";
  shell->ui.dialogPaths.push_back(exported);
  exportScene->trigger();
  EXPECT_TRUE(shell->ui.messages.empty()) << shell->ui.messages.front();
  ASSERT_TRUE(std::filesystem::is_regular_file(exported));
  // Inserted again, the file draws the figure as posed.
  shell->ui.dialogPaths.push_back(exported);
  frame.CommandAction(app::ID_INSERT_3D)->trigger();
  ASSERT_EQ(doc.GetObjectCount(), 2) << (shell->ui.messages.empty() ? "" : shell->ui.messages.front());
  // Put where the posed one stands and drawn alone, each draws the same.
  page::SObj& again = *doc.GetObject(1);
  again.placement = figure.placement;
  again.props3D = figure.props3D;
  again.flags |= page::kObjHidden;
  const platform::Image posedAlone = DrawnPage(doc);
  again.flags &= ~page::kObjHidden;
  figure.flags |= page::kObjHidden;
  const platform::Image savedAlone = DrawnPage(doc);
  figure.flags &= ~page::kObjHidden;
  EXPECT_TRUE(SamePixels(savedAlone, posedAlone));
  EXPECT_FALSE(SamePixels(savedAlone, still)) << "posed, not as inserted";
  Screenshot("session-export-scene");

  // Cancelled: no dialog path left.
  doc.GetObject(1)->SetSelected(false);
  figure.SetSelected(true);
  const int shown = shell->ui.dialogsShown;
  exportScene->trigger();
  EXPECT_EQ(shell->ui.dialogsShown, shown + 1);
  EXPECT_TRUE(shell->ui.messages.empty());

  const std::string nowhere = shell->dir / "missing/posed.z4h";
  shell->ui.dialogPaths.push_back(nowhere);
  exportScene->trigger();
  EXPECT_EQ(shell->ui.messages.size(), 1u) << "the failed save is reported";
  EXPECT_FALSE(std::filesystem::exists(nowhere));
  EXPECT_FALSE(std::filesystem::exists(shell->dir / "missing"));
}

}  // namespace figureendtoendtest
