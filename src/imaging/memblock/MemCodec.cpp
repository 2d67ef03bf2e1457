#include "imaging/memblock/MemCodec.h"

#include <zlib.h>

#include <climits>
#include <cstring>
#include <new>

namespace imaging {
namespace {

constexpr std::size_t kChunk = 1024;
constexpr int kMaxDeflateMode = 10;
constexpr int kDefaultLevel = 6;

// Ends the zlib stream on every path out of a run.
class ZStream {
 public:
  explicit ZStream(bool deflating) : deflating_(deflating) {}
  ~ZStream() {
    if (open_) End();
  }
  ZStream(const ZStream&) = delete;
  ZStream& operator=(const ZStream&) = delete;

  bool Init(int level) {
    const int r = deflating_ ? deflateInit(&s_, level) : inflateInit(&s_);
    open_ = r == Z_OK;
    return open_;
  }
  int Step() {
    if (deflating_) return deflate(&s_, s_.avail_in > 0 ? Z_NO_FLUSH : Z_FINISH);
    return inflate(&s_, Z_NO_FLUSH);
  }
  bool End() {
    open_ = false;
    return (deflating_ ? deflateEnd(&s_) : inflateEnd(&s_)) == Z_OK;
  }
  z_stream& Get() { return s_; }

 private:
  bool deflating_;
  bool open_ = false;
  z_stream s_{};
};

}  // namespace

// ---- ChainedBuffer ---------------------------------------------------------

void ChainedBuffer::ResetChained(std::size_t blockSize) {
  Release();
  direct_ = false;
  blockSize_ = blockSize > 0 ? blockSize : kDefaultBlockSize;
  std::unique_ptr<std::uint8_t[]> first(new (std::nothrow) std::uint8_t[blockSize_]);
  if (!first) {
    failed_ = true;
    return;
  }
  blocks_.push_back(std::move(first));
}

void ChainedBuffer::SetDirect(std::uint8_t* destination, std::size_t capacity) {
  Release();
  direct_ = true;
  destination_ = destination;
  capacity_ = capacity;
}

std::int64_t ChainedBuffer::Append(const std::uint8_t* data, std::size_t n) {
  if (failed_) return -1;
  if (direct_) {
    if (n > capacity_ - total_) {
      failed_ = true;
      return -1;
    }
    if (n > 0) std::memcpy(destination_ + total_, data, n);
    total_ += n;
    return Total();
  }
  if (blocks_.empty()) {
    failed_ = true;
    return -1;
  }
  while (n > 0) {
    if (usedInBlock_ == blockSize_) {
      std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[blockSize_]);
      if (!block) {
        failed_ = true;
        return -1;
      }
      blocks_.push_back(std::move(block));
      usedInBlock_ = 0;
    }
    const std::size_t piece = std::min(n, blockSize_ - usedInBlock_);
    std::memcpy(blocks_.back().get() + usedInBlock_, data, piece);
    usedInBlock_ += piece;
    total_ += piece;
    data += piece;
    n -= piece;
  }
  return Total();
}

std::int64_t ChainedBuffer::Join(std::uint8_t* destination) const {
  std::size_t left = total_;
  for (const auto& block : blocks_) {
    const std::size_t piece = std::min(left, blockSize_);
    std::memcpy(destination, block.get(), piece);
    destination += piece;
    left -= piece;
  }
  return Total();
}

std::int64_t ChainedBuffer::Take(std::vector<std::uint8_t>& out) const {
  if (failed_) return -1;
  if (!direct_) {
    out.resize(total_);
    Join(out.data());
  }
  return Total();
}

void ChainedBuffer::Release() {
  blocks_.clear();
  failed_ = false;
  total_ = 0;
  usedInBlock_ = 0;
}

// ---- codec -----------------------------------------------------------------

std::int64_t MemCodecRun(const std::uint8_t* input, std::size_t length, int mode, ChainedBuffer& out) {
  if (length > UINT_MAX) return -1;
  const bool deflating = static_cast<unsigned>(mode) <= static_cast<unsigned>(kMaxDeflateMode);
  ZStream stream(deflating);
  if (!stream.Init(mode)) return -1;
  z_stream& s = stream.Get();
  s.next_in = const_cast<Bytef*>(input);
  s.avail_in = static_cast<uInt>(length);
  std::uint8_t chunk[kChunk];
  for (;;) {
    s.next_out = chunk;
    s.avail_out = kChunk;
    while (s.avail_out > 0) {
      const int result = stream.Step();
      if (result == Z_STREAM_END) {
        if (out.Append(chunk, kChunk - s.avail_out) < 0) return -1;
        if (!stream.End()) return -1;
        return out.Total();
      }
      // No progress with the input used up: the stream is cut short.
      if (result != Z_OK) return -1;
    }
    if (out.Append(chunk, kChunk) < 0) return -1;
  }
}

std::int64_t MemCompress(const std::uint8_t* input, std::size_t length, std::vector<std::uint8_t>& out, int level) {
  if (level < 0 || level > kMaxDeflateMode) level = kDefaultLevel;
  ChainedBuffer buffer;
  buffer.ResetChained();
  std::int64_t result = MemCodecRun(input, length, level, buffer);
  if (result >= 0) {
    try {
      result = buffer.Take(out);
    } catch (const std::bad_alloc&) {
      result = -1;
    }
  }
  buffer.Release();
  return result;
}

std::int64_t MemDecompress(const std::uint8_t* input, std::size_t length, std::uint8_t* destination,
                           std::size_t capacity) {
  ChainedBuffer buffer;
  buffer.SetDirect(destination, capacity);
  const std::int64_t result = MemCodecRun(input, length, -1, buffer);
  buffer.Release();
  return result;
}

}  // namespace imaging
