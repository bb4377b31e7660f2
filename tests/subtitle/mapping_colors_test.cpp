#include "subtitle/mapping_text.h"

#include <gtest/gtest.h>

namespace {

TEST(MappingColors, EachRunReadsOnItsPageLightOrDark) {
    struct Case {
        const char* what;
        std::uint32_t rgb;
        std::uint32_t page;
    };
    const Case cases[] = {
        {"blue on a dark theme's page", kMappingTranslatedColor, 0x232629},
        {"red on a dark theme's page", kMappingOriginalColor, 0x1E1E1E},
        {"pure red on white falls just short", kMappingOriginalColor, 0xFFFFFF},
        {"blue on white", kMappingTranslatedColor, 0xFFFFFF},
        {"a colour lighter than a mid-grey page", 0xFFFF80, 0x808080},
        {"black on black", 0x000000, 0x000000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::uint32_t shown = readableOn(c.rgb, c.page);
        EXPECT_GE(contrastRatio(shown, c.page), 4.5);
        // Only as far as needed: a colour that reads already is left as it is, and a moved one
        // keeps its hue (the channel that was strongest stays strongest).
        if (contrastRatio(c.rgb, c.page) >= 4.5) {
            EXPECT_EQ(shown, c.rgb);
        }
        if (c.rgb == kMappingTranslatedColor) {
            EXPECT_GE(shown & 0xFF, (shown >> 16) & 0xFF);
        }
    }
    EXPECT_EQ(readableOn(kMappingTranslatedColor, 0xFFFFFF), kMappingTranslatedColor);
    EXPECT_NEAR(contrastRatio(0x000000, 0xFFFFFF), 21.0, 1e-9);
}

} // namespace
