#include "platform/SharedMemory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

// The object is read, not mapped: a writer that shrinks it meanwhile makes
// the copy short instead of faulting on a mapped page that is gone.
bool ReadSharedMemory(const std::string& name, std::size_t maxBytes, std::vector<std::uint8_t>& out) {
  out.clear();
  if (name.empty()) return false;
  const std::string objectName = name.front() == '/' ? name : "/" + name;
  const int fd = ::shm_open(objectName.c_str(), O_RDONLY, 0);
  if (fd < 0) return false;
  struct stat status {};
  bool ok = ::fstat(fd, &status) == 0 && status.st_size >= 0 &&
            static_cast<std::uint64_t>(status.st_size) <= maxBytes;
  if (ok) {
    out.resize(static_cast<std::size_t>(status.st_size));
    std::size_t got = 0;
    while (got < out.size()) {
      const ssize_t n = ::pread(fd, out.data() + got, out.size() - got, static_cast<off_t>(got));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    out.resize(got);
  }
  ::close(fd);
  if (!ok) out.clear();
  return ok;
}

}  // namespace platform
