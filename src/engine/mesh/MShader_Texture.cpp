#include <array>
#include <cmath>
#include <cstdio>
#include <vector>
#include <cstring>

#include "engine/core/EngAlloc.h"
#include "engine/core/EngRuntime.h"
#include "engine/image/OsUtilImage.h"
#include "engine/mesh/MShader.h"
#include "platform/File.h"
#include "platform/TempFiles.h"

namespace engine {
namespace {

bool Near(double a, double b) { return std::fabs(a - b) <= 1e-8; }

bool SameBytes(const unsigned char* a, const unsigned char* b, std::size_t n) {
  return n == 0 || std::memcmp(a, b, n) == 0;
}

// Loads stored file bytes as a picture through a temporary file.
bool DecodeBytes(const unsigned char* bytes, int size, RgbaImageRecord& out) {
  std::string path;
  if (!platform::PnUtilMakeTempFileName(path)) return false;
  bool loaded = false;
  try {
    {
      platform::File file(path, platform::File::Mode::kCreateWrite);
      file.Write(bytes, static_cast<std::size_t>(size));
      file.Close();
    }
    loaded = OsUtilLoadImageFile(path, out.width, out.height, out.pixels) == 1;
  } catch (const platform::FileError&) {
    loaded = false;
  }
  std::remove(path.c_str());
  return loaded;
}

}  // namespace

void ShaderFlipRows(int rowBytes, int rows, unsigned char* pixels) {
  if (pixels == nullptr || rowBytes <= 0) return;
  std::vector<unsigned char> spare(static_cast<std::size_t>(rowBytes));
  for (int top = 0, bottom = rows - 1; top < bottom; ++top, --bottom) {
    unsigned char* a = pixels + static_cast<std::size_t>(top) * rowBytes;
    unsigned char* b = pixels + static_cast<std::size_t>(bottom) * rowBytes;
    std::memcpy(spare.data(), a, spare.size());
    std::memcpy(a, b, spare.size());
    std::memcpy(b, spare.data(), spare.size());
  }
}

void MergeTextureAlpha(MShader& material, RgbaImageRecord& mask) {
  RgbaImageRecord& texture = material.texture;
  // A mask that does not match the texture (or no texture at all, when its
  // colour file was missing) is left out.
  if (texture.pixels != nullptr && mask.pixels != nullptr && mask.width == texture.width &&
      mask.height == texture.height) {
    const std::size_t count = texture.ByteSize() / 4;
    for (std::size_t i = 0; i < count; ++i) texture.pixels[i * 4 + 3] = mask.pixels[i * 4];
  }
  OsUtilFreeImage(mask);
}

bool MShader::IsEqual(const MShader& other, bool texturesOnly) const {
  if (sphereMap != other.sphereMap) return false;
  if (!texturesOnly) {
    auto values = [](const MShader& m) {
      return std::array{m.baseColor.x,  m.baseColor.y,  m.baseColor.z,  m.diffuseColor.x,    m.diffuseColor.y,
                        m.diffuseColor.z, m.specular,   m.shadeValue1,  m.shadeValue2,       m.shadeValue3,
                        m.opacity,      m.diffuseComplement, m.specularExcess, m.extraValue1, m.extraValue2,
                        m.extraValue3};
    };
    const auto mine = values(*this), theirs = values(other);
    for (std::size_t i = 0; i < mine.size(); ++i)
      if (!Near(mine[i], theirs[i])) return false;
    if (extraInt1 != other.extraInt1 || extraInt2 != other.extraInt2) return false;
  }
  if (EngContext().textureMode != 0) {
    if ((texture.pixels != nullptr) != (other.texture.pixels != nullptr)) return false;
    if (texture.pixels != nullptr &&
        (texture.width != other.texture.width || texture.height != other.texture.height ||
         !SameBytes(texture.pixels, other.texture.pixels, texture.ByteSize())))
      return false;
  }
  if ((extraImage != nullptr) != (other.extraImage != nullptr)) return false;
  if (extraImage != nullptr) {
    if (extraCount != other.extraCount || extraStride != other.extraStride) return false;
    const std::size_t n = static_cast<std::size_t>(extraCount) * static_cast<std::size_t>(extraStride);
    if (!SameBytes(extraImage, other.extraImage, n)) return false;
  }
  return true;
}

void MShader::SetTexture(const RgbaImageRecord& image) {
  FreeTexture();
  if (image.pixels == nullptr || image.ByteSize() == 0) return;
  unsigned char* copy = EngAllocArray<unsigned char>(image.ByteSize());
  if (copy == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return;
  }
  std::memcpy(copy, image.pixels, image.ByteSize());
  texture = RgbaImageRecord{image.width, image.height, copy};
  OsUtilFitTextureSize(texture);  // out of memory: recorded, no pixels left
  if (texture.pixels == nullptr) texture = RgbaImageRecord{};
}

void MShader::GetTextureSize(int& height, int& width) const {
  height = texture.height;
  width = texture.width;
}

bool MShader::TextureHasAlpha() const {
  const std::size_t count = texture.pixels ? texture.ByteSize() / 4 : 0;
  for (std::size_t i = 0; i < count; ++i)
    if (texture.pixels[i * 4 + 3] != 255) return true;
  return false;
}

platform::COLORREF MShader::GetFirstTexel() const {
  if (texture.pixels == nullptr) return 0;
  return platform::MakeRgb(texture.pixels[0], texture.pixels[1], texture.pixels[2]);
}

void MShader::FillTexture(platform::COLORREF colour) {
  const std::size_t count = texture.pixels ? texture.ByteSize() / 4 : 0;
  for (std::size_t i = 0; i < count; ++i) {
    texture.pixels[i * 4] = static_cast<unsigned char>(platform::GetRValue(colour));
    texture.pixels[i * 4 + 1] = static_cast<unsigned char>(platform::GetGValue(colour));
    texture.pixels[i * 4 + 2] = static_cast<unsigned char>(platform::GetBValue(colour));
  }
}

bool MShader::IsTextureUniform() const {
  const std::size_t count = texture.pixels ? texture.ByteSize() / 4 : 0;
  for (std::size_t i = 1; i < count; ++i)
    if (std::memcmp(texture.pixels + i * 4, texture.pixels, 3) != 0) return false;
  return true;
}

void MShader::DecodeStoredImages() {
  if (storedTextureBytes != nullptr) {
    FreeTexture();
    RgbaImageRecord decoded;
    if (DecodeBytes(storedTextureBytes, storedTextureSize, decoded)) texture = decoded;
    EngFree(storedTextureBytes);
    storedTextureBytes = nullptr;
    storedTextureSize = 0;
  }
  if (storedMaskBytes != nullptr) {
    RgbaImageRecord mask;
    if (DecodeBytes(storedMaskBytes, storedMaskSize, mask)) MergeTextureAlpha(*this, mask);
    EngFree(storedMaskBytes);
    storedMaskBytes = nullptr;
    storedMaskSize = 0;
  }
  if (texture.pixels != nullptr) OsUtilFitTextureSize(texture);
}

unsigned char* MShader::ReadFileBytes(const std::string& path, int& length) {
  length = 0;
  try {
    platform::File file(path, platform::File::Mode::kRead);
    const std::int64_t size = file.GetLength();
    if (size < 0 || size > INT32_MAX) return nullptr;
    unsigned char* bytes = EngAllocArray<unsigned char>(static_cast<std::size_t>(size));
    if (bytes == nullptr) return nullptr;
    if (file.Read(bytes, static_cast<std::size_t>(size)) != static_cast<std::size_t>(size)) {
      EngFree(bytes);
      return nullptr;
    }
    length = static_cast<int>(size);
    return bytes;
  } catch (const platform::FileError&) {
    return nullptr;
  }
}

}  // namespace engine
