#pragma once

#include <functional>

// More threads than this only cost memory.
inline constexpr int kMaxWorkerThreads = 256;

// Runs `worker` on this thread and on up to `threads` - 1 others (kMaxWorkerThreads in all) and
// returns when every one has returned. Threads the system does not start (none left, or no
// memory for one) are left out: those started, and this one, share the work.
void RunWorkers(int threads, const std::function<void()>& worker);

// Keeps memory a count frees for the next file instead of handing it back to the system. Each
// file's read buffers are freed and made again; glibc's adaptive limits may otherwise return
// them and fault them in afresh for every file (some 45 page faults a file, up to a sixth of a
// count's time on this kind of machine). Call once, before threads start; a no-op elsewhere.
void KeepFreedMemoryForReuse();
