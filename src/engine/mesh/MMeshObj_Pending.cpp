// MMeshObj: the modelling operations still to come. Each records failure
// reason 41 ("not available") and changes nothing, so that a scene command
// that needs one stops cleanly until the modelling part of the engine
// brings it.
#include "engine/core/EngRuntime.h"
#include "engine/mesh/MMeshObj.h"

namespace engine {
namespace {

void NotAvailable() { EngRecordFailure(kEngReasonNotAvailable); }

}  // namespace

void MMeshObj::SplitIntoParts(PtrArray&) { NotAvailable(); }
void MMeshObj::AttachMesh(MMeshObj*, const MatrixRecord&) { NotAvailable(); }
void MMeshObj::RecordSelectionEdit() { NotAvailable(); }
void MMeshObj::RemoveSelectedFaceGroups(bool& removed) {
  removed = false;
  NotAvailable();
}
void MMeshObj::MergeRootGroups() { NotAvailable(); }
void MMeshObj::ClearMirrorPartners(int) { NotAvailable(); }
bool MMeshObj::SwitchQuadDiagonal(MVertex*, MVertex*, bool) {
  NotAvailable();
  return false;
}
void MMeshObj::WeldVertices(MVertex*, MVertex*) { NotAvailable(); }
MFace* MMeshObj::FindSharedFace(MItem*, MItem*) {
  NotAvailable();
  return nullptr;
}
void MMeshObj::CutFacesAlongRefs(PtrArray&, PtrArray&, PointArray&) { NotAvailable(); }
void MMeshObj::PrepareRefLines(ElementRefArray&) { NotAvailable(); }
void MMeshObj::AddLinesThroughRefs(ElementRefArray&) { NotAvailable(); }
void MMeshObj::ClearCopyLinks() { NotAvailable(); }
void MMeshObj::RemapLinksToCopies() { NotAvailable(); }
void MMeshObj::SelectNonManifoldLines() { NotAvailable(); }
void MMeshObj::SelectFacelessLines() { NotAvailable(); }
void MMeshObj::SelectCreaseItems() { NotAvailable(); }
void MMeshObj::SelectByThreshold(double) { NotAvailable(); }
void MMeshObj::SelectBoundaryLines() { NotAvailable(); }
void MMeshObj::SelectPartialWeightItems() { NotAvailable(); }
void MMeshObj::SelectLinesByWidth(double, double) { NotAvailable(); }
void MMeshObj::SelectLists(PtrArray*, PtrArray*, PtrArray*) { NotAvailable(); }
bool MMeshObj::OwnsElement(MFace*, MLine*, MVertex*) {
  NotAvailable();
  return false;
}
void MMeshObj::GatherGroupElements(MGroup*, PtrArray*, PtrArray*, PtrArray*) { NotAvailable(); }
void MMeshObj::MakeQuad(const PointRecord&, const PointRecord&, bool) { NotAvailable(); }
void MMeshObj::MakeFan(const PointRecord&, const PointRecord&, bool, int) { NotAvailable(); }
void MMeshObj::MakeBox(const PointRecord&, const PointRecord&, bool) { NotAvailable(); }
void MMeshObj::MakeCone(const PointRecord&, const PointRecord&, bool, int) { NotAvailable(); }
void MMeshObj::MakeCylinder(const PointRecord&, const PointRecord&, bool, int) { NotAvailable(); }
void MMeshObj::MakeSphere(const PointRecord&, const PointRecord&, bool, int) { NotAvailable(); }

}  // namespace engine
