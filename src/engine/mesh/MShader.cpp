#include "engine/mesh/MShader.h"

#include <cstdint>
#include <cstring>

namespace engine {

void MShader::SetDefaults(MItemList<MShader>* shaderHolder) {
  baseColor = {0.5, 0.5, 0.5};
  diffuseColor = {0.75, 0.75, 0.75};
  specular = 0.3;
  shadeValue1 = shadeValue2 = shadeValue3 = 1.0;
  opacity = 1.0;
  texture = RgbaImageRecord{};
  sphereMap = 0;
  holder = shaderHolder;
  usesColorPair = 0;
  toneColorA = toneColorB = {0, 0, 0};
  keepOriginalImages = 0;
  storedTextureBytes = storedMaskBytes = nullptr;
  storedTextureSize = storedMaskSize = 0;
  extraImage = nullptr;
  extraCount = extraStride = 0;
  extraValue1 = 1.0;
  extraInt1 = 0;
  extraValue2 = 0;
  extraValue3 = 1.0;
  extraInt2 = 0;
  UpdateDerivedValues();
}

void MShader::UpdateDerivedValues() {
  diffuseComplement = 1 - specular;
  specularExcess = specular - 0.7 > 0 ? specular - 0.7 : 0;
}

namespace {

// A copy of n bytes; null (and out of memory recorded) when it cannot be had.
unsigned char* Duplicate(const unsigned char* source, std::uint64_t n, bool& ok) {
  if (source == nullptr || !ok) return nullptr;
  void* block = n <= SIZE_MAX ? EngAlloc(static_cast<std::size_t>(n)) : nullptr;
  if (block == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    ok = false;
    return nullptr;
  }
  std::memcpy(block, source, static_cast<std::size_t>(n));
  return static_cast<unsigned char*>(block);
}

}  // namespace

void MShader::CopyTo(MShader* target) const {
  target->FreeImageData();
  CopyHeaderTo(target);
  target->baseColor = baseColor;
  target->diffuseColor = diffuseColor;
  target->specular = specular;
  target->shadeValue1 = shadeValue1;
  target->shadeValue2 = shadeValue2;
  target->shadeValue3 = shadeValue3;
  target->opacity = opacity;
  target->sphereMap = sphereMap;
  target->holder = holder;
  target->usesColorPair = usesColorPair;
  target->toneColorA = toneColorA;
  target->toneColorB = toneColorB;
  target->keepOriginalImages = keepOriginalImages;
  target->diffuseComplement = diffuseComplement;
  target->specularExcess = specularExcess;
  target->extraValue1 = extraValue1;
  target->extraInt1 = extraInt1;
  target->extraValue2 = extraValue2;
  target->extraValue3 = extraValue3;
  target->extraInt2 = extraInt2;
  // Each block is duplicated on its own; one that cannot be had stays null
  // with a zero size, so the two materials never share a block.
  bool ok = true;
  const std::uint64_t pixelBytes =
      static_cast<std::uint64_t>(texture.width) * static_cast<std::uint64_t>(texture.height) * 4;
  target->texture.pixels = Duplicate(texture.pixels, pixelBytes, ok);
  if (target->texture.pixels != nullptr) {
    target->texture.width = texture.width;
    target->texture.height = texture.height;
  }
  target->storedTextureBytes = Duplicate(storedTextureBytes, static_cast<std::uint64_t>(storedTextureSize), ok);
  if (target->storedTextureBytes != nullptr) target->storedTextureSize = storedTextureSize;
  target->storedMaskBytes = Duplicate(storedMaskBytes, static_cast<std::uint64_t>(storedMaskSize), ok);
  if (target->storedMaskBytes != nullptr) target->storedMaskSize = storedMaskSize;
  const std::uint64_t extraBytes =
      static_cast<std::uint64_t>(extraCount) * static_cast<std::uint64_t>(extraStride);
  target->extraImage = Duplicate(extraImage, extraBytes, ok);
  if (target->extraImage != nullptr) {
    target->extraCount = extraCount;
    target->extraStride = extraStride;
  }
}

void MShader::AssignTo(MShader* target) const {
  MItemList<MShader>* const kept = target->holder;
  CopyTo(target);
  target->holder = kept;
}

void MShader::Remove() {
  if (holder == nullptr) {
    Unlink();
    delete this;
    return;
  }
  MoveToHolder();
}

void MShader::FreeTexture() {
  EngFree(texture.pixels);
  texture = RgbaImageRecord{};
}

void MShader::FreeExtraImage() {
  EngFree(extraImage);
  extraImage = nullptr;
  extraCount = extraStride = 0;
}

void MShader::FreeImageData() {
  FreeTexture();
  EngFree(storedTextureBytes);
  EngFree(storedMaskBytes);
  storedTextureBytes = storedMaskBytes = nullptr;
  storedTextureSize = storedMaskSize = 0;
  FreeExtraImage();
}

}  // namespace engine
