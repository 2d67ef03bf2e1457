#pragma once
// The engine's buffered stream for its binary records. Every multi-byte
// number is stored most significant byte first: integers as 4-byte two's
// complement, doubles as 8-byte IEEE binary64, matrices as their 16 doubles
// in row order (the flag is not stored), names in fixed 256-byte fields.
// Reads and writes pass through 12000-byte buffers held inside the object;
// transfers of 12000 bytes or more go straight to the file.
//
// Reading past the end of the file is not silent: the missing bytes read as
// zero and the stream remembers it (HasReadPastEnd), so a record reader can
// fail a truncated file instead of decoding stale bytes. Readers check the
// sizes they read against BytesLeft() before they trust them.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "engine/core/EngGeometry.h"
#include "platform/File.h"

namespace platform {
class WriteBehind;
}

namespace engine {

// Codes answered by QFile::DetectFileKind.
enum EngFileKind : int {
  kFileKindUnknown = 0,
  kFileKindLwoOld = 3,       // LightWave object, older form
  kFileKindTextModel = 4,    // the modelling program's text model ("CRVD4")
  kFileKindDxf = 5,
  kFileKindNativeScene = 7,  // a scene file this engine reads
  kFileKindObj = 19,
  kFileKindNativeOther = 22,  // a native file of a kind this engine does not read
  kFileKindZ4w = 29,
  kFileKindZ4v = 30,
  kFileKindLwo2 = 31,
  kFileKindZ4e = 32,
  kFileKindZ4m = 38,
};

class QFile : public platform::File {
 public:
  static constexpr int kBufferSize = 12000;
  static constexpr int kNameSize = 256;
  static constexpr int kPreambleSize = 128;

  // Opens the file; throws platform::FileError when it cannot be opened.
  QFile(const std::string& path, Mode mode);
  // A stream on no file that gathers what is written in the caller's block
  // (at most `capacity` bytes, below 2 GiB): records encoded apart, to be
  // written to a file later in their order. Writing more throws
  // platform::FileError, as writing to a closed file does.
  QFile(unsigned char* block, std::size_t capacity);
  // Does not flush: writers call FlushAndClose, and buffered bytes of a
  // stream destroyed without it are lost.
  ~QFile() override = default;

  // ---- reading through the buffer ----------------------------------------
  // Copies the next n bytes; bytes past the end of the file read as zero and
  // set the read-past-end state.
  void Read(void* destination, std::size_t n) {
    if (n == 0) return;  // an empty destination may be null
    if (readPos_ + n < static_cast<std::size_t>(readFill_)) {
      std::memcpy(destination, readBuffer_ + readPos_, n);
      readPos_ += static_cast<int>(n);
      return;
    }
    ReadThroughRefill(static_cast<unsigned char*>(destination), n);
  }
  // Numbers are decoded straight from the buffer while they lie inside it;
  // only a number that crosses a refill goes the long way.
  void ReadInt(std::int32_t& value) {
    if (readPos_ + 4 < readFill_) {
      value = static_cast<std::int32_t>(LoadBig32(readBuffer_ + readPos_));
      readPos_ += 4;
      return;
    }
    unsigned char b[4];
    ReadThroughRefill(b, 4);
    value = static_cast<std::int32_t>(LoadBig32(b));
  }
  void ReadDouble(double& value) {
    if (readPos_ + 8 < readFill_) {
      value = LoadBigDouble(readBuffer_ + readPos_);
      readPos_ += 8;
      return;
    }
    ReadDoubles(&value, 1);
  }
  // n doubles in a row.
  void ReadDoubles(double* values, std::size_t n) {
    if (readPos_ + 8 * n < static_cast<std::size_t>(readFill_)) {
      const unsigned char* b = readBuffer_ + readPos_;
      for (std::size_t i = 0; i < n; ++i) values[i] = LoadBigDouble(b + 8 * i);
      readPos_ += static_cast<int>(8 * n);
      return;
    }
    ReadDoublesInChunks(values, n);
  }
  // n integers in a row: a record's fields decoded in one go.
  void ReadInts(std::int32_t* values, std::size_t n) {
    const std::size_t size = 4 * n;
    if (readPos_ + size < static_cast<std::size_t>(readFill_)) {
      const unsigned char* b = readBuffer_ + readPos_;
      for (std::size_t i = 0; i < n; ++i) values[i] = static_cast<std::int32_t>(LoadBig32(b + 4 * i));
      readPos_ += static_cast<int>(size);
      return;
    }
    ReadIntsThroughRefill(values, n);
  }
  // The 16 elements; the matrix's flag is left as it is.
  void ReadMatrix(MatrixRecord& matrix);
  // x, y and z.
  void ReadPoint(PointRecord& point) {
    double xyz[3];
    ReadDoubles(xyz, 3);
    point.x = xyz[0];
    point.y = xyz[1];
    point.z = xyz[2];
  }
  // A 256-byte name field; the result is always zero-terminated (a field
  // without a terminator keeps its first 255 bytes).
  void ReadName(char (&name)[kNameSize]);

