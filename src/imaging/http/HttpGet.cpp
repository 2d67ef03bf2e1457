#include "imaging/http/HttpGet.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

namespace imaging {
namespace {

using Clock = std::chrono::steady_clock;

// How often the transfer loop looks at the cancel flag and the timeouts
// while libcurl has nothing to do.
constexpr int kPollMilliseconds = 20;
constexpr long kMaxRedirects = 10;

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using MultiHandle = std::unique_ptr<CURLM, MultiDeleter>;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// State of one transfer, shared by the libcurl callbacks and the loop.
class Transfer {
 public:
  Transfer(CURL* easy, HttpReceiver& receiver) : easy_(easy), receiver_(receiver) {}

  bool opened() const { return opened_; }
  bool stopped() const { return stopped_; }
  Clock::time_point lastActivity() const { return lastActivity_; }
  void MarkActivity() { lastActivity_ = Clock::now(); }

  // Hands the final answer's head to the receiver; false stops the transfer.
  bool Open() {
    opened_ = true;
    HttpHead head;
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &head.status);
    curl_off_t length = -1;
    if (curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK)
      head.contentLength = length;
    if (!receiver_.OnOpen(head)) stopped_ = true;
    return !stopped_;
  }

  static std::size_t OnHeaderLine(char* data, std::size_t size, std::size_t count, void* user) {
    auto& self = *static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    self.MarkActivity();
    if (self.opened_) return n;  // trailers of a chunked body
    const std::string_view line(data, n);
    if (StartsWithNoCase(line, "http/")) {
      self.headHasLocation_ = false;  // a new answer begins
    } else if (StartsWithNoCase(line, "location:")) {
      self.headHasLocation_ = true;
    } else if (line == "\r\n" || line == "\n") {
      long status = 0;
      curl_easy_getinfo(self.easy_, CURLINFO_RESPONSE_CODE, &status);
      // Interim answers and redirects that libcurl follows are not the answer.
      if (status < 200 || (status / 100 == 3 && self.headHasLocation_)) return n;
      if (!self.Open()) return 0;
    }
    return n;
  }

  static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& self = *static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    self.MarkActivity();
    if (!self.opened_ && !self.Open()) return 0;
    if (!self.receiver_.OnPiece(data, n)) {
      self.stopped_ = true;
      return 0;
    }
    return n;
  }

 private:
  CURL* easy_;
  HttpReceiver& receiver_;
  bool opened_ = false;
  bool stopped_ = false;
  bool headHasLocation_ = false;
  Clock::time_point lastActivity_ = Clock::now();
};

void Configure(CURL* easy, const std::string& url, const HttpTimeouts& timeouts, Transfer& transfer) {
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  // Library index files name the URLs: never let one read a local file.
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);  // worker threads: no SIGALRM
  curl_easy_setopt(easy, CURLOPT_USERAGENT, "Pennet");
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts.connect.count()));
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Transfer::OnHeaderLine);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Transfer::OnBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
}

std::optional<CURLcode> TakeResult(CURLM* multi) {
  int left = 0;
  while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
    if (msg->msg == CURLMSG_DONE) return msg->data.result;
  }
  return std::nullopt;
}

HttpOutcome Classify(CURLcode code, Transfer& transfer) {
  if (transfer.stopped()) return HttpOutcome::kStopped;
  if (code == CURLE_OK) {
    // Every final answer passes the end of its head; this is only a guard.
    if (!transfer.opened() && !transfer.Open()) return HttpOutcome::kStopped;
    return HttpOutcome::kComplete;
  }
  if (transfer.opened()) return HttpOutcome::kReadFailed;  // includes a body cut short
  if (code == CURLE_COULDNT_RESOLVE_HOST || code == CURLE_COULDNT_RESOLVE_PROXY)
    return HttpOutcome::kNameNotResolved;
  return HttpOutcome::kOpenFailed;
}

// Runs the transfer until libcurl finishes it or a timeout passes, and
// answers its result; nullopt when the cancel flag ended it.
std::optional<CURLcode> Drive(CURLM* multi, CURL* easy, const HttpTimeouts& timeouts,
                              const std::atomic<std::uint8_t>* cancel, Transfer& transfer) {
  const Clock::time_point start = Clock::now();
  bool connected = false;
  for (;;) {
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) return CURLE_FAILED_INIT;
    if (auto code = TakeResult(multi)) return code;
    if (cancel && cancel->load() != 0) return std::nullopt;

    const Clock::time_point now = Clock::now();
    if (!connected) {
      // The silence bound counts from the moment a connection stands; until
      // then libcurl's connect timeout applies, and this loop allows it the
      // silence bound on top as a backstop.
      curl_off_t connectTime = 0;
      curl_easy_getinfo(easy, CURLINFO_CONNECT_TIME_T, &connectTime);
      if (connectTime > 0) {
        connected = true;
        transfer.MarkActivity();
      }
    }
    const auto silenceBound = connected ? timeouts.stall : timeouts.connect + timeouts.stall;
    if (timeouts.stall.count() > 0 && now - transfer.lastActivity() > silenceBound)
      return CURLE_OPERATION_TIMEDOUT;
    if (timeouts.total.count() > 0 && now - start > timeouts.total) return CURLE_OPERATION_TIMEDOUT;
    curl_multi_poll(multi, nullptr, 0, kPollMilliseconds, nullptr);
  }
}

}  // namespace

HttpOutcome HttpGet(const std::string& url, const HttpTimeouts& timeouts,
                    const std::atomic<std::uint8_t>* cancel, HttpReceiver& receiver) {
  InitCurlOnce();
  EasyHandle easy(curl_easy_init());
  MultiHandle multi(curl_multi_init());
  if (!easy || !multi) return HttpOutcome::kOpenFailed;
  Transfer transfer(easy.get(), receiver);
  Configure(easy.get(), url, timeouts, transfer);
  if (curl_multi_add_handle(multi.get(), easy.get()) != CURLM_OK) return HttpOutcome::kOpenFailed;

  const std::optional<CURLcode> code = Drive(multi.get(), easy.get(), timeouts, cancel, transfer);
  curl_multi_remove_handle(multi.get(), easy.get());
  return code ? Classify(*code, transfer) : HttpOutcome::kCancelled;
}

}  // namespace imaging
