// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/MemoryBudget.h"

#include "analysis/TransformSize.h"

#include <utility>

MemoryBudget::Reservation::~Reservation() {
    if (budget_ != nullptr) {
        budget_->Release(bytes_);
    }
}

MemoryBudget::Reservation::Reservation(Reservation&& other) noexcept
    : budget_(std::exchange(other.budget_, nullptr)), bytes_(other.bytes_) {}

MemoryBudget::Reservation MemoryBudget::Reserve(std::size_t bytes) {
    if (bytes > total_) {
        return {nullptr, 0};
    }
    std::unique_lock lock(mutex_);
    released_.wait(lock, [&] { return bytes <= left_; });
    left_ -= bytes;
    return {this, bytes};
}

void MemoryBudget::Release(std::size_t bytes) {
    {
        const std::lock_guard lock(mutex_);
        left_ += bytes;
    }
    released_.notify_all();
}

MemoryBudget& MemoryBudget::Process() {
    static MemoryBudget budget(kProcessBytes);
    return budget;
}

std::size_t AnalysisBytes(std::uint32_t sampleRate) {
    const auto transform = ChooseTransformSize(sampleRate);
    if (!transform) {
        return 0;
    }
    const auto n = static_cast<std::size_t>(transform->TransformSize);
    const auto m = static_cast<std::size_t>(transform->BinCount);
    const auto stages = static_cast<std::size_t>(transform->TransformLog2);
    // FrequencyAnalysis::Prepare: a cosine and a sine table of N x L doubles,
    // N bit-reversed indices, four work and spectrum arrays of N doubles and
    // M magnitudes; then the N values read and mixed for it, twice at most
    // (the values and a copy for the centred window).
    return 2 * n * stages * sizeof(double) + n * sizeof(std::int32_t) + 4 * n * sizeof(double) + m * sizeof(double) +
           2 * n * sizeof(double);
}
