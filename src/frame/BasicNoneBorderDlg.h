#pragma once

// A skinned dialog without caption or frame: its top strip acts as its title bar, and its
// outline is cut out of a bitmap where the bitmap has the key colour.

#include "controls/CaptionDrag.h"
#include "frame/BasicDialog.h"

#include <QRgb>
#include <QString>

// Pixels of this colour in the top rows of the shape bitmap are cut out of the window.
inline constexpr QRgb kShapeKeyColor = 0xFFD20A0A; // red 210, green 10, blue 10
// Only this many rows from the top are looked at: the window's top corners.
inline constexpr int kShapeRows = 35;

// The window's outline for a client rectangle: the rectangle without the key-coloured runs
// of the bitmap's top rows. A null bitmap cuts nothing.
QRegion ShapeFromKeyColor(const QImage& bitmap, const QRect& client);

class CBasicNoneBorderDlg : public CBasicDialog
{
    Q_OBJECT

public:
    explicit CBasicNoneBorderDlg(CLayoutLoader::DataRootProvider dataRoot);

    void SetShapeBitmap(const QString& path) { strShapeBitmap = path; }

    // Rebuilds the window's outline from strShapeBitmap; size tracking is not run.
    void OnSizeChanged(int type, int cx, int cy) override;

    QString strShapeBitmap;

protected:
    // Where a drag from the top strip starts the window move, with the press's global
    // point; a seam for tests.
    virtual void BeginCaptionDrag(QPoint globalPos);

private:
    CCaptionDrag drag; // watches this window's mouse events
};
