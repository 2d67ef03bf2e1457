#include "platform/Parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>
#include <vector>

namespace platform {
namespace {

std::atomic<int> requestedThreads{0};

}  // namespace

void SetWorkerThreads(int count) { requestedThreads = std::max(count, 0); }

int WorkerThreads() {
  const int requested = requestedThreads;
  if (requested > 0) return requested;
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

void ParallelFor(int count, int minPerPart, const std::function<void(int, int)>& fn) {
  if (count <= 0) return;
  const int parts = std::clamp(count / std::max(minPerPart, 1), 1, WorkerThreads());
  if (parts == 1) {
    fn(0, count);
    return;
  }
  std::vector<std::exception_ptr> failures(static_cast<std::size_t>(parts));
  auto run = [&](int part) {
    const int begin = static_cast<int>(static_cast<long long>(count) * part / parts);
    const int end = static_cast<int>(static_cast<long long>(count) * (part + 1) / parts);
    try {
      fn(begin, end);
    } catch (...) {
      failures[static_cast<std::size_t>(part)] = std::current_exception();
    }
  };
  std::vector<std::thread> threads;
  threads.reserve(static_cast<std::size_t>(parts - 1));
  for (int part = 1; part < parts; ++part) {
    try {
      threads.emplace_back(run, part);
    } catch (const std::system_error&) {
      run(part);  // no thread to be had: this one does the part
    }
  }
  run(0);
  for (std::thread& thread : threads) thread.join();
  for (const std::exception_ptr& failure : failures)
    if (failure) std::rethrow_exception(failure);
}

}  // namespace platform
