#pragma once

#include <functional>

// More threads than this only cost memory.
inline constexpr int kMaxWorkerThreads = 256;

// Runs `worker` on this thread and on up to `threads` - 1 others (kMaxWorkerThreads in all) and
// returns when every one has returned. Threads the system does not start (none left, or no
// memory for one) are left out: those started, and this one, share the work.
void RunWorkers(int threads, const std::function<void()>& worker);
