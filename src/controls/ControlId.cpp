#include "controls/ControlId.h"

#include <QVariant>
#include <QWidget>

namespace {
constexpr const char* kCtrlIdProperty = "CtrlID";
}

void SetDlgCtrlID(QWidget& control, int id)
{
    control.setProperty(kCtrlIdProperty, id);
}

int GetDlgCtrlID(const QWidget& control)
{
    return control.property(kCtrlIdProperty).toInt();
}

QWidget* FindDlgItem(const QWidget& parent, int id)
{
    for (QWidget* child : parent.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QVariant value = child->property(kCtrlIdProperty);
        if (value.isValid() && value.toInt() == id)
            return child;
    }
    return nullptr;
}
