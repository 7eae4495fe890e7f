#pragma once

// Base of every skinned top-level window: a dialog that carries its own skin (property
// frame) and knows its layout (layout frame). The layout gives the window its size, colours,
// background, font, text and, through the control factory, all of its controls.

#include "controls/BasicPropertyFrame.h"
#include "controls/OffscreenBuffer.h"
#include "frame/BasicLayoutFrame.h"

#include <QDialog>
#include <QRegion>

class CBasicDialog : public QDialog, public CBasicPropertyFrame, public CBasicLayoutFrame
{
    Q_OBJECT

public:
    // The window has no parent and starts at the size of the empty dialog template.
    explicit CBasicDialog(CLayoutLoader::DataRootProvider dataRoot);

    // The base's steps, then size tracking on.
    void LoadLayout(const std::wstring& relativePath, std::int32_t dialogId,
                    const std::wstring& skin) override;
    // The window's own attributes: background image, colours, paint mode, font, text, title
    // and size, in that order.
    void ApplyDialogInfo() override;
    // Releases the previous load, then places the window's existing children by the control
    // records that carry their identifiers.
    void ApplyCtrlInfo() override;

    // Paints the whole client area into the off-screen painter: the dialog background colour.
    virtual void DrawDialog(QPainter& painter);
    // After every size change: reports the change against rcLast when bTrackSize is set,
    // then remembers the new client rectangle.
    virtual void OnSizeChanged(int type, int cx, int cy);
    // A rounded outline (corners of 5 by 5 pixels) for windows that want one.
    virtual void SetRoundRegion();

    // Runs OnInitDialog once; showing the window runs it first if nobody did.
    void InitDialog();
    void setVisible(bool visible) override;

protected:
    // Initialisation before the window is first shown; returns true.
    virtual bool OnInitDialog();

    // The image the current paint draws into; the parent surface that controls capture from.
    const QImage& PaintSurface() const { return buffer.Image(); }

    // Centres the window on the available area of the screen that holds the mouse pointer.
    void PlaceOnPointerScreen();
    // Cuts the window to `shape`: clicks land only inside it (the mask), and outside it the
    // window is painted transparent, so the desktop shows there under a compositor as well,
    // which takes no mask into account when it draws. An empty shape keeps the whole window.
    void SetOutline(const QRegion& shape);

    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    COffscreenBuffer buffer;
    QRegion rgnOutline; // empty: the whole client area
    bool bInitialized = false;
};
