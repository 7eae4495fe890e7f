#include "controls/StandardListCtrl.h"

#include "layout/LayoutValueParser.h"

#include <string>

namespace {

COLORREF ColorRefFromArgb(QRgb color)
{
    return static_cast<COLORREF>(qRed(color)) | (static_cast<COLORREF>(qGreen(color)) << 8) |
           (static_cast<COLORREF>(qBlue(color)) << 16);
}

} // namespace

CStandardListCtrl::CStandardListCtrl(QWidget* parent)
    : CBasicListCtrl(parent), header(new CStandardHeaderCtrl(Qt::Horizontal, this))
{
    setHeader(header);
    SetUpHeader();
}

void CStandardListCtrl::SetHeaderFont(const QString& face, int size)
{
    header->SetDrawFont(face, size);
    header->viewport()->update();
}

void CStandardListCtrl::SetHeaderFont(std::wstring_view face, int size)
{
    header->SetDrawFont(face, size);
    header->viewport()->update();
}

void CStandardListCtrl::SetHeaderTextColor(std::wstring_view rgb)
{
    COLORREF color = ColorRefFromArgb(header->clrText);
    ParseColor(rgb, color);
    header->SetForeColor(color);
    header->viewport()->update();
}

void CStandardListCtrl::SetHeaderTextColor(const QString& rgb)
{
    SetHeaderTextColor(std::wstring_view(rgb.toStdWString()));
}
