#include "meshkit/MeshValidator.h"

#include <map>
#include <set>
#include <sstream>

namespace meshkit {
namespace {

using namespace engine;

// The live elements of the mesh by address, with their list positions.
struct LiveIndex {
  std::map<const MItem*, std::string> names;

  template <class T>
  void AddList(const MItemList<T>& list, const char* kind) {
    int n = 0;
    for (const T* element : list) names[element] = std::string(kind) + " " + std::to_string(n++);
  }
  bool IsLive(const MItem* element) const { return names.count(element) != 0; }
  std::string Name(const MItem* element) const {
    if (element == nullptr) return "none";
    auto found = names.find(element);
    return found != names.end() ? found->second : "an element outside the live lists";
  }
};

// On an edge, or an end of a line drawn on a face (bounded walk).
bool OnDrawnLine(const MVertex* v) {
  if (v->onLine != nullptr) return true;
  const MLine* line = v->firstLine;
  for (int steps = 0; line != nullptr && steps < MVertex::kRingLimit; ++steps) {
    if (line->fltabEntry != nullptr) return true;
    line = line->end0 == v ? line->nextAround0 : line->end1 == v ? line->nextAround1 : nullptr;
    if (line == v->firstLine) break;
  }
  return false;
}

class Validator {
 public:
  Validator(const MMeshObj& mesh, int mode) : mesh_(mesh), mode_(mode) {
    live_.AddList(mesh.vertices, "vertex");
    live_.AddList(mesh.lines, "line");
    live_.AddList(mesh.faces, "face");
    live_.AddList(mesh.shaders, "shader");
    live_.AddList(mesh.groups, "group");
  }

  std::vector<std::string> Run() {
    CheckStatesAndHolders(mesh_.vertices, &mesh_.removedVertices);
    CheckStatesAndHolders(mesh_.lines, &mesh_.removedLines);
    CheckStatesAndHolders(mesh_.faces, &mesh_.removedFaces);
    CheckStatesAndHolders(mesh_.shaders, &mesh_.removedShaders);
    CheckStatesAndHolders(mesh_.groups, &mesh_.removedGroups);
    CheckOwnLinks(mesh_.lines);
    CheckOwnLinks(mesh_.vertices);
    CheckOwnLinks(mesh_.faces);
    // The walks below trust the links the element checks vouch for.
    if (!faults_.empty()) return faults_;
    CheckLineReferences();
    CheckVertices();
    CheckFaces();
    CheckGroups();
    CheckMorphs();
    return faults_;
  }

 private:
  void Fault(const MItem* element, const std::string& what) { faults_.push_back(live_.Name(element) + ": " + what); }

  void Reference(const MItem* owner, const char* link, const MItem* target, bool optional) {
    if (target == nullptr) {
      if (!optional) Fault(owner, std::string(link) + " is missing");
      return;
    }
    if (!live_.IsLive(target)) Fault(owner, std::string(link) + " points to " + live_.Name(target));
  }

  template <class T, class H>
  void CheckStatesAndHolders(const MItemList<T>& list, const H* holder) {
    for (const T* element : list) {
      if (!MItemIsLive(element)) Fault(element, "removed (state " + std::to_string(element->state) + ") but listed");
      if (element->holder != holder) Fault(element, "its holder is not the mesh's removed holder of its class");
    }
  }

  template <class T>
  void CheckOwnLinks(const MItemList<T>& list) {
    for (const T* element : list)
      if (const char* fault = element->DescribeLinkFault(mode_)) Fault(element, fault);
  }

  void CheckLineReferences() {
    for (const MLine* line : mesh_.lines) {
      Reference(line, "end0", line->end0, false);
      Reference(line, "end1", line->end1, false);
      Reference(line, "nextAround0", line->nextAround0, false);
      Reference(line, "prevAround0", line->prevAround0, false);
      Reference(line, "prevAround1", line->prevAround1, false);
      Reference(line, "nextAround1", line->nextAround1, false);
      Reference(line, "forwardFace", line->forwardFace, true);
      Reference(line, "backwardFace", line->backwardFace, true);
      Reference(line, "group", line->group, true);
    }
  }

