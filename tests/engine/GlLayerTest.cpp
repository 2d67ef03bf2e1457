#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "engine/render/GlLayer.h"
#include "platform/GlContext.h"

namespace {

using namespace engine;
using platform::Bgra;

constexpr int kSize = 64;

// The GL state that render states touch, read back from GL.
struct RenderSnapshot {
  GLint polygonMode[2];
  GLboolean cull;
  GLint cullFace;
  GLboolean depthTest;
  GLint depthFunc;
  GLboolean lighting;
  GLboolean light0;
  GLboolean light1;
  GLboolean blend;
  bool operator==(const RenderSnapshot& o) const {
    return polygonMode[0] == o.polygonMode[0] && polygonMode[1] == o.polygonMode[1] && cull == o.cull &&
           cullFace == o.cullFace && depthTest == o.depthTest && depthFunc == o.depthFunc && lighting == o.lighting &&
           light0 == o.light0 && light1 == o.light1 && blend == o.blend;
  }
};

RenderSnapshot Snapshot() {
  RenderSnapshot s{};
  glGetIntegerv(GL_POLYGON_MODE, s.polygonMode);
  s.cull = glIsEnabled(GL_CULL_FACE);
  glGetIntegerv(GL_CULL_FACE_MODE, &s.cullFace);
  s.depthTest = glIsEnabled(GL_DEPTH_TEST);
  glGetIntegerv(GL_DEPTH_FUNC, &s.depthFunc);
  s.lighting = glIsEnabled(GL_LIGHTING);
  s.light0 = glIsEnabled(GL_LIGHT0);
  s.light1 = glIsEnabled(GL_LIGHT1);
  s.blend = glIsEnabled(GL_BLEND);
  return s;
}

// Changes every piece of render state behind the layer's back.
void DisturbRenderState() {
  GLint mode[2];
  glGetIntegerv(GL_POLYGON_MODE, mode);
  glPolygonMode(GL_FRONT_AND_BACK, mode[0] == GL_FILL ? GL_POINT : GL_FILL);
  auto flip = [](GLenum cap) { glIsEnabled(cap) ? glDisable(cap) : glEnable(cap); };
  flip(GL_CULL_FACE);
  flip(GL_DEPTH_TEST);
  flip(GL_LIGHT0);
  flip(GL_BLEND);
  glDepthFunc(GL_ALWAYS);
  glEnable(GL_LIGHTING);
}

class GlLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    context_ = GlCreateContext(kSize, kSize);
    ASSERT_NE(context_, nullptr);
  }
  void TearDown() override { GlDeleteContext(context_); }

  Bgra PixelAt(int x, int y) {
    context_->Finish();
    return context_->Pixels().GetBgra(x, y);
  }

  std::unique_ptr<platform::GlContext> context_;
};

TEST_F(GlLayerTest, RepeatingARenderStateIssuesOnlyTheLightingDisableOfLineStates) {
  for (int state = 0; state <= 5; ++state) {
    SCOPED_TRACE(state);
    ASSERT_TRUE(GlMakeCurrent(*context_));  // a new binding remembers nothing
    GlSetRenderState(state);
    DisturbRenderState();
    RenderSnapshot expected = Snapshot();
    if (state > 2) expected.lighting = GL_FALSE;
    GlSetRenderState(state);
    EXPECT_TRUE(Snapshot() == expected);
  }
}

TEST_F(GlLayerTest, RenderStatesSetTheirRows) {
  struct Row {
    int state;
    GLint front, back;
    GLboolean cull, depth, lighting;
  };
  const Row rows[] = {
      {0, GL_FILL, GL_FILL, GL_FALSE, GL_TRUE, GL_TRUE},  {3, GL_LINE, GL_LINE, GL_FALSE, GL_FALSE, GL_FALSE},
      {4, GL_LINE, GL_LINE, GL_TRUE, GL_TRUE, GL_FALSE}, {5, GL_LINE, GL_LINE, GL_FALSE, GL_TRUE, GL_FALSE},
      {1, GL_LINE, GL_POINT, GL_FALSE, GL_TRUE, GL_FALSE}, {2, GL_POINT, GL_LINE, GL_FALSE, GL_TRUE, GL_FALSE},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.state);
    GlSetRenderState(row.state);
    const RenderSnapshot s = Snapshot();
    EXPECT_EQ(s.polygonMode[0], row.front);
    EXPECT_EQ(s.polygonMode[1], row.back);
    EXPECT_EQ(s.cull, row.cull);
    EXPECT_EQ(s.depthTest, row.depth);
    EXPECT_EQ(s.lighting, row.lighting);
  }
  GlSetRenderState(4);  // from 2: hidden-line culls back faces with GL_LESS
  EXPECT_EQ(Snapshot().cullFace, GL_BACK);
  EXPECT_EQ(Snapshot().depthFunc, GL_LESS);
}

