// SPDX-License-Identifier: GPL-3.0-or-later
// The about box of a program without a version block (app_tests carries
// none): both lines keep the layout's texts and nothing is reported.

#include "tests/app/AboutBoxTestSupport.h"

#include <gtest/gtest.h>

namespace {

using abouttest::AboutBox;

TEST_F(AboutBox, WithoutVersionBlockKeepsBothLinesOfTheLayout) {
    const auto shown = OpenAbout(2);
    ASSERT_EQ(shown.size(), 2U) << "no box besides the about box";
    for (const abouttest::AboutTexts& texts : shown) {
        EXPECT_EQ(texts.caption, "info about korvani");
        EXPECT_EQ(texts.productLine, "beta");
        EXPECT_EQ(texts.descriptionLine, abouttest::kDescription);
    }
}

}  // namespace
