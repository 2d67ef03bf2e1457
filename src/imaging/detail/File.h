#pragma once
// Interim plain file for imaging's readers and writers, with the interface
// of the platform's file class (errors thrown as FileError with the
// system's error number); it gives way to that class once it is here.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace imaging::detail {

class FileError : public std::runtime_error {
 public:
  FileError(const std::string& operation, const std::string& path, int errorNumber);
  int ErrorNumber() const { return errorNumber_; }

 private:
  int errorNumber_;
};

class File {
 public:
  enum class Mode { kRead, kCreateWrite };
  enum class Origin { kBegin, kCurrent, kEnd };

  File() = default;
  File(const std::string& path, Mode mode) { Open(path, mode); }
  virtual ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  void Open(const std::string& path, Mode mode);
  bool IsOpen() const { return fd_ >= 0; }
  const std::string& GetPath() const { return path_; }
  // Up to n bytes; fewer only at the end of the file.
  std::size_t Read(void* destination, std::size_t n);
  void Write(const void* source, std::size_t n);
  std::int64_t Seek(std::int64_t offset, Origin origin = Origin::kBegin);
  std::int64_t GetLength() const;
  void Close();

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace imaging::detail
