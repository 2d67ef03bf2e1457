#include "imaging/gif/CGifFormat.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace imaging {
namespace {

constexpr std::size_t kMaxPiece = 255;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char buffer[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

}  // namespace

void PutGifWord(GifBytes& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

// ---- reader ----------------------------------------------------------------

bool GifByteReader::Bytes(void* out, std::size_t n) {
  if (failed_ || n > size_ - position_) {
    failed_ = true;
    return false;
  }
  if (n > 0) std::memcpy(out, data_ + position_, n);
  position_ += n;
  return true;
}

bool GifByteReader::Byte(std::uint8_t& out) { return Bytes(&out, 1); }

bool GifByteReader::Word(std::uint16_t& out) {
  std::uint8_t b[2];
  if (!Bytes(b, 2)) return false;
  out = static_cast<std::uint16_t>(b[0] | b[1] << 8);
  return true;
}

// ---- blocks ----------------------------------------------------------------

bool CGifFormat::Block::Read(GifByteReader& in) { return in.Byte(signature_); }

void CGifFormat::Block::Write(GifBytes& out) const { out.push_back(signature_); }

std::string CGifFormat::Block::Dump() const { return Format("Block Signature: 0x%02x\n", signature_); }

void CGifFormat::Subblock::Split(const std::uint8_t* data, std::size_t length) {
  packed_.clear();
  packed_.reserve(length + length / kMaxPiece + 2);
  for (std::size_t done = 0; done < length;) {
    const std::size_t piece = std::min(kMaxPiece, length - done);
    packed_.push_back(static_cast<std::uint8_t>(piece));
    packed_.insert(packed_.end(), data + done, data + done + piece);
    done += piece;
  }
  packed_.push_back(0);
}

bool CGifFormat::Subblock::ReadFrom(GifByteReader& in) {
  packed_.clear();
  for (;;) {
    std::uint8_t length = 0;
    if (!in.Byte(length)) return false;
    packed_.push_back(length);
    if (length == 0) return true;
    const std::size_t at = packed_.size();
    packed_.resize(at + length);
    if (!in.Bytes(packed_.data() + at, length)) return false;
  }
}

GifBytes CGifFormat::Subblock::Joined() const {
  GifBytes out;
  for (std::size_t i = 0; i < packed_.size() && packed_[i] != 0; i += packed_[i] + 1u)
    out.insert(out.end(), packed_.begin() + static_cast<std::ptrdiff_t>(i + 1),
               packed_.begin() + static_cast<std::ptrdiff_t>(std::min(packed_.size(), i + 1 + packed_[i])));
  return out;
}

std::size_t CGifFormat::Subblock::DataLength() const {
  std::size_t total = 0;
  for (std::size_t i = 0; i < packed_.size() && packed_[i] != 0; i += packed_[i] + 1u) total += packed_[i];
  return total;
}

std::string CGifFormat::GifColorTable::Dump() const {
  std::string text = "[Color Table]\n" + Format("Color Table Size: %d\n", count);
  std::string entries;
  for (int i = 0; i < count && i < 256; ++i) {
    const PaletteColour& c = this->entries[static_cast<std::size_t>(i)];
    entries += Format("[%03d]:%06x ", i, unsigned(c.r) << 16 | unsigned(c.g) << 8 | c.b);
    if (i % 4 == 3) entries += "\n";
  }
  std::transform(entries.begin(), entries.end(), entries.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::toupper(ch)); });
  return text + entries;
}

void CGifFormat::GifColorTable::Write(GifBytes& out, int n) const {
  for (int i = 0; i < n && i < 256; ++i) {
    const PaletteColour& c = entries[static_cast<std::size_t>(i)];
    out.insert(out.end(), {c.r, c.g, c.b});
  }
}

bool CGifFormat::ImageBlock::Read(GifByteReader& in) {
  if (!in.Word(left) || !in.Word(top) || !in.Word(width) || !in.Word(height) || !in.Byte(packed)) return false;
  if (HasLocalTable()) {
    localTable.count = LocalTableSize();
    for (int i = 0; i < localTable.count; ++i) {
      PaletteColour& c = localTable.entries[static_cast<std::size_t>(i)];
      if (!in.Byte(c.r) || !in.Byte(c.g) || !in.Byte(c.b)) return false;
    }
  }
  return in.Byte(codeSize) && data.ReadFrom(in);
}

void CGifFormat::ImageBlock::Write(GifBytes& out) const {
  Block::Write(out);
  for (std::uint16_t v : {left, top, width, height}) PutGifWord(out, v);
  out.push_back(packed);
  if (HasLocalTable()) localTable.Write(out, LocalTableSize());
  out.push_back(codeSize);
  out.insert(out.end(), data.Packed().begin(), data.Packed().end());
}

