// Set-up work before the centres (the column ranges, the table's layout)
// shared among the search's threads: each thread does one part, the calling
// thread part 0. A part whose thread cannot be started is done by the calling
// thread after its own, so the work is always done whole.
#pragma once

#include <new>
#include <system_error>
#include <thread>

#include "centre_loop.h"

namespace kvs {

// Runs doPart(part) for every part in [0, parts); parts at most kMaxSearchThreads.
template <typename DoPart>
void RunParts(int parts, DoPart doPart)
{
    std::thread helpers[kMaxSearchThreads];
    bool started[kMaxSearchThreads] = {};
    for (int part = 1; part < parts; ++part) {
        try {
            helpers[part] = std::thread([&doPart, part] { doPart(part); });
            started[part] = true;
        } catch (const std::system_error&) {
        } catch (const std::bad_alloc&) {
        }
    }
    doPart(0);
    for (int part = 1; part < parts; ++part) {
        if (started[part])
            helpers[part].join();
        else
            doPart(part);
    }
}

}  // namespace kvs
