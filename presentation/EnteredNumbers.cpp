// SPDX-License-Identifier: GPL-3.0-or-later
#include "presentation/EnteredNumbers.h"

#include <limits>

namespace {

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

/// The sign and the digits a text starts with, after its white space.
struct LeadingNumber {
    bool negative = false;
    std::string_view digits;
};

LeadingNumber ScanLeadingNumber(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && IsWhiteSpace(text[at])) {
        ++at;
    }
    LeadingNumber number;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        number.negative = text[at] == '-';
        ++at;
    }
    std::size_t end = at;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
        ++end;
    }
    number.digits = text.substr(at, end - at);
    return number;
}

}  // namespace

std::uint32_t LeadingUnsigned32(std::string_view text) {
    const LeadingNumber number = ScanLeadingNumber(text);
    std::uint32_t value = 0;
    for (const char digit : number.digits) {
        value = value * 10U + static_cast<std::uint32_t>(digit - '0');
    }
    return number.negative ? 0U - value : value;
}

std::optional<std::int32_t> LeadingInteger(std::string_view text) {
    const LeadingNumber number = ScanLeadingNumber(text);
    // Magnitudes up to 2^31 fit; -2^31 is the one such value with a sign.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (const char digit : number.digits) {
        magnitude = magnitude * 10 + (digit - '0');
        if (magnitude > kLimit) {
            return std::nullopt;
        }
    }
    const std::int64_t value = number.negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}
