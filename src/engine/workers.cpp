#include "workers.h"

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

void RunWorkers(int threads, const std::function<void()>& worker)
{
    std::vector<std::thread> pool;
    try {
        for (int t = 1; t < std::min(threads, kMaxWorkerThreads); ++t)
            pool.emplace_back(worker);
    } catch (const std::exception&) {
        // system_error: no more threads; bad_alloc: no memory to start one.
    }
    worker();
    for (std::thread& t : pool)
        t.join();
}

void KeepFreedMemoryForReuse()
{
#ifdef __GLIBC__
    // Fixed limits also end the adaptive ones: blocks up to 1 MiB come from the heap, and up to
    // 8 MiB of free heap is kept.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    mallopt(M_TRIM_THRESHOLD, 8 << 20);
#endif
}
