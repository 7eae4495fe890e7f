#pragma once

// The look the window's small dialogs share with its skin: its dark blue ground, its light
// text, its list colours for fields and buttons.

class QWidget;

void ApplyHelpDialogStyle(QWidget& dialog);
