// Feeds any bytes to the loader as a layout document and reads everything back.

#include "layout/LayoutLoader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const CLayoutLoader loader([] { return std::wstring(L"/data-root"); });
    const std::string_view document(reinterpret_cast<const char*>(data), size);
    DialogLayoutInfo info;
    for (const wchar_t* skin : {L"Standard", L""}) {
        loader.ParseLayoutBuffer(document, 201, skin, info);
        CtrlLayoutInfo ctrl;
        for (const auto& [id, record] : info.mapCtrlInfo)
            CLayoutLoader::GetCtrlInfo(info, id, ctrl);
        CLayoutLoader::GetStringInfo(info, L"SEARCH_DEVICE_WATI_TIME_WARNING");
    }
    return 0;
}
