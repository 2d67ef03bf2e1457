#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/EngAlloc.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/QFile.h"
#include "engine/core/RecordReading.h"
#include "engine/image/OsUtilImage.h"
#include "engine/mesh/MShader.h"
#include "platform/Cp932.h"
#include "platform/Paths.h"

namespace engine {
namespace {

enum TextureKind : int { kNoTexture = 0, kTexturePixels = 1, kTextureFiles = 2 };

constexpr int kNameField = 256;
// Sizes of the groups of the newer block after its size word.
constexpr std::int64_t kBlockGroups = 116;

bool Failed() { return EngContext().failState != kEngFailNone; }

bool HasNewerBlock() { return EngContext().formatVersion < -4; }

// A block of n bytes read from the file; null with a load failure (or out of
// memory) recorded when it cannot be had.
unsigned char* ReadBytes(QFile& file, std::int64_t n, const char* what) {
  if (n < 0 || n > file.BytesLeft()) {
    EngRecordLoadFailure(std::string("material record: ") + what + " runs past the end of the file");
    return nullptr;
  }
  unsigned char* bytes = EngAllocArray<unsigned char>(static_cast<std::size_t>(n));
  if (bytes == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  file.Read(bytes, static_cast<std::size_t>(n));
  return bytes;
}

// A name field: its length byte, then the name (CP932) converted for a path;
// empty when there is none or it cannot name a file beside the record's.
std::string ReadNameField(QFile& file) {
  unsigned char field[kNameField];
  file.Read(field, sizeof field);
  const int length = field[0];
  if (length == 0) return {};
  const std::optional<std::string> converted =
      platform::Cp932ToUtf8(std::string_view(reinterpret_cast<const char*>(field + 1), static_cast<std::size_t>(length)));
  if (!converted) return {};
  const std::string& name = *converted;
  // Only a plain file name in the record's folder.
  if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos || name == "." || name == "..")
    return {};
  return name;
}

// The file named beside the record's file, found even when the letter case
// differs; empty when there is none.
std::string SideFile(const QFile& file, const std::string& name) {
  const std::string path = platform::JoinPath(platform::FolderOf(file.GetPath()), name);
  const std::optional<std::string> found = platform::FindPathNoCase(path);
  return found ? *found : std::string();
}

// The newer block after the texture: its size S, then groups that are read
// while S still holds them. A group cut short, or sizes beyond the block, is
// damage (a load failure), not an older layout.
class BlockReader {
 public:
  BlockReader(QFile& file, std::int64_t size) : file_(file), left_(size) {}

  // Whether the next group of n bytes is there; counts it off.
  bool Take(std::int64_t n) {
    if (Failed() || left_ <= 0) return false;
    if (n > left_) {
      EngRecordLoadFailure("material record: a group runs past its block");
      return false;
    }
    left_ -= n;
    return true;
  }
  // A stored block of `size` bytes. One that is there replaces what the
  // material holds; an empty one leaves it (bytes kept from texture files).
  bool Stored(std::int64_t size, unsigned char*& bytes, int& storedSize, const char* what) {
    if (size < 0 || size > left_) {
      EngRecordLoadFailure(std::string("material record: ") + what + " run past the block");
      return false;
    }
    left_ -= size;
    if (size == 0) return true;
    unsigned char* read = ReadBytes(file_, size, what);
    if (read == nullptr) return false;
    EngFree(bytes);
    bytes = read;
    storedSize = static_cast<int>(size);
    return true;
  }
  // Skips what the block holds beyond the groups this reader knows.
  bool Finish() {
    return !Failed() && EngSkipRecordBytes(file_, left_, "material block") &&
           EngCheckNotTruncated(file_, "material block");
  }

