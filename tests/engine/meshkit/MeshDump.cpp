#include "meshkit/MeshDump.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>
#include <vector>

namespace meshkit {
namespace {

using namespace engine;

std::string Number(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

std::string Point(const PointRecord& p) { return "(" + Number(p.x) + "," + Number(p.y) + "," + Number(p.z) + ")"; }

std::string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "%#x", value);
  return text;
}

std::string Matrix(const MatrixRecord& m) {
  std::string text = "[";
  for (const auto& row : m.m)
    for (double value : row) text += Number(value) + " ";
  return text + "]";
}

// A hash of a texture's pixels (FNV-1a), so that a changed texel shows.
unsigned TexelHash(const RgbaImageRecord& image) {
  unsigned hash = 2166136261u;
  if (image.pixels == nullptr) return 0;
  const std::size_t bytes = static_cast<std::size_t>(image.width) * image.height * 4;
  for (std::size_t i = 0; i < bytes; ++i) hash = (hash ^ image.pixels[i]) * 16777619u;
  return hash;
}

// The live elements of a list in the dump's order.
template <class T>
std::vector<const T*> Ordered(const MItemList<T>& list, const ElementOrder* order) {
  std::vector<const T*> elements;
  for (const T* element : list) elements.push_back(element);
  if (order == nullptr) return elements;
  auto rank = [order](const T* e) {
    auto found = order->find(e);
    return found != order->end() ? found->second : 1 << 30;
  };
  std::stable_sort(elements.begin(), elements.end(), [&](const T* a, const T* b) { return rank(a) < rank(b); });
  return elements;
}

class Dumper {
 public:
  Dumper(const MMeshObj& mesh, const DumpOptions& options) : mesh_(mesh), options_(options) {
    Name(mesh.vertices, "V");
    Name(mesh.lines, "L");
    Name(mesh.faces, "F");
    Name(mesh.shaders, "S");
    Name(mesh.groups, "G");
    for (const MMorph* morph : mesh.morphs)
      if (morph->GetShader() != nullptr) names_[morph->GetShader()] = "own";
    if (options.removed) {
      Name(mesh.removedVertices, "rV");
      Name(mesh.removedLines, "rL");
      Name(mesh.removedFaces, "rF");
      Name(mesh.removedShaders, "rS");
      Name(mesh.removedGroups, "rG");
    }
  }

  std::string Run() {
    out_ << "mesh mirror=" << int(mesh_.mirrorMode) << " smooth=" << int(mesh_.smoothDisplay)
         << " tolerance=" << Number(mesh_.tolerance) << " pageLineStyle=" << mesh_.pageLineStyle
         << " caches=" << mesh_.vertexSelectionCache << "," << mesh_.lineSelectionCache << ","
         << mesh_.faceSelectionCache << " layer=" << mesh_.layer << " flags=" << mesh_.flags
         << " matrix=" << Matrix(mesh_.matrix) << "\n";
    DumpAll(mesh_.vertices, mesh_.lines, mesh_.faces, mesh_.shaders, mesh_.groups);
    // Morphs by name: the order of the morph list is not part of the
    // mesh's content (a copy reverses it); tests that care check it.
    std::vector<const MMorph*> morphs;
    for (const MMorph* morph : mesh_.morphs) morphs.push_back(morph);
    std::stable_sort(morphs.begin(), morphs.end(),
                     [](const MMorph* a, const MMorph* b) { return std::string(a->name) < std::string(b->name); });
    for (const MMorph* morph : morphs) DumpMorph(morph);
    if (options_.removed) {
      out_ << "removed\n";
      DumpAll(mesh_.removedVertices, mesh_.removedLines, mesh_.removedFaces, mesh_.removedShaders,
              mesh_.removedGroups);
    }
    return out_.str();
  }

 private:
  template <class T>
  void Name(const MItemList<T>& list, const char* prefix) {
    int n = 0;
    for (const T* element : Ordered(list, options_.order)) {
      const bool known = options_.order == nullptr || options_.order->count(element) != 0;
      names_[element] = prefix + std::string(known ? "" : "new") + std::to_string(n++);
    }
  }

  std::string Ref(const MItem* element) const {
    if (element == nullptr) return "-";
    auto found = names_.find(element);
    return found != names_.end() ? found->second : "?";
  }

  std::string Head(const MItem* element) const {
    return Ref(element) + (options_.states ? " state=" + std::to_string(element->state) : std::string());
  }

  void DumpAll(const MItemList<MVertex>& vs, const MItemList<MLine>& ls, const MItemList<MFace>& fs,
               const MItemList<MShader>& ss, const MItemList<MGroup>& gs) {
    for (const MVertex* v : Ordered(vs, options_.order)) DumpVertex(v);
    for (const MLine* line : Ordered(ls, options_.order)) DumpLine(line);
    for (const MFace* face : Ordered(fs, options_.order)) DumpFace(face);
    for (const MShader* shader : Ordered(ss, options_.order)) DumpShader(shader);
    for (const MGroup* group : Ordered(gs, options_.order)) out_ << Head(group) << " parent=" << Ref(group->parent) << "\n";
  }

