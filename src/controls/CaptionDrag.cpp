#include "controls/CaptionDrag.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QStyleHints>
#include <QWidget>
#include <QWindow>

#include <utility>

CCaptionDrag::CCaptionDrag(QWidget* watched, StripTest stripTest, Starter starter)
    : pWatched(watched), inStrip(std::move(stripTest)), start(std::move(starter))
{
    if (!start)
        start = [this](QPoint pressAt) { StartMove(pWatched->window(), pressAt); };
    pWatched->installEventFilter(this);
}

void CCaptionDrag::StartMove(QWidget* window, QPoint pressAt)
{
    End();
    if (!window)
        return;
    if (QWindow* handle = window->windowHandle(); handle && handle->startSystemMove())
        return;
    pWindow = window;
    ptPress = pressAt;
    ptWindowStart = window->pos();
}

bool CCaptionDrag::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != pWatched)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        OnPress(*static_cast<QMouseEvent*>(event));
        return false;
    case QEvent::MouseMove:
        return OnMove(*static_cast<QMouseEvent*>(event));
    case QEvent::MouseButtonRelease:
        End();
        return false;
    default:
        return false;
    }
}

void CCaptionDrag::OnPress(const QMouseEvent& event)
{
    End();
    if (event.button() != Qt::LeftButton || !inStrip(event.position().toPoint()))
        return;
    bArmed = true;
    ptPress = event.globalPosition().toPoint();
}

bool CCaptionDrag::OnMove(const QMouseEvent& event)
{
    const QPoint mouseAt = event.globalPosition().toPoint();
    if (bArmed) {
        if (!(event.buttons() & Qt::LeftButton)) {
            bArmed = false; // the release went elsewhere: nothing to move
            return false;
        }
        if ((mouseAt - ptPress).manhattanLength() < QGuiApplication::styleHints()->startDragDistance())
            return false;
        bArmed = false;
        start(ptPress);
    }
    if (pWindow.isNull())
        return false;
    pWindow->move(ptWindowStart + (mouseAt - ptPress));
    return true;
}

void CCaptionDrag::End()
{
    bArmed = false;
    pWindow.clear();
}
