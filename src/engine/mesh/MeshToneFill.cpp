// The tone fill: thresholds and level colours from the view's tone values,
// the cutting of a polygon into bands and their fill.
#include "engine/mesh/MeshToneFill.h"

#include <algorithm>

#include "engine/core/QImp.h"
#include "engine/core/QView.h"
#include "engine/mesh/MShader.h"
#include "engine/render/GlLayer.h"

namespace engine {

MeshToneState& MeshToneStateOf() {
  static MeshToneState state;
  return state;
}

void MeshSetupToneLevels(QView* view) {
  MeshToneState& s = MeshToneStateOf();
  s.style = view->GetPageToneSwitch() >= 1 ? view->GetPageFaceStyle() : 0;
  float* t = s.thresholds;
  float* f = s.factors;
  if (s.style >= 1) {
    const float factors[4] = {0.85f, 1.0f, 1.0f, 1.15f}, thresholds[3] = {-0.1f, 0.8f, 0.8f};
    std::copy(factors, factors + 4, f);
    std::copy(thresholds, thresholds + 3, t);
    if (s.style == 3) t[0] = -100.0f;
    if (s.style == 4) {
      t[0] = -100.0f;
      t[1] = t[2] = 100.0f;
    }
  } else {
    const float factors[4] = {0.6f, 0.9f, 0.9f, 0.95f}, thresholds[3] = {0.4f, 0.85f, 0.85f};
    std::copy(factors, factors + 4, f);
    std::copy(thresholds, thresholds + 3, t);
  }
  double lights[2];
  view->GetToneLights(lights);
  s.light = static_cast<float>(lights[0]);
  const float light = s.light;
  const double contrast = view->GetToneContrast();
  if (s.style >= 1) {
    for (int i = 0; i < 3; ++i) t[i] += (35.0f - light) / 40.0f;
  } else if (light < 35.0f) {
    const float k = (35.0f - light) / 35.0f;
    t[2] = t[2] + k * (0.98f - t[2]);
    t[1] = t[1] + k * (t[2] - t[1]);
    t[0] = t[0] + k * (t[1] - t[0]);
  } else if (light > 35.0f) {
    const float k = (light - 35.0f) / 35.0f;
    const float t0 = t[0], t1 = t[1], t2 = t[2];
    t[0] = t0 - k * (t0 - 0.05f);
    t[1] = t1 - k * (t1 - t0);
    t[2] = t2 - k * (t2 - t1);
  }
  if (s.style >= 1) {
    const float k = static_cast<float>((contrast - 50.0) / 50.0);
    if (contrast > 50.0) {
      f[0] = std::max(0.0f, f[0] - k);
      f[3] = f[3] + k;
    } else {
      f[0] = f[0] + k * (f[0] - f[1]);
      f[3] = f[3] + k * (f[3] - f[1]);
    }
    for (int i = 0; i < 4; ++i) f[i] -= 1.0f;
  } else if (contrast > 50.0) {
    const float k = static_cast<float>((contrast - 50.0) * 2.0 * 0.01);
    f[0] = f[0] - 0.6f * k * f[0];
    f[3] = f[3] + k * (1.2f - f[3]);
    f[2] = f[2] + k * (f[3] - f[2]);
    f[1] = f[2];
  } else if (contrast < 50.0) {
    const float k = static_cast<float>((50.0 - contrast) * 2.0 * 0.01);
    const float g = f[1] - k * (f[1] - f[0]);
    f[1] = f[2] = g;
    f[0] = f[0] + k * (g - f[0]);
    f[3] = f[3] - k * (f[3] - g);
  }
  view->GetRenderer()->SetToneParameters(light, static_cast<float>(contrast));
}

int MeshToneLevelOf(float value) {
  const float* t = MeshToneStateOf().thresholds;
  if (value < t[0]) return 0;
  if (value > t[2]) return 3;
  if (value > t[1]) return 2;
  return 1;
}

void MeshToneColour(int level, const float colour[4], const MShader* material, float out[4]) {
  const MeshToneState& s = MeshToneStateOf();
  out[3] = colour[3];
  if (material != nullptr && material->usesColorPair != 0 && (level == 0 || level == 3)) {
    const PointRecord& pair = level == 0 ? material->toneColorA : material->toneColorB;
    out[0] = static_cast<float>(pair.x);
    out[1] = static_cast<float>(pair.y);
    out[2] = static_cast<float>(pair.z);
    return;
  }
  if (material != nullptr && material->usesColorPair != 0) {
    std::copy(colour, colour + 3, out);
    return;
  }
  for (int i = 0; i < 3; ++i)
    out[i] = s.style >= 1 ? std::clamp(colour[i] + s.factors[level], 0.0f, 1.0f) : colour[i] * s.factors[level];
}

namespace {

constexpr int kMaxCorners = 4;
constexpr int kSlotsPerCorner = 8;
constexpr int kMaxBandPoints = 48;

struct EdgePoint {
  double p[3];
  float tex[2];
  int level;
};

}  // namespace

void MeshCutToneBands(int count, const double* points, const double* normals, bool textured,
                      const float* textureCoords, double eyeX, double eyeY, double eyeZ, MeshToneSink& sink) {
  const int n = std::clamp(count, 0, kMaxCorners);
  if (n < 3 || points == nullptr || normals == nullptr || (textured && textureCoords == nullptr)) return;
  float d[kMaxCorners];
  int level[kMaxCorners];
  for (int k = 0; k < n; ++k) {
    d[k] = static_cast<float>(normals[3 * k] * eyeX + normals[3 * k + 1] * eyeY + normals[3 * k + 2] * eyeZ);
    level[k] = MeshToneLevelOf(d[k]);
  }
  bool oneLevel = true;
  for (int k = 1; k < n; ++k) oneLevel = oneLevel && level[k] == level[0];
  if (oneLevel) {
    sink.Band(level[0], n, points, textured ? textureCoords : nullptr);
    return;
  }
  const float* t = MeshToneStateOf().thresholds;
  EdgePoint edges[kMaxCorners][kSlotsPerCorner];
  int edgeCount[kMaxCorners] = {};
  for (int a = 0; a < n; ++a) {
    const int b = (a + 1) % n;
    EdgePoint* list = edges[a];
    int& m = edgeCount[a];
    auto push = [&](const double* p, const float* tex, int lv) {
      EdgePoint& e = list[m++];
      std::copy(p, p + 3, e.p);
      e.tex[0] = tex != nullptr ? tex[0] : 0.0f;
      e.tex[1] = tex != nullptr ? tex[1] : 0.0f;
      e.level = lv;
    };
    push(points + 3 * a, textured ? textureCoords + 2 * a : nullptr, level[a]);
    const int step = level[b] > level[a] ? 1 : -1;
    for (int lv = level[a]; lv != level[b]; lv += step) {
      const int j = step > 0 ? lv : lv - 1;  // the threshold between levels j and j + 1
      const float u = (t[j] - d[b]) / (d[a] - d[b]);
      double p[3];
      float tex[2] = {0.0f, 0.0f};
      for (int i = 0; i < 3; ++i) p[i] = points[3 * b + i] + u * (points[3 * a + i] - points[3 * b + i]);
      if (textured)
        for (int i = 0; i < 2; ++i)
          tex[i] = textureCoords[2 * b + i] + u * (textureCoords[2 * a + i] - textureCoords[2 * b + i]);
      push(p, tex, j);
      push(p, tex, j + 1);
    }
  }
  for (int lv = 0; lv < 4; ++lv) {
    double band[3 * kMaxBandPoints];
    float bandTex[2 * kMaxBandPoints];
    int m = 0;
    for (int a = 0; a < n; ++a)
      for (int i = 0; i < edgeCount[a] && m < kMaxBandPoints; ++i) {
        const EdgePoint& e = edges[a][i];
        if (e.level != lv) continue;
        std::copy(e.p, e.p + 3, band + 3 * m);
        bandTex[2 * m] = e.tex[0];
        bandTex[2 * m + 1] = e.tex[1];
        ++m;
      }
    if (m > 2) sink.Band(lv, m, band, textured ? bandTex : nullptr);
  }
}

namespace {

class GlToneSink : public MeshToneSink {
 public:
  GlToneSink(const float* colour, MShader* material) : colour_(colour), material_(material) {}
  void Band(int level, int count, const double* points, const float* textureCoords) override {
    MeshFillPolygon(count, points, textureCoords != nullptr, textureCoords, level, colour_, material_);
  }

 private:
  const float* colour_;
  MShader* material_;
};

}  // namespace

void MeshFillToneBands(int count, const double* points, const double* normals, bool textured,
                       const float* textureCoords, const float* colour, double eyeX, double eyeY, double eyeZ,
                       MShader* material, int*) {
  GlToneSink sink(colour, material);
  MeshCutToneBands(count, points, normals, textured, textureCoords, eyeX, eyeY, eyeZ, sink);
}

void MeshFillPolygon(int count, const double* points, bool textured, const float* textureCoords, int level,
                     const float* colour, MShader* material) {
  float rgba[4];
  MeshToneColour(level, colour, material, rgba);
  GlTriangleFan(count, points, textured ? textureCoords : nullptr, rgba);
}

}  // namespace engine
