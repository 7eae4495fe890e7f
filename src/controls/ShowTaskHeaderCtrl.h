#pragma once

// The task list's header. It keeps the device list header's separator picture, scroll
// offset and mouse handling, and differs only in what it draws under the titles: a vertical
// gradient from 0xFFA9BED3 at the top to 0xFFD9EAF6 at the bottom instead of a background
// picture, with the separators one pixel above the item's top edge. Titles and separators
// are drawn nScrollX pixels further left, so they move with the list's columns.

#include "controls/StandardHeaderCtrl.h"

class CShowTaskHeaderCtrl : public CStandardHeaderCtrl
{
    Q_OBJECT

public:
    explicit CShowTaskHeaderCtrl(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);

    void DrawHeaderItems(QPainter& painter) override;
};
