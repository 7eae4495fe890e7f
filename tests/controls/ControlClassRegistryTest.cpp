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

#include "controls/QtTestApp.h"

#include <gtest/gtest.h>

namespace {

class ControlClassRegistryTest : public QtWidgetTest
{
};

template <typename Control>
bool Creates(std::wstring_view name)
{
    const std::unique_ptr<QWidget> control = ControlClassRegistry::Global().Create(name);
    return control && dynamic_cast<Control*>(control.get()) && PropertyFrameOf(control.get());
}

TEST_F(ControlClassRegistryTest, EveryStandardLayoutClassCreatesItsControl)
{
    EXPECT_TRUE(Creates<CStandardButton>(L"StandardButton"));
    EXPECT_TRUE(Creates<CDriftButton>(L"DriftButton"));
    EXPECT_TRUE(Creates<CCheckBoxButton>(L"CheckBoxButton"));
    EXPECT_TRUE(Creates<CRadioBoxButton>(L"RadioBoxButton"));
    EXPECT_TRUE(Creates<CShowTextCtrl>(L"ShowTextCtrl"));
    EXPECT_TRUE(Creates<CShowImageCtrl>(L"ShowImageCtrl"));
    EXPECT_TRUE(Creates<CShowTextImageCtrl>(L"ShowTextImageCtrl"));
    EXPECT_TRUE(Creates<CStandardListCtrl>(L"StandardListCtrl"));
    EXPECT_TRUE(Creates<CShowTaskListCtrl>(L"ShowTaskListCtrl"));
}

TEST_F(ControlClassRegistryTest, NamesMatchExactlyIncludingCase)
{
    const ControlClassRegistry& registry = ControlClassRegistry::Global();
    EXPECT_EQ(registry.Create(L"standardbutton"), nullptr);
    EXPECT_EQ(registry.Create(L"StandardButton "), nullptr);
    EXPECT_EQ(registry.Create(L""), nullptr);
}

TEST_F(ControlClassRegistryTest, FamiliesAndStepsFollowTheClass)
{
    const ControlClassRegistry& registry = ControlClassRegistry::Global();
    EXPECT_EQ(registry.Find(L"RadioBoxButton")->family, ControlFamily::Button);
    EXPECT_EQ(registry.Find(L"ShowImageCtrl")->family, ControlFamily::Display);
    EXPECT_EQ(registry.Find(L"StandardListCtrl")->family, ControlFamily::List);
    EXPECT_TRUE(registry.Find(L"DriftButton")->steps & kStepToolTip);
    EXPECT_FALSE(registry.Find(L"StandardButton")->steps & kStepToolTip);
    EXPECT_FALSE(registry.Find(L"ShowImageCtrl")->steps & kStepText);
    EXPECT_FALSE(registry.Find(L"ShowTextCtrl")->steps & kStepStateImage);
}

TEST_F(ControlClassRegistryTest, SecondRegistrationOfANameLeavesTheFirst)
{
    ControlClassRegistry registry;
    RegisterStandardControlClasses(registry);
    const bool added = registry.Register(
        L"ShowTextCtrl", {ControlFamily::List, 0, [] { return std::make_unique<QWidget>(); }});
    EXPECT_FALSE(added);
    EXPECT_EQ(registry.Find(L"ShowTextCtrl")->family, ControlFamily::Display);
}

TEST_F(ControlClassRegistryTest, CreatedWindowCarriesItsIdentifierAndShowCommand)
{
    QWidget parent;
    std::unique_ptr<QWidget> close = ControlClassRegistry::Global().Create(L"StandardButton");
    CreateControlWindow(*close, &parent, QRect(300, 10, 11, 11), 2103);
    ShowControlWindow(*close, 0);
    EXPECT_EQ(close->parentWidget(), &parent);
    EXPECT_EQ(close->geometry(), QRect(300, 10, 11, 11));
    EXPECT_EQ(GetDlgCtrlID(*close), 2103);
    EXPECT_EQ(FindDlgItem(parent, 2103), close.get());
    EXPECT_EQ(FindDlgItem(parent, 0), nullptr);
    EXPECT_TRUE(close->isHidden());
    ShowControlWindow(*close, 5);
    EXPECT_FALSE(close->isHidden());
}

} // namespace