std::string CGifFormat::ImageBlock::Dump() const {
  std::string text = "[Image Block]\n" + Block::Dump();
  text += Format("X Offset: %d[pixel]\n", left) + Format("Y Offset: %d[pixel]\n", top);
  text += Format("Width   : %d[pixel]\n", width) + Format("Height  : %d[pixel]\n", height);
  text += Format("Local Color Table Flag: %d\n", (packed >> 7) & 1);
  text += Format("Interlaced Flag       : %d\n", (packed >> 6) & 1);
  if (HasLocalTable()) {
    text += Format("Sort Flag             : %d\n", (packed >> 5) & 1);
    text += Format("Local Color Table Size: %d\n", LocalTableSize()) + "\n" + localTable.Dump();
  }
  text += "\n[LZW Image Subblock]\n" + Format("LZW Compress Size: 0x%02x[bit]\n", codeSize);
  text += Format("Raster Image Size: %zu[byte]\n", data.DataLength());
  return text;
}

bool CGifFormat::ExtensionBlock::ReadHeader(GifByteReader& in) { return in.Byte(signature_) && in.Byte(label_); }

void CGifFormat::ExtensionBlock::WriteHeader(GifBytes& out) const {
  out.push_back(signature_);
  out.push_back(label_);
}

std::string CGifFormat::ExtensionBlock::Dump() const {
  return Block::Dump() + Format("Extension Block Signature: 0x%02x\n", label_);
}

bool CGifFormat::GraphicControlBlock::Read(GifByteReader& in) {
  std::uint8_t size = 0, terminator = 0;
  return in.Byte(size) && size == 4 && in.Byte(flags) && in.Word(delay) && in.Byte(transparentIndex) &&
         in.Byte(terminator) && terminator == 0;
}

void CGifFormat::GraphicControlBlock::Write(GifBytes& out) const {
  WriteHeader(out);
  out.push_back(4);
  out.push_back(flags);
  PutGifWord(out, delay);
  out.push_back(transparentIndex);
  out.push_back(0);
}

std::string CGifFormat::GraphicControlBlock::Dump() const {
  std::string text = "[Graphic Control Extension Block]\n" + ExtensionBlock::Dump();
  text += Format("Disposal Method        : %d\n", (flags >> 2) & 7);
  text += Format("User Input Flag        : %d\n", (flags >> 1) & 1);
  text += Format("Transparent Color Flag : %d\n", flags & 1);
  text += Format("Delay Time             : %d[m sec]\n", delay * 10);
  text += Format("Transparent Color Index: 0x%02x(%d)\n", transparentIndex, transparentIndex);
  return text;
}

bool CGifFormat::CommentBlock::Read(GifByteReader& in) {
  Subblock pieces;
  if (!pieces.ReadFrom(in)) return false;
  const GifBytes joined = pieces.Joined();
  text.assign(joined.begin(), joined.end());
  return true;
}

void CGifFormat::CommentBlock::Write(GifBytes& out) const {
  WriteHeader(out);
  Subblock pieces;
  pieces.Split(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  out.insert(out.end(), pieces.Packed().begin(), pieces.Packed().end());
}

std::string CGifFormat::CommentBlock::Dump() const {
  return "[Comment Extension Block]\n" + ExtensionBlock::Dump() + "Comment Text: \n" + text + "\n";
}

bool CGifFormat::ApplicationBlock::Read(GifByteReader& in) {
  std::uint8_t size = 0;
  return in.Byte(size) && size == 11 && in.Bytes(identifier.data(), identifier.size()) &&
         in.Bytes(authentication.data(), authentication.size()) && data.ReadFrom(in);
}

void CGifFormat::ApplicationBlock::Write(GifBytes& out) const {
  WriteHeader(out);
  out.push_back(11);
  out.insert(out.end(), identifier.begin(), identifier.end());
  out.insert(out.end(), authentication.begin(), authentication.end());
  out.insert(out.end(), data.Packed().begin(), data.Packed().end());
}

std::string CGifFormat::ApplicationBlock::Dump() const {
  std::string text = "[Application Extension Block]\n" + ExtensionBlock::Dump();
  text += "Application Signature: " + std::string(identifier.begin(), identifier.end()) + "\n";
  text += "Application Version  : " + std::string(authentication.begin(), authentication.end()) + "\n";
  return text;
}

// ---- header ----------------------------------------------------------------

void GifHeader::SetTableSize(int n) {
  const int size = std::min(n, 256);
  for (int k = 0; k < 8; ++k) {
    if (size == 1 << (k + 1)) {
      packed = static_cast<std::uint8_t>((packed & ~7) | k);
      return;
    }
  }
}

void GifHeader::Write(GifBytes& out) const {
  out.insert(out.end(), signature.begin(), signature.end());
  out.insert(out.end(), version.begin(), version.end());
  PutGifWord(out, width);
  PutGifWord(out, height);
  out.insert(out.end(), {packed, background, aspect});
}

bool GifHeader::Read(GifByteReader& in) {
  return in.Bytes(signature.data(), 3) && in.Bytes(version.data(), 3) && in.Word(width) && in.Word(height) &&
         in.Byte(packed) && in.Byte(background) && in.Byte(aspect);
}

}  // namespace imaging
