#include "page/PnFile.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <new>
#include <optional>
#include <utility>

#include "imaging/archive/SArchiver.h"
#include "page/ResultCodes.h"
#include "page/StringTable.h"
#include "platform/Cp932.h"
#include "platform/Paths.h"

namespace page {
namespace {

constexpr std::size_t kWriteBufferSize = 64 * 1024;

void PutLe32(unsigned char* out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(v >> (8 * i));
}

std::uint32_t GetLe32(const unsigned char* in) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(in[i]) << (8 * i);
  return v;
}

}  // namespace

std::string NotStorableTextMessage(std::string_view utf8) {
  const std::string character = platform::FirstNonCp932Character(utf8);
  if (character.empty()) return {};
  std::string text = PnLoadString(kStrNotStorableText);
  if (const std::size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, character);
  return text;
}

PnFileError::PnFileError(int code, const std::string& detail) : std::runtime_error(detail), code_(code) {}

PnFile::PnFile(const std::string& path, Mode mode) : path_(path), mode_(mode) {
  if (mode == Mode::kCreateWrite) {
    try {
      file_.Open(path, platform::File::Mode::kCreateWrite);
    } catch (const platform::FileError& error) {
      ThrowWriteError(error);
    }
    writeBuffer_.reserve(kWriteBufferSize);
    return;
  }
  try {
    file_.Open(path, platform::File::Mode::kRead);
    const std::int64_t length = file_.GetLength();
    data_.resize(static_cast<std::size_t>(length));
    const std::size_t got = length > 0 ? file_.Read(data_.data(), data_.size()) : 0;
    data_.resize(got);
    file_.Close();
  } catch (const platform::FileError& error) {
    throw PnFileError(kResultCannotOpen, error.what());
  } catch (const std::bad_alloc&) {
    throw PnFileError(kResultNoMemory, "no memory to read " + path);
  }
}

PnFile::PnFile(std::string bytes, std::string path)
    : path_(std::move(path)), mode_(Mode::kRead), data_(std::move(bytes)) {}

PnFile::~PnFile() {
  if (mode_ == Mode::kCreateWrite && file_.IsOpen()) {
    try {
      FlushBuffer();
    } catch (...) {
      // A destructor reports nothing; Close is the way to see write errors.
    }
  }
}

void PnFile::Close() {
  if (!file_.IsOpen()) return;
  try {
    if (mode_ == Mode::kCreateWrite) FlushBuffer();
    file_.Close();
  } catch (const platform::FileError& error) {
    ThrowWriteError(error);
  }
}

std::string PnFile::GetFolder() const { return platform::FolderOf(path_); }

std::optional<std::string> PnFile::FindMember(const std::string& name) const {
  if (memberFinder_) return memberFinder_(name);
  const std::string path = platform::JoinPath(GetFolder(), name);
  if (platform::IsRegularFile(path)) return path;
  std::optional<std::string> found = platform::FindPathNoCase(path);
  if (found && platform::IsRegularFile(*found)) return found;
  return std::nullopt;
}

void PnFile::ThrowWriteError(const platform::FileError& error) const {
  // A full disk, a full quota and a file past the size limit read the same.
  const bool full = imaging::ArcErrorFromErrno(error.ErrorNumber()) == imaging::kArcDiskFull;
  throw PnFileError(full ? kResultDiskFull : kResultFileIo, error.what());
}

void PnFile::FlushBuffer() {
  if (writeBuffer_.empty()) return;
  try {
    file_.Write(writeBuffer_.data(), writeBuffer_.size());
  } catch (const platform::FileError& error) {
    writeBuffer_.clear();
    ThrowWriteError(error);
  }
  written_ += static_cast<std::int64_t>(writeBuffer_.size());
  writeBuffer_.clear();
}

// ---- writing ---------------------------------------------------------------

void PnFile::WriteBytes(const void* source, std::size_t n) {
  if (!file_.IsOpen() || mode_ != Mode::kCreateWrite) throw PnFileError(kResultFileIo, "stream not open for writing");
  writeBuffer_.append(static_cast<const char*>(source), n);
  if (writeBuffer_.size() >= kWriteBufferSize) FlushBuffer();
}

void PnFile::WriteInt(std::int32_t value) {
  unsigned char bytes[4];
  PutLe32(bytes, static_cast<std::uint32_t>(value));
  WriteBytes(bytes, 4);
}

void PnFile::WriteIntPair(std::int32_t first, std::int32_t second) {
  WriteInt(first);
  WriteInt(second);
}

void PnFile::WriteDouble(double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, 8);
  unsigned char bytes[8];
  PutLe32(bytes, static_cast<std::uint32_t>(bits));
  PutLe32(bytes + 4, static_cast<std::uint32_t>(bits >> 32));
  WriteBytes(bytes, 8);
}

void PnFile::WriteDoublePair(double first, double second) {
  WriteDouble(first);
  WriteDouble(second);
}

