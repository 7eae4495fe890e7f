#include "layout/LayoutValueParser.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(LayoutValueParserTest, IntegersReadLikeTheCLibraryAndClampTo32Bits)
{
    EXPECT_EQ(ParseInteger(L"12"), 12);
    EXPECT_EQ(ParseInteger(L"  -7"), -7);
    EXPECT_EQ(ParseInteger(L"+8"), 8);
    EXPECT_EQ(ParseInteger(L"21px"), 21);
    EXPECT_EQ(ParseInteger(L"4,5"), 4);
    EXPECT_EQ(ParseInteger(L""), 0);
    EXPECT_EQ(ParseInteger(L"abc"), 0);
    EXPECT_EQ(ParseInteger(L"0x10"), 0);
    EXPECT_EQ(ParseInteger(L"2147483647"), INT32_MAX);
    EXPECT_EQ(ParseInteger(L"2147483648"), INT32_MAX);
    EXPECT_EQ(ParseInteger(L"-2147483649"), INT32_MIN);
    EXPECT_EQ(ParseInteger(L"99999999999999999999999999"), INT32_MAX);
    EXPECT_EQ(ParseInteger(std::wstring_view(L"12345", 2)), 12);  // a view is not read past its end
}

TEST(LayoutValueParserTest, ColoursPutRedInTheLowByte)
{
    COLORREF color = 0xDEADBEEF;
    ParseColor(L"255,255,255", color);
    EXPECT_EQ(color, 0x00FFFFFFu);
    ParseColor(L"6,65,105", color);
    EXPECT_EQ(color, 0x00694106u);
    ParseColor(L"256,-1,1,2,3,4", color);  // only the low 8 bits count; the rest reads up to a non-digit
    EXPECT_EQ(color, 0x0001FF00u);
    ParseColor(L"1,2,3,4", color);
    EXPECT_EQ(color, 0x00030201u);
    ParseColor(L",,", color);
    EXPECT_EQ(color, 0u);
}

TEST(LayoutValueParserTest, ColourTextWithoutTwoCommasLeavesTheValue)
{
    COLORREF color = 0x00123456;
    ParseColor(L"", color);
    ParseColor(L"12,34", color);
    ParseColor(L"12", color);
    EXPECT_EQ(color, 0x00123456u);
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
    ParsePosition(L"1,2,3,", rect);
    EXPECT_EQ(rect, (LayoutRect{1, 2, 4, 2}));  // no height text reads as 0

    ParsePosition(L"1,2,3,4,5", rect);
    EXPECT_EQ(rect.bottom, 2 + 4);
}

TEST(LayoutValueParserTest, HostilePositionsWrapInsteadOfOverflowing)
{
    LayoutRect rect;
    ParsePosition(L"2147483647,-2147483648,10,-10", rect);
    EXPECT_EQ(rect.left, INT32_MAX);
    EXPECT_EQ(rect.right, INT32_MIN + 9);
    EXPECT_EQ(rect.bottom, INT32_MAX - 9);
}

TEST(LayoutValueParserTest, OffsetsNeedOneComma)
{
    LayoutPoint point{5, 5};
    ParseOffset(L"0", point);
    EXPECT_EQ(point, (LayoutPoint{5, 5}));
    ParseOffset(L"13,2", point);
    EXPECT_EQ(point, (LayoutPoint{13, 2}));
    ParseOffset(L"-1,6,9", point);
    EXPECT_EQ(point, (LayoutPoint{-1, 6}));
}

TEST(LayoutValueParserTest, StyleTokensAreFoundAnywhereAndCaseSensitively)
{
    EXPECT_EQ(ParseStyle(L"WS_CHILD|WS_VISIBLE"), 0x50000000u);
    EXPECT_EQ(ParseStyle(L"WS_VISIBLE|WS_CHILD"), 0x50000000u);
    EXPECT_EQ(ParseStyle(L"WS_CHILD|WS_VISIBLE|LVS_REPORT"), 0x50000001u);
    EXPECT_EQ(ParseStyle(L"LVS_REPORT"), 0x00000001u);
    EXPECT_EQ(ParseStyle(L"ws_child|ws_visible"), 0u);
    EXPECT_EQ(ParseStyle(L""), 0u);
    EXPECT_EQ(ParseStyle(L"xWS_CHILDx WS_VSCROLL"), 0x40200000u);  // part of a longer word still counts
    EXPECT_EQ(ParseStyle(L"WS_CHILD WS_CHILD"), 0x40000000u);
}

TEST(LayoutValueParserTest, EveryStyleTokenHasItsPublishedValue)
{
    const struct
    {
        const wchar_t* token;
        std::uint32_t value;
    } tokens[] = {
        {L"WS_CHILD", 0x40000000},      {L"WS_VISIBLE", 0x10000000},       {L"WS_CLIPCHILDREN", 0x02000000},
        {L"WS_VSCROLL", 0x00200000},    {L"TVS_SHOWSELALWAYS", 0x0020},    {L"TVS_HASBUTTONS", 0x0001},
        {L"TVS_HASLINES", 0x0002},      {L"TVS_INFOTIP", 0x0800},          {L"LVS_OWNERDRAWFIXED", 0x0400},
        {L"LVS_EX_FULLROWSELECT", 0x0020}, {L"LVS_REPORT", 0x0001},        {L"CBS_DROPDOWN", 0x0002},
        {L"CBS_AUTOHSCROLL", 0x0040},   {L"ES_AUTOHSCROLL", 0x0080},       {L"ES_NUMBER", 0x2000},
        {L"ES_READONLY", 0x0800},
    };
    std::uint32_t all = 0;
    std::wstring joined;
    for (const auto& [token, value] : tokens) {
        EXPECT_EQ(ParseStyle(token) & value, value) << token;
        all |= value;
        joined += std::wstring(token) + L"|";
    }
    EXPECT_EQ(ParseStyle(joined), all);
}