 private:
  QFile& file_;
  std::int64_t left_;
};

bool ReadNewerBlock(QFile& file, MShader& m, bool& derivedRead) {
  std::int32_t size = 0;
  file.ReadInt(size);
  if (size < 0 || size > file.BytesLeft()) {
    EngRecordLoadFailure("material record: the block size does not fit the file");
    return false;
  }
  BlockReader block(file, size);
  if (block.Take(52)) {
    file.ReadInt(m.usesColorPair);
    file.ReadPoint(m.toneColorA);
    file.ReadPoint(m.toneColorB);
  }
  if (block.Take(8)) {
    std::int32_t n = 0;
    file.ReadInt(n);
    if (!block.Stored(n, m.storedTextureBytes, m.storedTextureSize, "stored texture bytes")) return false;
    file.ReadInt(n);
    if (!block.Stored(n, m.storedMaskBytes, m.storedMaskSize, "stored mask bytes")) return false;
  }
  if (block.Take(8)) {
    std::int32_t count = 0, stride = 0;
    file.ReadInt(count);
    file.ReadInt(stride);
    if (count < 0 || stride < 0) {
      EngRecordLoadFailure("material record: the extra image's size is not valid");
      return false;
    }
    // Only a fresh material is read, so it holds no extra image yet.
    ENG_FATAL_IF(m.extraImage != nullptr && static_cast<std::int64_t>(count) * stride > 0);
    int ignored = 0;
    if (!block.Stored(static_cast<std::int64_t>(count) * stride, m.extraImage, ignored, "extra image")) return false;
    m.extraCount = count;
    m.extraStride = stride;
  }
  if (block.Take(24)) {
    file.ReadDouble(m.diffuseComplement);
    file.ReadDouble(m.specularExcess);
    file.ReadDouble(m.extraValue1);
    derivedRead = true;
  }
  if (block.Take(4)) file.ReadInt(m.extraInt1);
  if (block.Take(20)) {
    file.ReadDouble(m.extraValue2);
    file.ReadDouble(m.extraValue3);
    file.ReadInt(m.extraInt2);
  }
  return block.Finish();
}

}  // namespace

void MShader::WriteTo(QFile* file, int* sizeOut) const {
  const bool pixels = EngContext().textureMode != 0 && texture.pixels != nullptr;
  const bool newer = HasNewerBlock();
  // A size without its block counts as nothing stored.
  const int textureBytes = storedTextureBytes != nullptr ? storedTextureSize : 0;
  const int maskBytes = storedMaskBytes != nullptr ? storedMaskSize : 0;
  const std::int64_t extraBytes = extraImage != nullptr ? static_cast<std::int64_t>(extraCount) * extraStride : 0;
  if (sizeOut != nullptr) {
    std::int64_t size = 96;
    if (pixels) size += 16 + static_cast<std::int64_t>(texture.ByteSize());
    if (newer) size += 120 + textureBytes + maskBytes + extraBytes;
    *sizeOut = static_cast<int>(size);
    return;
  }
  file->WriteInt(id);
  file->WritePoint(baseColor);
  file->WritePoint(diffuseColor);
  file->WriteDouble(specular);
  file->WriteDouble(shadeValue1);
  file->WriteDouble(shadeValue2);
  file->WriteDouble(shadeValue3);
  file->WriteDouble(opacity);
  file->WriteInt(pixels ? kTexturePixels : kNoTexture);
  if (pixels) {
    file->WriteInt(sphereMap + 1);
    const unsigned char mark[4] = {0xFF, 0, 0, 0};
    file->Write(mark, sizeof mark);
    file->WriteInt(texture.width);
    file->WriteInt(texture.height);
    // A, R, G, B; the top row (the last in memory) first.
    std::vector<unsigned char> row(static_cast<std::size_t>(texture.width) * 4);
    for (int y = texture.height - 1; y >= 0; --y) {
      const unsigned char* p = texture.Pixel(0, y);
      for (int x = 0; x < texture.width; ++x, p += 4) {
        row[x * 4] = p[3];
        row[x * 4 + 1] = p[0];
        row[x * 4 + 2] = p[1];
        row[x * 4 + 3] = p[2];
      }
      file->Write(row.data(), row.size());
    }
  }
  if (!newer) return;
  file->WriteInt(static_cast<std::int32_t>(kBlockGroups + textureBytes + maskBytes + extraBytes));
  file->WriteInt(usesColorPair);
  file->WritePoint(toneColorA);
  file->WritePoint(toneColorB);
  file->WriteInt(textureBytes);
  if (textureBytes > 0) file->Write(storedTextureBytes, static_cast<std::size_t>(textureBytes));
  file->WriteInt(maskBytes);
  if (maskBytes > 0) file->Write(storedMaskBytes, static_cast<std::size_t>(maskBytes));
  file->WriteInt(extraImage != nullptr ? extraCount : 0);
  file->WriteInt(extraImage != nullptr ? extraStride : 0);
  if (extraBytes > 0) file->Write(extraImage, static_cast<std::size_t>(extraBytes));
  file->WriteDouble(diffuseComplement);
  file->WriteDouble(specularExcess);
  file->WriteDouble(extraValue1);
  file->WriteInt(extraInt1);
  file->WriteDouble(extraValue2);
  file->WriteDouble(extraValue3);
  file->WriteInt(extraInt2);
}

void MShader::ReadFrom(QFile& file) {
  std::int32_t kind = 0;
  file.ReadInt(id);
  file.ReadPoint(baseColor);
  file.ReadPoint(diffuseColor);
  file.ReadDouble(specular);
  file.ReadDouble(shadeValue1);
  file.ReadDouble(shadeValue2);
  file.ReadDouble(shadeValue3);
  file.ReadDouble(opacity);
  file.ReadInt(kind);
  if (!EngCheckNotTruncated(file, "material record")) return;

  if (kind != kNoTexture) {
    std::int32_t sphereWord = 0;
    file.ReadInt(sphereWord);
    int mode = sphereWord % 16;  // the sign stays
    if (mode != 1 && mode != 2) mode = 1;
    sphereMap = mode - 1;
    if (!EngSkipRecordBytes(file, 4, "material record mark")) return;
    if (kind == kTextureFiles) {
      ReadTextureFiles(file);
    } else {
      std::int32_t width = 0, height = 0;
      file.ReadInt(width);
      file.ReadInt(height);
      // Compared by division: the product of two stored sides can pass 64 bits.
      if (width < 0 || height < 0 || (width > 0 && height > file.BytesLeft() / 4 / width)) {
        EngRecordLoadFailure("material record: the texture's size does not fit the file");
        return;
      }
      FreeTexture();
      const std::int64_t bytes = static_cast<std::int64_t>(width) * height * 4;
      if (bytes > 0) {
        unsigned char* pixels = ReadBytes(file, bytes, "texture");
        if (pixels == nullptr) return;
        // A, R, G, B to R, G, B, A.
        for (std::int64_t i = 0; i < bytes; i += 4) {
          const unsigned char a = pixels[i];
          pixels[i] = pixels[i + 1];
          pixels[i + 1] = pixels[i + 2];
          pixels[i + 2] = pixels[i + 3];
          pixels[i + 3] = a;
        }
        texture = RgbaImageRecord{width, height, pixels};
        OsUtilFitTextureSize(texture);
        if (texture.pixels == nullptr) {
          texture = RgbaImageRecord{};
          return;  // out of memory, recorded
        }
        ShaderFlipRows(texture.width * 4, texture.height, texture.pixels);
      }
    }
    if (Failed() || !EngCheckNotTruncated(file, "material texture")) return;
  }

  bool derivedRead = false;
  if (HasNewerBlock() && !ReadNewerBlock(file, *this, derivedRead)) return;
  if (!derivedRead) UpdateDerivedValues();
}

void MShader::ReadTextureFiles(QFile& file) {
  std::int32_t first = 0, n = 0;
  file.ReadInt(first);
  file.ReadInt(n);
  // After the two name fields come N × N × 4 - 512 bytes.
  const std::int64_t rest = n >= 0 && n <= (1 << 20) ? static_cast<std::int64_t>(n) * n * 4 - 2 * kNameField : -1;
  const std::string colourName = ReadNameField(file);
  const std::string alphaName = ReadNameField(file);
  if (rest < 0 || !EngSkipRecordBytes(file, rest, "material texture names")) {
    if (!Failed()) EngRecordLoadFailure("material record: the texture name block's size is not valid");
    return;
  }

  FreeTexture();
  const std::string colourPath = colourName.empty() ? std::string() : SideFile(file, colourName);
  if (keepOriginalImages) {
    EngFree(storedTextureBytes);
    storedTextureBytes = nullptr;
    storedTextureSize = 0;
    if (!colourPath.empty()) storedTextureBytes = ReadFileBytes(colourPath, storedTextureSize);
    EngFree(storedMaskBytes);
    storedMaskBytes = nullptr;
    storedMaskSize = 0;
  } else if (!colourPath.empty()) {
    RgbaImageRecord loaded;
    if (OsUtilLoadImageFile(colourPath, loaded.width, loaded.height, loaded.pixels) == 1) texture = loaded;
  }
  if (!alphaName.empty()) {
    const std::string alphaPath = SideFile(file, alphaName);
    if (keepOriginalImages) {
      if (!alphaPath.empty()) storedMaskBytes = ReadFileBytes(alphaPath, storedMaskSize);
    } else if (!alphaPath.empty()) {
      RgbaImageRecord mask;
      if (OsUtilLoadImageFile(alphaPath, mask.width, mask.height, mask.pixels) == 1) MergeTextureAlpha(*this, mask);
    }
  }
  // Pictures of any size become textures OpenGL 1.1 takes.
  if (texture.pixels != nullptr) OsUtilFitTextureSize(texture);
  if (texture.pixels == nullptr) texture = RgbaImageRecord{};
}

}  // namespace engine