TEST_F(GlLayerTest, ANewOrReboundContextDoesNotInheritRememberedStates) {
  GlSetRenderState(3);
  GlSetRenderState(3);
  // A second context starts with GL's defaults; the layer must apply the
  // state there instead of trusting what it set in the first one.
  auto second = GlCreateContext(8, 8);
  ASSERT_NE(second, nullptr);
  GlSetRenderState(3);
  EXPECT_EQ(Snapshot().polygonMode[0], GL_LINE);
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));

  // The first context again, changed meanwhile by other code: binding it
  // again forgets what the layer remembered.
  ASSERT_TRUE(GlMakeCurrent(*context_));
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  ASSERT_TRUE(GlMakeCurrent(*context_));
  GlSetRenderState(3);
  EXPECT_EQ(Snapshot().polygonMode[0], GL_LINE);
}

TEST_F(GlLayerTest, XorDrawingStartsRememberedAsOn) {
  GlSetXorDrawing(true);  // remembered on already: only the colour
  EXPECT_FALSE(glIsEnabled(GL_COLOR_LOGIC_OP));
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[0] + colour[1] + colour[2] + colour[3], 4.0f);

  GlSetXorDrawing(false);
  GLboolean depthWrites = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
  EXPECT_TRUE(depthWrites);
  GlSetXorDrawing(true);
  EXPECT_TRUE(glIsEnabled(GL_COLOR_LOGIC_OP));
  GLint op = 0;
  glGetIntegerv(GL_LOGIC_OP_MODE, &op);
  EXPECT_EQ(op, GL_XOR);
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
  EXPECT_FALSE(depthWrites);
}

TEST_F(GlLayerTest, GuardsOnViewportLineWidthAndMatrixMode) {
  GlViewport(1, 2, 30, 40);
  GlViewport(5, 5, 0, 10);  // a zero width changes nothing
  int x, y, w, h;
  GlGetViewport(x, y, w, h);
  EXPECT_EQ((std::array{x, y, w, h}), (std::array{1, 2, 30, 40}));

  GlLineWidth(0.5f);
  GLfloat width = 0;
  glGetFloatv(GL_LINE_WIDTH, &width);
  EXPECT_EQ(width, 1.0f);

  GlMatrixMode(1);
  glMatrixMode(GL_TEXTURE);
  GlMatrixMode(7);  // any other kind selects the remembered mode again
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_PROJECTION);
}

TEST_F(GlLayerTest, WindowCoordinatesStayUntilTheNextProjection) {
  GlBeginWindowCoords(kSize, kSize);
  GlBeginWindowCoords(20, 20);  // already on: ignored
  int x, y, w, h;
  GlGetViewport(x, y, w, h);
  EXPECT_EQ(w, kSize);
  GlOrtho(-1, 1, -1, 1, -1, 1);
  GlBeginWindowCoords(20, 20);
  GlGetViewport(x, y, w, h);
  EXPECT_EQ(w, 20);
}

TEST_F(GlLayerTest, WindowPointsAndOutlinesMeasureYFromTheTop) {
  GlBeginWindowCoords(kSize, kSize);
  GlClearColor(0, 0, 0);
  GlClear();
  GlSetRenderState(3);
  GlColor(1, 1, 1);
  GlPointSize(4);
  GlWindowPoint(10, 5);
  EXPECT_EQ(PixelAt(10, 5).r, 255);
  EXPECT_EQ(PixelAt(10, kSize - 5).r, 0);

  GlShortPoint quad[4] = {{20, 30}, {40, 30}, {40, 50}, {20, 50}};
  GlWindowQuadOutline(quad);
  EXPECT_EQ(quad[0].y, kSize - 30) << "the caller's points are flipped in place";
  EXPECT_EQ(quad[2].y, kSize - 50);
}

