// Work spread over the processor's cores.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

namespace orlomat {

// Runs `work(i)` for i in [0, n), spread over the processor's cores.
template <typename Work> void ParallelFor(std::size_t n, const Work& work) {
    std::atomic<std::size_t> next{0};
    const auto run = [&] {
        for (std::size_t i; (i = next++) < n;)
            work(i);
    };
    const std::size_t helpers =
        std::min<std::size_t>({std::thread::hardware_concurrency(), 8, n / 8 + 1});
    std::vector<std::thread> threads;
    for (std::size_t t = 1; t < helpers; ++t)
        threads.emplace_back(run);
    run();
    for (std::thread& t : threads)
        t.join();
}

} // namespace orlomat