  void CheckVertices() {
    std::map<const MVertex*, int> ending;
    for (const MLine* line : mesh_.lines) {
      ++ending[line->end0];
      ++ending[line->end1];
    }
    for (const MVertex* v : mesh_.vertices) {
      Reference(v, "firstLine", v->firstLine, true);
      Reference(v, "group", v->group, true);
      Reference(v, "mirrorPartner", v->mirrorPartner, true);
      Reference(v, "onLine", v->onLine, true);
      if (v->lineCount != ending[v])
        Fault(v, "lineCount " + std::to_string(v->lineCount) + " but " + std::to_string(ending[v]) +
                     " live lines end at it");
      // A vertex of a line drawn on a face names the mesh vertex it stands
      // for, which need not name it back.
      if (v->mirrorPartner != nullptr && v->mirrorPartner->mirrorPartner != v && !OnDrawnLine(v))
        Fault(v, "its mirror partner does not name it back");
      const MVertex* member = v;
      int steps = 0;
      do {
        if (!live_.IsLive(member->ringNext)) {
          Fault(v, "its ring runs through " + live_.Name(member->ringNext));
          break;
        }
        member = member->ringNext;
      } while (member != v && ++steps < MVertex::kRingLimit);
      if (member != v) Fault(v, "its ring does not close");
    }
  }

  void CheckFaces() {
    // Which faces have each line on their loop, and from which corner.
    std::map<const MLine*, std::vector<std::pair<const MFace*, bool>>> onLoops;
    for (const MFace* face : mesh_.faces) {
      Reference(face, "shader", face->shader, false);
      MVertex* corners[3];
      MLine* lines[3];
      face->GetVertices(corners);
      face->GetLines(lines);
      for (int i = 0; i < 3; ++i) {
        Reference(face, ("corner " + std::to_string(i)).c_str(), corners[i], false);
        Reference(face, ("line " + std::to_string(i)).c_str(), lines[i], false);
        onLoops[lines[i]].push_back({face, corners[i] == lines[i]->end0});
      }
      if (face->fltabList != nullptr)
        for (const MFltab* entry : *face->fltabList) Reference(face, "drawn line", entry->line, false);
    }
    for (const MLine* line : mesh_.lines) {
      const auto& loops = onLoops[line];
      if (loops.size() > 2) Fault(line, "lies on the loops of " + std::to_string(loops.size()) + " faces");
      int forward = 0;
      for (const auto& [face, alongLine] : loops) {
        const MFace* side = alongLine ? line->forwardFace : line->backwardFace;
        if (side != face) Fault(line, "runs in the loop of " + live_.Name(face) + " but holds it on no matching side");
        forward += alongLine ? 1 : 0;
      }
      if (loops.size() == 2 && forward != 1) Fault(line, "its two faces run along it in the same direction");
      for (const MFace* side : {line->forwardFace, line->backwardFace}) {
        if (side == nullptr) continue;
        bool listed = false;
        for (const auto& entry : loops) listed = listed || entry.first == side;
        if (!listed) Fault(line, "names " + live_.Name(side) + " whose loop does not run along it");
      }
    }
  }

  void CheckGroups() {
    for (const MGroup* group : mesh_.groups) {
      Reference(group, "parent", group->parent, true);
      std::set<const MGroup*> seen{group};
      for (const MGroup* g = group->parent; g != nullptr; g = g->parent) {
        if (!seen.insert(g).second) {
          Fault(group, "its parents run in a cycle");
          break;
        }
      }
    }
  }

  // A morph entry's vertex is null or a vertex of this mesh: live, removed
  // in the open step or kept by a stored one.
  void CheckMorphs() {
    std::set<const MItem*> known;
    for (const MVertex* v : mesh_.removedVertices) known.insert(v);
    for (const MeshUndoEntry& entry : mesh_.undoRing)
      if (entry.vertexHolder != nullptr)
        for (const MVertex* v : *entry.vertexHolder) known.insert(v);
    int n = 0;
    for (const MMorph* morph : mesh_.morphs) {
      for (int i = 0; i < morph->entries.count; ++i) {
        const MVertex* v = morph->entries[i].vertex;
        if (v != nullptr && !live_.IsLive(v) && known.count(v) == 0)
          faults_.push_back("morph " + std::to_string(n) + " entry " + std::to_string(i) +
                            ": its vertex is not a vertex of the mesh");
      }
      ++n;
    }
  }

  const MMeshObj& mesh_;
  int mode_;
  LiveIndex live_;
  std::vector<std::string> faults_;
};

}  // namespace

std::vector<std::string> FindMeshFaults(const engine::MMeshObj& mesh, int mode) { return Validator(mesh, mode).Run(); }

::testing::AssertionResult MeshIsValid(const engine::MMeshObj& mesh, int mode) {
  const std::vector<std::string> faults = FindMeshFaults(mesh, mode);
  if (faults.empty()) return ::testing::AssertionSuccess();
  std::ostringstream text;
  text << faults.size() << " fault(s):";
  for (size_t i = 0; i < faults.size() && i < 10; ++i) text << "\n  " << faults[i];
  return ::testing::AssertionFailure() << text.str();
}

}  // namespace meshkit
