#pragma once

// The control identifier (the layout's CtrlID) that every created control carries, so its
// parent can find it and tell its notifications apart.

class QWidget;

void SetDlgCtrlID(QWidget& control, int id);
// 0 when the widget carries no identifier.
int GetDlgCtrlID(const QWidget& control);
// The direct child of `parent` with that identifier, or none.
QWidget* FindDlgItem(const QWidget& parent, int id);
