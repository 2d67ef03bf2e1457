#include "TestHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace imaging_test {
namespace {

// Every blocking call waits at most this long before it looks at the stop flag.
constexpr int kTickMilliseconds = 20;
constexpr std::size_t kMaxRequestBytes = 16 * 1024;
constexpr auto kRequestDeadline = std::chrono::seconds(5);

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

int BoundPort(int fd) {
  sockaddr_in address{};
  socklen_t size = sizeof address;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) return 0;
  return ntohs(address.sin_port);
}

int BindLoopback() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("test server: no socket");
  const sockaddr_in address = Loopback(0);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    throw std::runtime_error("test server: cannot bind 127.0.0.1");
  }
  return fd;
}

bool Ready(int fd, short events) {
  pollfd entry{fd, events, 0};
  return poll(&entry, 1, kTickMilliseconds) > 0;
}

const char* Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 302: return "Found";
    case 404: return "Not Found";
    default: return "Status";
  }
}

std::string Head(const TestReply& reply, std::uint64_t size) {
  std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + Reason(reply.status) + "\r\n";
  if (reply.length == TestReply::Length::kExact) head += "Content-Length: " + std::to_string(size) + "\r\n";
  if (reply.length == TestReply::Length::kDeclared)
    head += "Content-Length: " + std::to_string(reply.declaredLength) + "\r\n";
  if (!reply.location.empty()) head += "Location: " + reply.location + "\r\n";
  return head + "Connection: close\r\n\r\n";
}

}  // namespace

char PatternByte(std::uint64_t i) {
  return static_cast<char>((i * 0x9E3779B97F4A7C15ull) >> 56);
}

TestHttpServer::TestHttpServer() {
  listenFd_ = BindLoopback();
  if (listen(listenFd_, 8) != 0) {
    close(listenFd_);
    throw std::runtime_error("test server: cannot listen");
  }
  port_ = BoundPort(listenFd_);
  thread_ = std::thread([this] { Serve(); });
}

TestHttpServer::~TestHttpServer() {
  stop_.store(true);
  thread_.join();
  close(listenFd_);
}

int TestHttpServer::ClosedPort() {
  const int fd = BindLoopback();
  const int port = BoundPort(fd);
  close(fd);
  return port;
}

void TestHttpServer::Set(const std::string& path, TestReply reply) {
  std::lock_guard<std::mutex> lock(mutex_);
  replies_[path] = std::move(reply);
}

std::string TestHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void TestHttpServer::Serve() {
  while (!stop_.load()) {
    if (!Ready(listenFd_, POLLIN)) continue;
    const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    Answer(fd);
    close(fd);
  }
}

void TestHttpServer::Answer(int fd) {
  std::string path;
  if (!ReadRequest(fd, path)) return;
  requests_.fetch_add(1);
  TestReply reply;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = replies_.find(path);
    if (found != replies_.end()) {
      reply = found->second;
    } else {
      reply.status = 404;
      reply.body = "no such file";
    }
  }
  if (reply.silent) {
    WaitForClose(fd, nullptr);
    return;
  }
  const std::uint64_t size = reply.patternSize ? reply.patternSize : reply.body.size();
  const std::string head = Head(reply, size);
  if (SendAll(fd, head.data(), head.size())) SendBody(fd, reply, size);
}

bool TestHttpServer::ReadRequest(int fd, std::string& path) {
  const auto deadline = std::chrono::steady_clock::now() + kRequestDeadline;
  std::string request;
  char buffer[1024];
  while (request.find("\r\n\r\n") == std::string::npos) {
    if (stop_.load() || request.size() > kMaxRequestBytes || std::chrono::steady_clock::now() > deadline)
      return false;
    if (!Ready(fd, POLLIN)) continue;
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    request.append(buffer, static_cast<std::size_t>(n));
  }
  // "GET /path HTTP/1.1"
  const std::size_t start = request.find(' ');
  const std::size_t end = request.find(' ', start + 1);
  if (start == std::string::npos || end == std::string::npos) return false;
  path = request.substr(start + 1, end - start - 1);
  return true;
}

bool TestHttpServer::SendBody(int fd, const TestReply& reply, std::uint64_t size) {
  std::vector<char> piece;
  for (std::uint64_t offset = 0; offset < size;) {
    if (offset == reply.cutAfter) return false;
    if (offset == reply.holdAfter && WaitForClose(fd, &released_)) return false;
    std::uint64_t end = std::min<std::uint64_t>(size, offset + reply.pieceSize);
    if (offset < reply.cutAfter) end = std::min(end, reply.cutAfter);
    if (offset < reply.holdAfter) end = std::min(end, reply.holdAfter);
    piece.resize(static_cast<std::size_t>(end - offset));
    for (std::size_t i = 0; i < piece.size(); ++i)
      piece[i] = reply.patternSize ? PatternByte(offset + i) : reply.body[static_cast<std::size_t>(offset) + i];
    if (!SendAll(fd, piece.data(), piece.size())) return false;
    offset = end;
    const auto resume = std::chrono::steady_clock::now() + reply.pieceDelay;
    while (!stop_.load() && std::chrono::steady_clock::now() < resume)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

bool TestHttpServer::SendAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    if (stop_.load()) return false;
    if (!Ready(fd, POLLOUT)) continue;
    const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool TestHttpServer::WaitForClose(int fd, const std::atomic<bool>* until) {
  char buffer[256];
  while (!stop_.load()) {
    if (until && until->load()) return false;
    if (!Ready(fd, POLLIN)) continue;
    if (recv(fd, buffer, sizeof buffer, 0) <= 0) return true;
  }
  return true;
}

}  // namespace imaging_test
