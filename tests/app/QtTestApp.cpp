#include "QtTestApp.h"

#include <gtest/gtest.h>

#include <QApplication>

namespace {

class QtApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    application_ = new QApplication(argc_, argv_);
  }
  void TearDown() override {
    delete application_;
    application_ = nullptr;
  }

 private:
  int argc_ = 1;
  char arg0_[10] = "app_tests";
  char* argv_[2] = {arg0_, nullptr};
  QApplication* application_ = nullptr;
};

// GoogleTest owns the environment.
[[maybe_unused]] ::testing::Environment* const kQtApplication =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
