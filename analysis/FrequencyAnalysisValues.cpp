// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/FrequencyAnalysis.h"

#include "platform/SampleFormat.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace {

void CheckStart(const char* operation, std::int64_t startSample, std::int64_t sampleCount, std::size_t valuesGiven) {
    if (startSample < 0 || startSample >= sampleCount) {
        throw std::invalid_argument(std::string(operation) + ": start sample " + std::to_string(startSample) +
                                    " lies outside 0 ... " + std::to_string(sampleCount - 1));
    }
    if (valuesGiven < static_cast<std::size_t>(sampleCount)) {
        throw std::invalid_argument(std::string(operation) + ": the data holds " + std::to_string(valuesGiven) +
                                    " sample values, the set-up counted " + std::to_string(sampleCount));
    }
}

}  // namespace

SpectrumResult FrequencyAnalysis::ComputeSpectrumOfValues(std::span<const double> values, std::int64_t startSample) {
    RequireTables("ComputeSpectrumOfValues");
    if (!platform::IsSupportedResolution(BitsPerSample)) {
        return SpectrumResult::UnsupportedResolution;
    }
    CheckStart("ComputeSpectrumOfValues", startSample, SampleCount, values.size());

    // The window of ComputeSpectrum, sin^2 with its quarter turn of 1.570798
    // over M points; the agreement of both on a mono file is tested.
    const double windowStep = 1.570798 / BinCount;
    const auto start = static_cast<std::size_t>(startSample);
    const auto count = static_cast<std::size_t>(SampleCount);
    std::size_t at = start;
    for (std::size_t i = 0; i < WorkRe.size(); ++i) {
        const double w = std::sin(static_cast<double>(i) * windowStep);
        WorkRe[i] = w * w * values[at];
        if (++at == count) {
            at = start;
        }
    }
    std::fill(WorkIm.data(), WorkIm.data() + WorkIm.size(), 0.0);
    RunTransform();
    ComputeMagnitudes();
    stage_ = Stage::SpectrumReady;
    return SpectrumResult::Computed;
}
