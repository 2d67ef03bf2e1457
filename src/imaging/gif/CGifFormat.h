#pragma once
// The blocks of a GIF89a file as the program writes them: each block
// appends its bytes to an output buffer, reads itself back from a bounded
// byte reader and describes itself as text. All numbers are little-endian.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/gif/ColourQuantiser.h"

namespace imaging {

using GifBytes = std::vector<std::uint8_t>;

// Reads a byte range front to back; a read past the end fails and leaves
// the reader failed for good.
class GifByteReader {
 public:
  GifByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Byte(std::uint8_t& out);
  bool Word(std::uint16_t& out);
  bool Bytes(void* out, std::size_t n);
  std::size_t Position() const { return position_; }
  std::size_t Remaining() const { return size_ - position_; }
  bool Failed() const { return failed_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
  bool failed_ = false;
};

class CGifFormat {
 public:
  static constexpr std::uint8_t kImageSignature = 0x2C;
  static constexpr std::uint8_t kExtensionSignature = 0x21;
  static constexpr std::uint8_t kTrailer = 0x3B;
  static constexpr std::uint8_t kGraphicControlLabel = 0xF9;
  static constexpr std::uint8_t kCommentLabel = 0xFE;
  static constexpr std::uint8_t kApplicationLabel = 0xFF;

  // Every block starts with its introducer byte, its signature.
  class Block {
   public:
    explicit Block(std::uint8_t signature) : signature_(signature) {}
    virtual ~Block() = default;
    virtual bool Read(GifByteReader& in);  // the signature byte
    virtual void Write(GifBytes& out) const;
    virtual std::string Dump() const;
    std::uint8_t Signature() const { return signature_; }

   protected:
    std::uint8_t signature_;
  };

  // Data cut into sub-blocks as stored: a length byte (1 to 255) before each
  // piece and a 0 length at the end.
  class Subblock {
   public:
    Subblock() { Clear(); }
    virtual ~Subblock() = default;
    void Clear() { packed_.assign(1, 0); }
    // Cuts the data into pieces of at most 255 bytes; no data gives the
    // terminator alone.
    void Split(const std::uint8_t* data, std::size_t length);
    // Reads length bytes and their pieces up to and including a 0 length.
    bool ReadFrom(GifByteReader& in);
    const GifBytes& Packed() const { return packed_; }
    // The pieces joined, without their length bytes.
    GifBytes Joined() const;
    // The sum of the piece lengths.
    std::size_t DataLength() const;

   private:
    GifBytes packed_;
  };

  class GifColorTable {
   public:
    virtual ~GifColorTable() = default;
    virtual std::string Dump() const;
    // Appends the first `n` entries as red, green, blue bytes.
    void Write(GifBytes& out, int n) const;
    int count = 0;
    std::array<PaletteColour, 256> entries{};
  };

  class ImageBlock : public Block {
   public:
    ImageBlock() : Block(kImageSignature) {}
    // Everything after the signature.
    bool Read(GifByteReader& in) override;
    void Write(GifBytes& out) const override;
    std::string Dump() const override;
    bool HasLocalTable() const { return (packed & 0x80) != 0; }
    int LocalTableSize() const { return 1 << ((packed & 7) + 1); }

    std::uint16_t left = 0, top = 0, width = 0, height = 0;
    std::uint8_t packed = 0;
    GifColorTable localTable;
    std::uint8_t codeSize = 8;
    Subblock data;
  };

  class ExtensionBlock : public Block {
   public:
    explicit ExtensionBlock(std::uint8_t label) : Block(kExtensionSignature), label_(label) {}
    // The signature and the label.
    virtual bool ReadHeader(GifByteReader& in);
    std::string Dump() const override;
    std::uint8_t Label() const { return label_; }

   protected:
    void WriteHeader(GifBytes& out) const;
    std::uint8_t label_;
  };

  class GraphicControlBlock : public ExtensionBlock {
   public:
    GraphicControlBlock() : ExtensionBlock(kGraphicControlLabel) {}
    // The fields after the header.
    bool Read(GifByteReader& in) override;
    void Write(GifBytes& out) const override;
    std::string Dump() const override;

    std::uint16_t delay = 0;  // hundredths of a second
    std::uint8_t transparentIndex = 0;
    std::uint8_t flags = 0;  // disposal in bits 4-2, user input bit 1, transparency bit 0
  };

  class CommentBlock : public ExtensionBlock {
   public:
    CommentBlock() : ExtensionBlock(kCommentLabel) {}
    bool Read(GifByteReader& in) override;
    void Write(GifBytes& out) const override;
    std::string Dump() const override;

    std::string text;  // stored bytes, without a terminator
  };

  class ApplicationBlock : public ExtensionBlock {
   public:
    ApplicationBlock() : ExtensionBlock(kApplicationLabel) {}
    bool Read(GifByteReader& in) override;
    void Write(GifBytes& out) const override;
    std::string Dump() const override;

    std::array<char, 8> identifier{};
    std::array<char, 3> authentication{};
    Subblock data;
  };
};

// The logical screen header.
struct GifHeader {
  std::array<char, 3> signature{'G', 'I', 'F'};
  std::array<char, 3> version{'8', '9', 'a'};
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::uint8_t packed = 0xF0;
  std::uint8_t background = 0;
  std::uint8_t aspect = 49;

  // Sets the table size bits to k when min(n, 256) is 2^(k+1); leaves them
  // when it is no such power.
  void SetTableSize(int n);
  void Write(GifBytes& out) const;
  bool Read(GifByteReader& in);
};

void PutGifWord(GifBytes& out, std::uint16_t value);

}  // namespace imaging
