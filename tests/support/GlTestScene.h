#pragma once
// A small GL scene shared by the platform's and the program's GL tests: a
// red triangle on a blue clear colour, drawn in pixel coordinates (y down).
//
//   (w/4, h/8) +-------+ (3w/4, h/8)      top of the frame
//               \     /
//                \   /
//                 \ /
//                  + (w/2, h/2)            nothing below the middle
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "platform/GlContext.h"
#include "platform/Image.h"

namespace testsupport {

inline constexpr platform::Bgra kGlClear{255, 0, 0, 255};     // blue
inline constexpr platform::Bgra kGlTriangle{0, 0, 255, 255};  // red

inline void DrawTriangleScene(int width, int height) {
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, width, height, 0, -1, 1);  // y grows downwards, as in the image
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_DEPTH_TEST);
  glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glColor3f(1.0f, 0.0f, 0.0f);
  glBegin(GL_TRIANGLES);
  glVertex2f(width * 0.25f, height * 0.125f);
  glVertex2f(width * 0.75f, height * 0.125f);
  glVertex2f(width * 0.5f, height * 0.5f);
  glEnd();
}

// Checks the scene's pixels in the context's image.
inline void ExpectTriangleScene(const platform::GlContext& context) {
  const platform::Image& pixels = context.Pixels();
  const int w = pixels.Width(), h = pixels.Height();
  EXPECT_EQ(pixels.GetBgra(w / 2, h / 4), kGlTriangle) << "inside, upper half";
  EXPECT_EQ(pixels.GetBgra(w / 2, h * 3 / 4), kGlClear) << "lower half";
  EXPECT_EQ(pixels.GetBgra(2, 2), kGlClear) << "top-left corner";
  EXPECT_EQ(pixels.GetBgra(w - 3, h / 4), kGlClear) << "right of the triangle";
  int red = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) red += pixels.GetBgra(x, y) == kGlTriangle;
  const double area = 0.5 * (w * 0.5) * (h * 0.375);
  EXPECT_NEAR(red, area, area * 0.1);
}

}  // namespace testsupport
