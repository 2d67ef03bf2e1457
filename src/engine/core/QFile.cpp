#include "engine/core/QFile.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <new>
#include <system_error>

#include "engine/core/EngAlloc.h"
#include "platform/WriteBehind.h"

namespace engine {
namespace {

// How many doubles are coded in one go on the stack.
constexpr std::size_t kDoubleChunk = 64;

}  // namespace

QFile::QFile(const std::string& path, Mode mode) : File(path, mode) {}

// One byte more than the block: the fast paths keep the fill below the
// capacity, and a record may end exactly at the block's end.
QFile::QFile(unsigned char* block, std::size_t capacity)
    : writeCapacity_(static_cast<int>(std::min<std::size_t>(capacity, INT_MAX - 1)) + 1), writeData_(block) {}

void QFile::ReadThroughRefill(unsigned char* destination, std::size_t n) {
  // What is still buffered first; the caller's fast path saw that it falls
  // short of (or ends exactly at) the fill.
  const std::size_t buffered = std::min(n, static_cast<std::size_t>(readFill_ - readPos_));
  std::memcpy(destination, readBuffer_ + readPos_, buffered);
  readPos_ += static_cast<int>(buffered);
  destination += buffered;
  const std::size_t rest = n - buffered;

  const std::int64_t at = GetPosition();
  if (rest >= static_cast<std::size_t>(kBufferSize)) {
    // Large blocks go straight to the caller.
    const std::size_t got = File::Read(destination, rest);
    if (got < rest) {
      std::memset(destination + got, 0, rest - got);
      readPastEnd_ = true;
    }
    readPos_ = readFill_ = 0;
    bufferOffset_ = at + static_cast<std::int64_t>(got);
    return;
  }
  // Refill. The fill is what the file gave, so bytes beyond the end are
  // never taken from an earlier buffer.
  bufferOffset_ = at;
  readFill_ = static_cast<int>(File::Read(readBuffer_, kBufferSize));
  const std::size_t take = std::min(rest, static_cast<std::size_t>(readFill_));
  std::memcpy(destination, readBuffer_, take);
  readPos_ = static_cast<int>(take);
  if (take < rest) {
    std::memset(destination + take, 0, rest - take);
    readPastEnd_ = true;
  }
}

void QFile::ReadDoublesInChunks(double* values, std::size_t n) {
  unsigned char bytes[kDoubleChunk * 8];
  while (n > 0) {
    const std::size_t count = std::min(n, kDoubleChunk);
    const std::size_t size = count * 8;
    // Straight from the buffer when the numbers lie inside it.
    const unsigned char* b = bytes;
    if (readPos_ + size < static_cast<std::size_t>(readFill_)) {
      b = readBuffer_ + readPos_;
      readPos_ += static_cast<int>(size);
    } else {
      ReadThroughRefill(bytes, size);
    }
    for (std::size_t i = 0; i < count; ++i, b += 8) values[i] = LoadBigDouble(b);
    values += count;
    n -= count;
  }
}

void QFile::ReadIntsThroughRefill(std::int32_t* values, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) ReadInt(values[i]);
}

void QFile::ReadMatrix(MatrixRecord& matrix) {
  double elements[16];
  ReadDoubles(elements, 16);
  for (int i = 0; i < 16; ++i) matrix.m[i / 4][i % 4] = elements[i];
}

void QFile::ReadName(char (&name)[kNameSize]) {
  Read(name, kNameSize);
  name[kNameSize - 1] = '\0';
}

std::int64_t QFile::FileLength() {
  if (GetMode() != Mode::kRead) return GetLength();
  if (length_ < 0) length_ = GetLength();
  return length_;
}

std::int64_t QFile::BytesLeft() { return std::max<std::int64_t>(0, FileLength() - ReadPosition()); }

std::int64_t QFile::ReadTextLine(std::int64_t offset, std::string& line, bool* empty, platform::File* other) {
  platform::File& file = other != nullptr ? *other : *this;
  // The last byte of the area stays zero, so the scans below end inside it.
  unsigned char area[kNameSize] = {};
  std::size_t got = 0;
  if (offset >= 0) {
    file.Seek(offset);
    got = file.Read(area, kNameSize - 1);
  }
  if (empty != nullptr) *empty = got == 0 && area[0] == 0;
  std::size_t i = 0;
  while (area[i] == ' ' || area[i] == '\t' || area[i] == '\n') ++i;
  const std::size_t start = i;
  while (area[i] != '\r' && area[i] != '\n' && area[i] != 0) ++i;
  line.assign(reinterpret_cast<const char*>(area + start), i - start);
  return offset + static_cast<std::int64_t>(i) + 1;
}

void QFile::Write(const void* source, std::size_t n) {
  if (n == 0) return;  // an empty source may be null
  if (writeFill_ + n >= static_cast<std::size_t>(writeCapacity_)) {
    HandOnFill();
    if (n >= static_cast<std::size_t>(writeCapacity_)) {
      // Straight to the file, behind everything staged before it.
      if (staging_ != nullptr) staging_->Drain();
      File::Write(source, n);
      return;
    }
  }
  std::memcpy(writeData_ + writeFill_, source, n);
  writeFill_ += static_cast<int>(n);
}

