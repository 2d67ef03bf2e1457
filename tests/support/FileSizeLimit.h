#pragma once
// A scoped limit on the size of the files this process writes: a write
// beyond it fails with EFBIG (instead of raising SIGXFSZ), the way a full
// disk makes a write fail part way.
#include <sys/resource.h>

#include <csignal>
#include <stdexcept>

namespace testsupport {

class ScopedFileSizeLimit {
 public:
  explicit ScopedFileSizeLimit(rlim_t bytes) {
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
      std::signal(SIGXFSZ, oldHandler_);
      throw std::runtime_error("setrlimit(RLIMIT_FSIZE) failed");
    }
  }
  ~ScopedFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
  ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*oldHandler_)(int) = SIG_DFL;
};

}  // namespace testsupport
