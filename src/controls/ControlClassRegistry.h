#pragma once

// Layout class names (a control's CtrlClass, matched exactly, case included) mapped to the
// control classes that the control factory creates for them, with the registry each family
// goes into and the skin steps that the factory applies to it.

#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

class CBasicPropertyFrame;

enum class ControlFamily
{
    Button,  // mapButtonCtrls
    Display, // mapShowCtrls
    List,    // mapListCtrls
};

// The factory's own steps for a class, in the order the factory runs them.
enum ControlStep : unsigned
{
    kStepStateImage = 0x01, // SetStateImage with CtrlBGPath and CtrlBGStatusCount
    kStepText = 0x02,       // SetDrawText with CtrlText and CtrlTextOffSet
    kStepFont = 0x04,       // SetDrawFont with CtrlFont and CtrlFontSize
    kStepTextColor = 0x08,  // clrText from CtrlTextColor
    kStepToolTip = 0x10,    // CreateToolTip with CtrlDiscrip
    kStepListFont = 0x20,   // the list's row font and text colour
};

struct ControlClass
{
    ControlFamily family = ControlFamily::Display;
    unsigned steps = 0;
    std::function<std::unique_ptr<QWidget>()> create;
};

class ControlClassRegistry
{
public:
    // False, and the first registration stays, when the name is taken.
    bool Register(std::wstring name, ControlClass controlClass);
    const ControlClass* Find(std::wstring_view name) const;
    // A new control without parent or window position; none for an unknown name.
    std::unique_ptr<QWidget> Create(std::wstring_view name) const;

    // The process's registry, holding the standard classes; the user-interface thread only.
    static ControlClassRegistry& Global();

private:
    std::map<std::wstring, ControlClass, std::less<>> classes;
};

// "StandardButton", "DriftButton", "CheckBoxButton", "RadioBoxButton", "ShowTextCtrl",
// "ShowImageCtrl", "ShowTextImageCtrl", "StandardListCtrl" and "ShowTaskListCtrl".
void RegisterStandardControlClasses(ControlClassRegistry& registry);

// The skin of a control made by a registry; none for other widgets.
CBasicPropertyFrame* PropertyFrameOf(QWidget* control);

// Gives a created control its window: parent, rectangle and control identifier.
void CreateControlWindow(QWidget& control, QWidget* parent, const QRect& rect, int ctrlId);
// Applies a layout show command: 0 hides the control, any other value shows it.
void ShowControlWindow(QWidget& control, int showCommand);
