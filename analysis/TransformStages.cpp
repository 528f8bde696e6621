// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/TransformStages.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

// Everything below the entry points is inlined into them, so that each entry
// point's target (AVX-512, AVX2 or the default) covers all of its vector code.
// Their vector arguments and results never cross a real call, so the ABI
// note GCC gives for vectors wider than the default target does not apply.
#define KORVANI_ALWAYS_INLINE [[gnu::always_inline]] inline
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

// Inside a group of this many points all further stages run before the next
// group is touched, while its 2 x 8 x 2^13 bytes stay in the cache. Larger
// groups are taken depth first too, two stages at a time: a group's two
// stages run just before the first block inside it.
constexpr std::size_t kBlockLog2 = 13;

template <std::size_t Lanes>
struct VectorOf;

template <>
struct VectorOf<1> {
    using Type = double;
};

template <>
struct VectorOf<2> {
    typedef double Type __attribute__((vector_size(16)));
};

template <>
struct VectorOf<4> {
    typedef double Type __attribute__((vector_size(32)));
};

template <>
struct VectorOf<8> {
    typedef double Type __attribute__((vector_size(64)));
};

template <std::size_t Lanes>
using Vector = typename VectorOf<Lanes>::Type;

template <std::size_t Lanes>
KORVANI_ALWAYS_INLINE Vector<Lanes> Load(const double* from) {
    Vector<Lanes> v;
    std::memcpy(&v, from, sizeof v);
    return v;
}

template <std::size_t Lanes>
KORVANI_ALWAYS_INLINE void Store(double* to, const Vector<Lanes>& v) {
    std::memcpy(to, &v, sizeof v);
}

// Every lane x, bit for bit (0.0 + x would turn -0.0 into +0.0).
template <std::size_t Lanes>
KORVANI_ALWAYS_INLINE Vector<Lanes> Splat(double x) {
    if constexpr (Lanes == 1) {
        return x;
    } else {
        Vector<Lanes> v;
        for (std::size_t l = 0; l < Lanes; ++l) {
            v[l] = x;
        }
        return v;
    }
}

// The one butterfly of the transform, on Lanes pairs at once.
template <typename V>
KORVANI_ALWAYS_INLINE void Butterfly(V& aRe, V& aIm, V& bRe, V& bIm, const V& c, const V& s) {
    const V tr = bRe * c - bIm * s;
    const V ti = bIm * c + bRe * s;
    bRe = aRe - tr;
    bIm = aIm - ti;
    aRe = aRe + tr;
    aIm = aIm + ti;
}

// (a, b) -> (a0 b0 a1 b1 ..., second half of the same): the pair partner
// that sat in the other vector moves into the neighbouring lane.
template <std::size_t Lanes, std::size_t... L>
KORVANI_ALWAYS_INLINE void Interleave(Vector<Lanes>& a, Vector<Lanes>& b, std::index_sequence<L...>) {
    const Vector<Lanes> low = __builtin_shufflevector(a, b, (L % 2 == 0 ? L / 2 : Lanes + L / 2)...);
    const Vector<Lanes> high =
        __builtin_shufflevector(a, b, (L % 2 == 0 ? Lanes / 2 + L / 2 : Lanes + Lanes / 2 + L / 2)...);
    a = low;
    b = high;
}

// The inverse of Interleave: the even lanes of (a, b) and the odd ones.
template <std::size_t Lanes, std::size_t... L>
KORVANI_ALWAYS_INLINE void Deinterleave(Vector<Lanes>& a, Vector<Lanes>& b, std::index_sequence<L...>) {
    const Vector<Lanes> even = __builtin_shufflevector(a, b, (2 * L)...);
    const Vector<Lanes> odd = __builtin_shufflevector(a, b, (2 * L + 1)...);
    a = even;
    b = odd;
}

