#pragma once
// The material of a mesh's faces: colours and shading values (doubles 0 to
// 1), opacity, an optional RGBA texture with an optional sphere-map mode, the
// image file bytes it was loaded from, and a few values that travel with it.
// It is a mesh element: each mesh keeps its materials in a list and every
// face points to one.
//
// This file holds the data and the element protocol; the record, texture
// fitting and upload belong with the rest of the material code.
#include "engine/core/EngGeometry.h"
#include "engine/core/RgbaImageRecord.h"
#include "engine/mesh/MItem.h"

namespace engine {

class MShader : public MElement<MShader> {
 public:
  MShader() { SetDefaults(nullptr); }
  explicit MShader(MItemList<MShader>* shaderHolder) { SetDefaults(shaderHolder); }
  ~MShader() override { FreeImageData(); }

  // Every member to its default (the texture emptied without freeing), the
  // holder set, then the derived values.
  void SetDefaults(MItemList<MShader>* shaderHolder);
  void UpdateDerivedValues();

  // ---- element protocol --------------------------------------------------
  // Copies every member; the target's own blocks are freed first and each
  // block of this material is duplicated on its own, so the two never share
  // one. Out of memory records reason 1 and leaves the target without the
  // blocks that could not be duplicated.
  void CopyTo(MShader* target) const;
  // CopyTo that keeps the target's holder.
  void AssignTo(MShader* target) const;
  MShader* Clone() { return CloneElementOrNull(); }
  void SaveUndo() { SaveUndoElement(); }
  void RemapRefs() {}
  // Into the holder (state 6 or 2); a material without holder is deleted.
  void Remove();

  // ---- texture -----------------------------------------------------------
  bool HasTexture() const { return texture.pixels != nullptr; }
  void GetColorPair(PointRecord& a, PointRecord& b) const {
    a = toneColorA;
    b = toneColorB;
  }
  void FreeTexture();
  void FreeExtraImage();
  // Pixels, both stored byte blocks and the extra image.
  void FreeImageData();

  PointRecord baseColor{0.5, 0.5, 0.5};
  PointRecord diffuseColor{0.75, 0.75, 0.75};
  double specular = 0.3;
  double shadeValue1 = 1.0;
  double shadeValue2 = 1.0;
  double shadeValue3 = 1.0;
  double opacity = 1.0;
  RgbaImageRecord texture;
  int sphereMap = 0;
  MItemList<MShader>* holder = nullptr;
  int usesColorPair = 0;
  PointRecord toneColorA{0, 0, 0};
  PointRecord toneColorB{0, 0, 0};
  int keepOriginalImages = 0;
  unsigned char* storedTextureBytes = nullptr;
  unsigned char* storedMaskBytes = nullptr;
  int storedTextureSize = 0;
  int storedMaskSize = 0;
  unsigned char* extraImage = nullptr;
  int extraCount = 0;
  int extraStride = 0;
  double diffuseComplement = 0.7;
  double specularExcess = 0;
  double extraValue1 = 1.0;
  int extraInt1 = 0;
  double extraValue2 = 0;
  double extraValue3 = 1.0;
  int extraInt2 = 0;
};

}  // namespace engine
