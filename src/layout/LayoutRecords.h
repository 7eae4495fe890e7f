#pragma once

// The parsed layout of one window and of its controls. Plain records with no Qt, so the
// loader can be tested, fuzzed and reused by tools without a GUI.

#include <cstdint>
#include <map>
#include <string>

// A layout colour: red in the low byte, then green, then blue; the high byte is 0 (the
// Windows colour layout, so the values read the same on both systems).
using LayoutColor = std::uint32_t;

struct LayoutRect
{
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    std::int32_t Width() const { return right - left; }
    std::int32_t Height() const { return bottom - top; }
    bool operator==(const LayoutRect&) const = default;
};

struct LayoutPoint
{
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const LayoutPoint&) const = default;
};

struct CtrlLayoutInfo
{
    std::int32_t CtrlID = 0;
    std::wstring CtrlBGPath; // data root + the layout's path
    std::int32_t CtrlBGStatusCount = 0;
    std::wstring strCtrlBGColor;
    LayoutColor CtrlBGColor = 0;
    std::wstring strCtrlBorderColor;
    LayoutColor CtrlBorderColor = 0;
    std::int32_t CtrlPaintMode = 0;
    std::wstring CtrlClass;
    std::uint32_t CtrlStyle = 0;
    std::wstring CtrlDiscrip;
    std::wstring CtrlText;
    std::wstring strCtrlTextColor;
    LayoutColor CtrlTextColor = 0;
    LayoutPoint CtrlTextOffSet;
    std::wstring CtrlFont;
    std::int32_t CtrlFontSize = 0;
    std::int32_t CtrlPosType = 0;
    LayoutRect CtrlPos;
    std::int32_t CtrlShow = 0;

    bool operator==(const CtrlLayoutInfo&) const = default;
};

struct DialogLayoutInfo
{
    std::int32_t DialogID = 0; // 0 when no DialogInfo matched
    std::wstring DialogBGPath;
    std::wstring strDialogBGColor;
    LayoutColor DialogBGColor = 0;
    std::int32_t DlgPaintMode = 0;
    std::wstring DialogText;
    std::wstring DialogDiscrip;
    LayoutRect DialogPos;
    std::wstring strDlgTextColor;
    LayoutColor DlgTextColor = 0;
    LayoutPoint DlgTextOffSet;
    std::wstring DialogFont;
    std::int32_t DialogFontSize = 0;
    std::map<std::int32_t, CtrlLayoutInfo> mapCtrlInfo;
    std::map<std::wstring, std::wstring> mapStringInfo;

    void Reset() { *this = DialogLayoutInfo{}; }
};
