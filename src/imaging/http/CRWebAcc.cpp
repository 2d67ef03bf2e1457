#include "imaging/http/CRWebAcc.h"

#include <utility>

namespace imaging {

HttpTextFile::HttpTextFile(const HttpHead& head, std::string body, bool complete)
    : head_(head), body_(std::move(body)), complete_(complete) {}

bool HttpTextFile::QueryContentLength(std::int64_t& length) const {
  if (head_.contentLength < 0) return false;
  length = head_.contentLength;
  return true;
}

bool HttpTextFile::ReadString(std::string& line) {
  if (!complete_ || pos_ >= body_.size()) return false;
  std::size_t end = body_.find('\n', pos_);
  const std::size_t next = end == std::string::npos ? body_.size() : end + 1;
  if (end == std::string::npos) end = body_.size();
  if (end > pos_ && body_[end - 1] == '\r') --end;
  line.assign(body_, pos_, end - pos_);
  pos_ = next;
  return true;
}

CRWebAcc::CRWebAcc(std::string url, const HttpTimeouts& timeouts, const std::atomic<std::uint8_t>* cancel)
    : url_(std::move(url)), timeouts_(timeouts), cancel_(cancel) {}

bool CRWebAcc::IsReadable(const HttpHead& head) const {
  return head.status >= 200 && head.status < 300 && head.contentLength >= 0 &&
         head.contentLength <= sizeLimit_;
}

void CRWebAcc::Run() {
  // Keeps the body of a readable answer and refuses any other before its
  // body is read.
  class Collector final : public HttpReceiver {
   public:
    explicit Collector(const CRWebAcc& reader) : reader_(reader) {}
    bool OnOpen(const HttpHead& answer) override {
      head = answer;
      opened = true;
      return reader_.IsReadable(answer);
    }
    bool OnPiece(const char* data, std::size_t size) override {
      if (body.size() + size > static_cast<std::size_t>(reader_.sizeLimit_)) return false;
      body.append(data, size);
      return true;
    }
    HttpHead head;
    std::string body;
    bool opened = false;

   private:
    const CRWebAcc& reader_;
  } collector(*this);

  const HttpOutcome outcome = HttpGet(url_, timeouts_, cancel_, collector);
  if (!collector.opened || outcome == HttpOutcome::kCancelled) return;
  HttpTextFile file(collector.head, std::move(collector.body), outcome == HttpOutcome::kComplete);
  if (Parse(file) == 0) Evaluate();
}

int CRWebAcc::Parse(HttpTextFile&) { return 0; }

void CRWebAcc::Evaluate() {}

}  // namespace imaging
