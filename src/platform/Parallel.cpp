#include "platform/Parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace platform {
namespace {

std::atomic<int> requestedThreads{0};
// Set on a thread while it runs a part of parallel work.
thread_local bool insidePart = false;

// Runs part(0) .. part(parts - 1), part 0 on this thread, each under the
// inside-a-part mark; rethrows the first failure.
void RunParts(int parts, const std::function<void(int)>& part) {
  std::vector<std::exception_ptr> failures(static_cast<std::size_t>(parts));
  auto run = [&](int index) {
    const bool wasInside = insidePart;
    insidePart = true;
    try {
      part(index);
    } catch (...) {
      failures[static_cast<std::size_t>(index)] = std::current_exception();
    }
    insidePart = wasInside;
  };
  std::vector<std::thread> threads;
  threads.reserve(static_cast<std::size_t>(parts - 1));
  for (int index = 1; index < parts; ++index) {
    try {
      threads.emplace_back(run, index);
    } catch (const std::system_error&) {
      run(index);  // no thread to be had: this one does the part
    }
  }
  run(0);
  for (std::thread& thread : threads) thread.join();
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