// Lane l holds from[2 x (l mod Span)]: Span group twiddles, each stored at an
// even row of column 0, repeated across the vector.
template <std::size_t Lanes, std::size_t Span, std::size_t... L>
KORVANI_ALWAYS_INLINE Vector<Lanes> EvenRowsRepeated(const double* from, std::index_sequence<L...>) {
    if constexpr (Span == Lanes) {
        const Vector<Lanes> first = Load<Lanes>(from);
        const Vector<Lanes> second = Load<Lanes>(from + Lanes);
        return __builtin_shufflevector(first, second, (2 * L)...);
    } else {
        const Vector<2 * Span> rows = Load<2 * Span>(from);
        return __builtin_shufflevector(rows, rows, (2 * (L % Span))...);
    }
}

template <std::size_t Lanes>
struct Stages {
    using V = Vector<Lanes>;

    // Stage s over the groups in [begin, end); half = 2^(L-s) >= Lanes.
    KORVANI_ALWAYS_INLINE static void One(const StageData& d, std::size_t begin, std::size_t end, std::size_t half) {
        for (std::size_t k = begin; k < end; k += 2 * half) {
            const std::size_t row = k / half;  // 2g for group g
            const V c = Splat<Lanes>(d.Cos[row]);
            const V s = Splat<Lanes>(d.Sin[row]);
            double* const re = d.Re + k;
            double* const im = d.Im + k;
            for (std::size_t j = 0; j < half; j += Lanes) {
                V aRe = Load<Lanes>(re + j), aIm = Load<Lanes>(im + j);
                V bRe = Load<Lanes>(re + half + j), bIm = Load<Lanes>(im + half + j);
                Butterfly(aRe, aIm, bRe, bIm, c, s);
                Store<Lanes>(re + j, aRe);
                Store<Lanes>(im + j, aIm);
                Store<Lanes>(re + half + j, bRe);
                Store<Lanes>(im + half + j, bIm);
            }
        }
    }

    // Stages s and s + 1 over the groups of stage s in [begin, end), with the
    // four points of two stages held in registers; half = 2^(L-s) >= 2 Lanes.
    // Group g of stage s splits into groups 2g and 2g + 1 of stage s + 1.
    KORVANI_ALWAYS_INLINE static void Two(const StageData& d, std::size_t begin, std::size_t end, std::size_t half) {
        const std::size_t quarter = half / 2;
        for (std::size_t k = begin; k < end; k += 2 * half) {
            const std::size_t row = k / half;  // 2g
            const V c = Splat<Lanes>(d.Cos[row]), s = Splat<Lanes>(d.Sin[row]);
            const V cLow = Splat<Lanes>(d.Cos[2 * row]), sLow = Splat<Lanes>(d.Sin[2 * row]);
            const V cHigh = Splat<Lanes>(d.Cos[2 * row + 2]), sHigh = Splat<Lanes>(d.Sin[2 * row + 2]);
            double* const re = d.Re + k;
            double* const im = d.Im + k;
            for (std::size_t j = 0; j < quarter; j += Lanes) {
                V re0 = Load<Lanes>(re + j), im0 = Load<Lanes>(im + j);
                V re1 = Load<Lanes>(re + quarter + j), im1 = Load<Lanes>(im + quarter + j);
                V re2 = Load<Lanes>(re + half + j), im2 = Load<Lanes>(im + half + j);
                V re3 = Load<Lanes>(re + half + quarter + j), im3 = Load<Lanes>(im + half + quarter + j);
                Butterfly(re0, im0, re2, im2, c, s);
                Butterfly(re1, im1, re3, im3, c, s);
                Butterfly(re0, im0, re1, im1, cLow, sLow);
                Butterfly(re2, im2, re3, im3, cHigh, sHigh);
                Store<Lanes>(re + j, re0);
                Store<Lanes>(im + j, im0);
                Store<Lanes>(re + quarter + j, re1);
                Store<Lanes>(im + quarter + j, im1);
                Store<Lanes>(re + half + j, re2);
                Store<Lanes>(im + half + j, im2);
                Store<Lanes>(re + half + quarter + j, re3);
                Store<Lanes>(im + half + quarter + j, im3);
            }
        }
    }

