#pragma once

#include <cstddef>
#include <future>

namespace volmira::diff {

// Runs work(half, begin, end) over the items [0, count) in two halves at once, the first (half 0) in a
// thread of its own; returns when both are done. An exception from either half reaches the caller.
template <typename Work>
void inTwoHalves(std::size_t count, const Work& work)
{
    const std::size_t middle = count / 2;
    auto first = std::async(std::launch::async, [&work, middle] { work(0, std::size_t(0), middle); });
    work(1, middle, count);
    first.get();
}

}  // namespace volmira::diff
