#include <gtest/gtest.h>

#include <GL/gl.h>

#include <string>

#include "support/GlTestScene.h"
#include "platform/Dc.h"
#include "platform/GlContext.h"

namespace {

using platform::Bgra;
using platform::GlContext;
using testsupport::DrawTriangleScene;
using testsupport::ExpectTriangleScene;

TEST(GlContext, RendersATriangleIntoMemoryTopRowFirst) {
  GlContext context;
  std::string error;
  ASSERT_TRUE(context.Create(64, 48, &error)) << error;
  EXPECT_NE(glGetString(GL_RENDERER), nullptr);
  DrawTriangleScene(64, 48);
  context.Finish();
  ExpectTriangleScene(context);
}

TEST(GlContext, HasADeepDepthBufferAndReportsViewportLimits) {
  GlContext context;
  ASSERT_TRUE(context.Create(16, 16));
  EXPECT_GE(context.DepthBits(), 24);
  GLint bits = 0;
  glGetIntegerv(GL_DEPTH_BITS, &bits);
  EXPECT_EQ(bits, context.DepthBits());
  const platform::SIZE dims = context.MaxViewportDims();
  EXPECT_GE(dims.cx, 4096);
  EXPECT_GE(dims.cy, 4096);
}

TEST(GlContext, ResizeRebindsANewBuffer) {
  GlContext context;
  ASSERT_TRUE(context.Create(32, 32));
  ASSERT_TRUE(context.Resize(80, 40));
  EXPECT_EQ(context.Width(), 80);
  EXPECT_EQ(context.Height(), 40);
  DrawTriangleScene(80, 40);
  context.Finish();
  ExpectTriangleScene(context);
  EXPECT_FALSE(context.Resize(0, 40));
  EXPECT_EQ(context.Width(), 80);
}

TEST(GlContext, ContextsKeepTheirOwnBuffers) {
  GlContext first, second;
  ASSERT_TRUE(first.Create(16, 16));
  ASSERT_TRUE(second.Create(16, 16));
  ASSERT_TRUE(first.MakeCurrent());
  glClearColor(1, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  first.Finish();
  ASSERT_TRUE(second.MakeCurrent());
  glClearColor(0, 1, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  second.Finish();
  EXPECT_EQ(first.Pixels().GetBgra(8, 8), (Bgra{0, 0, 255, 255}));
  EXPECT_EQ(second.Pixels().GetBgra(8, 8), (Bgra{0, 255, 0, 255}));
}

TEST(GlContext, DcDrawsOverTheFinishedFrame) {
  GlContext context;
  ASSERT_TRUE(context.Create(40, 40));
  DrawTriangleScene(40, 40);
  context.Finish();
  platform::Dc dc(context.Pixels());
  dc.FillRect(platform::RECT{0, 30, 10, 40}, platform::MakeRgb(0, 255, 0));
  EXPECT_EQ(context.Pixels().GetBgra(5, 35), (Bgra{0, 255, 0, 255}));
  EXPECT_EQ(context.Pixels().GetBgra(20, 10), testsupport::kGlTriangle);
}

TEST(GlContext, DestroyedOrUncreatedContextsRefuseWork) {
  GlContext context;
  EXPECT_FALSE(context.IsValid());
  EXPECT_FALSE(context.MakeCurrent());
  std::string error;
  EXPECT_FALSE(context.Create(0, 10, &error));
  EXPECT_FALSE(error.empty());
  ASSERT_TRUE(context.Create(8, 8));
  context.Destroy();
  EXPECT_FALSE(context.IsValid());
  EXPECT_FALSE(context.MakeCurrent());
  EXPECT_EQ(context.MaxViewportDims(), (platform::SIZE{0, 0}));
  EXPECT_TRUE(context.Pixels().IsNull());
}

TEST(GlContext, EveryBindingAndReleaseGetsANewBindingNumber) {
  GlContext first, second;
  ASSERT_TRUE(first.Create(8, 8));
  const std::uint64_t afterCreate = GlContext::CurrentBinding();
  EXPECT_NE(afterCreate, 0u);
  EXPECT_TRUE(GlContext::AnyCurrent());
  ASSERT_TRUE(second.Create(8, 8));
  const std::uint64_t secondBound = GlContext::CurrentBinding();
  EXPECT_NE(secondBound, afterCreate);
  ASSERT_TRUE(second.MakeCurrent());
  EXPECT_NE(GlContext::CurrentBinding(), secondBound) << "binding the same context again is a new binding";
  GlContext::ReleaseCurrent();
  EXPECT_EQ(GlContext::CurrentBinding(), 0u);
  EXPECT_FALSE(GlContext::AnyCurrent());
  ASSERT_TRUE(first.MakeCurrent());
  second.Destroy();
  EXPECT_TRUE(GlContext::AnyCurrent()) << "destroying a context that is not current leaves the current one";
  first.Destroy();
  EXPECT_FALSE(GlContext::AnyCurrent());
  EXPECT_EQ(GlContext::CurrentBinding(), 0u);
}

}  // namespace
