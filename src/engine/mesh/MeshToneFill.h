#pragma once
// The tone fill of the page drawing style: a triangle or quadrilateral cut
// into flat bands of up to four tone levels by where the cosine between its
// corner normals and the eye direction crosses three thresholds, each band
// filled in one colour straight through OpenGL. The tone state is one for
// the process and the cutting works in fixed storage, so a fill must not
// start while another runs (the engine draws on one thread).
namespace engine {

class MShader;
class QView;

struct MeshToneState {
  int style = 0;                               // the view's page face style while its tone switch is on, else 0
  float thresholds[3] = {0.4f, 0.85f, 0.85f};  // T0, T1, T2
  float factors[4] = {0.6f, 0.9f, 0.9f, 0.95f};
  float light = 35.0f;
};

// The process's tone state, which SetupToneLevels fills.
MeshToneState& MeshToneStateOf();
// Thresholds and level factors from the view's tone values, as the face
// pass of a toned mesh sets them up; the renderer gets SetToneParameters.
void MeshSetupToneLevels(QView* view);
// 0 below T0, 3 above T2, 2 above T1, else 1.
int MeshToneLevelOf(float value);
// The fill colour of a level: the material's colour pair at levels 0 and 3
// when it has one; else the factor added (styles 1 and up, clamped) or
// multiplied in.
void MeshToneColour(int level, const float colour[4], const MShader* material, float out[4]);

// One band polygon of the cutting: its level, points (three doubles each)
// and texture coordinates (two floats each, when textured).
class MeshToneSink {
 public:
  virtual ~MeshToneSink() = default;
  virtual void Band(int level, int count, const double* points, const float* textureCoords) = 0;
};
// Cuts the polygon (3 or 4 corners) into its bands, in level order.
void MeshCutToneBands(int count, const double* points, const double* normals, bool textured,
                      const float* textureCoords, double eyeX, double eyeY, double eyeZ, MeshToneSink& sink);
// The cutting with each band filled through OpenGL (the render interface's
// default tone fill).
void MeshFillToneBands(int count, const double* points, const double* normals, bool textured,
                       const float* textureCoords, const float* colour, double eyeX, double eyeY, double eyeZ,
                       MShader* material, int* indices);
void MeshFillPolygon(int count, const double* points, bool textured, const float* textureCoords, int level,
                     const float* colour, MShader* material);

}  // namespace engine
