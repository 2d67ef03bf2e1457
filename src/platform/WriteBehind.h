#pragma once
// Writes blocks to a File on a thread of its own, in the order they were
// queued, so that the caller fills the next block meanwhile. The disk's
// writing of each block is started as soon as it is written (File's
// StartWriteBack), so the final Flush finds little left to wait for.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>

#include "platform/File.h"

namespace platform {

class WriteBehind {
 public:
  // Blocks that may wait in the queue; Queue waits while it is full.
  static constexpr int kQueueSize = 8;

  // Writes to `file` at its file pointer. Throws std::system_error when no
  // thread can be started.
  explicit WriteBehind(File& file);
  // Drops the blocks not yet begun and waits for the one being written.
  ~WriteBehind();
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;

  // Queues n bytes at `data`, written after everything queued before. The
  // bytes must stay as they are until Wait says they are written.
  void Queue(const void* data, std::size_t n);
  // Waits until at most `left` queued blocks are still unwritten. Throws the
  // FileError of a failed write; the blocks queued after it are dropped, and
  // every later Wait throws it again.
  void Wait(int left = 0);

 private:
  struct Block {
    const void* data;
    std::size_t size;
  };
  void Run();

  File& file_;
  std::mutex mutex_;
  std::condition_variable changed_;
  Block queue_[kQueueSize] = {};
  int first_ = 0;
  int count_ = 0;  // queued and not yet written, the one being written included
  bool stopping_ = false;
  std::exception_ptr failure_;
  std::thread thread_;
};

}  // namespace platform
