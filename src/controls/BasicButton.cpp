#include "controls/BasicButton.h"

#include "controls/FocusFrame.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QPainter>

namespace {
// The focus frame sits this far inside the button, on its face.
constexpr int kFocusInset = 2;
} // namespace

CBasicButton::CBasicButton(QWidget* parent) : QAbstractButton(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    setCursor(Qt::PointingHandCursor);
    // Reached with Tab; a mouse click leaves the focus where it was (on the list).
    setFocusPolicy(Qt::TabFocus);
}

void CBasicButton::SetCheck(int state)
{
    bChecked = (state == ButtonChecked || state == ButtonIndeterminate) ? 1 : 0;
    update();
}

CBasicButton::StateImage CBasicButton::ChooseStateImage() const
{
    const QPoint offset(nImageX, nImageY);
    const auto pushState = [&]() -> StateImage {
        if (IsDisabled())
            return {3, nStateCount == 4 ? QPoint(0, 0) : offset};
        if (IsPressed())
            return {2, offset};
        if (bMouseIn)
            return {1, offset};
        return {0, offset};
    };
    switch (nStateCount) {
    case 2:
        return {bChecked ? 1 : 0, offset};
    case 4:
        return pushState();
    case 5:
        return bChecked ? StateImage{4, offset} : pushState();
    default:
        return {};
    }
}

void CBasicButton::DrawButton(QPainter& painter)
{
    PaintBackground(parentWidget(), this, painter);
    const StateImage state = ChooseStateImage();
    if (state.index >= 0)
        DrawStateSlice(painter, state.index, state.at);
    DrawButtonText(painter);
}

void CBasicButton::DrawButtonText(QPainter& painter)
{
    DrawTextLine(painter, IsPressed());
}

void CBasicButton::DrawTextLine(QPainter& painter, bool shiftPressed)
{
    if (strText.isEmpty() || !pFont)
        return;
    const QSize text = textLayout.Size(strText, *pFont, 0);
    int x = nTextX != 0 ? nTextX : (width() - text.width()) / 2;
    int y = nTextY != 0 ? nTextY : (height() - text.height()) / 2;
    if (shiftPressed) {
        ++x;
        ++y;
    }
    painter.setFont(*pFont);
    painter.setPen(QColor::fromRgba(clrText));
    painter.drawStaticText(QPoint(x, y), textLayout.Layout(strText, *pFont, 0));
}

void CBasicButton::OnClicked() {}

void CBasicButton::paintEvent(QPaintEvent* /*event*/)
{
    buffer.Paint(*this, [this](QPainter& painter) {
        DrawButton(painter);
        if (hasFocus())
            DrawFocusFrame(painter, rect().adjusted(kFocusInset, kFocusInset, -kFocusInset, -kFocusInset),
                           clrText);
    });
}

void CBasicButton::keyPressEvent(QKeyEvent* event)
{
    // Space presses the button as the base does; Enter presses it too, as on a dialog's
    // push buttons.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        if (isEnabled())
            click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void CBasicButton::enterEvent(QEnterEvent* event)
{
    bMouseIn = 1;
    update();
    QAbstractButton::enterEvent(event);
}

void CBasicButton::leaveEvent(QEvent* event)
{
    bMouseIn = 0;
    update();
    QAbstractButton::leaveEvent(event);
}

void CBasicButton::nextCheckState()
{
    // The buttons keep their own checked state; Qt's checkable machinery stays off.
    OnClicked();
}
