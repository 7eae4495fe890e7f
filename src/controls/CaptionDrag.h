#pragma once

// Moving a borderless window by pressing in its top strip, as if that strip were its title
// bar. The window system moves the window when it can; where it cannot (offscreen, some X11
// set-ups) the window follows the mouse until the button is released.

#include <QPoint>
#include <QPointer>

class QWidget;

// Height of the strip at the top of a borderless window that acts as its title bar.
inline constexpr int kCaptionHeight = 28;

class CCaptionDrag
{
public:
    // Starts moving `window` for a press at the global point `pressAt`.
    void Begin(QWidget* window, QPoint pressAt);
    // Follows the mouse during a manual move; false when no manual move is running.
    bool Move(QPoint mouseAt);
    void End();

    bool IsManual() const { return !pWindow.isNull(); }

private:
    QPointer<QWidget> pWindow;  // set only while a manual move runs
    QPoint ptPress;
    QPoint ptWindowStart;
};