  // True once a read wanted bytes beyond the end of the file; Reset clears it.
  bool HasReadPastEnd() const { return readPastEnd_; }
  void ClearReadPastEnd() { readPastEnd_ = false; }
  // Offset in the file of the next byte Read delivers (while the stream is
  // read through Read since it was opened or Reset; unbuffered reads and
  // seeks in between do not move it).
  std::int64_t ReadPosition() const { return bufferOffset_ + readPos_; }
  // The file's length (measured once for a stream opened for reading).
  std::int64_t FileLength();
  // Bytes between ReadPosition and the end of the file, never negative.
  std::int64_t BytesLeft();

  // ---- reading without the buffer ----------------------------------------
  // The unbuffered read at the file pointer; answers the count read.
  std::size_t ReadDirect(void* destination, std::size_t n) { return File::Read(destination, n); }
  // Reads one text line starting at the offset of `other` (or this file),
  // without the buffers: at most 255 bytes, leading blanks, tabs and line
  // feeds skipped, ended by CR, LF or a zero byte. Answers the offset after
  // the character that ended it; `empty` is set when nothing was left to
  // read.
  std::int64_t ReadTextLine(std::int64_t offset, std::string& line, bool* empty = nullptr,
                            platform::File* other = nullptr);

  // ---- writing -----------------------------------------------------------
  void Write(const void* source, std::size_t n);
  // Numbers are encoded straight into the buffer while it has room.
  void WriteInt(std::int32_t value) {
    if (writeFill_ + 4 < writeCapacity_) {
      StoreBig32(static_cast<std::uint32_t>(value), writeData_ + writeFill_);
      writeFill_ += 4;
      return;
    }
    unsigned char b[4];
    StoreBig32(static_cast<std::uint32_t>(value), b);
    Write(b, 4);
  }
  void WriteDouble(double value) {
    if (writeFill_ + 8 < writeCapacity_) {
      StoreBigDouble(value, writeData_ + writeFill_);
      writeFill_ += 8;
      return;
    }
    WriteDoubles(&value, 1);
  }
  // n doubles in a row.
  void WriteDoubles(const double* values, std::size_t n) {
    if (writeFill_ + 8 * n < static_cast<std::size_t>(writeCapacity_)) {
      unsigned char* b = writeData_ + writeFill_;
      for (std::size_t i = 0; i < n; ++i) StoreBigDouble(values[i], b + 8 * i);
      writeFill_ += static_cast<int>(8 * n);
      return;
    }
    WriteDoublesInChunks(values, n);
  }
  // n integers in a row: a record's fields encoded in one go.
  void WriteInts(const std::int32_t* values, std::size_t n) {
    const std::size_t size = 4 * n;
    if (writeFill_ + size < static_cast<std::size_t>(writeCapacity_)) {
      unsigned char* b = writeData_ + writeFill_;
      for (std::size_t i = 0; i < n; ++i) StoreBig32(static_cast<std::uint32_t>(values[i]), b + 4 * i);
      writeFill_ += static_cast<int>(size);
      return;
    }
    for (std::size_t i = 0; i < n; ++i) WriteInt(values[i]);
  }
  void WriteMatrix(const MatrixRecord& matrix);
  void WritePoint(const PointRecord& point) {
    const double xyz[3] = {point.x, point.y, point.z};
    WriteDoubles(xyz, 3);
  }
  // The text's bytes (at most 255) then zeros, 256 bytes in all.
  void WriteName(const std::string& name);
  // While a Staging is alive, writes gather in larger blocks of its own
  // instead of the buffer, so that a long run of small records reaches the
  // file in a few large pieces rather than one per 12000 bytes. A thread of
  // the staging's own writes each full block while the next one fills. The
  // bytes and their order are the same.
  class Staging {
   public:
    // Blocks in turn: one being filled while the others are written.
    static constexpr int kBlocks = 4;

