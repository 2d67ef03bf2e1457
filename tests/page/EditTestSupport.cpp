#include "EditTestSupport.h"

#include "PageTestSupport.h"

#include <algorithm>
#include <utility>
#include <filesystem>
#include <unordered_map>
#include <unordered_set>

#include "page/PnFile.h"
#include "page/PnGlobal.h"
#include "page/ResultCodes.h"
#include "page/SFigRect.h"
#include "platform/TempFiles.h"
#include "support/TempDir.h"

namespace pagetest {

using page::SObj;

std::string PageBytes(const page::SDoc& doc) {
  testsupport::TempDir dir;
  const std::string path = dir / "page.bin";
  {
    page::PnFile out(path, page::PnFile::Mode::kCreateWrite);
    doc.Write(out);
    page::PropGroup::Write(out, doc.Root());
    out.WriteInt(doc.nextId);
    for (const auto& object : doc.Objects()) {
      const platform::Image* picture = object->fig ? object->fig->GetPicture() : nullptr;
      if (picture == nullptr || picture->IsNull()) continue;
      out.WriteInt(object->id);
      out.WriteInt(picture->Width());
      out.WriteInt(picture->Height());
      out.WriteInt(picture->Bpp());
      const std::size_t rowBytes = (static_cast<std::size_t>(picture->Width()) * static_cast<std::size_t>(picture->Bpp()) + 7) / 8;
      for (int y = 0; y < picture->Height(); ++y) out.WriteBytes(picture->Row(y), rowBytes);
    }
    out.Close();
  }
  // Then the scenes the 3D shapes wrote beside the stream, by name.
  std::string bytes = testsupport::ReadText(path);
  std::vector<std::string> members;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    if (entry.path().filename().string().starts_with("data")) members.push_back(entry.path().filename().string());
  std::sort(members.begin(), members.end());
  for (const std::string& name : members) bytes += "\n" + name + "\n" + testsupport::ReadText(dir / name);
  return bytes;
}

::testing::AssertionResult SameBytes(const std::string& a, const std::string& b) {
  if (a == b) return ::testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  return ::testing::AssertionFailure() << "the bytes differ from offset " << at << " (sizes " << a.size() << " and "
                                       << b.size() << ")";
}

std::string StructureProblems(const page::SDoc& doc) {
  std::string problems;
  std::unordered_set<int> ids;
  std::vector<const SObj*> open;  // containers whose run goes on
  for (const auto& object : doc.Objects()) {
    if (!ids.insert(object->id).second) problems += "id " + std::to_string(object->id) + " twice; ";
    while (!open.empty() && open.back()->id != object->parentId) open.pop_back();
    if (object->parentId != -1 && open.empty())
      problems += "object " + std::to_string(object->id) + " outside its container; ";
    if (object->flags & page::kObjContainer) open.push_back(object.get());
    if (object->flags & (page::kObjTempMark1 | page::kObjTempMark2))
      problems += "object " + std::to_string(object->id) + " keeps a temporary mark; ";
  }
  // A group is selected exactly when all its members are (one without
  // members stays unselected).
  for (int i = 0; i < doc.GetObjectCount(); ++i) {
    const SObj& group = *doc.GetObject(i);
    if (!(group.flags & page::kObjGroup)) continue;
    const auto [first, last] = doc.GetMemberRange(&group);
    bool all = last > first;
    for (int j = first + 1; j <= last; ++j) all = all && doc.GetObject(j)->IsSelected();
    if (all != group.IsSelected()) problems += "group " + std::to_string(group.id) + " selection out of line; ";
  }
  return problems;
}

SObj& AddRect(page::SDoc& doc, int parentId, double x, double y, double w, double h) {
  page::PropSCVal P;
  P.x = x, P.y = y, P.width = w, P.height = h;
  return AddShape(doc, std::make_unique<page::SFigRect>(), parentId, P);
}

SObj& AddGroup(page::SDoc& doc, int parentId) {
  std::unique_ptr<SObj> group = page::SDoc::NewGroupObject();
  group->parentId = parentId;
  SObj& added = *group;
  doc.AddObject(std::move(group), -1, -1);
  return added;
}

SObj& AddFrame(page::SDoc& doc, int parentId, double x, double y, double w, double h) {
  SObj& frame = AddRect(doc, parentId, x, y, w, h);
  frame.SetFlagsAll(page::kObjContainer | page::kObjFrame);
  return frame;
}

std::vector<int> IdsOf(const page::SDoc& doc) {
  std::vector<int> ids;
  for (const auto& object : doc.Objects()) ids.push_back(object->id);
  return ids;
}

std::vector<int> SelectedIds(const page::SDoc& doc) {
  std::vector<int> ids;
  for (const auto& object : doc.Objects())
    if (object->IsSelected()) ids.push_back(object->id);
  return ids;
}

std::vector<int> ParentsOf(const page::SDoc& doc) {
  std::vector<int> parents;
  for (const auto& object : doc.Objects()) parents.push_back(object->parentId);
  return parents;
}

void SelectExactly(page::SDoc& doc, const std::vector<int>& ids) {
  for (const auto& object : doc.Objects())
    object->SetSelected(std::find(ids.begin(), ids.end(), object->id) != ids.end());
}

std::unique_ptr<page::SDoc> MakeNestedPage() {
  auto doc = std::make_unique<page::SDoc>(20);
  AddRect(*doc, -1, 50, 50);                 // 1000 A
  const int g1 = AddGroup(*doc, -1).id;      // 1001 G1
  const int g2 = AddGroup(*doc, g1).id;      // 1002 G2
  AddRect(*doc, g2, 100, 100);               // 1003 a
  AddRect(*doc, g2, 140, 100);               // 1004 b
  AddRect(*doc, g1, 120, 160);               // 1005 c
  const int f = AddFrame(*doc, -1, 300, 300).id;  // 1006 F
  AddRect(*doc, f, 280, 290);                // 1007 d
  AddRect(*doc, -1, 400, 60);                // 1008 E
  return doc;
}

// ---- the stand-in 3D figure ------------------------------------------------------

void FakeFigureShape::Write(page::PnFile& file, int /*objectId*/) const {
  file.WriteInt(pose);
  file.WriteString(prop);
  file.WriteInt(static_cast<std::int32_t>(colour));
  file.WriteBool(mirrored);
  file.WriteBool(editing);
}

int FakeFigureShape::ApplyLibraryFile(const std::string& path, int /*figure*/, std::string& replaced) {
  if (path.find("bad") != std::string::npos) return page::kResultCannotApply;
  if (!platform::PnUtilMakeTempFileName(replaced)) return page::kResultDiskFull;
  testsupport::WriteText(replaced, prop);
  prop = path;
  return 0;
}

int FakeFigureShape::RestoreLibraryFiles(const std::string& saved, int /*figure*/) {
  prop = testsupport::ReadText(saved);
  return 0;
}

int FakeFigureShape::SetPartColor(int /*objectIndex*/, int /*face*/, platform::COLORREF newColour,
                                  bool /*selected*/) {
  const platform::COLORREF previous = colour;
  colour = newColour;
  return static_cast<int>(previous);
}

bool FakeFigureShape::MirrorHorizontal() {
  mirrored = !mirrored;
  return true;
}

namespace {

struct FakeStates : page::SAnimStates {
  explicit FakeStates(int p) : pose(p) {}
  int pose;
};

FakeFigureShape* FigureOf(SObj& object) { return dynamic_cast<FakeFigureShape*>(object.fig.get()); }

}  // namespace

std::unique_ptr<page::SFig> FakeFigureFacade::MakeFigureShape(const std::string& path, bool /*plain*/, int& result) {
  if (path.find("bad") != std::string::npos) {
    result = page::kResultCannotOpen;
    return nullptr;
  }
  result = 0;
  return std::make_unique<FakeFigureShape>();
}

int FakeFigureFacade::ApplyAnimationFile(SObj& object, const std::string& path, int /*figure*/,
                                         std::unique_ptr<page::SAnimStates>& saved) {
  FakeFigureShape* figure = FigureOf(object);
  if (figure == nullptr) return page::kResultCannotApply;
  saved = std::make_unique<FakeStates>(figure->pose);
  figure->pose = static_cast<int>(path.size());
  return 0;
}

int FakeFigureFacade::RestoreAnimations(SObj& object, int figure, const page::SAnimStates& saved) {
  (void)figure;
  return RestoreAnimState(object, saved);
}

std::unique_ptr<page::SAnimStates> FakeFigureFacade::SaveAnimState(SObj& object, int /*figure*/) {
  FakeFigureShape* figure = FigureOf(object);
  return figure ? std::make_unique<FakeStates>(figure->pose) : nullptr;
}

int FakeFigureFacade::RestoreAnimState(SObj& object, const page::SAnimStates& states) {
  FakeFigureShape* figure = FigureOf(object);
  if (figure == nullptr) return page::kResultCannotApply;
  figure->pose = static_cast<const FakeStates&>(states).pose;
  return 0;
}

ScopedFigureFacade::ScopedFigureFacade() : previous_(page::PnGlobal::Get().figures) {
  page::PnGlobal::Get().figures = &facade;
}

ScopedFigureFacade::~ScopedFigureFacade() { page::PnGlobal::Get().figures = previous_; }

SObj& AddFakeFigure(page::SDoc& doc, double x, double y) {
  page::PropSCVal P;
  P.x = x, P.y = y, P.width = 80, P.height = 120;
  return AddShape(doc, std::make_unique<FakeFigureShape>(), -1, P);
}

ScopedDropHooks::ScopedDropHooks()
    : previousPath_(page::PnGlobal::Get().pendingLibPath),
      previousMessage_(platform::SetMessageHook([this](const std::string& text, const std::string&, unsigned) {
        messages.push_back(text);
        return platform::kIdOk;
      })),
      previousLayout_(page::SetHumanLayoutHook([this] {
        ++layoutQuestions;
        return layoutAnswer;
      })),
      prefs_(std::exchange(page::PnGlobal::Get().prefs, std::make_unique<page::AppPrefs>())) {}

ScopedDropHooks::~ScopedDropHooks() {
  page::PnGlobal::Get().pendingLibPath = previousPath_;
  platform::SetMessageHook(previousMessage_);
  page::SetHumanLayoutHook(previousLayout_);
  page::PnGlobal::Get().prefs = std::move(prefs_);
}

}  // namespace pagetest
