// Classifying a 3D data file before it is read.
#include <algorithm>
#include <cctype>

#include "engine/core/QFile.h"

namespace engine {
namespace {

constexpr char kTextModelHeader[] = "CRVD4\r";
constexpr std::size_t kTextModelHeaderSize = 6;

// The text after the last dot of the file name, in lower case; empty when
// the name has none (a dot in a folder name does not count).
std::string ExtensionOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < nameStart) return {};
  std::string extension = path.substr(dot + 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

std::int32_t BigInt(const unsigned char* b) {
  return static_cast<std::int32_t>((std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) |
                                   (std::uint32_t{b[2]} << 8) | b[3]);
}

bool IsSceneExtension(const std::string& e) { return e == "z4s" || e == "z4t" || e == "z4i" || e == "z4h"; }

}  // namespace

std::size_t QFile::ReadAt(std::int64_t offset, void* destination, std::size_t n) {
  if (SeekTo(offset) != 0) return 0;
  return ReadDirect(destination, n);
}

// The native header: a kind code from -149 to -1, then the number 5.
bool QFile::IsNativeHeaderAt(std::int64_t offset) {
  unsigned char b[8];
  if (ReadAt(offset, b, 8) != 8) return false;
  const std::int32_t kind = BigInt(b);
  return kind >= -149 && kind <= -1 && BigInt(b + 4) == 5;
}

bool QFile::HasTextModelHeaderAt(std::int64_t offset) {
  unsigned char b[kTextModelHeaderSize];
  return ReadAt(offset, b, kTextModelHeaderSize) == kTextModelHeaderSize &&
         std::memcmp(b, kTextModelHeader, kTextModelHeaderSize) == 0;
}

// DXF: pairs of text lines (group code, value); comment pairs (code 999)
// are skipped; the first other pair must be 0 / SECTION.
bool QFile::LooksLikeDxf() {
  std::int64_t offset = 0;
  std::string code, value;
  bool empty = false;
  for (;;) {
    offset = ReadTextLine(offset, code, &empty);
    if (empty) return false;
    offset = ReadTextLine(offset, value, &empty);
    if (code.rfind("999", 0) == 0) {
      if (empty) return false;
      continue;
    }
    return code == "0" && value.rfind("SECTION", 0) == 0;
  }
}

int QFile::DetectFileKind(const std::string& path) {
  const std::string extension = ExtensionOf(path);
  if (extension == "dxf") return kFileKindDxf;
  if (extension == "lwo") {
    unsigned char tag[4];
    return ReadAt(8, tag, 4) == 4 && std::memcmp(tag, "LWO2", 4) == 0 ? kFileKindLwo2 : kFileKindLwoOld;
  }
  if (extension == "crv") return kFileKindTextModel;
  if (extension == "obj") return kFileKindObj;
  if (extension == "z4w") return kFileKindZ4w;
  if (extension == "z4m") return kFileKindZ4m;
  if (extension == "z4v") return kFileKindZ4v;
  if (extension == "z4e") return kFileKindZ4e;

  unsigned char head[8] = {};
  const std::size_t headSize = ReadAt(0, head, sizeof head);
  if (IsSceneExtension(extension)) {
    if (IsNativeHeaderAt(0)) {
      const std::int32_t kind = BigInt(head);
      return kind == -102 || kind == -104 ? kFileKindNativeOther : kFileKindNativeScene;
    }
    if (IsNativeHeaderAt(kPreambleSize)) {
      hasPreamble = true;
      SeekTo(kPreambleSize);
      return kFileKindNativeScene;
    }
    if (GetLength() == 0) return kFileKindNativeScene;
  }

  if (HasTextModelHeaderAt(0)) return kFileKindTextModel;
  if (IsNativeHeaderAt(0)) return kFileKindNativeScene;
  if (headSize >= 4) {
    const std::int32_t first = BigInt(head);
    if (first == -4 || first == -6 || first == -8 || first == -10) return kFileKindNativeOther;
  }
  if (LooksLikeDxf()) return kFileKindDxf;
  unsigned char lwo[12];
  if (ReadAt(0, lwo, 12) == 12 && std::memcmp(lwo, "FORM", 4) == 0 && std::memcmp(lwo + 8, "LWOB", 4) == 0)
    return kFileKindLwoOld;
  if (IsNativeHeaderAt(kPreambleSize)) {
    hasPreamble = true;
    SeekTo(kPreambleSize);
    return kFileKindNativeScene;
  }
  if (HasTextModelHeaderAt(kPreambleSize)) return kFileKindTextModel;
  return kFileKindUnknown;
}

}  // namespace engine
