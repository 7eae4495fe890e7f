#include "controls/ControlClassRegistry.h"

#include "controls/CheckBoxButton.h"
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

template <typename Control> bool Creates(std::wstring_view name)
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

TEST_F(ControlClassRegistryTest, SecondRegistrationOfANameLeavesTheFirst)
{
    ControlClassRegistry registry;
    RegisterStandardControlClasses(registry);
    const bool added = registry.Register(
        L"ShowTextCtrl", {ControlFamily::List, 0, [] { return std::make_unique<QWidget>(); }});
    EXPECT_FALSE(added);
    EXPECT_EQ(registry.Find(L"ShowTextCtrl")->family, ControlFamily::Display);
}

} // namespace
