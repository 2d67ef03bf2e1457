#include "engine/core/CRGlobalM.h"
#include "engine/core/CrPrefs.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MObject.h"
#include "engine/core/ShadowScene.h"
#include "engine/render/ShadowImage.h"
#include "platform/Image.h"

namespace engine {
namespace {

bool Failed() { return EngContext().failState != kEngFailNone; }

}  // namespace

double ObjectShadowStep(MShadowScene* scene) {
  int kind = 0, divisions = 0, subdivisions = 0;
  double size = 0.0;
  PointRecord colour, axisColour;
  scene->GetGridParams(kind, size, divisions, colour, axisColour, subdivisions);
  return divisions != 0 ? size * 0.01 / divisions : 0.0;
}

int ShadowPassCount() { return EngGlobalM().shadowPassCount; }

void ResetShadowPassCount() { EngGlobalM().shadowPassCount = 0; }

void MObject::DrawProjectedShadow(QView* view, MShadowScene* scene) {
  const ShadowInfo& s = shadowInfo;
  if (s.shadowMode == kShadowFromChildren) {
    DrawShadows(view, scene);
    return;
  }
  if (s.shadowMode != kShadowCasts) return;

  ComputeShadowFrame(view);
  const int imageState = scene->ShadowImageState();
  if (imageState == 0 || (imageState == 1 && s.lightKind != 2)) {
    MDocObj* document = scene->ShadowDocument();
    PrepareShadowImage(document);  // the class sets the centre and scales the axes to its extent
    if (Failed()) return;
    platform::Image image;
    if (!NewShadowImage(image)) return;
    PaintShadowSilhouette(document, &image, s.shadowColour);
    if (Failed()) return;
    MakeShadowTexture(image);
    if (Failed()) return;
  }

  const int count = ++EngGlobalM().shadowPassCount;
  const double lift = ObjectShadowStep(scene) * count;
  PointRecord normal{0.0, 1.0, 0.0}, point{0.0, lift, 0.0};
  if (s.projectOnObjects == 0) {
    // Light and object on the same side of the floor: no floor shadow.
    if (s.centre.y * s.lightDir.y >= 1e-8) return;
  } else if (!scene->RayCastObjects(s.centre, s.lightDir, normal, point, lift)) {
    return;
  }
  DrawShadowQuad(view, normal, point);
}

void MObject::ComputeShadowFrame(QView* view) {
  ShadowInfo& s = shadowInfo;
  double angles[2][2] = {{0.0, 0.0}, {0.0, 0.0}};
  bool lightsFixed = false;
  MatrixRecord inverseView;
  MUtilIdentity(inverseView);
  if (s.lightKind == 0 || s.lightKind == 1) {
    view->GetLights(angles, lightsFixed);
    if (!lightsFixed) inverseView = view->GetInverseViewMatrix();
  }
  s.lightDir = ShadowLightDirection(s.lightKind, angles[s.lightKind == 1 ? 1 : 0], lightsFixed, inverseView);
  ShadowAxesAcross(s.lightDir, s.axisU, s.axisV);
}

bool MObject::NewShadowImage(platform::Image& image) {
  shadowInfo.FreeImage();
  return engine::NewShadowImage(image, GetShadowKeyColour());
}

void MObject::MakeShadowTexture(platform::Image& image) {
  ShadowInfo& s = shadowInfo;
  s.FreeImage();
  if (!MakeShadowTextureFrom(image, GetShadowKeyColour(), s.blurRadius, s.image) || Failed()) return;
  ShadowCorners(s.centre, s.axisU, s.axisV, s.corners);
}

void MObject::DrawShadowQuad(QView*, const PointRecord& n, const PointRecord& q) {
  const CrPrefs* prefs = EngContext().prefs;
  ShadowQuadStyle style;
  style.opacity = shadowInfo.opacity;
  style.linearFilter = EngContext().textureMode == 2;
  style.rawUpload = prefs != nullptr && prefs->namedTextures == 1;
  DrawShadowQuadOnPlane(shadowInfo.corners, shadowInfo.lightDir, n, q, shadowInfo.image, style);
}

platform::COLORREF MObject::GetShadowKeyColour() {
  return ShadowKeyColourOf(static_cast<platform::COLORREF>(shadowInfo.shadowColour));
}

}  // namespace engine
