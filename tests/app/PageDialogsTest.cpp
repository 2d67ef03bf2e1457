// The text settings dialog and the thumbnail dialogs, driven through their
// controls without being run modally (except where the modal run itself is
// what is checked).
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <filesystem>
#include <string>
#include <vector>

#include "QtTestApp.h"
#include "app/CImageButton.h"
#include "app/CThumbDialog.h"
#include "app/SFigTextDlg.h"
#include "page/RenderFixtures.h"
#include "page/SFigText.h"
#include "page/SView.h"
#include "page/StringTable.h"
#include "platform/Hooks.h"
#include "support/MessageCapture.h"
#include "support/TempDir.h"

namespace {

using testsupport::MessageCapture;

page::SFigText VerticalShape(const std::string& face) {
  page::SFigText shape;
  page::STextSettings s = shape.GetSettings();
  s.text = "一行目\r\n二行目";
  s.face = face;
  s.size = 14;
  s.bold = true;
  s.alignment = 1;
  s.vertical = true;
  s.lineSpacing = 3;
  shape.ApplySettings(s);
  return shape;
}

class TextDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { page::InstallProgramStringTable(); }
};

TEST_F(TextDialogTest, ShowsTheShapesSettingsAndTheFaceItKeeps) {
  for (const std::string face : {"ＭＳ Ｐゴシック", "IPAGothic", "Lost Face"}) {
    page::SFigText shape = VerticalShape(face);
    app::SFigTextDlg dialog(shape, {});
    EXPECT_EQ(dialog.FaceBox()->currentText().toStdString(), face);
    EXPECT_EQ(dialog.FaceBox()->itemText(0).toStdString(), "ＭＳ Ｐゴシック") << "the default face first";
    EXPECT_EQ(dialog.SizeBox()->value(), 14);
    EXPECT_EQ(dialog.LineSpacingBox()->value(), 3);
    EXPECT_TRUE(dialog.VerticalButton()->isChecked());
    EXPECT_EQ(dialog.StyleButton(0)->GetCheck(), 1);
    EXPECT_EQ(dialog.StyleButton(1)->GetCheck(), 0);
    EXPECT_EQ(dialog.AlignButton(1)->GetCheck(), 1);
    EXPECT_EQ(dialog.AlignButton(0)->GetCheck(), 0);
    EXPECT_FALSE(dialog.ApplyButton()->isEnabled());
    EXPECT_EQ(dialog.TextEdit()->toPlainText().toStdString(), "一行目\n二行目");
    // Nothing changed: the same settings come back.
    EXPECT_EQ(dialog.ReadControls(), shape.GetSettings());
  }
}

TEST_F(TextDialogTest, ApplyStoresRedrawsAndWaitsForTheNextChange) {
  page::SFigText shape = VerticalShape("IPAGothic");
  int redraws = 0;
  app::SFigTextDlg dialog(shape, [&] { ++redraws; });
  dialog.show();
  dialog.SizeBox()->setValue(20);
  EXPECT_TRUE(dialog.ApplyButton()->isEnabled());
  dialog.StyleButton(2)->click();  // underline
  dialog.AlignButton(2)->click();  // to the bottom
  dialog.HorizontalButton()->click();
  dialog.ApplyButton()->click();
  EXPECT_EQ(redraws, 1);
  EXPECT_FALSE(dialog.ApplyButton()->isEnabled());
  const page::STextSettings s = shape.GetSettings();
  EXPECT_EQ(s.size, 20);
  EXPECT_TRUE(s.underline);
  EXPECT_TRUE(s.bold);
  EXPECT_EQ(s.alignment, 2);
  EXPECT_FALSE(s.vertical);
  EXPECT_EQ(shape.GetFontFace(), "IPAGothic");
  EXPECT_EQ(shape.GetText(), "一行目\r\n二行目") << "the text keeps its line ends";
  dialog.TextEdit()->setPlainText(QStringLiteral("三行目"));
  EXPECT_TRUE(dialog.ApplyButton()->isEnabled());
  dialog.close();
}

