#pragma once

// Base of the lists that draw everything themselves: the list keeps its items, texts,
// columns and selection states, while each paint renders the whole client area (the
// viewport) through one off-screen image: DrawList, which by default fills it with opaque
// white and calls DrawItems.

#include "controls/BasicListCtrl.h"
#include "controls/OffscreenBuffer.h"

class CBasicDrawListCtrl : public CBasicListCtrl
{
    Q_OBJECT

public:
    explicit CBasicDrawListCtrl(QWidget* parent = nullptr);

    // Paints the whole client area into the off-screen painter of client size.
    virtual void DrawList(QPainter& painter);
    // The rows; nothing here.
    virtual void DrawItems(QPainter& painter);
    // After every change of the client size: remembers the client rectangle in rcLast.
    virtual void OnSizeChanged(int type, int cx, int cy);

    // The area the list draws in, from (0, 0).
    QRect ClientRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    COffscreenBuffer buffer;
    QSize lastClientSize;
};
