#pragma once

// The device list's header: its background picture stretched over the header (without the
// picture's rightmost 50 columns and bottom 5 rows), a separator picture at each column edge
// and the centred column titles in the header's own font and colour.

#include "controls/BasicHeaderCtrl.h"

#include <string_view>

class CStandardHeaderCtrl : public CBasicHeaderCtrl
{
    Q_OBJECT

public:
    explicit CStandardHeaderCtrl(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);

    // A file that cannot be read leaves no separator picture.
    void SetSeparatorImage(const QString& path);
    void SetSeparatorImage(std::wstring_view path);

    void DrawHeaderItems(QPainter& painter) override;

    QImage pSeparator;
    int nSeparatorWidth = 0;
    int nSeparatorHeight = 0;
    int nScrollX = 0; // titles and separators are drawn this many pixels further left
    int bMouseIn = 0;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void DrawBackgroundPicture(QPainter& painter);

    // The background picture scaled to the header, kept until the size or picture changes.
    QImage scaledBackground;
    qint64 nScaledFrom = 0;
};
