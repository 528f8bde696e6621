// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/PeakLocation.h"

#include <iterator>

PeakLocation LocatePeak(std::span<const double> magnitude, std::int32_t transformSize, std::uint32_t sampleRate,
                        std::int64_t bin) {
    constexpr PeakLocation kNoMaximum{PeakOutcome::NoLocalMaximum, 0.0};
    const std::int64_t lastBin = std::ssize(magnitude) - 1;
    if (bin < 0 || bin > lastBin) {
        return {PeakOutcome::OutsideSpectrum, 0.0};
    }
    const auto m = [magnitude](std::int64_t i) { return magnitude[static_cast<std::size_t>(i)]; };

    std::int64_t k = bin;
    if (k < lastBin && m(k + 1) > m(k)) {
        do {
            ++k;
            if (k == lastBin) {
                return kNoMaximum;
            }
        } while (m(k) < m(k + 1));
    } else if (k > 0 && m(k - 1) > m(k)) {
        do {
            --k;
            if (k == 0) {
                return kNoMaximum;
            }
        } while (m(k) < m(k - 1));
    }
    // An edge bin that nothing climbed from has no second neighbour to refine with.
    if (k == 0 || k == lastBin) {
        return kNoMaximum;
    }

    const double a = m(k - 1);
    const double b = m(k);
    const double c = m(k + 1);
    const double d1 = b - a;
    const double d2 = c - b;
    const double dd = d2 - d1;
    // b is not below a or c, so dd <= 0; dd == 0 means a flat top with no vertex.
    if (!(dd < 0.0)) {
        return kNoMaximum;
    }
    const double position = static_cast<double>(k - 1) + 0.5 - d1 / dd;
    const long double frequency = static_cast<long double>(position) / transformSize * sampleRate;
    return {PeakOutcome::Found, static_cast<double>(frequency)};
}
