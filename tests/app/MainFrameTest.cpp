#include <gtest/gtest.h>

#include <QApplication>

#include "app/CSMainFrame.h"

namespace {

TEST(CSMainFrame, ShowsAnEmptyWindowTitledPennet) {
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
