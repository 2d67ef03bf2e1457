#pragma once
// A small memory codec over zlib: compresses a byte block into a new block,
// or expands one into a buffer of known size. Output is collected in
// chained 1024-byte blocks, or written straight into the caller's buffer.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace imaging {

// The codec's output collector.
class ChainedBuffer {
 public:
  static constexpr std::size_t kDefaultBlockSize = 1024;

  ChainedBuffer() = default;
  ChainedBuffer(const ChainedBuffer&) = delete;
  ChainedBuffer& operator=(const ChainedBuffer&) = delete;

  // Chained mode: drops every block and starts a first one.
  void ResetChained(std::size_t blockSize = kDefaultBlockSize);
  // Direct mode: output goes to destination, which holds `capacity` bytes;
  // an append that would pass its end fails.
  void SetDirect(std::uint8_t* destination, std::size_t capacity);
  // Answers the new total, or -1 (and the buffer stays failed) when memory
  // or the direct destination's room runs out.
  std::int64_t Append(const std::uint8_t* data, std::size_t n);
  // Copies every block in order into destination; answers the total.
  std::int64_t Join(std::uint8_t* destination) const;
  // The result: -1 when failed; else the total, with `out` holding the
  // joined bytes in chained mode (left alone in direct mode).
  std::int64_t Take(std::vector<std::uint8_t>& out) const;
  // Frees every block and clears the counts and the failure.
  void Release();

  bool Failed() const { return failed_; }
  std::int64_t Total() const { return static_cast<std::int64_t>(total_); }

 private:
  bool failed_ = false;
  bool direct_ = false;
  std::uint8_t* destination_ = nullptr;
  std::size_t capacity_ = 0;
  std::size_t blockSize_ = kDefaultBlockSize;
  std::size_t total_ = 0;
  std::size_t usedInBlock_ = 0;
  std::vector<std::unique_ptr<std::uint8_t[]>> blocks_;
};

// Mode 0 to 10 deflates at that level (zlib refuses 10); any other mode
// inflates. Answers the output length, or -1 when the coder fails, the
// output cannot be stored, or (inflating) the input ends before its stream.
std::int64_t MemCodecRun(const std::uint8_t* input, std::size_t length, int mode, ChainedBuffer& out);

// Compresses into `out` at a level; a level below 0 or above 10 becomes 6.
// Answers the compressed length or -1.
std::int64_t MemCompress(const std::uint8_t* input, std::size_t length, std::vector<std::uint8_t>& out, int level);
// Expands into destination, which holds `capacity` bytes. Answers the
// expanded length, or -1 when the data is not a complete stream or expands
// to more than the capacity.
std::int64_t MemDecompress(const std::uint8_t* input, std::size_t length, std::uint8_t* destination,
                           std::size_t capacity);

}  // namespace imaging
