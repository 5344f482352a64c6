#include "workers.h"

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

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
