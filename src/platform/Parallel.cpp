#include "platform/Parallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace platform {
namespace {

std::atomic<int> requestedThreads{0};
// Set on a thread while it runs a part of parallel work.
thread_local bool insidePart = false;

// One call's parts: whoever is free takes the next one; the caller takes
// parts too, then waits until all are done.
struct Batch {
  const std::function<void(int)>* part = nullptr;
  int parts = 0;
  std::atomic<int> next{0};
  std::atomic<int> done{0};
  std::mutex mutex;
  std::condition_variable finished;

  void Work() {
    for (int index = next++; index < parts; index = next++) {
      (*part)(index);
      if (++done == parts) {
        const std::lock_guard<std::mutex> lock(mutex);
        finished.notify_all();
      }
    }
  }
};

// Threads kept for the whole run, so parallel work does not start threads
// of its own each time. They are never stopped: the process ends them.
class Pool {
 public:
  static Pool& Instance() {
    static Pool* pool = new Pool;
    return *pool;
  }

  // Grows to `count` threads as far as the system gives them.
  void Ensure(int count) {
    const std::lock_guard<std::mutex> lock(mutex_);
    while (threads_ < count) {
      try {
        std::thread([this] { Loop(); }).detach();
      } catch (const std::system_error&) {
        return;  // the callers do the parts themselves
      }
      ++threads_;
    }
  }

  void Submit(const std::shared_ptr<Batch>& batch) {
    const std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(batch);
    wake_.notify_all();
  }

 private:
  void Loop() {
    insidePart = true;
    for (;;) {
      std::shared_ptr<Batch> batch;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [this] { return !queue_.empty(); });
        batch = queue_.front();
        if (batch->next >= batch->parts) {
          queue_.pop_front();  // every part is taken
          continue;
        }
      }
      batch->Work();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::shared_ptr<Batch>> queue_;
  int threads_ = 0;
};

// Runs part(0) .. part(parts - 1) on this thread and the pool's, each under
// the inside-a-part mark; rethrows the first failure.
void RunParts(int parts, const std::function<void(int)>& part) {
  std::vector<std::exception_ptr> failures(static_cast<std::size_t>(parts));
  const std::function<void(int)> run = [&](int index) {
    try {
      part(index);
    } catch (...) {
      failures[static_cast<std::size_t>(index)] = std::current_exception();
    }
  };
  auto batch = std::make_shared<Batch>();
  batch->part = &run;
  batch->parts = parts;
  Pool& pool = Pool::Instance();
  pool.Ensure(parts - 1);
  pool.Submit(batch);
  const bool wasInside = insidePart;
  insidePart = true;
  batch->Work();
  insidePart = wasInside;
  {
    std::unique_lock<std::mutex> lock(batch->mutex);
    batch->finished.wait(lock, [&batch] { return batch->done == batch->parts; });
  }
  for (const std::exception_ptr& failure : failures)
    if (failure) std::rethrow_exception(failure);
}

}  // namespace

void SetWorkerThreads(int count) { requestedThreads = std::max(count, 0); }

int WorkerThreads() {
  const int requested = requestedThreads;
  if (requested > 0) return requested;
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

void ParallelFor(int count, int minPerPart, const std::function<void(int, int)>& fn) {
  if (count <= 0) return;
  const int parts = insidePart ? 1 : std::clamp(count / std::max(minPerPart, 1), 1, WorkerThreads());
  if (parts == 1) {
    fn(0, count);
    return;
  }
  RunParts(parts, [&](int part) {
    fn(static_cast<int>(static_cast<long long>(count) * part / parts),
       static_cast<int>(static_cast<long long>(count) * (part + 1) / parts));
  });
}

void ParallelEach(int count, const std::function<void(int)>& fn) {
  if (count <= 0) return;
  const int parts = insidePart ? 1 : std::min(count, WorkerThreads());
  if (parts == 1) {
    for (int i = 0; i < count; ++i) fn(i);
    return;
  }
  std::atomic<int> next{0};
  RunParts(parts, [&](int) {
    for (int i = next++; i < count; i = next++) fn(i);
  });
}

}  // namespace platform
