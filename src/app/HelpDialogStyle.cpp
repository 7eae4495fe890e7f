#include "app/HelpDialogStyle.h"

#include <QWidget>

void ApplyHelpDialogStyle(QWidget& dialog)
{
    // The colours of the skin's background picture, its texts (244,245,247) and its list
    // (6,65,105 on white); the desktop's theme takes no part, as in the window itself.
    dialog.setStyleSheet(QStringLiteral("QDialog { background: rgb(20,78,128); }"
                                        "QLabel { color: rgb(244,245,247); }"
                                        "QLineEdit, QListWidget { background: white; color: rgb(6,65,105); "
                                        "border: 1px solid rgb(126,157,185); }"
                                        "QPushButton { background: rgb(244,245,247); color: rgb(6,65,105); "
                                        "border: 1px solid rgb(126,157,185);"
                                        " padding: 3px 10px; }"
                                        "QPushButton:focus { border: 2px solid rgb(255,200,60); }"
                                        "QPushButton:disabled { color: rgb(150,160,170); }"));
}