    // Without memory for a block, writes go through the buffer as usual;
    // without a second block or a thread, the one block is written by the
    // caller whenever it is full.
    Staging(QFile& file, std::size_t bytes);
    // Abandons what is still staged when Finish was not reached (a write
    // failed on the way): blocks not yet begun are never written.
    ~Staging();
    Staging(const Staging&) = delete;
    Staging& operator=(const Staging&) = delete;
    // Hands what is staged on: to the file when it fills a buffer or more,
    // else back into the buffer; returns once every staged byte is written.
    // Throws platform::FileError as Write does.
    void Finish();

   private:
    friend class QFile;
    // Sends the filled part of the current block to the file and makes the
    // next free block current.
    void HandOn();
    // Waits until every block handed on is written.
    void Drain();
    // Stops the writer and gives the blocks back.
    void Release();

    QFile& file_;
    unsigned char* blocks_[kBlocks] = {};
    int current_ = 0;
    std::unique_ptr<platform::WriteBehind> writer_;  // null: the caller writes
  };

  // Bytes written so far into the block of a stream on no file.
  std::size_t GatheredBytes() const { return static_cast<std::size_t>(writeFill_); }

  // Writes the buffered bytes and flushes the file; nothing at all when the
  // buffer is empty.
  void FlushWrite();
  virtual void FlushAndClose();

  // ---- positioning -------------------------------------------------------
  // Moves the file pointer of `other` (or this file); 0 when it ends up at
  // the position asked for, else -1. The buffers are not touched.
  int SeekTo(std::int64_t position, platform::File* other = nullptr);
  // Empties the read buffer and goes back to the start of the data: byte 0,
  // or byte 128 behind a preamble. Clears the read-past-end state.
  void Reset();
  // Stores the file's length; answers 0.
  int GetFileLength(std::int64_t& length);

  // Classifies the file by the path's extension, then by its first bytes;
  // may set hasPreamble. Moves the file pointer: call Reset before reading
  // records.
  virtual int DetectFileKind(const std::string& path);

  std::string filePath;  // set by writers; texture side files are named after it
  bool hasPreamble = false;

 private:
  static std::uint32_t LoadBig32(const unsigned char* b) {
    std::uint32_t v;
    std::memcpy(&v, b, 4);
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap32(v);
    return v;
  }
  static void StoreBig32(std::uint32_t v, unsigned char* b) {
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap32(v);
    std::memcpy(b, &v, 4);
  }
  static double LoadBigDouble(const unsigned char* b) {
    std::uint64_t v;
    std::memcpy(&v, b, 8);
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
    return std::bit_cast<double>(v);
  }
  static void StoreBigDouble(double value, unsigned char* b) {
    auto v = std::bit_cast<std::uint64_t>(value);
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
    std::memcpy(b, &v, 8);
  }
  void ReadThroughRefill(unsigned char* destination, std::size_t n);
  void ReadIntsThroughRefill(std::int32_t* values, std::size_t n);
  void ReadDoublesInChunks(double* values, std::size_t n);
  void WriteDoublesInChunks(const double* values, std::size_t n);
  // Sends the gathered bytes on (to the file, or through the staging) and
  // empties the gathering.
  void HandOnFill();
  // Reads up to n bytes at an absolute offset without the buffers; answers
  // the count read.
  std::size_t ReadAt(std::int64_t offset, void* destination, std::size_t n);
  bool IsNativeHeaderAt(std::int64_t offset);
  bool HasTextModelHeaderAt(std::int64_t offset);
  bool LooksLikeDxf();

  int readPos_ = 0;
  int writeFill_ = 0;
  int readFill_ = 0;
  int writeCapacity_ = kBufferSize;
  std::int64_t bufferOffset_ = 0;  // file offset of readBuffer_[0]
  std::int64_t length_ = -1;       // cached length of a stream opened for reading
  bool readPastEnd_ = false;
  unsigned char readBuffer_[kBufferSize];
  unsigned char writeBuffer_[kBufferSize];
  // Where writes gather: writeBuffer_, or a block of the staging.
  unsigned char* writeData_ = writeBuffer_;
  Staging* staging_ = nullptr;
};

}  // namespace engine