    // Stages first ... last over [begin, end), two at a time where possible.
    KORVANI_ALWAYS_INLINE static void Range(const StageData& d, std::size_t begin, std::size_t end, std::size_t first,
                                            std::size_t last) {
        const std::size_t points = std::size_t{1} << d.Log2Size;
        std::size_t stage = first;
        if ((last + 1 - first) % 2 == 1) {
            One(d, begin, end, points >> stage);
            ++stage;
        }
        for (; stage < last; stage += 2) {
            Two(d, begin, end, points >> stage);
        }
    }

    // The last log2(Lanes) + 1 stages, half = Lanes ... 1, over [begin, end),
    // 2 Lanes points at a time: the first with a vector of each half, the
    // later ones after moving each pair's two points into the two vectors.
    KORVANI_ALWAYS_INLINE static void Last(const StageData& d, std::size_t begin, std::size_t end) {
        constexpr auto lanes = std::make_index_sequence<Lanes>{};
        for (std::size_t k = begin; k < end; k += 2 * Lanes) {
            const std::size_t row = k / Lanes;  // 2q for block q
            V re0 = Load<Lanes>(d.Re + k), im0 = Load<Lanes>(d.Im + k);
            V re1 = Load<Lanes>(d.Re + k + Lanes), im1 = Load<Lanes>(d.Im + k + Lanes);
            Butterfly(re0, im0, re1, im1, Splat<Lanes>(d.Cos[row]), Splat<Lanes>(d.Sin[row]));
            if constexpr (Lanes > 1) {
                // After r interleaves lane l holds a pair of group 2^r q + (l mod 2^r).
                LaterStage<2>(re0, im0, re1, im1, d, row);
                Deinterleave<Lanes>(re0, re1, lanes);
                Deinterleave<Lanes>(im0, im1, lanes);
            }
            Store<Lanes>(d.Re + k, re0);
            Store<Lanes>(d.Im + k, im0);
            Store<Lanes>(d.Re + k + Lanes, re1);
            Store<Lanes>(d.Im + k + Lanes, im1);
        }
    }

    template <std::size_t Span>
    KORVANI_ALWAYS_INLINE static void LaterStage(V& re0, V& im0, V& re1, V& im1, const StageData& d, std::size_t row) {
        constexpr auto lanes = std::make_index_sequence<Lanes>{};
        Interleave<Lanes>(re0, re1, lanes);
        Interleave<Lanes>(im0, im1, lanes);
        const std::size_t first = row * Span;  // row 2 x Span x q
        const V c = EvenRowsRepeated<Lanes, Span>(d.Cos + first, lanes);
        const V s = EvenRowsRepeated<Lanes, Span>(d.Sin + first, lanes);
        Butterfly(re0, im0, re1, im1, c, s);
        if constexpr (Span < Lanes) {
            LaterStage<2 * Span>(re0, im0, re1, im1, d, row);
            Deinterleave<Lanes>(re0, re1, lanes);
            Deinterleave<Lanes>(im0, im1, lanes);
        }
    }

    KORVANI_ALWAYS_INLINE static void Run(const StageData& d) {
        const auto log2Size = static_cast<std::size_t>(d.Log2Size);
        const std::size_t points = std::size_t{1} << log2Size;
        if constexpr (Lanes > 1) {
            if (points < 2 * Lanes) {
                Stages<Lanes / 2>::Run(d);
                return;
            }
        }
        // Stages 1 ... body have half >= 2 Lanes; the rest run in Last.
        const std::size_t body = log2Size - static_cast<std::size_t>(__builtin_ctzll(2 * Lanes));
        // Stages whose groups exceed a block run over everything, an even
        // number of them where possible, since a pass of two costs one of one.
        std::size_t outer = log2Size > kBlockLog2 ? std::min(log2Size - kBlockLog2, body) : 0;
        if (outer % 2 == 1 && outer < body) {
            ++outer;
        }
        const std::size_t block = std::min(points, std::size_t{1} << kBlockLog2);
        for (std::size_t begin = 0; begin < points; begin += block) {
            std::size_t stage = 1;
            if (outer % 2 == 1) {
                if (begin == 0) {
                    One(d, 0, points, points / 2);
                }
                stage = 2;
            }
            for (; stage < outer; stage += 2) {
                const std::size_t group = points >> (stage - 1);
                if (begin % group == 0) {
                    Two(d, begin, begin + group, points >> stage);
                }
            }
            if (outer < body) {
                Range(d, begin, begin + block, outer + 1, body);
            }
            Last(d, begin, begin + block);
        }
    }
};