void PnFile::WriteBool(bool value) {
  const unsigned char byte = value ? 1 : 0;
  WriteBytes(&byte, 1);
}

void PnFile::WriteStoredString(std::string_view utf8, std::string_view stored) {
  if (platform::Cp932ToUtf8Replacing(stored) != utf8) {
    WriteString(utf8);
    return;
  }
  WriteInt(static_cast<std::int32_t>(stored.size()));
  WriteBytes(stored.data(), stored.size());
}

void PnFile::WriteString(std::string_view utf8) {
  const std::optional<std::string> stored = platform::Utf8ToCp932(utf8);
  if (!stored) throw PnFileError(kResultFileIo, "text that Shift-JIS cannot hold: " + std::string(utf8));
  WriteInt(static_cast<std::int32_t>(stored->size()));
  WriteBytes(stored->data(), stored->size());
}

// ---- reading ---------------------------------------------------------------

void PnFile::RequireBytes(std::int64_t n, const char* what) const {
  if (mode_ != Mode::kRead) throw PnFileError(kResultFileIo, "stream not open for reading");
  if (n < 0 || n > BytesLeft())
    throw PnFileError(kResultDamaged, std::string(what) + " needs " + std::to_string(n) + " bytes at offset " +
                                          std::to_string(readPos_) + " of " + path_ + ", " +
                                          std::to_string(BytesLeft()) + " left");
}

void PnFile::ReadBytes(void* destination, std::size_t n) {
  RequireBytes(static_cast<std::int64_t>(n), "a field");
  std::memcpy(destination, data_.data() + readPos_, n);
  readPos_ += n;
}

std::int32_t PnFile::ReadInt() {
  unsigned char bytes[4];
  ReadBytes(bytes, 4);
  return static_cast<std::int32_t>(GetLe32(bytes));
}

void PnFile::ReadIntPair(std::int32_t& first, std::int32_t& second) {
  first = ReadInt();
  second = ReadInt();
}

double PnFile::ReadDouble() {
  unsigned char bytes[8];
  ReadBytes(bytes, 8);
  const std::uint64_t bits = GetLe32(bytes) | (static_cast<std::uint64_t>(GetLe32(bytes + 4)) << 32);
  double value = 0.0;
  std::memcpy(&value, &bits, 8);
  return value;
}

void PnFile::ReadDoublePair(double& first, double& second) {
  first = ReadDouble();
  second = ReadDouble();
}

double PnFile::ReadFiniteDouble() {
  const double value = ReadDouble();
  if (!std::isfinite(value))
    throw PnFileError(kResultDamaged, "a number that is not finite at offset " + std::to_string(readPos_ - 8) +
                                          " of " + path_);
  return value;
}

bool PnFile::ReadBool() {
  unsigned char byte = 0;
  ReadBytes(&byte, 1);
  return byte == 1;
}

std::string_view PnFile::ReadCountedBytes() {
  const std::int32_t count = ReadInt();
  if (count < 0) throw PnFileError(kResultDamaged, "negative string length in " + path_);
  RequireBytes(count, "a string");
  const std::string_view stored(data_.data() + readPos_, static_cast<std::size_t>(count));
  readPos_ += static_cast<std::size_t>(count);
  return stored;
}

std::string PnFile::ReadString() {
  std::optional<std::string> text = platform::Cp932ToUtf8(ReadCountedBytes());
  if (!text) throw PnFileError(kResultDamaged, "a string that is not Shift-JIS in " + path_);
  return std::move(*text);
}

std::string PnFile::ReadStoredString(std::string& stored) {
  stored = ReadCountedBytes();
  return platform::Cp932ToUtf8Replacing(stored);
}

void PnFile::SkipBlock() { SkipBytes(ReadInt()); }

void PnFile::SkipBytes(std::int64_t n) {
  if (n <= 0) return;
  RequireBytes(n, "a block");
  readPos_ += static_cast<std::size_t>(n);
}

int PnFile::ReadAllText(std::string& out) const {
  if (mode_ != Mode::kRead) {
    out.clear();
    return kResultCannotOpen;
  }
  out = data_;
  return kResultOk;
}

std::int64_t PnFile::GetPosition() const {
  if (mode_ == Mode::kRead) return static_cast<std::int64_t>(readPos_);
  return written_ + static_cast<std::int64_t>(writeBuffer_.size());
}

std::int64_t PnFile::GetLength() const { return static_cast<std::int64_t>(data_.size()); }

std::int64_t PnFile::BytesLeft() const { return static_cast<std::int64_t>(data_.size() - readPos_); }

std::string_view PnFile::BytesBetween(std::int64_t from, std::int64_t to) const {
  if (mode_ != Mode::kRead || from < 0 || to < from || to > GetPosition()) return {};
  return std::string_view(data_).substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
}

}  // namespace page
