// A page drawn through the window as a user draws it: tools chosen on the
// tool palette, shapes dragged with the mouse on the page view, a rectangle
// made a panel frame, the text typed into its dialog; then saved, closed and
// opened again.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <string>
#include <vector>

#include "ShellTestSupport.h"
#include "app/AppCommands.h"
#include "app/CImageButton.h"
#include "app/CPennetDoc.h"
#include "app/CPropToolBar.h"
#include "app/CSMainFrame.h"
#include "app/SFigTextDlg.h"
#include "page/PnGlobal.h"
#include "page/SDoc.h"
#include "page/SFig.h"
#include "page/SFigText.h"
#include "page/STrackFactory.h"

namespace {

using shelltest::ShellFixture;

// What a reopened page must show again of each object.
struct Seen {
  int type;      // shape type, or -1 for a panel frame
  double x, y, width, height;
  std::string text;
  bool operator==(const Seen&) const = default;
};

std::vector<Seen> Describe(const page::SDoc& doc) {
  std::vector<Seen> seen;
  for (const auto& object : doc.Objects()) {
    Seen s{(object->flags & page::kObjFrame) ? -1 : object->fig ? object->fig->GetTypeId() : 0,
           std::round(object->placement.x), std::round(object->placement.y),
           std::round(object->placement.width), std::round(object->placement.height), {}};
    if (auto* text = dynamic_cast<const page::SFigText*>(object->fig.get())) s.text = text->GetText();
    seen.push_back(s);
  }
  return seen;
}

class PageEndToEnd : public ::testing::Test {
 protected:
  ~PageEndToEnd() override { page::PnGlobal::Get().toolNumber = page::kToolSelectObjects; }

  void ChooseTool(int tool) {
    auto* palette = shell.Frame().findChild<app::CPropToolBar*>();
    ASSERT_NE(palette, nullptr);
    app::CImageButton* button = palette->Button(app::CPropToolBar::kFirstTool + tool);
    ASSERT_TRUE(button->isVisible()) << "tool " << tool;
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(page::PnGlobal::Get().toolNumber, tool);
  }
  // A drag on the page view in window pixels.
  void Drag(QWidget* view, QPoint from, QPoint to) {
    QTest::mousePress(view, Qt::LeftButton, {}, from);
    QTest::mouseMove(view, (from + to) / 2);
    QTest::mouseMove(view, to);
    QTest::mouseRelease(view, Qt::LeftButton, {}, to);
  }

  ShellFixture shell;
};

TEST_F(PageEndToEnd, ShapesDrawnWithTheMouseComeBackFromTheSavedFile) {
  app::CSMainFrame& frame = shell.Frame();
  frame.resize(1200, 900);
  frame.show();
  auto* palette = frame.findChild<app::CPropToolBar*>();
  ASSERT_NE(palette, nullptr);
  // The drawing tools show once the show-tools button is down.
  if (!palette->Button(app::CPropToolBar::kFirstTool + page::kToolRect)->isVisible())
    QTest::mouseClick(palette->Button(app::CPropToolBar::kShowToolsPosition), Qt::LeftButton);
  frame.CommandAction(app::ID_FILE_NEW)->trigger();
  ASSERT_NE(shell.pennet->GetActiveDocument(), nullptr);
  auto* view = dynamic_cast<app::CPennetView*>(frame.GetActiveView());
  ASSERT_NE(view, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
  page::SDoc& doc = shell.pennet->GetActiveDocument()->GetSDoc();

  ChooseTool(page::kToolRect);
  Drag(view, {40, 40}, {140, 100});
  ChooseTool(page::kToolOval);
  Drag(view, {160, 40}, {240, 120});
  // The palette has no panel frame tool: a drawn rectangle becomes one.
  ChooseTool(page::kToolRect);
  Drag(view, {30, 150}, {300, 300});
  frame.CommandAction(app::ID_FRAME_SET)->trigger();

  // The text frame opens its dialog once drawn; the text is typed there.
  ChooseTool(page::kToolText);
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<app::SFigTextDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->TextEdit()->setPlainText(QStringLiteral("ここで会おう"));
    dialog->accept();
  });
  Drag(view, {60, 180}, {200, 260});
  EXPECT_EQ(page::PnGlobal::Get().toolNumber, page::kToolSelectObjects) << "drawing tools go back to select";

  const std::vector<Seen> drawn = Describe(doc);
  ASSERT_EQ(drawn.size(), 4u);
  std::vector<int> types;
  for (const Seen& s : drawn) types.push_back(s.type);
  EXPECT_EQ(types, (std::vector<int>{page::kFigRect, page::kFigOval, -1, page::kFigText}));
  EXPECT_EQ(drawn[3].text, "ここで会おう");
  for (const Seen& s : drawn) EXPECT_GT(s.width * s.height, 100) << "type " << s.type;
  EXPECT_TRUE(shell.pennet->GetActiveDocument()->IsModified());

  // The typed text is a step of its own after the frame's.
  frame.CommandAction(app::ID_EDIT_UNDO)->trigger();
  ASSERT_EQ(doc.GetObjectCount(), 4);
  EXPECT_EQ(Describe(doc)[3].text, "");
  frame.CommandAction(app::ID_EDIT_UNDO)->trigger();
  EXPECT_EQ(doc.GetObjectCount(), 3);
  frame.CommandAction(app::ID_EDIT_REDO)->trigger();
  frame.CommandAction(app::ID_EDIT_REDO)->trigger();
  ASSERT_EQ(Describe(doc), drawn);

  const std::string path = shell.dir / "drawn.z4g";
  shell.ui.dialogPaths.push_back(path);
  frame.CommandAction(app::ID_FILE_SAVE)->trigger();
  frame.CommandAction(app::ID_FILE_CLOSE)->trigger();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_TRUE(shell.pennet->GetDocuments().empty());

  ASSERT_NE(shell.pennet->OpenDocumentFile(path), nullptr);
  EXPECT_EQ(Describe(shell.pennet->GetActiveDocument()->GetSDoc()), drawn);
  EXPECT_FALSE(shell.pennet->GetActiveDocument()->IsModified());
  EXPECT_TRUE(shell.ui.messages.empty());
}

}  // namespace
