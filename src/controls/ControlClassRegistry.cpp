#include "controls/ControlClassRegistry.h"

#include "controls/CheckBoxButton.h"
#include "controls/ControlId.h"
#include "controls/RadioBoxButton.h"
#include "controls/ShowImageCtrl.h"
#include "controls/ShowTaskListCtrl.h"
#include "controls/ShowTextCtrl.h"
#include "controls/ShowTextImageCtrl.h"
#include "controls/StandardButton.h"
#include "controls/StandardListCtrl.h"

namespace {

template <typename Control> ControlClass MakeClass(ControlFamily family, unsigned steps)
{
    return {family, steps, [] { return std::unique_ptr<QWidget>(new Control()); }};
}

constexpr unsigned kButtonSteps = kStepStateImage | kStepText | kStepFont | kStepTextColor;

} // namespace

bool ControlClassRegistry::Register(std::wstring name, ControlClass controlClass)
{
    return classes.try_emplace(std::move(name), std::move(controlClass)).second;
}

const ControlClass* ControlClassRegistry::Find(std::wstring_view name) const
{
    const auto found = classes.find(name);
    return found == classes.end() ? nullptr : &found->second;
}

std::unique_ptr<QWidget> ControlClassRegistry::Create(std::wstring_view name) const
{
    const ControlClass* controlClass = Find(name);
    if (!controlClass || !controlClass->create)
        return nullptr;
    return controlClass->create();
}

ControlClassRegistry& ControlClassRegistry::Global()
{
    static ControlClassRegistry registry = [] {
        ControlClassRegistry standard;
        RegisterStandardControlClasses(standard);
        return standard;
    }();
    return registry;
}

void RegisterStandardControlClasses(ControlClassRegistry& registry)
{
    using F = ControlFamily;
    registry.Register(L"StandardButton", MakeClass<CStandardButton>(F::Button, kButtonSteps));
    registry.Register(L"RadioBoxButton", MakeClass<CRadioBoxButton>(F::Button, kButtonSteps));
    registry.Register(L"CheckBoxButton", MakeClass<CCheckBoxButton>(F::Button, kButtonSteps));
    registry.Register(L"DriftButton", MakeClass<CDriftButton>(F::Button, kButtonSteps | kStepToolTip));
    registry.Register(L"ShowTextCtrl",
                      MakeClass<CShowTextCtrl>(F::Display, kStepText | kStepFont | kStepTextColor));
    registry.Register(L"ShowImageCtrl", MakeClass<CShowImageCtrl>(F::Display, kStepStateImage));
    registry.Register(L"ShowTextImageCtrl", MakeClass<CShowTextImageCtrl>(F::Display, kButtonSteps));
    registry.Register(L"StandardListCtrl", MakeClass<CStandardListCtrl>(F::List, kStepListFont));
    registry.Register(L"ShowTaskListCtrl", MakeClass<CShowTaskListCtrl>(F::List, kStepStateImage));
}

CBasicPropertyFrame* PropertyFrameOf(QWidget* control)
{
    return dynamic_cast<CBasicPropertyFrame*>(control);
}

void CreateControlWindow(QWidget& control, QWidget* parent, const QRect& rect, int ctrlId)
{
    control.setParent(parent);
    control.setGeometry(rect);
    SetDlgCtrlID(control, ctrlId);
}

void ShowControlWindow(QWidget& control, int showCommand)
{
    control.setVisible(showCommand != 0);
}
