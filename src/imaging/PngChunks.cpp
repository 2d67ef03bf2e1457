// The chunk list of a PNG file: reading, the resolution chunk, CRCs and
// writing back.
#include <array>
#include <cstdio>
#include <cstring>
#include <new>

#include "imaging/ImageFiles.h"
#include "imaging/ImagingResult.h"

namespace imaging {
namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::uint32_t kMaxChunkLength = 0x7FFFFFFF;
constexpr std::uint32_t kPhysLength = 9;

std::uint32_t ReadBigEndian(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

void WriteBigEndian(std::uint32_t value, std::uint8_t* p) {
  p[0] = static_cast<std::uint8_t>(value >> 24);
  p[1] = static_cast<std::uint8_t>(value >> 16);
  p[2] = static_cast<std::uint8_t>(value >> 8);
  p[3] = static_cast<std::uint8_t>(value);
}

const std::array<std::uint32_t, 256>& CrcTable() {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

std::uint32_t UpdateCrc(std::uint32_t crc, const std::uint8_t* bytes, std::size_t length) {
  const auto& table = CrcTable();
  for (std::size_t i = 0; i < length; ++i) crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

// Closes the file when it goes.
struct FileCloser {
  std::FILE* file;
  ~FileCloser() {
    if (file) std::fclose(file);
  }
};

bool ReadExactly(std::FILE* file, void* buffer, std::size_t size) {
  return size == 0 || std::fread(buffer, 1, size, file) == size;
}

// The file's size in bytes; -1 when unknown. Leaves the position at the start.
long long FileSize(std::FILE* file) {
  if (fseeko(file, 0, SEEK_END) != 0) return -1;
  const off_t end = ftello(file);
  if (fseeko(file, 0, SEEK_SET) != 0) return -1;
  return static_cast<long long>(end);
}

PngChunk MakePhysChunk() {
  PngChunk chunk;
  chunk.length = kPhysLength;
  std::memcpy(chunk.type, "pHYs", 4);
  chunk.data.assign(kPhysLength, 0);
  return chunk;
}

}  // namespace

bool PngChunk::IsType(const char* name) const { return std::memcmp(type, name, 4) == 0; }

std::uint32_t PngCrc32(const std::uint8_t* bytes, std::size_t length) {
  return UpdateCrc(0xFFFFFFFFu, bytes, length) ^ 0xFFFFFFFFu;
}

void PngChunkUpdateCrc(PngChunk& chunk) {
  std::uint32_t crc = UpdateCrc(0xFFFFFFFFu, reinterpret_cast<const std::uint8_t*>(chunk.type), 4);
  crc = UpdateCrc(crc, chunk.data.data(), chunk.data.size());
  chunk.crc = crc ^ 0xFFFFFFFFu;
}

int PngReadChunks(const std::string& path, PngChunkList& out) {
  PngFreeChunks(out);
  FileCloser closer{std::fopen(path.c_str(), "rb")};
  if (closer.file == nullptr) return kResultCannotOpen;
  long long left = FileSize(closer.file);
  std::uint8_t signature[8];
  if (!ReadExactly(closer.file, signature, 8) || std::memcmp(signature, kSignature, 8) != 0) return kResultBadFile;
  left -= 8;
  try {
    for (;;) {
      std::uint8_t head[8];
      if (!ReadExactly(closer.file, head, 8)) break;
      left -= 8;
      PngChunk chunk;
      chunk.length = ReadBigEndian(head);
      std::memcpy(chunk.type, head + 4, 4);
      // The data and its CRC must be in the file before anything is allocated.
      if (chunk.length > kMaxChunkLength || static_cast<long long>(chunk.length) + 4 > left) break;
      left -= static_cast<long long>(chunk.length) + 4;
      chunk.data.resize(chunk.length);
      std::uint8_t crc[4];
      if (!ReadExactly(closer.file, chunk.data.data(), chunk.length) || !ReadExactly(closer.file, crc, 4)) break;
      chunk.crc = ReadBigEndian(crc);
      const bool last = chunk.IsType("IEND");
      out.push_back(std::move(chunk));
      if (last) return kResultOk;
    }
  } catch (const std::bad_alloc&) {
    PngFreeChunks(out);
    return kResultNoMemory;
  }
  PngFreeChunks(out);
  return kResultBadFile;
}

int PngSetPhys(PngChunkList& chunks, int dpi) {
  const std::int64_t ppm = DpiToPixelsPerMetre(dpi);
  if (ppm < 0) return kResultBadValue;
  try {
    for (auto it = chunks.begin(); it != chunks.end(); ++it) {
      if (it->IsType("IDAT")) it = chunks.insert(it, MakePhysChunk());  // filled just below
      if (!it->IsType("pHYs")) continue;
      // Our writer stores exactly nine bytes, whatever length the chunk had.
      it->length = kPhysLength;
      it->data.assign(kPhysLength, 0);
      WriteBigEndian(static_cast<std::uint32_t>(ppm), it->data.data());
      WriteBigEndian(static_cast<std::uint32_t>(ppm), it->data.data() + 4);
      it->data[8] = 1;  // unit: metre
      PngChunkUpdateCrc(*it);
      return kResultOk;
    }
  } catch (const std::bad_alloc&) {
    return kResultNoMemory;
  }
  return kResultOk;
}

int PngWriteChunks(PngChunkList& chunks, const std::string& path) {
  int result = kResultOk;
  if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
    bool ok = std::fwrite(kSignature, 1, 8, file) == 8;
    for (const PngChunk& chunk : chunks) {
      if (!ok) break;
      std::uint8_t head[8], crc[4];
      WriteBigEndian(static_cast<std::uint32_t>(chunk.data.size()), head);
      std::memcpy(head + 4, chunk.type, 4);
      WriteBigEndian(chunk.crc, crc);
      ok = std::fwrite(head, 1, 8, file) == 8 &&
           (chunk.data.empty() || std::fwrite(chunk.data.data(), 1, chunk.data.size(), file) == chunk.data.size()) &&
           std::fwrite(crc, 1, 4, file) == 4;
    }
    if (std::fclose(file) != 0) ok = false;
    if (!ok) result = kResultCannotWrite;
  } else {
    result = kResultCannotOpen;
  }
  PngFreeChunks(chunks);
  return result;
}

void PngFreeChunks(PngChunkList& chunks) { chunks.clear(); }

}  // namespace imaging
