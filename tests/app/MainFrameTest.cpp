#include <gtest/gtest.h>

#include <QApplication>

#include "app/CSMainFrame.h"

namespace {

int argc = 1;
char arg0[] = "app_tests";
char* argv[] = {arg0, nullptr};

TEST(CSMainFrame, ShowsAnEmptyWindowTitledPennet) {
  QApplication application(argc, argv);
  app::CSMainFrame frame;
  frame.show();
  QApplication::processEvents();
  EXPECT_EQ(frame.windowTitle(), QStringLiteral("Pennet"));
  EXPECT_TRUE(frame.isVisible());
  frame.close();
  QApplication::processEvents();
  EXPECT_FALSE(frame.isVisible());
}

}  // namespace
