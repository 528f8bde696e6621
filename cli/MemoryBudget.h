// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

/// The memory korvani-pitch's analyses may hold at once, shared by all its
/// jobs: a file's road reserves what its analyses will allocate before the
/// first of them, waits while other files hold too much, and is refused when
/// it could never fit. The analyses' tables grow with the sample rate, not
/// with the file, so a tiny file at a high rate is what this bounds.
class MemoryBudget {
public:
    /// The process's budget: what is left of 256 MB once the program itself,
    /// a file's values and libsndfile's buffers are counted.
    static constexpr std::size_t kProcessBytes = std::size_t{192} << 20;

    explicit MemoryBudget(std::size_t bytes) : left_(bytes), total_(bytes) {}

    /// Bytes held by one reservation, given back when it ends.
    class Reservation {
    public:
        Reservation(MemoryBudget* budget, std::size_t bytes) : budget_(budget), bytes_(bytes) {}
        ~Reservation();
        Reservation(Reservation&& other) noexcept;
        Reservation(const Reservation&) = delete;
        Reservation& operator=(const Reservation&) = delete;
        Reservation& operator=(Reservation&&) = delete;

        /// False when the bytes could never fit the budget: nothing is held.
        explicit operator bool() const { return budget_ != nullptr; }

    private:
        MemoryBudget* budget_;
        std::size_t bytes_;
    };

    /// Waits until `bytes` fit what is left and holds them; answers an empty
    /// reservation at once when they are more than the whole budget.
    Reservation Reserve(std::size_t bytes);

    /// The one budget of the process.
    static MemoryBudget& Process();

private:
    void Release(std::size_t bytes);

    std::mutex mutex_;
    std::condition_variable released_;
    std::size_t left_;
    std::size_t total_;
};

/// The bytes one analysis set-up allocates at `sampleRate` (its twiddle and
/// bit-reversal tables, work and spectrum arrays, magnitudes) plus the values
/// read for it; 0 for a rate without a transform size.
std::size_t AnalysisBytes(std::uint32_t sampleRate);
