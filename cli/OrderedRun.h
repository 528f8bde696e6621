// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

/// Runs `work(i)` for i = 0 ... count - 1 on up to `jobs` threads and hands
/// each answer to `take` on the calling thread in the order of i, as soon as
/// it and every one before it are done. `work` must be safe to run at once for
/// different i and must not throw; `take` runs on one thread only. When `take`
/// answers false the run ends: no further work starts, the work under way is
/// finished and dropped.
template <typename Answer, typename Work, typename Take>
void RunInOrder(std::size_t count, unsigned jobs, const Work& work, const Take& take) {
    const std::size_t threads = std::min<std::size_t>(std::max(jobs, 1U), count);
    if (threads <= 1) {
        for (std::size_t i = 0; i < count && take(work(i)); ++i) {
        }
        return;
    }
    std::mutex mutex;
    std::condition_variable done;
    std::vector<std::optional<Answer>> answers(count);
    std::size_t next = 0;
    std::vector<std::jthread> workers;
    for (std::size_t t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            for (;;) {
                std::size_t i = 0;
                {
                    const std::lock_guard lock(mutex);
                    if (next == count) {
                        return;
                    }
                    i = next++;
                }
                Answer answer = work(i);
                const std::lock_guard lock(mutex);
                answers[i] = std::move(answer);
                done.notify_all();
            }
        });
    }
    for (std::size_t i = 0; i < count; ++i) {
        std::unique_lock lock(mutex);
        done.wait(lock, [&] { return answers[i].has_value(); });
        Answer answer = std::move(*answers[i]);
        answers[i].reset();
        lock.unlock();
        if (!take(std::move(answer))) {
            const std::lock_guard stop(mutex);
            next = count;
            return;  // the workers finish what they hold and are joined here
        }
    }
}
