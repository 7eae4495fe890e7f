#include "controls/StandardListCtrl.h"

#include "layout/LayoutValueParser.h"

#include <string>

namespace {

LayoutColor LayoutColorFromArgb(QRgb color)
{
    return static_cast<LayoutColor>(qRed(color)) | (static_cast<LayoutColor>(qGreen(color)) << 8) |
           (static_cast<LayoutColor>(qBlue(color)) << 16);
}

} // namespace

CStandardListCtrl::CStandardListCtrl(QWidget* parent)
    : CBasicListCtrl(parent), pHeader(new CStandardHeaderCtrl(Qt::Horizontal, this))
{
    setHeader(pHeader);
    SetUpHeader();
}

void CStandardListCtrl::SetHeaderFont(const QString& face, int size)
{
    pHeader->SetDrawFont(face, size);
    pHeader->TitleFontChanged();
    pHeader->viewport()->update();
}

void CStandardListCtrl::SetHeaderFont(std::wstring_view face, int size)
{
    pHeader->SetDrawFont(face, size);
    pHeader->TitleFontChanged();
    pHeader->viewport()->update();
}

void CStandardListCtrl::SetHeaderTextColor(std::wstring_view rgb)
{
    LayoutColor color = LayoutColorFromArgb(pHeader->clrText);
    ParseColor(rgb, color);
    pHeader->SetForeColor(color);
    pHeader->viewport()->update();
}

void CStandardListCtrl::SetHeaderTextColor(const QString& rgb)
{
    SetHeaderTextColor(std::wstring_view(rgb.toStdWString()));
}