void QFile::HandOnFill() {
  if (writeFill_ > 0) {
    if (staging_ != nullptr)
      staging_->HandOn();
    else
      File::Write(writeData_, static_cast<std::size_t>(writeFill_));
  }
  writeFill_ = 0;
}

void QFile::WriteDoublesInChunks(const double* values, std::size_t n) {
  unsigned char bytes[kDoubleChunk * 8];
  while (n > 0) {
    const std::size_t count = std::min(n, kDoubleChunk);
    const std::size_t size = count * 8;
    // Straight into the buffer when it has room, else through Write.
    const bool direct = writeFill_ + size < static_cast<std::size_t>(writeCapacity_);
    unsigned char* b = direct ? writeData_ + writeFill_ : bytes;
    for (std::size_t i = 0; i < count; ++i) StoreBigDouble(values[i], b + i * 8);
    if (direct)
      writeFill_ += static_cast<int>(size);
    else
      Write(bytes, size);
    values += count;
    n -= count;
  }
}

void QFile::WriteMatrix(const MatrixRecord& matrix) {
  double elements[16];
  for (int i = 0; i < 16; ++i) elements[i] = matrix.m[i / 4][i % 4];
  WriteDoubles(elements, 16);
}

void QFile::WriteName(const std::string& name) {
  char field[kNameSize] = {};
  std::memcpy(field, name.data(), std::min(name.size(), static_cast<std::size_t>(kNameSize - 1)));
  Write(field, kNameSize);
}

QFile::Staging::Staging(QFile& file, std::size_t bytes) : file_(file) {
  if (file.staging_ != nullptr || bytes <= static_cast<std::size_t>(kBufferSize) ||
      bytes > static_cast<std::size_t>(INT_MAX))
    return;  // already staging, or no larger than the buffer
  blocks_[0] = static_cast<unsigned char*>(EngAlloc(bytes));
  if (blocks_[0] == nullptr) return;
  bool spare = true;
  for (int i = 1; i < kBlocks && spare; ++i) spare = (blocks_[i] = static_cast<unsigned char*>(EngAlloc(bytes))) != nullptr;
  if (spare) {
    try {
      writer_ = std::make_unique<platform::WriteBehind>(file);
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
  }
  if (writer_ == nullptr) {
    // The one block, written by the caller each time it fills.
    for (int i = 1; i < kBlocks; ++i) {
      EngFree(blocks_[i]);
      blocks_[i] = nullptr;
    }
  }
  std::memcpy(blocks_[0], file.writeBuffer_, static_cast<std::size_t>(file.writeFill_));
  file.writeData_ = blocks_[0];
  file.writeCapacity_ = static_cast<int>(bytes);
  file.staging_ = this;
}

QFile::Staging::~Staging() {
  if (blocks_[0] == nullptr) return;
  Release();
  file_.writeFill_ = 0;
}

void QFile::Staging::Release() {
  writer_.reset();  // the thread ends before its blocks go
  for (unsigned char*& block : blocks_) {
    EngFree(block);
    block = nullptr;
  }
  file_.writeData_ = file_.writeBuffer_;
  file_.writeCapacity_ = kBufferSize;
  file_.staging_ = nullptr;
}

void QFile::Staging::HandOn() {
  const auto fill = static_cast<std::size_t>(file_.writeFill_);
  if (writer_ == nullptr) {
    file_.File::Write(blocks_[0], fill);
    return;
  }
  writer_->Queue(blocks_[current_], fill);
  // The next block in turn is free once at most the others wait.
  writer_->Wait(kBlocks - 1);
  current_ = (current_ + 1) % kBlocks;
  file_.writeData_ = blocks_[current_];
}

void QFile::Staging::Drain() {
  if (writer_ != nullptr) writer_->Wait();
}

void QFile::Staging::Finish() {
  if (blocks_[0] == nullptr) return;
  if (file_.writeFill_ >= kBufferSize) {
    file_.HandOnFill();
  } else {
    std::memcpy(file_.writeBuffer_, file_.writeData_, static_cast<std::size_t>(file_.writeFill_));
  }
  Drain();
  const int kept = file_.writeFill_;
  Release();
  file_.writeFill_ = kept;
}

void QFile::FlushWrite() {
  if (writeFill_ == 0) return;
  HandOnFill();
  if (staging_ != nullptr) staging_->Drain();
  File::Flush();
}

void QFile::FlushAndClose() {
  FlushWrite();
  Close();
}

int QFile::SeekTo(std::int64_t position, platform::File* other) {
  platform::File& file = other != nullptr ? *other : *this;
  if (position < 0) return -1;
  try {
    return file.Seek(position) == position ? 0 : -1;
  } catch (const platform::FileError&) {
    return -1;
  }
}

void QFile::Reset() {
  readPos_ = readFill_ = 0;
  bufferOffset_ = hasPreamble ? kPreambleSize : 0;
  readPastEnd_ = false;
  Seek(bufferOffset_);
}

int QFile::GetFileLength(std::int64_t& length) {
  length = GetLength();
  return 0;
}

}  // namespace engine
