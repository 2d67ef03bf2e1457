#include "platform/WriteBehind.h"

namespace platform {

WriteBehind::WriteBehind(File& file) : file_(file) {
  thread_ = std::thread([this] { Run(); });
}

WriteBehind::~WriteBehind() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void WriteBehind::Queue(const void* data, std::size_t n) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return count_ < kQueueSize || failure_ != nullptr; });
  if (failure_ != nullptr) return;  // dropped: Wait reports the failure
  queue_[(first_ + count_) % kQueueSize] = {data, n};
  ++count_;
  lock.unlock();
  changed_.notify_all();
}

void WriteBehind::Wait(int left) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this, left] { return count_ <= left || failure_ != nullptr; });
  if (failure_ != nullptr) std::rethrow_exception(failure_);
}

void WriteBehind::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return count_ > 0 || stopping_; });
    if (stopping_) return;
    const Block block = queue_[first_];
    lock.unlock();
    std::exception_ptr failure;
    try {
      const std::int64_t at = file_.GetPosition();
      file_.Write(block.data, block.size);
      file_.StartWriteBack(at, static_cast<std::int64_t>(block.size));
    } catch (const FileError&) {
      failure = std::current_exception();
    }
    lock.lock();
    if (failure != nullptr) {
      // What follows a failed write is never written.
      failure_ = failure;
      count_ = 0;
    } else {
      first_ = (first_ + 1) % kQueueSize;
      --count_;
    }
    changed_.notify_all();
  }
}

}  // namespace platform
