// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The numbers korvani reads from what the user typed: the leading number of a
// box's text, read as the C library's number readers do (white space, one
// optional sign, decimal digits), each reader with its own range rule.

#include <cstdint>
#include <optional>
#include <string_view>

/// The number at the start of `text`: leading white space skipped, an
/// optional sign, then decimal digits up to the first other character; no
/// digits give 0. Wraps modulo 2^32 without a range check, so "-1" gives
/// 4294967295.
std::uint32_t LeadingUnsigned32(std::string_view text);

/// The leading decimal integer of `text`: leading white space skipped, one
/// optional '+' or '-', then the digits up to the first non-digit; 0 when
/// there are no digits ("12abc" -> 12, "abc" -> 0, "  -7" -> -7). Nothing
/// when the number does not fit 32 bits.
std::optional<std::int32_t> LeadingInteger(std::string_view text);
