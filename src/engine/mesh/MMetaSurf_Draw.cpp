// MMetaSurf: drawing the built surface: the face pass, section lines, the
// page style's ribbon outlines and single deferred patches.
#include <cmath>

#include "engine/core/CrPrefs.h"
#include "engine/core/EngAlloc.h"
#include "engine/core/QImp.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MMetaSurf.h"
#include "engine/mesh/MeshDrawing.h"
#include "engine/render/GlLayer.h"

namespace engine {
namespace {

bool Failed() { return EngContext().failState != kEngFailNone; }


// Face flag bits of the outline pass.
constexpr int kFirstFacing = 0x2;
constexpr int kSecondFacing = 0x4;
constexpr int kFirstEdgeOn = 0x8;
constexpr std::uint16_t kVertexHasRibbons = 0x2;

}  // namespace

void MMetaSurf::DrawFaces(QView* view, const DrawRecord& record, bool toned) {
  const int drawMode = view->GetDrawMode();
  if (drawMode == 0 || faces.Count() == 0) return;
  QImp* renderer = view->GetRenderer();
  const bool mirrored = MeshMirrorPass();
  const bool flipped = view->IsFaceOrderFlipped();
  const bool smooth =
      !toned && (drawMode == 2 || drawMode == 3 || (drawMode == 6 && view->GetPageFaceStyle() != 5));
  renderer->SetShadeModel(smooth ? kShadeSmooth : kShadeFlat);
  renderer->SetDrawingMode(kDrawFilledLit);
  MShader* current = nullptr;
  view->ApplyCullMode(mirrored);
  const int flip = (mirrored ? !flipped : flipped) ? 1 : 0;
  int style;
  if (toned) {
    renderer->LightingOff();
    style = mirrored ? 11 : 10;
  } else {
    style = (drawMode == 2 || drawMode == 3 || drawMode == 6) ? 0 : (drawMode == 4 || drawMode == 5) ? 2 : 4;
    style += flip;
  }
  if (renderer->IsIndexedOutput()) PrepareIndexedOutput(view);
  for (MShader* shader : mesh->shaders) {
    MShader* override = view->GetOverrideMaterial();
    MShader* used = override != nullptr ? override : shader;
    for (SurfFace& patch : faces) {
      if (patch.shader != shader) continue;
      if (used->opacity < 1.0) DeferPatch(view, &patch, record);
      else MetaSurfEmitPatch(view, &patch, used, current, style, record.eye, shader);
      if (Failed()) break;
    }
    if (Failed()) break;
  }
  renderer->EnableTexture(false);
  if (toned) renderer->LightingOn();
  renderer->SetCullMode(kCullNone);
}

void MMetaSurf::DrawSmooth(QView* view, const DrawRecord& record) {
  DrawFaces(view, record, false);
  if (!Failed() && view->IsOutlineShown()) DrawSectionLines(view, record);
}

void MMetaSurf::DrawSectionLines(QView* view, const DrawRecord& record) {
  QImp* renderer = view->GetRenderer();
  renderer->SetDrawingMode(kDrawLinesCulled);
  double factor;
  const PointRecord offset = MeshZeroOffset(factor);
  float colour[3];
  VToFloats(view->GetGridColor(), colour);
  renderer->SetColorVec(colour);
  for (SurfFace& patch : faces) {
    SurfVertex* c[4];
    SurfEdge* e[4];
    const int n = SurfFace::GetCorners(&patch, c, e);
    const PointRecord first[3] = {c[0]->position, c[1]->position, c[2]->position};
    MeshDrawFaceSections(view, record, first, offset, factor);
    if (n == 4) {
      const PointRecord second[3] = {c[2]->position, c[3]->position, c[0]->position};
      MeshDrawFaceSections(view, record, second, offset, factor);
    }
    if (Failed()) break;
  }
}

void MMetaSurf::DeferPatch(QView* view, SurfFace* patch, const DrawRecord&) {
  view->AddDeferredFace(mesh, nullptr, patch, 0.0);
}

void MetaSurfDrawPatch(QView* view, SurfFace* patch, MShader*& current, bool mirrored, const DrawRecord& record) {
  const int drawMode = view->GetDrawMode();
  if (drawMode == 6 && view->GetPageFaceStyle() != 1) {
    MetaSurfDrawPatchToned(view, patch, current, mirrored, record);
    return;
  }
  view->ApplyCullMode(mirrored);
  MShader* material = view->IsFaceColorOverride() ? view->GetOverrideShader() : patch->shader;
  const bool flipped = view->IsFaceOrderFlipped();
  const int flip = (mirrored ? !flipped : flipped) ? 1 : 0;
  const int style = ((drawMode == 2 || drawMode == 3 || drawMode == 6) ? 0 : (drawMode == 4 || drawMode == 5) ? 2 : 4) + flip;
  MetaSurfEmitPatch(view, patch, material, current, style, record.eye, nullptr);
}

void MetaSurfDrawPatchToned(QView* view, SurfFace* patch, MShader*& current, bool mirrored,
                            const DrawRecord& record) {
  view->ApplyCullMode(mirrored);
  MShader* material = view->IsFaceColorOverride() ? view->GetOverrideShader() : patch->shader;
  const bool flipped = view->IsFaceOrderFlipped();
  const int style = (mirrored ? !flipped : flipped) ? 11 : 10;
  GlSetLightingOnly(false);
  MetaSurfEmitPatch(view, patch, material, current, style, record.eye, nullptr);
  GlSetLightingOnly(true);
}

// ---- page outlines ---------------------------------------------------------------------

void MMetaSurf::DrawPageOutlines(QView* view, const DrawRecord& record) {
  QImp* renderer = view->GetRenderer();
  renderer->SetDrawingMode(kDrawFilledLit);
  renderer->LightingOff();
  renderer->SetPolygonOffset(false);
  const int edgeTotal = edges.Count();
  if (edgeTotal > 0 && faces.Count() > 0) {
    const MatrixRecord projection = mesh->PageOutlineMatrix(view);
    unsigned char* drawn = EngAllocArray<unsigned char>(static_cast<std::size_t>(edgeTotal));
    LineRibbon* ribbons = EngAllocArray<LineRibbon>(static_cast<std::size_t>(edgeTotal));
    if (drawn == nullptr || ribbons == nullptr) {
      EngRecordFailure(kEngReasonOutOfMemory);
    } else {
      std::fill(drawn, drawn + edgeTotal, 0);
      const bool parallel = view->GetProjectionKind() == 1603;
      const PointRecord along = MeshUnitDirection(record.eye, record.target, {0.0, 0.0, 1.0});
      auto direction = [&](const SurfVertex* at) {
        return parallel ? along : MeshUnitDirection(at->position, record.eye, {0.0, 0.0, 1.0});
      };
      const int penMode = mesh->GetPageLineStyle() != 0 ? mesh->GetPageLineStyle() : view->GetPageLineStyle();
      auto dot = [](const float n[3], const PointRecord& d) { return n[0] * d.x + n[1] * d.y + n[2] * d.z; };
      for (SurfFace& face : faces) {
        const PointRecord d = direction(face.firstEdge->vertexA);
        face.flags &= ~(kFirstFacing | kSecondFacing | kFirstEdgeOn);
        if (dot(face.normal1, d) >= 0.0) face.flags |= kFirstFacing;
        if (dot(face.normal2, d) >= 0.0) face.flags |= kSecondFacing;
        if (std::fabs(dot(face.normal1, d)) < 0.01) face.flags |= kFirstEdgeOn;
      }
      for (SurfVertex& v : vertices) v.flags &= static_cast<std::uint16_t>(~kVertexHasRibbons);
      auto folded = [](const SurfFace* f) {
        return ((f->flags & kFirstFacing) != 0) != ((f->flags & kSecondFacing) != 0);
      };
      for (int i = 0; i < edgeTotal; ++i) {
        SurfEdge& e = edges[i];
        if (e.lineKind == 2 || e.lineWidth == 0) continue;
        const SurfFace* a = e.faceAlong;
        const SurfFace* b = e.faceAgainst;
        bool silhouette = false, draw = false, clean = true;
        if (a != nullptr && b != nullptr) {
          if (((a->flags & kFirstFacing) != 0) != ((b->flags & kFirstFacing) != 0)) {
            silhouette = draw = true;
          } else {
            clean = (a->flags & kFirstEdgeOn) == 0 && (b->flags & kFirstEdgeOn) == 0;
            if (folded(a) || folded(b)) silhouette = draw = true;
            else draw = e.lineKind != 0;
          }
        } else {
          const SurfFace* one = a != nullptr ? a : b;
          if (one == nullptr) continue;
          if (e.mirrorKind == 2 || e.mirrorKind == 3) {
            if (folded(one)) {
              silhouette = draw = true;
            } else {
              const float* n = e.mirrorKind == 2 ? one->normal2 : one->normal1;
              const float mirrored[3] = {-n[0], n[1], n[2]};
              const bool sign = dot(mirrored, direction(e.vertexA)) >= 0.0;
              const bool own = (one->flags & (e.mirrorKind == 2 ? kSecondFacing : kFirstFacing)) != 0;
              if (sign != own) silhouette = draw = true;
              else draw = e.lineKind != 0;
            }
          } else {
            silhouette = draw = true;
          }
        }
        if (!draw) continue;
        const bool half = ((!silhouette && e.lineKind == 1) || e.lineKind == 3) && clean;
        const double width = view->IsLineWidthOverride() ? view->GetLineWidth() : e.lineWidth;
        const double segment[6] = {e.vertexA->position.x, e.vertexA->position.y, e.vertexA->position.z,
                                   e.vertexB->position.x, e.vertexB->position.y, e.vertexB->position.z};
        const int index = GetEdgeIndex(&e);
        if (!MeshMakeLineRibbon(view, record.eye, segment, width, projection, half, ribbons[index], penMode)) continue;
        drawn[index] = 1;
        e.vertexA->flags |= kVertexHasRibbons;
        e.vertexB->flags |= kVertexHasRibbons;
      }
      auto colourOf = [&](const SurfEdge& e, float out[3]) {
        if (view->IsLineColorOverride()) {
          MeshColourOfRef(view->GetLineColor(), out);
        } else {
          for (int i = 0; i < 3; ++i) out[i] = static_cast<float>(e.colour[i] / 255.0);
        }
      };
      for (SurfVertex& v : vertices) {
        if ((v.flags & kVertexHasRibbons) == 0 || v.firstEdge == nullptr) continue;
        RibbonJoinSlots slots;
        const SurfEdge* e = v.firstEdge;
        int guard = 0;
        do {
          const int index = GetEdgeIndex(e);
          if (drawn[index] != 0)
            slots.Offer(e->vertexA == &v ? ribbons[index].StartEnd() : ribbons[index].FinishEnd(), index);
          e = v.PrevEdgeAround(e);
        } while (e != v.firstEdge && ++guard < 100000);
        if (slots.found < 2 || slots.blocked) continue;
        float colour[3];
        colourOf(edges[slots.owner[0]], colour);
        MeshJoinRibbons(view, colour, 2, slots.end, view->GetPageLineStyle());
        if (Failed()) break;
      }
      for (int i = 0; i < edgeTotal && !Failed(); ++i) {
        if (drawn[i] == 0) continue;
        float colour[3];
        colourOf(edges[i], colour);
        const LineRibbon& r = ribbons[i];
        const bool ridge = edges[i].lineKind == 1 || edges[i].lineKind == 3;
        MeshDrawRibbon(view, colour, ridge, r.t[0], r.t[1], r.t[4], r.t[5], along);
      }
    }
    EngFree(drawn);
    EngFree(ribbons);
  }
  renderer->SetLineWidth(1.0f);
  renderer->SetPolygonOffset(true);
  renderer->LightingOn();
}

}  // namespace engine