TEST_F(TextDialogTest, TextThePageCannotStoreIsRefused) {
  MessageCapture messages;
  page::SFigText shape = VerticalShape("IPAGothic");
  const page::STextSettings before = shape.GetSettings();
  app::SFigTextDlg dialog(shape, {});
  dialog.TextEdit()->setPlainText(QString::fromUtf8("\xF0\x9F\x98\x80"));
  dialog.accept();
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  ASSERT_EQ(messages.texts.size(), 1u);
  EXPECT_NE(messages.texts[0].find("保存できない"), std::string::npos);
  EXPECT_EQ(shape.GetSettings(), before);
}

TEST_F(TextDialogTest, TheDialogComesBackWhereItWasClosed) {
  page::SFigText shape = VerticalShape("IPAGothic");
  {
    app::SFigTextDlg dialog(shape, {});
    dialog.move(123, 77);
    dialog.reject();
  }
  app::SFigTextDlg again(shape, {});
  EXPECT_EQ(again.pos(), QPoint(123, 77));
}

class ThumbDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { page::InstallProgramStringTable(); }
  std::unique_ptr<page::SDoc> doc_ = pagetest::MakeShapesPage();
  page::SView view_;
};

TEST_F(ThumbDialogTest, UsingTheCurrentPageShowsANewThumbnailEachTime) {
  testsupport::TempDir temp;
  testsupport::ScopedEnv tmpdir("TMPDIR", temp.Path());
  app::CThumbDialog dialog(view_, *doc_);
  dialog.SetProperties(page::TakePageProperties(*doc_));
  EXPECT_FALSE(dialog.ShowsThumbnail());
  for (int i = 0; i < 2; ++i) {
    dialog.UseCurrentPageButton()->click();
    EXPECT_TRUE(dialog.ShowsThumbnail());
    EXPECT_EQ(dialog.Properties().thumbnail.Width(), 70);
    EXPECT_EQ(temp.CountFiles(), 0);
  }
}

TEST_F(ThumbDialogTest, OkStoresCheckedTextsAndCancelLeavesThePage) {
  MessageCapture messages;
  doc_->thumbText1 = "元の題名";
  // Cancel: the page keeps its properties.
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<app::CThumbDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->TitleEdit()->setText(QStringLiteral("捨てる題名"));
    dialog->reject();
  });
  EXPECT_FALSE(app::CThumbDialog::EditPageProperties(view_, *doc_, nullptr));
  EXPECT_EQ(doc_->thumbText1, "元の題名");

  // OK with a title too long is refused and the dialog stays; a shorter one passes.
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<app::CThumbDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->TitleEdit()->setText(QString(61, QLatin1Char('x')));
    dialog->accept();
    EXPECT_TRUE(dialog->isVisible());
    dialog->TitleEdit()->setText(QStringLiteral("新しい題名"));
    dialog->DescriptionEdit()->setPlainText(QStringLiteral("説明文"));
    dialog->UseCurrentPageButton()->click();
    dialog->accept();
  });
  EXPECT_TRUE(app::CThumbDialog::EditPageProperties(view_, *doc_, nullptr));
  EXPECT_EQ(messages.texts.size(), 1u);
  EXPECT_EQ(doc_->thumbText1, "新しい題名");
  EXPECT_EQ(doc_->thumbText2, "説明文");
  EXPECT_EQ(doc_->thumbImage.Width(), 70);
}

TEST(ThumbShowDialog, ShowsTheLibraryItemReadOnly) {
  app::ThumbShowFields fields{"人物", "題名", "説明", "/lib/Human", "figr.Z4H", platform::Image(70, 70, 32)};
  app::CThumbShowDialog dialog(fields);
  const std::vector<std::string> expected = {"人物", "題名", "説明", "/lib/Human", "figr.Z4H"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(dialog.FieldText(i).toStdString(), expected[static_cast<std::size_t>(i)]);
  EXPECT_TRUE(dialog.ShowsThumbnail());
  EXPECT_FALSE(app::CThumbShowDialog(app::ThumbShowFields{}).ShowsThumbnail());
}

}  // namespace
