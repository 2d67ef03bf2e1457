#include "app/AppResources.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>
#include <filesystem>

#include "app/QtHooks.h"
#include "app/QtTranslations.h"
#include "app/SystemClipboard.h"
#include "platform/FileDialog.h"
#include "platform/Hooks.h"
#include "platform/Paths.h"
#include "support/TempDir.h"

namespace {

// Every picture the bars, the palette and the pads name is there.
TEST(AppResources, TheProgramsArtIsFound) {
  const std::string skins = app::SkinFolder();
  for (const char* name : {"button.png", "2d_kage.png", "3d_lens1.png", "3d_lens4.png", "3d_show.png",
                           "atm_anim.png", "atm_animm.png", "atm_anibeta.png", "tool_arrow.png", "tool_bucket.png",
                           "menu_copypict.png", "file_manmix.png", "edit_undo.png", "edit_redo.png"})
    EXPECT_TRUE(platform::IsRegularFile(platform::JoinPath(skins, name))) << name;
  for (int id : {140, 141, 184, 185, 186, 187}) {
    const QImage icon = app::LoadAppIcon(id);
    EXPECT_FALSE(icon.isNull()) << id;
    EXPECT_EQ(icon.format(), QImage::Format_ARGB32_Premultiplied) << id;
  }
  EXPECT_TRUE(app::LoadAppIcon(7).isNull());
}

// Qt's own buttons and dialogs speak Japanese, as the program's texts do.
TEST(QtTranslations, StandardButtonsAreInJapanese) {
  const auto buttonTexts = [] {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Pennet"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    return QStringList{box.button(QMessageBox::Yes)->text(), box.button(QMessageBox::No)->text(),
                       box.button(QMessageBox::Cancel)->text()};
  };
  ASSERT_EQ(buttonTexts(), (QStringList{"&Yes", "&No", "Cancel"})) << "English before";
  QTranslator* translator = app::InstallQtTranslations();
  ASSERT_NE(translator, nullptr) << "qtbase_ja.qm (Debian qt6-translations-l10n) is not installed";
  const QStringList texts = buttonTexts();
  QCoreApplication::removeTranslator(translator);
  delete translator;
  EXPECT_EQ(texts, (QStringList{"はい(&Y)", "いいえ(&N)", "キャンセル"}));
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Open"), QStringLiteral("Open")) << "removed again";
}

TEST(AppResources, AChosenFolderWinsAndAnEmptyOneRestoresTheSearch) {
  const std::string found = app::ResourceFolder();
  testsupport::TempDir dir;
  app::SetResourceFolder(dir.Path());
  EXPECT_EQ(app::SkinFolder(), platform::JoinPath(dir.Path(), "skins"));
  app::SetResourceFolder("");
  EXPECT_EQ(app::ResourceFolder(), found);
}

TEST(AppResources, CursorsCarryTheirHotSpots) {
  struct Case {
    int id;
    QPoint hotSpot;
  };
  // The pencil and the eyedropper point with their tips; the rest at
  // their centres or arrow tips.
  for (const Case& c : {Case{165, {3, 28}}, Case{167, {3, 28}}, Case{164, {15, 15}}, Case{469, {3, 2}}}) {
    ASSERT_TRUE(app::HasAppCursor(c.id)) << c.id;
    const QCursor cursor = app::LoadAppCursor(c.id);
    EXPECT_EQ(cursor.shape(), Qt::BitmapCursor) << c.id;
    EXPECT_EQ(cursor.hotSpot(), c.hotSpot) << c.id;
  }
  for (int id : {168, 169, 250, 286, 287, 291, 374, 470, 1081, 2018, 2019, 2020, 2021, 2022})
    EXPECT_TRUE(app::HasAppCursor(id)) << id;
  EXPECT_FALSE(app::HasAppCursor(1));
  EXPECT_EQ(app::LoadAppCursor(1).shape(), Qt::ArrowCursor);
}

// Swaps a hook out and back, keeping what was there.
template <typename Hook>
Hook Current(Hook (*set)(Hook)) {
  Hook current = set(nullptr);
  set(current);
  return current;
}

TEST(QtHooks, ProgramCursorsBecomeTheOverrideCursor) {
  // The windowed message and dialog hooks would wait for a user in later
  // tests: they go back afterwards.
  const auto message = Current(platform::SetMessageHook);
  const auto fatal = Current(platform::SetFatalHook);
  const auto fileDialog = Current(platform::SetFileDialogHook);
  const auto cursor = Current(platform::SetCursorHook);
  app::InstallQtHooks();
  platform::SetCursor(374);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BitmapCursor);
  platform::SetCursor(platform::kCursorWait);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  platform::SetCursor(platform::kCursorArrow);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  platform::SetMessageHook(message);
  platform::SetFatalHook(fatal);
  platform::SetFileDialogHook(fileDialog);
  platform::SetCursorHook(cursor);
}

TEST(SystemClipboard, EmptyingLeavesNothing) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->setText(QStringLiteral("page"));
  ASSERT_EQ(clipboard->text(), QStringLiteral("page"));
  app::EmptySystemClipboard();
  EXPECT_TRUE(clipboard->text().isEmpty());
}

}  // namespace
