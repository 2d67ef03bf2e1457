#pragma once
// The page editor's binary stream: little-endian int32 values, 8-byte IEEE
// doubles, one-byte bools (written 1 or 0, read as true only when 1),
// counted Shift-JIS strings (int32 byte count, then the bytes, no
// terminator) and blocks (int32 length, then that many bytes). Records end
// with a block so that later versions can add data: writers write an empty
// one and readers skip whatever length they find.
//
// A stream opened for reading holds the whole file, so every count and
// length is checked against what is left before it is trusted; a count that
// does not fit, a negative string length or a read past the end throws
// PnFileError with kResultDamaged. Writes go through a buffer.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "platform/File.h"

namespace page {

// A failed read or write of a page file, carrying the result code that the
// user is shown (ResultCodes.h) and a detail for the log.
class PnFileError : public std::runtime_error {
 public:
  PnFileError(int code, const std::string& detail);
  int Code() const { return code_; }

 private:
  int code_;
};

// The message to show for text a user typed that the page stream cannot
// store (code page 932 has no code that reads back as the character), naming
// the first such character; empty when the text can be stored.
std::string NotStorableTextMessage(std::string_view utf8);

class PnFile {
 public:
  enum class Mode {
    kRead,         // an existing file, read whole at opening
    kCreateWrite,  // created, or truncated when it exists
  };

  // Opens the file; throws PnFileError (kResultCannotOpen for reading,
  // kResultFileIo or kResultDiskFull for writing).
  PnFile(const std::string& path, Mode mode);
  // A stream for reading bytes already in memory, as if they were the file
  // at `path` (the page's members are looked up beside it).
  PnFile(std::string bytes, std::string path);
  // Closes without reporting errors; writers call Close to see them.
  ~PnFile();
  PnFile(const PnFile&) = delete;
  PnFile& operator=(const PnFile&) = delete;

  // Writes what is buffered and closes; throws PnFileError on a late write
  // error. Closing twice does nothing.
  void Close();

  const std::string& GetPath() const { return path_; }
  // The folder of the stream: the page's member files lie beside it.
  std::string GetFolder() const;
  bool IsReading() const { return mode_ == Mode::kRead; }

  // Where a reader finds the page's member files: the path of the member
  // of that name, or nothing when the page has none. By default the file
  // beside the stream, its name compared ignoring case (packages made on
  // systems that ignore case may spell it otherwise). May throw
  // PnFileError when a member is there but cannot be made readable.
  using MemberFinder = std::function<std::optional<std::string>(const std::string& name)>;
  void SetMemberFinder(MemberFinder finder) { memberFinder_ = std::move(finder); }
  std::optional<std::string> FindMember(const std::string& name) const;

  // ---- writing -----------------------------------------------------------
  void WriteInt(std::int32_t value);
  void WriteIntPair(std::int32_t first, std::int32_t second);
  void WriteDouble(double value);
  void WriteDoublePair(double first, double second);
  void WriteBool(bool value);
  // UTF-8 text stored as Shift-JIS (code page 932); text that code page
  // cannot hold throws PnFileError(kResultFileIo).
  void WriteString(std::string_view utf8);
  // Writes the bytes a text was read from (ReadStoredString) while the
  // text is still what they show, else the text as WriteString does.
  void WriteStoredString(std::string_view utf8, std::string_view stored);
  // An empty block: the extension point at the end of a record.
  void WriteEmptyBlock() { WriteInt(0); }
  void WriteBytes(const void* source, std::size_t n);

  // ---- reading -----------------------------------------------------------
  std::int32_t ReadInt();
  void ReadIntPair(std::int32_t& first, std::int32_t& second);
  double ReadDouble();
  void ReadDoublePair(double& first, double& second);
  // A double that must be a finite number; NaN or infinity throws
  // kResultDamaged (sizes and positions are divided and compared later).
  double ReadFiniteDouble();
  bool ReadBool();
  // Shift-JIS text as UTF-8. A negative count, a count beyond the end of the
  // file or bytes that are not valid Shift-JIS throw kResultDamaged.
  std::string ReadString();
  // For text that must open even when damaged (labels, text shapes): bytes
  // that are not Shift-JIS show as U+FFFD, and `stored` receives the bytes
  // as they are. A negative count or one beyond the end still throws.
  std::string ReadStoredString(std::string& stored);
  void ReadBytes(void* destination, std::size_t n);
  // Reads a block's length and drops that many bytes (none when it is 0 or
  // less).
  void SkipBlock();
  // Drops n bytes (none when n <= 0); n beyond the end throws.
  void SkipBytes(std::int64_t n);
  // The whole file as text: 0, or -9 when the stream is not open for reading.
  int ReadAllText(std::string& out) const;

  // Offset of the next byte to read or write.
  std::int64_t GetPosition() const;
  // Reading: the file's length and the bytes after the position.
  std::int64_t GetLength() const;
  std::int64_t BytesLeft() const;
  // Reading: the bytes from `from` up to, not including, `to` (both at or
  // before the position). Lets a reader keep a record it does not decode.
  std::string_view BytesBetween(std::int64_t from, std::int64_t to) const;
  // Throws kResultDamaged unless n more bytes are there to read.
  void RequireBytes(std::int64_t n, const char* what) const;

 private:
  void FlushBuffer();
  // Reading: a string's count and its bytes, checked against the file.
  std::string_view ReadCountedBytes();
  [[noreturn]] void ThrowWriteError(const platform::FileError& error) const;

  std::string path_;
  Mode mode_;
  platform::File file_;
  std::string data_;         // reading: the whole file
  std::size_t readPos_ = 0;  // reading: next byte in data_
  std::string writeBuffer_;  // writing: bytes not yet written
  std::int64_t written_ = 0; // writing: bytes handed to the file
  MemberFinder memberFinder_;
};

}  // namespace page
