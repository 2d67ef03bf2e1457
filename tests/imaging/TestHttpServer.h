#pragma once
// A small HTTP/1.1 server for the tests of the web clients: 127.0.0.1 only,
// an ephemeral port, one connection at a time on its own thread. Each path
// is answered as its TestReply says, which can also misbehave: be slow,
// announce a wrong length or none, cut the body short, pause in the middle,
// or accept and never answer. Every wait of the server is bounded by its
// stop flag, so the destructor always returns.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <limits>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace imaging_test {

// Byte i of the generated pattern bodies (no period of 4096 or its divisors).
char PatternByte(std::uint64_t i);

struct TestReply {
  static constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();
  enum class Length { kExact, kMissing, kDeclared };

  int status = 200;
  std::string body;               // the body, unless patternSize is set
  std::uint64_t patternSize = 0;  // a body of this many PatternByte bytes
  Length length = Length::kExact;
  std::uint64_t declaredLength = 0;  // the Content-Length sent with kDeclared
  std::string location;              // a Location header when not empty
  std::size_t pieceSize = 64 * 1024;
  std::chrono::milliseconds pieceDelay{0};  // pause after each piece
  std::uint64_t cutAfter = kNever;          // close after this many body bytes
  std::uint64_t holdAfter = kNever;         // pause after this many until Release()
  bool silent = false;                      // read the request, never answer
};

class TestHttpServer {
 public:
  TestHttpServer();
  ~TestHttpServer();
  TestHttpServer(const TestHttpServer&) = delete;
  TestHttpServer& operator=(const TestHttpServer&) = delete;

  // Answers path (e.g. "/a.txt") with reply from now on; other paths get 404.
  void Set(const std::string& path, TestReply reply);
  // Lets answers paused at holdAfter go on.
  void Release() { released_.store(true); }
  std::string Url(const std::string& path) const;
  int RequestCount() const { return requests_.load(); }

  // A local port on which nothing listens: connecting is refused at once.
  static int ClosedPort();

 private:
  void Serve();
  void Answer(int fd);
  bool ReadRequest(int fd, std::string& path);
  bool SendBody(int fd, const TestReply& reply, std::uint64_t size);
  bool SendAll(int fd, const char* data, std::size_t size);
  // Waits until the client closes (true; also when the server stops) or
  // *until becomes true (false).
  bool WaitForClose(int fd, const std::atomic<bool>* until);

  int listenFd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<bool> released_{false};
  std::atomic<int> requests_{0};
  std::mutex mutex_;
  std::map<std::string, TestReply> replies_;
  std::thread thread_;
};

}  // namespace imaging_test
