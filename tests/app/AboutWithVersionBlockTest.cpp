// SPDX-License-Identifier: GPL-3.0-or-later
// The about box of a program that carries korvani's version block (this test
// program embeds the block of the korvani executable): the product line
// built around its own text, the copyright in place of the description.

#include "tests/app/AboutBoxTestSupport.h"

#include <gtest/gtest.h>

namespace {

using abouttest::AboutBox;

constexpr char kCopyright[] = "Copyright \u00A9 2026 korvani. Alle Rechte vorbehalten.";

TEST_F(AboutBox, ShowsProductNameLineTextAndVersionAndTheCopyright) {
    const auto shown = OpenAbout(1);
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_EQ(shown[0].caption, "info about korvani");
    EXPECT_EQ(shown[0].productLine, "korvani beta 1.1");
    EXPECT_EQ(shown[0].descriptionLine, kCopyright);
}

TEST_F(AboutBox, OpenedTwiceBuildsTheLineFromTheLayoutsTextEachTime) {
    const auto shown = OpenAbout(2);
    ASSERT_EQ(shown.size(), 2U);
    EXPECT_EQ(shown[1].productLine, "korvani beta 1.1");
    EXPECT_EQ(shown[1].descriptionLine, kCopyright);
}

}  // namespace
