#pragma once
// Reader of one short text file over HTTP: the base of the news check.
#include <atomic>
#include <cstdint>
#include <string>

#include "imaging/http/HttpGet.h"

namespace imaging {

// A text answer read whole, handed to CRWebAcc::Parse.
class HttpTextFile {
 public:
  // complete: the body arrived whole; a broken-off body reads as nothing.
  HttpTextFile(const HttpHead& head, std::string body, bool complete);

  const HttpHead& Head() const { return head_; }
  // The Content-Length header; false when the answer carries none.
  bool QueryContentLength(std::int64_t& length) const;
  // The next line without its LF or CR LF ending; false at the end of the
  // text and for a body that did not arrive whole.
  bool ReadString(std::string& line);

 private:
  HttpHead head_;
  std::string body_;
  bool complete_;
  std::size_t pos_ = 0;
};

class CRWebAcc {
 public:
  // Largest text accepted, in bytes.
  static constexpr std::int32_t kDefaultSizeLimit = 9000;

  // cancel (may be null) ends a running Run when it becomes non-zero.
  CRWebAcc(std::string url, const HttpTimeouts& timeouts, const std::atomic<std::uint8_t>* cancel);
  virtual ~CRWebAcc() = default;
  CRWebAcc(const CRWebAcc&) = delete;
  CRWebAcc& operator=(const CRWebAcc&) = delete;

  // Reads the URL and, when the answer could be parsed (Parse answered 0),
  // evaluates it. Without an answer, or with one that cannot be read,
  // nothing is evaluated. Blocks for at most the timeouts given, and ends
  // at once, without an evaluation, when the cancel flag is set.
  void Run();

  // Reads the answer; 0 when it was understood. The base reads nothing.
  virtual int Parse(HttpTextFile& file);
  // Draws the conclusion from what Parse read. The base does nothing.
  virtual void Evaluate();

 protected:
  // An answer worth reading: a success status and a Content-Length within
  // the size limit.
  bool IsReadable(const HttpHead& head) const;

 private:
  std::int32_t sizeLimit_ = kDefaultSizeLimit;
  std::string url_;
  HttpTimeouts timeouts_;
  const std::atomic<std::uint8_t>* cancel_;
};

}  // namespace imaging
