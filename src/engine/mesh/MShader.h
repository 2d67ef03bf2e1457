#pragma once
// The material of a mesh's faces: colours and shading values (doubles 0 to
// 1), opacity, an optional RGBA texture with an optional sphere-map mode, the
// image file bytes it was loaded from, and a few values that travel with it.
// It is a mesh element: each mesh keeps its materials in a list and every
// face points to one.
//
//   MShader.cpp          defaults, copying, the element protocol
//   MShader_Texture.cpp  comparing, texture access, stored file bytes
//   MShader_Upload.cpp   binding and uploading the texture for drawing
//   MShader_Record.cpp   the material record
#include <string>

#include "engine/core/EngGeometry.h"
#include "engine/core/RgbaImageRecord.h"
#include "engine/mesh/MItem.h"
#include "platform/WinTypes.h"

namespace engine {

class QFile;

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

  // ---- comparing: MShader_Texture.cpp ----------------------------------------
  // Whether the two materials look the same: the sphere-map mode; unless
  // `texturesOnly`, every colour and value (doubles within 1e-8); with
  // textures on, the texture pixels; and the extra image. The colour pair
  // and the stored file bytes are not compared.
  bool IsEqual(const MShader& other, bool texturesOnly) const;

  // ---- texture: MShader_Texture.cpp ------------------------------------------
  // Replaces the texture with a copy of `image` fitted to OpenGL's size
  // rules. Out of memory records reason 1; the material is then left
  // without a texture.
  void SetTexture(const RgbaImageRecord& image);
  // The height goes to the first argument.
  void GetTextureSize(int& height, int& width) const;
  // Some pixel is not fully opaque (false without pixels).
  bool TextureHasAlpha() const;
  // The colour 0x00BBGGRR of the first pixel (0 without pixels).
  platform::COLORREF GetFirstTexel() const;
  // Sets red, green and blue of every pixel; alpha stays.
  void FillTexture(platform::COLORREF colour);
  // Every pixel has the colour of the first (alpha aside).
  bool IsTextureUniform() const;
  // Turns the stored file bytes into the texture (and its alpha mask) and
  // drops them: each goes through a temporary file to the image loader. The
  // texture is then fitted. A mask of another size than the texture, or
  // one without a texture, is left out.
  void DecodeStoredImages();
  // The whole file in a new block (EngAlloc) with its length; null when it
  // cannot be read.
  static unsigned char* ReadFileBytes(const std::string& path, int& length);

  // ---- drawing: MShader_Upload.cpp --------------------------------------------
  // Makes the texture current for drawing, uploading it unless the
  // preferences keep named texture objects and `existingName` still names
  // one (a name that no longer does beeps and is handed back). Sphere maps
  // get mipmaps and sphere-map coordinates. Answers the texture's name (0
  // without named texture objects). Needs the view's GL context current.
  int UploadTexture(int existingName);

  // ---- record: MShader_Record.cpp ---------------------------------------------
  // With `sizeOut`, stores the record's size and writes nothing; otherwise
  // writes the record (the texture as pixels when textures are on).
  void WriteTo(QFile* file, int* sizeOut) const;
  // Reads a record written by WriteTo, or one that names its texture files
  // (JPEG files beside the file being read). A damaged record is a load
  // failure in the failure state; out of memory records reason 1.
  void ReadFrom(QFile& file);
  void ReadTextureFiles(QFile& file);

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
  // The material's entry in the engine's texture file table while a scene
  // is written; -1 when it has none.
  int textureIndex = -1;
};

// Copies the red byte of every mask pixel into the alpha byte of the
// material's texture and frees the mask's pixels. A mask of another size, or
// one for a material without texture, is left out.
void MergeTextureAlpha(MShader& material, RgbaImageRecord& mask);
// Reverses the order of the rows in place.
void ShaderFlipRows(int rowBytes, int rows, unsigned char* pixels);

}  // namespace engine