#if defined(__x86_64__)
[[gnu::target("avx512f")]] void RunStagesAvx512(const StageData& data) {
    Stages<8>::Run(data);
}

[[gnu::target("avx2")]] void RunStagesAvx2(const StageData& data) {
    Stages<4>::Run(data);
}
#endif

void RunStagesVector2(const StageData& data) {
    Stages<2>::Run(data);
}

void RunStagesScalar(const StageData& data) {
    Stages<1>::Run(data);
}

using StagesFunction = void (*)(const StageData&);

StagesFunction StagesFor(int lanes) {
#if defined(__x86_64__)
    __builtin_cpu_init();
#endif
    switch (lanes) {
#if defined(__x86_64__)
    case 8: return __builtin_cpu_supports("avx512f") ? RunStagesAvx512 : nullptr;
    case 4: return __builtin_cpu_supports("avx2") ? RunStagesAvx2 : nullptr;
#endif
    case 2: return RunStagesVector2;
    case 1: return RunStagesScalar;
    default: return nullptr;
    }
}

StagesFunction WidestStages() {
    for (const int lanes : {8, 4, 2}) {
        if (const StagesFunction run = StagesFor(lanes)) {
            return run;
        }
    }
    return RunStagesScalar;
}

// Bit reversal in tiles of 2^kTileLog2 x 2^kTileLog2: out[j] = in[rev j] for
// j = (a, m, b), with a and b kTileLog2 bits wide, reads in[(rev b, rev m, rev a)].
// For one m the tile writes 2^kTileLog2 runs of consecutive values, in order,
// and reads as many runs scattered over the input.
constexpr std::int32_t kTileLog2 = 3;

void OneToBinOrder(const double* in, double* out, const std::int32_t* bitReverse, std::int32_t log2Size) {
    const std::size_t points = std::size_t{1} << log2Size;
    if (log2Size < 2 * kTileLog2) {
        for (std::size_t i = 0; i < points; ++i) {
            out[bitReverse[i]] = in[i];
        }
        return;
    }
    constexpr std::size_t tile = std::size_t{1} << kTileLog2;
    const std::int32_t topShift = log2Size - kTileLog2;
    const std::size_t middles = points >> (2 * kTileLog2);
    for (std::size_t m = 0; m < middles; ++m) {
        const std::size_t middle = m << kTileLog2;
        const auto reversedMiddle = static_cast<std::size_t>(bitReverse[middle]);
        for (std::size_t a = 0; a < tile; ++a) {
            double* const to = out + (a << topShift) + middle;
            const double* const from = in + reversedMiddle + static_cast<std::size_t>(bitReverse[a << topShift]);
            for (std::size_t b = 0; b < tile; ++b) {
                to[b] = from[bitReverse[b]];
            }
        }
    }
}

}  // namespace

void RunStages(const StageData& data) {
    static const StagesFunction run = WidestStages();
    run(data);
}

bool ProcessorRunsLanes(int lanes) {
    return StagesFor(lanes) != nullptr;
}

void RunStagesWithLanes(const StageData& data, int lanes) {
    const StagesFunction run = StagesFor(lanes);
    if (run == nullptr) {
        throw std::invalid_argument("RunStagesWithLanes: this processor does not run " + std::to_string(lanes) +
                                    " lanes");
    }
    run(data);
}

void ScatterToBinOrder(const double* inRe, const double* inIm, double* outRe, double* outIm,
                       const std::int32_t* bitReverse, std::int32_t log2Size) {
    OneToBinOrder(inRe, outRe, bitReverse, log2Size);
    OneToBinOrder(inIm, outIm, bitReverse, log2Size);
}
