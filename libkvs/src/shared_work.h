// Set-up work before the centres (the column ranges, the table's layout)
// shared among the search's threads: items of work that write apart from
// each other, taken in turn by whichever thread is free, the calling thread
// among them. So the work is done whole, and the same, even where a thread
// cannot be started or starts late on a busy machine.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <new>
#include <system_error>
#include <thread>

#include "centre_loop.h"

namespace kvs {

// Runs doItem(item) once for every item in [0, items) on up to `threads` threads.
template <typename DoItem>
void ShareItems(int64_t items, int threads, DoItem doItem)
{
    std::atomic<int64_t> next{0};
    const auto work = [&] {
        for (int64_t item = next.fetch_add(1); item < items; item = next.fetch_add(1))
            doItem(item);
    };
    const int helpers = int(std::clamp<int64_t>(items, 1, std::clamp(threads, 1, kMaxSearchThreads))) - 1;
    std::thread started[kMaxSearchThreads];
    int count = 0;
    for (; count < helpers; ++count) {
        try {
            started[count] = std::thread(work);
        } catch (const std::system_error&) {
            break;
        } catch (const std::bad_alloc&) {
            break;
        }
    }
    work();
    for (int t = 0; t < count; ++t)
        started[t].join();
}

}  // namespace kvs