  void DumpMorph(const MMorph* morph) {
    double u = 0, v = 0;
    morph->GetTextureOffset(u, v);
    out_ << "morph \"" << morph->name << "\" value=" << morph->value << " index=" << morph->index
         << " offset=" << Number(u) << "," << Number(v) << " frame=" << Matrix(morph->frame) << " bounds="
         << (morph->bounds.empty ? std::string("empty")
                                 : Point({morph->bounds.minX, morph->bounds.minY, morph->bounds.minZ}) +
                                       Point({morph->bounds.maxX, morph->bounds.maxY, morph->bounds.maxZ}))
         << "\n";
    for (int i = 0; i < morph->entries.count; ++i) {
      const MorphVertexEntry& e = morph->entries[i];
      out_ << "  entry " << e.targetIndex << " " << Ref(e.vertex) << " base=" << Point(e.basePosition)
           << " reserved=" << Point(e.reserved) << "\n";
    }
    if (morph->GetShader() != nullptr) DumpShader(morph->GetShader());
  }

  void DumpVertex(const MVertex* v) {
    out_ << Head(v) << " at=" << Point(v->position) << " flags=" << Hex(v->flags) << " lines=" << v->lineCount
         << " first=" << Ref(v->firstLine) << " group=" << Ref(v->group) << " ring=" << Ref(v->ringNext)
         << " onLine=" << Ref(v->onLine) << " nextOnLine=" << Ref(v->nextOnLine)
         << " mirror=" << Ref(v->mirrorPartner) << " st=" << Number(v->faceS) << "," << Number(v->faceT)
         << " lineT=" << Number(v->lineT) << " work=" << v->workValue;
    if (options_.normals) out_ << " normal=" << Point(v->normal);
    if (options_.screen)
      out_ << " screen=" << Number(v->screenX) << "," << Number(v->screenY) << "," << Number(v->screenDepth);
    out_ << "\n";
  }

  void DumpLine(const MLine* line) {
    out_ << Head(line) << " ends=" << Ref(line->end0) << "," << Ref(line->end1)
         << " wings=" << Ref(line->nextAround0) << "," << Ref(line->prevAround0) << "," << Ref(line->prevAround1)
         << "," << Ref(line->nextAround1) << " faces=" << Ref(line->forwardFace) << "," << Ref(line->backwardFace)
         << " flags=" << Hex(line->flags) << " group=" << Ref(line->group) << " colour=" << int(line->colourR) << ","
         << int(line->colourG) << "," << int(line->colourB)
         << " drawnOn=" << (line->fltabEntry == nullptr ? "-" : Ref(line->fltabEntry->face))
         << " pair=" << line->pairValue << " onHead=" << Ref(line->onLineHead)
         << " partner=" << Ref(line->partnerLine) << "," << Ref(line->partnerFace) << " work=" << line->workA << ","
         << line->workB << "\n";
  }

  void DumpFace(const MFace* face) {
    out_ << Head(face) << " first=" << Ref(face->firstLine) << " shader=" << Ref(face->shader)
         << " flags=" << Hex(face->flags) << " work=" << face->workValue << "," << face->workMark;
    if (options_.normals)
      out_ << " modes=" << int(face->cornerModes[0]) << int(face->cornerModes[1]) << int(face->cornerModes[2]);
    if (face->firstLine != nullptr) {
      MVertex* corners[3];
      MLine* lines[3];
      face->GetVertices(corners);
      face->GetLines(lines);
      out_ << " corners=" << Ref(corners[0]) << "," << Ref(corners[1]) << "," << Ref(corners[2])
           << " lines=" << Ref(lines[0]) << "," << Ref(lines[1]) << "," << Ref(lines[2]);
    }
    if (face->uv != nullptr) {
      out_ << " uv=";
      for (const MFaceUV::Pair& pair : face->uv->corner) out_ << "(" << Number(pair.u) << "," << Number(pair.v) << ")";
    }
    if (face->normals != nullptr && options_.normals) {
      out_ << " normals=";
      for (const PointRecord& n : face->normals->normal) out_ << Point(n);
    }
    if (face->fltabList != nullptr) {
      out_ << " drawn=[";
      for (const MFltab* entry : *face->fltabList) out_ << Ref(entry->line) << ";";
      out_ << "]";
    }
    out_ << "\n";
  }

  void DumpShader(const MShader* s) {
    out_ << Head(s) << " base=" << Point(s->baseColor) << " diffuse=" << Point(s->diffuseColor)
         << " specular=" << Number(s->specular) << " shade=" << Number(s->shadeValue1) << ","
         << Number(s->shadeValue2) << "," << Number(s->shadeValue3) << " opacity=" << Number(s->opacity)
         << " texture=" << s->texture.width << "x" << s->texture.height << " texels=" << Hex(TexelHash(s->texture))
         << " sphere=" << s->sphereMap << "\n";
  }

  const MMeshObj& mesh_;
  DumpOptions options_;
  std::map<const MItem*, std::string> names_;
  std::ostringstream out_;
};

}  // namespace

std::string DumpMesh(const engine::MMeshObj& mesh, const DumpOptions& options) { return Dumper(mesh, options).Run(); }

ElementOrder ListOrder(const engine::MMeshObj& mesh) {
  ElementOrder order;
  auto add = [&order](const auto& list) {
    int n = 0;
    for (const MItem* element : list) order[element] = n++;
  };
  add(mesh.vertices);
  add(mesh.lines);
  add(mesh.faces);
  add(mesh.shaders);
  add(mesh.groups);
  return order;
}

}  // namespace meshkit
