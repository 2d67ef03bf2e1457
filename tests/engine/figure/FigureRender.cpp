#include "FigureRender.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "engine/core/EngMath.h"
#include "engine/figure/MBoneObj.h"
#include "platform/GlContext.h"

namespace figuretest {

using namespace engine;

namespace {

void DrawMesh(MMeshObj& mesh, const MatrixRecord& toGroup) {
  const PointRecord light{-0.45, 0.35, 0.82};
  glBegin(GL_TRIANGLES);
  for (MFace* face : mesh.GetFaceList()) {
    // The face's three corners through its first line.
    MVertex* c[3];
    MLine* line = face->firstLine;
    c[0] = line->forwardFace == face ? line->end0 : line->end1;
    c[1] = line->OtherEnd(c[0]);
    MLine* next = line->forwardFace == face ? line->prevAround1 : line->prevAround0;
    c[2] = next->OtherEnd(c[1]);
    PointRecord p[3];
    for (int k = 0; k < 3; ++k) MUtilTransformPoint(toGroup, c[k]->position, p[k]);
    PointRecord a{p[1].x - p[0].x, p[1].y - p[0].y, p[1].z - p[0].z};
    PointRecord b{p[2].x - p[0].x, p[2].y - p[0].y, p[2].z - p[0].z};
    PointRecord normal;
    OsUtilCrossProduct(a, b, normal);
    OsUtilNormalize(normal);
    const double lit = 0.35 + 0.65 * std::max(0.0, normal.x * light.x + normal.y * light.y + normal.z * light.z);
    const PointRecord colour = face->shader != nullptr ? face->shader->diffuseColor : PointRecord{0.7, 0.7, 0.7};
    glColor3d(colour.x * lit, colour.y * lit, colour.z * lit);
    for (const PointRecord& q : p) glVertex3d(q.x, q.y, q.z);
  }
  glEnd();
}

// Makes the context current and sets up the orthographic view around the
// centre, cleared to the grey level `clear`.
bool BeginPicture(platform::GlContext& context, int width, int height, const PointRecord& centre, double halfHeight,
                  float clear, std::string* error) {
  if (!context.Create(width, height, error) || !context.MakeCurrent()) return false;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  const double aspect = static_cast<double>(width) / height;
  glOrtho(centre.x - halfHeight * aspect, centre.x + halfHeight * aspect, centre.y - halfHeight,
          centre.y + halfHeight, -10, 10);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glClearColor(clear, clear, clear, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  return true;
}

const PointRecord kWholeFigure{0, 1.0, 0};
constexpr double kWholeHalfHeight = 1.1;

}  // namespace

bool RenderGroup(MGroupObj& group, int width, int height, double turnDegrees, bool withBones, platform::Image& out,
                 std::string* error) {
  return RenderGroupAround(group, width, height, turnDegrees, withBones, kWholeFigure, kWholeHalfHeight, out, error);
}

bool RenderGroupAround(MGroupObj& group, int width, int height, double turnDegrees, bool withBones,
                       const PointRecord& centre, double halfHeight, platform::Image& out, std::string* error) {
  platform::GlContext context;
  if (!BeginPicture(context, width, height, centre, halfHeight, 1.0f, error)) return false;
  glRotated(turnDegrees, 0, 1, 0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  glDisable(GL_LIGHTING);
  glDisable(GL_CULL_FACE);
  glShadeModel(GL_FLAT);
  MBoneObj* figure = FindBoneObj(&group);
  BoundMeshArray meshes;
  if (figure != nullptr) figure->CollectBoundMeshes(meshes);
  for (int m = 0; m < meshes.count; ++m)
    if (!meshes[m].mesh->IsBoneObject()) DrawMesh(*meshes[m].mesh, meshes[m].toParent);
  if (withBones && figure != nullptr) {
    LineSegArray segments;
    MatrixRecord identity;
    MUtilIdentity(identity);
    figure->CollectOverlaySegments(segments, identity, nullptr);
    glDisable(GL_DEPTH_TEST);
    glLineWidth(2.0f);
    glPointSize(5.0f);
    for (int i = 0; i < segments.count; ++i) {
      const LineSegRecord& s = segments[i];
      const bool dot = s.from.x == s.to.x && s.from.y == s.to.y && s.from.z == s.to.z;
      if (s.kind == 2 || s.kind == 21)
        glColor3d(0.9, 0.1, 0.1);
      else if (s.kind == 19)
        glColor3d(0.1, 0.1, 0.9);
      else
        glColor3d(0.1, 0.1, 0.1);
      glBegin(dot ? GL_POINTS : GL_LINES);
      glVertex3d(s.from.x, s.from.y, s.from.z);
      if (!dot) glVertex3d(s.to.x, s.to.y, s.to.z);
      glEnd();
    }
  }
  context.Finish();
  out = context.Pixels();
  return true;
}

bool RenderInfluence(MGroupObj& group, int width, int height, platform::Image& out, std::string* error) {
  platform::GlContext context;
  if (!BeginPicture(context, width, height, kWholeFigure, kWholeHalfHeight, 0.0f, error)) return false;
  MBoneObj* figure = FindBoneObj(&group);
  if (figure != nullptr) figure->DrawBones(nullptr, nullptr);
  context.Finish();
  out = context.Pixels();
  return true;
}

int PixelsOffGolden(const platform::Image& actual, const platform::Image& golden) {
  int off = 0;
  for (int y = 0; y < actual.Height(); ++y)
    for (int x = 0; x < actual.Width(); ++x) {
      const platform::Bgra a = actual.GetBgra(x, y);
      bool matched = false;
      for (int dy = -1; dy <= 1 && !matched; ++dy)
        for (int dx = -1; dx <= 1 && !matched; ++dx) {
          if (!golden.Contains(x + dx, y + dy)) continue;
          const platform::Bgra g = golden.GetBgra(x + dx, y + dy);
          matched = std::abs(a.b - g.b) <= 3 && std::abs(a.g - g.g) <= 3 && std::abs(a.r - g.r) <= 3;
        }
      off += matched ? 0 : 1;
    }
  return off;
}

std::string PictureFolder() {
  const std::string folder = std::string(PENNET_ENGINE_TEST_OUTPUT) + "/figure_pictures";
  std::filesystem::create_directories(folder);
  return folder;
}

}  // namespace figuretest