TEST_F(GlLayerTest, DrawPixelsAtANegativeXDrawsTheVisiblePartAndRestoresTheViewport) {
  GlBeginWindowCoords(kSize, kSize);
  GlClearColor(0, 0, 1);
  GlClear();
  GLdouble projectionBefore[16];
  glGetDoublev(GL_PROJECTION_MATRIX, projectionBefore);
  constexpr int w = 20, h = 8;
  std::vector<std::uint8_t> red(w * h * 4);
  for (int i = 0; i < w * h; ++i) red[i * 4] = 255, red[i * 4 + 3] = 255;
  glPixelTransferf(GL_RED_SCALE, 0.5f);  // left over from elsewhere: must not apply
  GlDrawPixels(6, -5, 10, w, h, red.data());

  // Window rows 10..17 from the bottom are image rows 46..53 from the top;
  // columns -5..14 show as 0..14.
  const Bgra kRed{0, 0, 255, 255}, kBlue{255, 0, 0, 255};
  EXPECT_EQ(PixelAt(0, 50), kRed);
  EXPECT_EQ(PixelAt(14, 46), kRed);
  EXPECT_EQ(PixelAt(14, 53), kRed);
  EXPECT_EQ(PixelAt(15, 50), kBlue);
  EXPECT_EQ(PixelAt(5, 45), kBlue);
  EXPECT_EQ(PixelAt(5, 54), kBlue);

  int x, y, vw, vh;
  GlGetViewport(x, y, vw, vh);
  EXPECT_EQ((std::array{x, y, vw, vh}), (std::array{0, 0, kSize, kSize}));
  GLdouble projectionAfter[16];
  glGetDoublev(GL_PROJECTION_MATRIX, projectionAfter);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(projectionAfter[i], projectionBefore[i]);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(GlLayerTest, TextureUploadKeepsTheBytesWhateverPixelTransferWasLeft) {
  // Scaling bytes by 1/255 with the colour maps on (their default maps hold
  // one zero entry) would make every texel black and transparent.
  glPixelTransferf(GL_RED_SCALE, 1.0f / 255);
  glPixelTransferf(GL_ALPHA_SCALE, 1.0f / 256);
  glPixelTransferi(GL_MAP_COLOR, GL_TRUE);
  std::vector<std::uint8_t> texels(64 * 64 * 4);
  for (std::size_t i = 0; i < texels.size(); i += 4) texels[i] = 200, texels[i + 1] = 10, texels[i + 3] = 128;
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  GlTexImage(64, 64, 4, kGlFormatRgba, kGlTypeUnsignedByte, texels.data(), 1, 1, 1, 1, 0, false);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));

  glPixelTransferi(GL_MAP_COLOR, GL_FALSE);  // reading back must not change them either
  glPixelTransferf(GL_RED_SCALE, 1.0f);
  glPixelTransferf(GL_ALPHA_SCALE, 1.0f);
  std::vector<std::uint8_t> back(texels.size());
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, back.data());
  EXPECT_EQ(back, texels);
  GLint wrap = 0, minFilter = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  EXPECT_EQ(wrap, GL_REPEAT);
  EXPECT_EQ(minFilter, GL_LINEAR);
  glDeleteTextures(1, &name);
}

TEST(GlPowerOfTwoSize, RoundsUpFromSixtyFourToTheLargestTexture) {
  const int limit = GlMaxTextureSize();
  ASSERT_GE(limit, 64);
  ASSERT_EQ(limit & (limit - 1), 0) << "GL reports a power of two";
  struct Case {
    int size, out, answer;
  };
  const Case cases[] = {{0, 64, 1},     {40, 64, 1},        {63, 64, 1},    {64, 64, 1},
                        {65, 128, 0},   {100, 128, 0},      {128, 128, 1},  {limit - 1, limit, 0},
                        {limit, limit, 1}, {limit + 1, limit, 1}, {limit * 4, limit, 1}};
  for (const Case& c : cases) {
    int out = 0;
    EXPECT_EQ(GlPowerOfTwoSize(c.size, out), c.answer) << c.size;
    EXPECT_EQ(out, c.out) << c.size;
  }
}

TEST(GlScaleImage, WorksWithoutACurrentContextAndLeavesNoneCurrent) {
  platform::GlContext::ReleaseCurrent();
  // 4 × 4 RGBA made of four uniform 2 × 2 quarters halves to their colours.
  const std::array<std::array<std::uint8_t, 4>, 4> quarter = {
      {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 0}}};
  std::vector<std::uint8_t> in(4 * 4 * 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      for (int c = 0; c < 4; ++c) in[(y * 4 + x) * 4 + c] = quarter[(y / 2) * 2 + x / 2][c];
  std::vector<std::uint8_t> out(2 * 2 * 4, 7);
  EXPECT_EQ(GlScaleImage(kGlFormatRgba, 4, 4, kGlTypeUnsignedByte, in.data(), 2, 2, out.data()), 0);
  EXPECT_FALSE(platform::GlContext::AnyCurrent());
  for (int i = 0; i < 4; ++i)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(out[i * 4 + c], quarter[i][c]) << i << "," << c;
  EXPECT_GE(GlMaxTextureSize(), 64);
  EXPECT_FALSE(platform::GlContext::AnyCurrent());
}

}  // namespace
