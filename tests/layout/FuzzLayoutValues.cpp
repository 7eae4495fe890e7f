// Feeds any text to the four value converters. The input is read as UTF-8 so that
// multi-byte and invalid sequences reach the converters as they would from a layout.

#include "layout/LayoutValueParser.h"
#include "layout/LocalPath.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::wstring text = WideFromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    LayoutColor color = 0;
    LayoutRect rect;
    LayoutPoint point;
    ParseInteger(text);
    ParseColor(text, color);
    ParsePosition(text, rect);
    ParseOffset(text, point);
    ParseStyle(text);
    ToLocalPath(text);
    return 0;
}
