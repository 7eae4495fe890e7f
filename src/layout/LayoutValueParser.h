#pragma once

// Converters for the attribute values of a layout file. They write into their output only
// as far as the text allows and otherwise leave it as it was, so a field keeps its earlier
// value when the layout gives a short or empty text.

#include "layout/LayoutRecords.h"

#include <cstdint>
#include <string_view>

// Base-10 text to long, as the C library reads it (leading blanks and sign, stops at the
// first non-digit, no digits gives 0), clamped to the 32-bit signed range.
std::int32_t ParseInteger(std::wstring_view text);

// "r,g,b" -> LayoutColor; needs two commas. Only the low 8 bits of each part count.
void ParseColor(std::wstring_view text, LayoutColor& color);

// Layout files sit in the user's folder and are read back, so their coordinates are input:
// every number of a position or an offset is clamped to this range before it is used, far
// beyond any screen and far from where sums and differences of coordinates overflow.
inline constexpr std::int32_t kMaxLayoutCoordinate = 32767;

// "x,y,w,h" -> left, top, right = x + w, bottom = y + h, written progressively:
// after the first comma left, after the second top, after the third right and bottom.
// Each number is clamped to +-kMaxLayoutCoordinate first.
void ParsePosition(std::wstring_view text, LayoutRect& rect);

// "x,y" -> point; needs one comma. Each number is clamped to +-kMaxLayoutCoordinate.
void ParseOffset(std::wstring_view text, LayoutPoint& point);

// Window-style token names anywhere in the text, OR-ed together.
std::uint32_t ParseStyle(std::wstring_view text);
