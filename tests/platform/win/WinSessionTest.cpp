// The session services of Windows: the data root and the user's interface language.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/SessionServices.h"
#include "platform/win/SessionQueries.h"

TEST(WinSession, DataRootIsTheOverrideOrTheUsersApplicationData)
{
    ASSERT_EQ(::_wputenv_s(L"TRAVELKIN_DATA_ROOT", L"C:\\data root"), 0);
    EXPECT_EQ(GetCommonTemplatesPath(), L"C:\\data root");
    ASSERT_EQ(::_wputenv_s(L"TRAVELKIN_DATA_ROOT", L""), 0);
    const std::wstring root = GetCommonTemplatesPath();
    EXPECT_NE(root.find(L"AppData\\Roaming"), std::wstring::npos) << std::string(root.begin(), root.end());
    EXPECT_EQ(SessionLanguageId(), UserInterfaceLanguage());
}
