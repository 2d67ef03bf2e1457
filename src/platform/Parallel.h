#pragma once
// Work split across the machine's cores, on threads kept for the whole run.
// Every user splits it so that each part writes pixels or results of its
// own, so the outcome never depends on the number of threads; tests compare
// one thread with several.
#include <functional>

namespace platform {

// The number of threads ParallelFor may use: 1 keeps everything on the
// calling thread, 0 (the default) is the machine's hardware threads.
void SetWorkerThreads(int count);
int WorkerThreads();

// Calls fn(begin, end) over [0, count) in consecutive parts of at least
// minPerPart items, at most one part per thread; the calling thread runs the
// first. Returns when every part is done. An exception thrown by a part is
// thrown again here (the first one, after all parts ended).
void ParallelFor(int count, int minPerPart, const std::function<void(int, int)>& fn);

// Calls fn(i) for each i in [0, count), each on whichever thread is free
// next (for items of uneven cost). Exceptions as in ParallelFor.
void ParallelEach(int count, const std::function<void(int)>& fn);

// Work started inside a part of ParallelFor or ParallelEach runs on the
// thread that started it: the cores are busy already.

}  // namespace platform
