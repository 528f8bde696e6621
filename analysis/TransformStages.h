// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

// The butterfly stages of the transform and the reordering into bin order,
// arranged for speed. Every butterfly does exactly the floating-point
// operations of the plain stage-by-stage loop on the same operands, so the
// results are the same to the bit; only the order of independent butterflies,
// how many run at once and when values travel through memory differ.

/// The data of one transform of N = 2^Log2Size points. Cos and Sin are column
/// 0 of the twiddle tables (N values each). Group g of a stage, the points
/// g x 2 x half ... (g + 1) x 2 x half - 1, takes the table row g x 2 x half
/// in column log2(half), which holds the values of row 2g in column 0: every
/// stage reads its twiddles from (Cos[2g], Sin[2g]).
struct StageData {
    double* Re;
    double* Im;
    const double* Cos;
    const double* Sin;
    std::int32_t Log2Size;
};

/// Runs all log2Size stages in place on Re + i Im: for stage s = 1 ... L,
/// half = 2^(L-s), each pair (a, a + half) of group g goes through
///   tr = bRe c - bIm s, ti = bIm c + bRe s, b = a - t, a = a + t.
/// Uses the widest vectors the processor offers (AVX-512, AVX2 or SSE2).
void RunStages(const StageData& data);

/// out[bitReverse[i]] = in[i] for i = 0 ... 2^log2Size - 1, for the real and
/// the imaginary parts, in cache-sized tiles. bitReverse must reverse the low
/// log2Size bits.
void ScatterToBinOrder(const double* inRe, const double* inIm, double* outRe, double* outIm,
                       const std::int32_t* bitReverse, std::int32_t log2Size);

/// The vector widths the stages are built for, in doubles at once: 8
/// (AVX-512), 4 (AVX2), 2 (SSE2, always there on x86-64) and 1 (no vectors).
/// RunStages takes the widest the processor supports.
bool ProcessorRunsLanes(int lanes);

/// RunStages with `lanes` doubles at once; `lanes` must be one that
/// ProcessorRunsLanes accepts (throws std::invalid_argument otherwise). For
/// comparing the widths with each other.
void RunStagesWithLanes(const StageData& data, int lanes);
