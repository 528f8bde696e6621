// SPDX-License-Identifier: GPL-3.0-or-later
// The start-time entry as the prompt reads it: its leading integer, and the
// start sample that becomes of it at a sample rate.

#include "presentation/StartTimePrompt.h"

#include "document/WaveDocument.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string_view>

namespace {

struct Entry {
    std::string_view text;
    std::optional<std::int32_t> value;
};

class LeadingIntegerOf : public testing::TestWithParam<Entry> {};

TEST_P(LeadingIntegerOf, ReadsSignAndDigitsAfterWhiteSpace) {
    EXPECT_EQ(LeadingInteger(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(Entries, LeadingIntegerOf,
                         testing::Values(Entry{"0", 0}, Entry{"12abc", 12}, Entry{"abc", 0}, Entry{"", 0},
                                         Entry{" \t\n\v\f\r42", 42}, Entry{"+7", 7}, Entry{"-7x", -7}, Entry{"-", 0},
                                         Entry{"+-3", 0}, Entry{"--3", 0}, Entry{"4 5", 4}, Entry{"x12", 0},
                                         Entry{"0012", 12}, Entry{"2147483647", 2147483647},
                                         Entry{"-2147483648", INT32_MIN}, Entry{"2147483648", std::nullopt},
                                         Entry{"-2147483649", std::nullopt},
                                         Entry{"99999999999999999999", std::nullopt}));

struct StartCase {
    std::string_view entry;
    std::uint32_t sampleRate;
    std::int64_t startSample;
};

class StartSampleOf : public testing::TestWithParam<StartCase> {};

TEST_P(StartSampleOf, IsMillisecondsTimesRateOverAThousandInIntegers) {
    const StartCase& c = GetParam();
    EXPECT_EQ(StartSampleOfEntry(c.entry, c.sampleRate), c.startSample) << '"' << c.entry << "\" at " << c.sampleRate;
}

INSTANTIATE_TEST_SUITE_P(Entries, StartSampleOf,
                         testing::Values(StartCase{"100", 11025, 1102},  // 1102.5 truncated
                                         StartCase{"145", 48000, 6960},  // 0.145 x 48000 in doubles is 6959.99...
                                         StartCase{"1000", 44100, 44100}, StartCase{"12abc", 1000, 12},
                                         StartCase{"abc", 44100, 0}, StartCase{"0", 44100, 0},
                                         StartCase{"-0", 44100, 0},
                                         StartCase{"-1", 44100, -1},  // negative: asked again
                                         StartCase{"-1", 500, -1},    // even where the product truncates to 0
                                         StartCase{"9999999", 214748, 2147479785},  // still fits 32 bits
                                         StartCase{"9999999", 214749, -1},  // 2147489785 does not fit: asked again
                                         StartCase{"9999999", 4294967295U, -1}));

TEST(StartTimePromptFactory, MakesNoPromptWithoutAMainWindow) {
    const TWaveDocument document;
    EXPECT_EQ(MakeStartTimePrompt(nullptr, document), nullptr);
}

}  // namespace
