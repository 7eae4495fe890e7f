#pragma once

// Reads one window's part of a layout document into a DialogLayoutInfo, and answers the
// lookups by control identifier and string key that windows make after loading.
//
// The loader knows nothing of where the data root comes from: the caller hands in a
// provider, fetched once for every matching dialog that has the skin, so the loader stays
// free of the window framework and can be used by tools, tests and fuzzers alike.

#include "layout/LayoutRecords.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class CLayoutLoader
{
public:
    using DataRootProvider = std::function<std::wstring()>;

    // Larger files are treated as unreadable: a layout is a few kilobytes.
    static constexpr std::size_t kMaxLayoutFileSize = 4 * 1024 * 1024;

    explicit CLayoutLoader(DataRootProvider dataRoot);

    // 0 when the path is empty, 1 otherwise. A missing, unreadable, oversized or not
    // well-formed file leaves the records reset; so does a file without the dialog.
    int ParseLayout(const std::wstring& path, std::int32_t dialogId, const std::wstring& skin,
                    DialogLayoutInfo& info) const;

    // The same on a document already in memory (always 1).
    int ParseLayoutBuffer(std::string_view document, std::int32_t dialogId, const std::wstring& skin,
                          DialogLayoutInfo& info) const;

    // Data root + relative path; empty when the data root is empty.
    std::wstring MakeLayoutPath(const std::wstring& relative) const;

    // 0 and the record copied out when the control is known; 1 and `out` untouched otherwise.
    static int GetCtrlInfo(const DialogLayoutInfo& info, std::int32_t ctrlId, CtrlLayoutInfo& out);

    // The value of the key, or empty text when the key is absent.
    static std::wstring GetStringInfo(const DialogLayoutInfo& info, const std::wstring& key);

private:
    DataRootProvider dataRootProvider;
};
