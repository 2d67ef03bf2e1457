#include <gtest/gtest.h>

#include <string>

#include "platform/GlContext.h"
#include "support/GlTestScene.h"

namespace {

// The program's libraries pull in Qt Widgets and with it the system's
// libGL; this binary is linked like the program, so a link order that lets
// libGL take the GL calls shows up here as a failed or black frame.
TEST(GlThroughTheProgramsLinkLine, RendersATriangleIntoMemory) {
  platform::GlContext context;
  std::string error;
  ASSERT_TRUE(context.Create(48, 32, &error)) << error;
  testsupport::DrawTriangleScene(48, 32);
  context.Finish();
  testsupport::ExpectTriangleScene(context);
}

}  // namespace
