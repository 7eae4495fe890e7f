#include "frame/BasicDialog.h"

#include "controls/ControlId.h"
#include "controls/WideText.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainterPath>
#include <QRegion>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>
#include <QVariant>

#include <algorithm>
#include <utility>

namespace {

// The empty dialog template: 320 by 200 dialog units in the system's fixed font.
constexpr QSize kTemplateSize{640, 375};

} // namespace

CBasicDialog::CBasicDialog(CLayoutLoader::DataRootProvider dataRoot)
    : QDialog(nullptr), CBasicLayoutFrame(std::move(dataRoot))
{
    // A borderless popup of its own in the taskbar, not a transient of another window.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    // Every paint covers the whole client area, so nothing is erased first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    // An alpha channel, so that the pixels outside an outline can be see-through.
    setAttribute(Qt::WA_TranslucentBackground);
    resize(kTemplateSize);
}

void CBasicDialog::LoadLayout(const std::wstring& relativePath, std::int32_t dialogId,
                              const std::wstring& skin)
{
    CBasicLayoutFrame::LoadLayout(relativePath, dialogId, skin);
    bTrackSize = 1;
}

void CBasicDialog::ApplyDialogInfo()
{
    const DialogLayoutInfo& info = dlgLayoutInfo;
    SetStateImage(std::wstring_view(info.DialogBGPath), 1, 0, 0);
    SetBackColor(info.DialogBGColor);
    nPaintMode = info.DlgPaintMode;
    SetDrawFont(std::wstring_view(info.DialogFont), info.DialogFontSize);
    SetForeColor(info.DlgTextColor);
    SetDrawText(std::wstring_view(info.DialogText), info.DlgTextOffSet.x, info.DlgTextOffSet.y);
    setWindowTitle(FromWide(info.DialogText));
    if (!info.strDialogBGColor.empty()) {
        // Children that paint with the window colour show the dialog's background colour.
        QPalette colours = palette();
        colours.setColor(QPalette::Window, QColor::fromRgba(ArgbFromLayoutColor(info.DialogBGColor)));
        setPalette(colours);
    }

    // The window stays where it is; the layout's right and bottom give its size (never larger
    // than the screen, all that a window's pixels could ever cover), and the stored rectangle
    // follows the window to its place. A window not yet placed is only sized: a position set
    // now would reach the window manager as one the user chose.
    const QPoint at = geometry().topLeft();
    const QSize size =
        OffscreenSize(*this, QSize(dlgLayoutInfo.DialogPos.right, dlgLayoutInfo.DialogPos.bottom));
    const int width = size.width();
    const int height = size.height();
    dlgLayoutInfo.DialogPos = {at.x(), at.y(), at.x() + width, at.y() + height};
    if (testAttribute(Qt::WA_Moved))
        setGeometry(at.x(), at.y(), width, height);
    else
        resize(width, height);
    update();
}

void CBasicDialog::ApplyCtrlInfo()
{
    ReleaseLayoutObjects();
    for (const auto& [ctrlId, info] : dlgLayoutInfo.mapCtrlInfo) {
        QWidget* child = FindDlgItem(*this, ctrlId);
        if (!child)
            continue;
        child->setGeometry(info.CtrlPos.left, info.CtrlPos.top, info.CtrlPos.Width(), info.CtrlPos.Height());
        child->setVisible(info.CtrlShow != 0);
        child->setProperty("text", FromWide(info.CtrlText));
        if (const QFont* font = CreateLayoutFont(info.CtrlFont, info.CtrlFontSize))
            child->setFont(*font);
        // A child with a control record draws its text in the record's colour.
        QPalette colours = child->palette();
        const QColor text = QColor::fromRgba(ArgbFromLayoutColor(info.CtrlTextColor));
        for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            colours.setColor(role, text);
        child->setPalette(colours);
    }
}

void CBasicDialog::DrawDialog(QPainter& painter)
{
    painter.fillRect(rect(), QColor::fromRgba(ArgbFromLayoutColor(dlgLayoutInfo.DialogBGColor)));
}

void CBasicDialog::OnSizeChanged(int /*type*/, int /*cx*/, int /*cy*/)
{
    TrackSizeChange(rect());
}

void CBasicDialog::SetRoundRegion()
{
    QPainterPath outline;
    outline.addRoundedRect(QRectF(0, 0, width() + 1, height() + 1), 2.5, 2.5);
    SetOutline(QRegion(outline.toFillPolygon().toPolygon()));
}

void CBasicDialog::SetOutline(const QRegion& shape)
{
    rgnOutline = shape;
    if (shape.isEmpty())
        clearMask();
    else
        setMask(shape);
    update();
}

void CBasicDialog::InitDialog()
{
    if (bInitialized)
        return;
    bInitialized = true;
    OnInitDialog();
}

void CBasicDialog::setVisible(bool visible)
{
    if (visible)
        InitDialog();
    QDialog::setVisible(visible);
}

bool CBasicDialog::OnInitDialog()
{
    return true;
}

void CBasicDialog::PlaceOnPointerScreen()
{
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    // A window larger than the area keeps its top-left corner (and so its caption) on it.
    const int x = area.left() + std::max(0, (area.width() - width()) / 2);
    const int y = area.top() + std::max(0, (area.height() - height()) / 2);
    move(x, y);
}

void CBasicDialog::showEvent(QShowEvent* event)
{
    // Opened like a dialog: centred where the user is looking, unless someone placed it.
    if (!event->spontaneous() && !testAttribute(Qt::WA_Moved))
        PlaceOnPointerScreen();
    QDialog::showEvent(event);
}

void CBasicDialog::paintEvent(QPaintEvent* /*event*/)
{
    buffer.Paint(*this, [this](QPainter& painter) {
        DrawDialog(painter);
        if (rgnOutline.isEmpty())
            return;
        painter.setClipRegion(QRegion(rect()) - rgnOutline);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(rect(), Qt::transparent);
    });
}

void CBasicDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    OnSizeChanged(0, event->size().width(), event->size().height());
}
