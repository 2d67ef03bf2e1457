#pragma once
// A plain unbuffered file on a POSIX descriptor: the base of the engine's
// buffered stream and of every other reader and writer of stored files.
// Opening, reading, writing, seeking and closing errors are thrown as
// FileError; reaching the end of the file is not an error (Read answers the
// count it got).
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace platform {

// A failed file operation: what was attempted, on which path, and the
// system's error number (0 when there is none).
class FileError : public std::runtime_error {
 public:
  FileError(const std::string& operation, const std::string& path, int errorNumber);

  const std::string& Path() const { return path_; }
  int ErrorNumber() const { return errorNumber_; }

 private:
  std::string path_;
  int errorNumber_;
};

class File {
 public:
  enum class Mode {
    kRead,         // existing file, read only
    kCreateWrite,  // created, or truncated when it exists; write only
  };
  enum class Origin { kBegin, kCurrent, kEnd };

  File() = default;
  // Opens at once; throws FileError when the file cannot be opened.
  File(const std::string& path, Mode mode);
  // Closes without reporting errors; call Close first to see them.
  virtual ~File();

  File(const File&) = delete;
  File& operator=(const File&) = delete;

  void Open(const std::string& path, Mode mode);
  bool IsOpen() const { return fd_ >= 0; }
  const std::string& GetPath() const { return path_; }
  Mode GetMode() const { return mode_; }

  // Reads up to n bytes; fewer only at the end of the file.
  std::size_t Read(void* destination, std::size_t n);
  // Writes all n bytes or throws.
  void Write(const void* source, std::size_t n);
  // Moves the file pointer and answers the new position from the start.
  std::int64_t Seek(std::int64_t offset, Origin origin = Origin::kBegin);
  std::int64_t GetPosition() const;
  std::int64_t GetLength() const;
  // Makes the written data durable on disk.
  void Flush();
  // Asks the system to begin putting n bytes already written at `offset` on
  // the disk, without waiting; Flush still waits for them and reports their
  // errors.
  void StartWriteBack(std::int64_t offset, std::int64_t n);
  // Closes the descriptor; throws when the system reports a late write
  // error. Closing a closed file does nothing.
  void Close();

 private:
  void RequireOpen(const char* operation) const;

  int fd_ = -1;
  Mode mode_ = Mode::kRead;
  std::string path_;
};

// Makes writes beyond the process's file-size limit (ulimit -f) fail with
// EFBIG, reported as a full disk is, instead of ending the process with
// SIGXFSZ in the middle of a save. Called once at start-up.
void IgnoreFileSizeSignal();

}  // namespace platform
