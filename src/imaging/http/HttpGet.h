#pragma once
// One HTTP GET with libcurl, run on the calling (worker) thread.
//
// It behaves like the desktop internet library the news check and the
// download worker were written against: redirects are followed, an error
// page is an answer like any other (its status and body reach the receiver),
// and the body arrives in pieces. Unlike that library, every wait is bounded
// and a cancel flag ends the transfer at any moment.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace imaging {

// How long a transfer may wait. A zero stall or total bound turns it off.
struct HttpTimeouts {
  std::chrono::milliseconds connect{15000};  // name lookup and connection
  std::chrono::milliseconds stall{30000};    // longest silence of a connected server
  std::chrono::milliseconds total{0};        // the whole transfer
};

// The head of the server's final answer (after redirects).
struct HttpHead {
  long status = 0;
  std::int64_t contentLength = -1;  // -1 when the answer carries no Content-Length
};

// Gets the answer of one transfer. Both calls run on the thread that called
// HttpGet; answering false stops the transfer (HttpOutcome::kStopped).
class HttpReceiver {
 public:
  // The final answer's head has arrived; its body follows.
  virtual bool OnOpen(const HttpHead& head) = 0;
  // The next piece of the body, in order; pieces have any size.
  virtual bool OnPiece(const char* data, std::size_t size) = 0;

 protected:
  ~HttpReceiver() = default;
};

enum class HttpOutcome {
  kComplete,         // the whole body arrived (as long as its Content-Length says)
  kNameNotResolved,  // the host name did not resolve; nothing was opened
  kOpenFailed,       // no answer: bad address, no connection, or silence until a timeout
  kReadFailed,       // the answer broke off after its head: cut short, reset or stalled
  kStopped,          // the receiver answered false
  kCancelled,        // the cancel flag was set
};

// Reads url (http or https only). The receiver's OnOpen is called at most
// once, and before any OnPiece; after kNameNotResolved, kOpenFailed and a
// kCancelled that came before the head, it was not called. The cancel flag
// (may be null) is watched all the time, also while connecting or waiting.
HttpOutcome HttpGet(const std::string& url, const HttpTimeouts& timeouts,
                    const std::atomic<std::uint8_t>* cancel, HttpReceiver& receiver);

}  // namespace imaging
