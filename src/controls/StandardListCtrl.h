#pragma once

// The list of layout class "StandardListCtrl": a skinned report list that owns a
// CStandardHeaderCtrl as its column header.

#include "controls/BasicListCtrl.h"
#include "controls/StandardHeaderCtrl.h"

#include <string_view>

class CStandardListCtrl : public CBasicListCtrl
{
    Q_OBJECT

public:
    explicit CStandardListCtrl(QWidget* parent = nullptr);

    CStandardHeaderCtrl& Header() { return *pHeader; }

    void SetSeparatorImage(const QString& path) { pHeader->SetSeparatorImage(path); }
    void SetSeparatorImage(std::wstring_view path) { pHeader->SetSeparatorImage(path); }
    void SetHeaderFont(const QString& face, int size);
    void SetHeaderFont(std::wstring_view face, int size);
    // "r,g,b" as in the layout; a text that is not a colour keeps the current colour.
    void SetHeaderTextColor(std::wstring_view rgb);
    void SetHeaderTextColor(const QString& rgb);

private:
    CStandardHeaderCtrl* pHeader; // the column header; owned by the view once set
};
