#include "subtitle/subtitle_format.h"
#include "subtitle/time_codes.h"

#include <gtest/gtest.h>
#include <tuple>

TEST(ShiftTimeText, SubRipClampsWrapsAndCarries) {
    EXPECT_EQ(ShiftTimeText("00:00:01,500", -2000, kSubRip), "00:00:00,000");
    EXPECT_EQ(ShiftTimeText("00:59:59,999", 1, kSubRip), "01:00:00,000");
    EXPECT_EQ(ShiftTimeText("59:59:59,999", 1, kSubRip), "00:00:00,000");
    EXPECT_EQ(ShiftTimeText("01:02:03,004", 0, kSubRip), "01:02:03,004");
    // Fields are read at fixed positions: separators are not checked, short text reads as zeros.
    EXPECT_EQ(ShiftTimeText("01x02y03z004", 0, kSubRip), "01:02:03,004");
    EXPECT_EQ(ShiftTimeText("00:00:05", 0, kSubRip), "00:00:05,000");
    EXPECT_EQ(ShiftTimeText("", 250, kSubRip), "00:00:00,250");
    // Huge deltas wrap in 32 bits rather than overflowing.
    EXPECT_EQ(ShiftTimeText("00:00:00,001", INT32_MAX, kSubRip), "00:00:00,000");
}

TEST(ShiftTimeText, FrameAndMillisecondCounts) {
    EXPECT_EQ(ShiftTimeText("120", -200, kMicroDVD), "0");
    EXPECT_EQ(ShiftTimeText("120", 30, kMicroDVD), "150");
    EXPECT_EQ(ShiftTimeText("", 500, kSAMI), "500");
    EXPECT_EQ(ShiftTimeText("  1500abc", 0, kSAMI), "1500");
    EXPECT_EQ(ShiftTimeText("-5", 3, kSAMI), "0");
}

TEST(ShiftTimeText, SubViewerHundredths) {
    EXPECT_EQ(ShiftTimeText("00:00:02.50", 25, kSubViewer), "00:00:02.75");
    EXPECT_EQ(ShiftTimeText("00:00:02.50", 60, kSubViewer), "00:00:03.10");
    EXPECT_EQ(ShiftTimeText("00:00:00.10", -100, kSubViewer2), "00:00:00.00");
    EXPECT_EQ(ShiftTimeText("59:59:59.99", 1, kSubViewer2), "00:00:00.00");
}

TEST(SplitTimeLine, EachFormat) {
    EXPECT_EQ(SplitTimeLine("00:00:01,000  -->  00:00:04,000 X1:10", kSubRip),
              (TimeTexts{"00:00:01,000", "00:00:04,000 X1:10"}));
    EXPECT_EQ(SplitTimeLine("<SYNC Start=1500><P Class=ENCC>", kSAMI), (TimeTexts{"1500", ""}));
    EXPECT_EQ(SplitTimeLine("<SYNC Start= 1500 >", kSAMI), (TimeTexts{"1500", ""}));
    EXPECT_EQ(SplitTimeLine("{100}{250}Hello", kMicroDVD), (TimeTexts{"100", "250"}));
    EXPECT_EQ(SplitTimeLine("{ 100 }{250", kMicroDVD), (TimeTexts{" 100 ", ""}));
    EXPECT_EQ(SplitTimeLine("00:00:01.00 , 00:00:04.00", kSubViewer),
              (TimeTexts{"00:00:01.00", "00:00:04.00"}));
    EXPECT_EQ(SplitTimeLine("", kSubRip), (TimeTexts{"", ""}));
    EXPECT_EQ(SplitTimeLine("no markers", kMicroDVD), (TimeTexts{"", ""}));
}

TEST(BuildTimeLine, EachFormatRoundTripsThroughSplit) {
    EXPECT_EQ(BuildTimeLine("100", "250", kMicroDVD), "{100}{250}");
    EXPECT_EQ(BuildTimeLine("1500", "", kSAMI), "<SYNC Start=1500>");
    EXPECT_EQ(BuildTimeLine("00:00:01,000", "00:00:02,000", kSubRip), "00:00:01,000 --> 00:00:02,000");
    EXPECT_EQ(BuildTimeLine("00:00:01.00", "00:00:02.00", kSubViewer2), "00:00:01.00,00:00:02.00");
    for (int f = kSubRip; f <= kSubViewer2; ++f) {
        const QString hide = f == kSAMI ? QString() : QStringLiteral("7");
        EXPECT_EQ(SplitTimeLine(BuildTimeLine("5", hide, f), f), (TimeTexts{"5", hide})) << "format " << f;
    }
}

TEST(DecimalValue, BehavesLikeTheCLibrary) {
    EXPECT_EQ(decimalValue(u" \t+42x"), 42);
    EXPECT_EQ(decimalValue(u"-7"), -7);
    EXPECT_EQ(decimalValue(u"abc"), 0);
    EXPECT_EQ(decimalValue(u"99999999999999"), INT32_MAX);
    // Only the low 8 bits of a character count: U+0131 narrows to 0x31, the digit "1".
    EXPECT_EQ(decimalValue(u"\u01312"), 12);
}

TEST(SamiTimeLine, TheClearingSyncHoldsTheHideTime) {
    EXPECT_EQ(SplitTimeLine("<SYNC Start=1000><P Class=ENCC>\n<SYNC Start=3000><P Class=ENCC>&nbsp;", kSAMI),
              (TimeTexts{"1000", "3000"}));
    // Only a hide after the show can end the entry: a delay over an empty hide gives the others.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"1000", "3000", "<SYNC Start=1000>\n<SYNC Start=3000>&nbsp;"},
        {"1500", "500", "<SYNC Start=1500>"},
        {"1500", "1500", "<SYNC Start=1500>"},
        {"1500", "2x", "<SYNC Start=1500>"}};
    for (const auto& [show, hide, timeLine] : cases)
        EXPECT_EQ(BuildTimeLine(show, hide, kSAMI), timeLine) << show << " " << hide;
}
