#include "layout/LayoutValueParser.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(LayoutValueParserTest, IntegersReadLikeTheCLibraryAndClampTo32Bits)
{
    EXPECT_EQ(ParseInteger(L"  -7"), -7);
    EXPECT_EQ(ParseInteger(L"21px"), 21);
    EXPECT_EQ(ParseInteger(L"abc"), 0);
    EXPECT_EQ(ParseInteger(L"0x10"), 0);
    EXPECT_EQ(ParseInteger(L"2147483648"), INT32_MAX);
    EXPECT_EQ(ParseInteger(L"-99999999999999999999999"), INT32_MIN);
    EXPECT_EQ(ParseInteger(std::wstring_view(L"12345", 2)), 12); // a view is not read past its end
}

TEST(LayoutValueParserTest, ColoursPutRedInTheLowByteOrStayAsTheyWere)
{
    LayoutColor color = 0xDEADBEEF;
    ParseColor(L"255,255,255", color);
    EXPECT_EQ(color, 0x00FFFFFFu);
    ParseColor(L"6,65,105", color);
    EXPECT_EQ(color, 0x00694106u);
    ParseColor(L"256,-1,1,2", color); // only the low 8 bits count; the rest reads up to a non-digit
    EXPECT_EQ(color, 0x0001FF00u);
    for (const wchar_t* unparsable : {L"", L"12,34", L"12"}) {
        ParseColor(unparsable, color);
        EXPECT_EQ(color, 0x0001FF00u) << unparsable;
    }
}

TEST(LayoutValueParserTest, PositionsBecomeEdgesWrittenAsFarAsTheTextGoes)
{
    LayoutRect rect;
    ParsePosition(L"10,50,308,141", rect);
    EXPECT_EQ(rect, (LayoutRect{10, 50, 318, 191}));

    rect = {1, 2, 3, 4};
    ParsePosition(L"9", rect);
    EXPECT_EQ(rect, (LayoutRect{1, 2, 3, 4}));
    ParsePosition(L"9,", rect);
    EXPECT_EQ(rect, (LayoutRect{9, 2, 3, 4}));
    ParsePosition(L"7,8,", rect);
    EXPECT_EQ(rect, (LayoutRect{7, 8, 3, 4}));
    ParsePosition(L"1,2,3,4,5", rect);
    EXPECT_EQ(rect, (LayoutRect{1, 2, 4, 6}));

    // Hostile numbers are clamped before any sum, so widths and heights stay computable.
    const struct
    {
        const wchar_t* text;
        LayoutRect edges;
    } hostile[] = {
        {L"2147483647,0,10,10", {32767, 0, 32777, 10}},
        {L"2147483647,-2147483648,10,-10", {32767, -32767, 32777, -32777}},
        {L"-40000,-32767,-99999999999,2147483648", {-32767, -32767, -65534, 0}},
        {L"32767,32767,32767,32767", {32767, 32767, 65534, 65534}},
    };
    for (const auto& [text, edges] : hostile) {
        ParsePosition(text, rect);
        EXPECT_EQ(rect, edges);
    }
}

TEST(LayoutValueParserTest, OffsetsNeedOneComma)
{
    LayoutPoint point{5, 5};
    ParseOffset(L"0", point);
    EXPECT_EQ(point, (LayoutPoint{5, 5}));
    ParseOffset(L"-1,6,9", point);
    EXPECT_EQ(point, (LayoutPoint{-1, 6}));
    ParseOffset(L"2147483647,-40000", point);
    EXPECT_EQ(point, (LayoutPoint{32767, -32767}));
}

TEST(LayoutValueParserTest, StyleTokensAreFoundAnywhereAndCaseSensitively)
{
    EXPECT_EQ(ParseStyle(L"WS_CHILD|WS_VISIBLE"), 0x50000000u);
    EXPECT_EQ(ParseStyle(L"WS_VISIBLE|WS_CHILD"), 0x50000000u);
    EXPECT_EQ(ParseStyle(L"WS_CHILD|WS_VISIBLE|LVS_REPORT"), 0x50000001u);
    EXPECT_EQ(ParseStyle(L"LVS_REPORT"), 0x00000001u);
    EXPECT_EQ(ParseStyle(L"ws_child|ws_visible"), 0u);
    EXPECT_EQ(ParseStyle(L"xWS_CHILDx WS_VSCROLL LVS_EX_FULLROWSELECT"), 0x40200020u);
}
