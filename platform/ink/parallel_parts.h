#pragma once
// Work split into parts that touch nothing in common, run at once: part 0
// on the calling thread, the others on threads of their own (or on the
// calling one too, should no thread be had). Returns when all are done,
// rethrowing the first part's failure.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace ink_parallel {

// Parts worth starting: one a processor, at most four. Read once: asking
// the system reads a file, and an erase asks for every stroke it cuts.
inline int processorParts()
{
    static const int parts = int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    return parts;
}

// The part-th of parts shares, about equal, of count items: [first, last).
struct Share {
    size_t first = 0;
    size_t last = 0;
};
inline Share shareOf(size_t count, int part, int parts)
{
    return Share{count * size_t(part) / size_t(parts), count * size_t(part + 1) / size_t(parts)};
}

// Parts for work of this many units, one a processor, none with fewer
// than perPart (a thread costs about what some thousands of small steps do).
inline int partsFor(size_t units, size_t perPart)
{
    return int(std::clamp<size_t>(units / std::max<size_t>(perPart, 1), 1, size_t(processorParts())));
}

template <class Work>
void runInParts(int parts, Work&& work)
{
    std::vector<std::exception_ptr> failures(static_cast<size_t>(std::max(parts, 1)), nullptr);
    auto run = [&](int part) {
        try {
            work(part);
        } catch (...) {
            failures[static_cast<size_t>(part)] = std::current_exception();
        }
    };
    std::vector<std::thread> helpers;
    helpers.reserve(static_cast<size_t>(std::max(parts - 1, 0)));
    for (int part = 1; part < parts; ++part) {
        try {
            helpers.emplace_back(run, part);
        } catch (const std::system_error&) {
            run(part);
        }
    }
    run(0);
    for (std::thread& helper : helpers)
        helper.join();
    for (const std::exception_ptr& failure : failures)
        if (failure)
            std::rethrow_exception(failure);
}

// Calls work(i) for each i in [0, count), the parts taking the next one
// as each is done: for items of unequal cost, handed largest first.
template <class Work>
void forEachInParts(int parts, size_t count, Work&& work)
{
    std::atomic<size_t> next{0};
    runInParts(parts, [&](int) {
        for (size_t i = next.fetch_add(1, std::memory_order_relaxed); i < count;
             i = next.fetch_add(1, std::memory_order_relaxed))
            work(i);
    });
}

}  // namespace ink_parallel
