#pragma once
// What the drawing passes of meshes and of their smooth surfaces share:
// the face emitters, single faces, section lines, the page style's ribbons
// and their joins, and the colour helpers. Private to the mesh folder, the
// scene's deferred pass (which draws single faces) and the tests.
#include <cmath>
#include <cstdint>

#include "engine/core/EngGeometry.h"
#include "engine/core/QView.h"

namespace engine {

class MFace;
class MLine;
class MObject;
class MShader;

// ---- small vector arithmetic --------------------------------------------
inline PointRecord VAdd(const PointRecord& a, const PointRecord& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline PointRecord VSub(const PointRecord& a, const PointRecord& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline PointRecord VScale(const PointRecord& a, double k) { return {a.x * k, a.y * k, a.z * k}; }
inline double VDot(const PointRecord& a, const PointRecord& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline PointRecord VCross(const PointRecord& a, const PointRecord& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double VLength(const PointRecord& a) { return std::sqrt(VDot(a, a)); }
inline PointRecord VMid(const PointRecord& a, const PointRecord& b) {
  return {(a.x + b.x) * 0.5, (a.y + b.y) * 0.5, (a.z + b.z) * 0.5};
}
inline void VToFloats(const PointRecord& p, float out[3]) {
  out[0] = static_cast<float>(p.x);
  out[1] = static_cast<float>(p.y);
  out[2] = static_cast<float>(p.z);
}
// The unit vector from `from` to `to`; `fallback` when their distance
// squared is not above 1e-16.
PointRecord MeshUnitDirection(const PointRecord& from, const PointRecord& to, const PointRecord& fallback);

// ---- colours --------------------------------------------------------------
// A line's colour bytes × 0.0039.
void MeshLineColour(const MLine* line, float out[3]);
// Entry of the preference colour table, each component / 255.
void MeshPrefColour(int entry, float out[3]);
// A 0x00BBGGRR colour, each byte / 255.
void MeshColourOfRef(std::uint32_t colour, float out[3]);
// The line's colour bytes × 0.0039, or the view's line colour (/ 255) while
// its override is on.
void MeshOutlineColour(QView* view, const MLine* line, float out[3]);

// The mirrored-copy pass flag of the engine preferences.
bool MeshMirrorPass();
// The object's matrix composed with those of its parents up to the top.
MatrixRecord MeshWorldMatrix(MObject* object);

// ---- faces ----------------------------------------------------------------
// Emission modes: 0 normals as they are, 1 reversed, 2 and above the tone
// fill (10 and 11 from the face pass).
void MeshEmitTriangle(QView* view, MFace* face, MShader* material, MShader*& current, int mode,
                      const PointRecord& eye, MShader* ownMaterial);
// Flat shading: a quad once as a quadrilateral, a lone triangle as itself;
// both halves of a quad take the stamp.
void MeshEmitFace(QView* view, MFace* face, MShader* material, MShader*& current, int mode, int stamp,
                  MShader* ownMaterial);
// The tone fill of one polygon of 3 or 4 corners: with indexed output each
// corner's index comes from its index word (-1 a new index kept there, -2 a
// new index each time); otherwise the normals turn to the eye. The colour is
// the material's (white when textured) with its opacity.
void MeshEmitToneFill(QView* view, int count, const PointRecord* points, PointRecord* normals, int* const* indexWords,
                      bool textured, const float* textureCoords, MShader* material, const PointRecord& eye,
                      const PointRecord& faceNormal);
// One face as the scene draws its deferred faces.
void MeshDrawFace(QView* view, MFace* face, MShader*& current, bool flip, int stamp, const PointRecord& eye);
void MeshDrawFacePageStyle(QView* view, MFace* face, MShader*& current, bool flip, const PointRecord& eye);

// ---- section lines --------------------------------------------------------
// The offset section lines are drawn at: the zero vector, factor 0.
PointRecord MeshZeroOffset(double& factor);
// Most section lines one face may take; a view frame whose step is far
// smaller than the face would otherwise draw without end.
constexpr int kMaxSectionsPerFace = 4096;
// The section lines across one triangle (DrawingMode and colour set by the
// caller). Nothing when the section step is shorter than 1e-8.
void MeshDrawFaceSections(QView* view, const DrawRecord& record, const PointRecord corners[3],
                          const PointRecord& offset, double factor);

// ---- page-style ribbons ---------------------------------------------------
// Eight triples: start corner +, start corner -, segment direction, screen
// direction, end corner -, end corner +, negated segment direction, negated
// screen direction. Each half is one end as seen from its vertex: its two
// corners (A, B), the segment direction and the screen direction pointing
// away from the vertex.
struct LineRibbon {
  PointRecord t[8];
  PointRecord* StartEnd() { return t; }
  PointRecord* FinishEnd() { return t + 4; }
};
// The width factor of a width: above 2.5 w - 2, above 1.5 0.5, above 0.5
// 0.25, else w itself.
double MeshRibbonWidthFactor(double width);
bool MeshMakeLineRibbon(QView* view, const PointRecord& eye, const double segment[6], double width,
                        const MatrixRecord& projection, bool halfWidth, LineRibbon& out, int penMode);
// Corners along the ribbon's outline: c0, c1 at the start, c2, c3 at the end.
void MeshDrawRibbon(QView* view, const float colour[3], bool ridge, const PointRecord& c0, const PointRecord& c1,
                    const PointRecord& c2, const PointRecord& c3, const PointRecord& viewDirection);
// Joins two ribbon ends (four triples each, changed in place) at a vertex.
// A count other than 2 is fatal.
void MeshJoinRibbons(QView* view, const float colour[3], int count, PointRecord* const ends[2], int lineStyle);
// Keeps the two outermost ribbon ends met around a vertex: slots 0 and 1
// take the first two; a later end replaces one of them by the 2D cross
// products of the screen directions (the fourth triple). Answers false when
// the ends leave the vertex without a join. `owner` follows the slots.
struct RibbonJoinSlots {
  PointRecord* end[2] = {nullptr, nullptr};
  int owner[2] = {-1, -1};
  int found = 0;
  bool blocked = false;
  void Offer(PointRecord* e, int who);
};

// ---- line classes ---------------------------------------------------------
// The drawing class of a line by its marker colour kind (each colour byte
// × 0.0039 compared with one half), group and faces at quick-draw levels 4
// and 5 (1 at others):
// 0 not drawn, 1 the curve colour, 2 to 4 the line-class colours, 5 the
// sharp-line colour.
int BoneFeatLineClass(const MLine* line, int mode);

}  // namespace engine
