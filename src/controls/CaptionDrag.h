#pragma once

// Moving a borderless window by dragging in its top strip, as if that strip were its title
// bar. A press in the strip only arms the move; the move starts once the pointer has travelled
// the platform's drag distance with the left button still down, so a plain click never hands
// the window to the window system. The window system moves the window when it can; where it
// cannot (offscreen, some X11 set-ups) the window follows the mouse until the button is
// released.
//
// The drag watches the mouse events of one widget through an event filter, so the widgets
// that have a strip need no mouse handlers of their own for it.

#include <QObject>
#include <QPoint>
#include <QPointer>

#include <functional>

class QMouseEvent;
class QWidget;

// Height of the strip at the top of a borderless window that acts as its title bar.
inline constexpr int kCaptionHeight = 28;

class CCaptionDrag : public QObject
{
public:
    // Whether a press at a point of the watched widget lies in the strip.
    using StripTest = std::function<bool(QPoint)>;
    // Starts the move for a press at a global point; by default StartMove of the watched
    // widget's window.
    using Starter = std::function<void(QPoint)>;

    CCaptionDrag(QWidget* watched, StripTest inStrip, Starter start = {});

    // Moves `window` from a press at the global point `pressAt`: by the window system when it
    // takes the move, else by following the mouse.
    void StartMove(QWidget* window, QPoint pressAt);

    bool IsArmed() const { return bArmed; }
    bool IsManual() const { return !pWindow.isNull(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnPress(const QMouseEvent& event);
    // True when the event belonged to a manual move.
    bool OnMove(const QMouseEvent& event);
    void End();

    QWidget* pWatched;
    StripTest inStrip;
    Starter start;
    bool bArmed = false;
    QPoint ptPress;
    QPointer<QWidget> pWindow; // set only while a manual move runs
    QPoint ptWindowStart;
};
