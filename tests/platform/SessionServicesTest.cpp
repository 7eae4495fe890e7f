#include "platform/SessionServices.h"
#include "platform/linux/LocaleLanguageId.h"

#include "platform/ScopedEnvironment.h"

#include <gtest/gtest.h>

TEST(LocaleLanguageIdTest, CountryLocalesGiveTheirIdentifiers)
{
    EXPECT_EQ(LanguageIdFromLocale("de_CH"), 2055);
    EXPECT_EQ(LanguageIdFromLocale("zh_HK.UTF-8"), 3076);
    EXPECT_EQ(LanguageIdFromLocale("es_MX.utf8"), 2058);
    EXPECT_EQ(LanguageIdFromLocale("de_DE.ISO-8859-15@euro"), 1031);
    EXPECT_EQ(LanguageIdFromLocale("ja_JP.eucJP"), 1041);
    EXPECT_EQ(LanguageIdFromLocale("zh_TW.Big5"), 1028);
    EXPECT_EQ(LanguageIdFromLocale("pt_BR"), 1046);
    EXPECT_EQ(LanguageIdFromLocale("fr_CA"), 3084);
    EXPECT_EQ(LanguageIdFromLocale("en_GB.UTF-8"), 2057);
    EXPECT_EQ(LanguageIdFromLocale("DE-ch"), 2055);  // case and dash as some desktops write it
}

TEST(LocaleLanguageIdTest, BareLanguagesGiveTheirPrimaryCountry)
{
    EXPECT_EQ(LanguageIdFromLocale("de"), 1031);
    EXPECT_EQ(LanguageIdFromLocale("zh"), 2052);
    EXPECT_EQ(LanguageIdFromLocale("pt.UTF-8"), 2070);
    EXPECT_EQ(LanguageIdFromLocale("es"), 3082);
    EXPECT_EQ(LanguageIdFromLocale("ja"), 1041);
}

TEST(LocaleLanguageIdTest, UnknownAndNeutralLocalesGiveEnglish)
{
    for (const char* locale : {"", "C", "POSIX", "C.UTF-8", "xx_YY", "de_XX", "_", ".", "@", "de_", "sr_RS@latin",
                               "\xff\xfe", "en_US_extra"}) {
        EXPECT_EQ(LanguageIdFromLocale(locale), 1033) << locale;
    }
}

TEST(SessionServicesTest, LanguageComesFromTheFirstLocaleVariableThatIsSet)
{
    {
        const ScopedEnvironment env{{"LC_ALL", "ja_JP.UTF-8"}, {"LC_MESSAGES", "de_DE.UTF-8"}, {"LANG", "fr_FR"}};
        EXPECT_EQ(GetSystemDefaultLangID(), 1041);
    }
    {
        const ScopedEnvironment env{{"LC_ALL", ""}, {"LC_MESSAGES", "de_AT.UTF-8"}, {"LANG", "fr_FR"}};
        EXPECT_EQ(GetSystemDefaultLangID(), 3079);
    }
    {
        const ScopedEnvironment env{{"LC_ALL", nullptr}, {"LC_MESSAGES", nullptr}, {"LANG", "it_CH.UTF-8"}};
        EXPECT_EQ(GetSystemDefaultLangID(), 2064);
    }
    {
        const ScopedEnvironment env{{"LC_ALL", nullptr}, {"LC_MESSAGES", nullptr}, {"LANG", nullptr}};
        EXPECT_EQ(GetSystemDefaultLangID(), 1033);
    }
}

TEST(SessionServicesTest, DataRootPrefersOverrideThenDataHomeThenHome)
{
    {
        const ScopedEnvironment env{{"TRAVELKIN_DATA_ROOT", "/override"}, {"XDG_DATA_HOME", "/xdg"}, {"HOME", "/home/u"}};
        EXPECT_EQ(GetCommonTemplatesPath(), L"/override");
    }
    {
        const ScopedEnvironment env{{"TRAVELKIN_DATA_ROOT", ""}, {"XDG_DATA_HOME", "/xdg/d\xC3\xA4ta"}, {"HOME", "/home/u"}};
        EXPECT_EQ(GetCommonTemplatesPath(), L"/xdg/d\u00E4ta");
    }
    {
        const ScopedEnvironment env{{"TRAVELKIN_DATA_ROOT", nullptr}, {"XDG_DATA_HOME", "relative"}, {"HOME", "/home/u"}};
        EXPECT_EQ(GetCommonTemplatesPath(), L"/home/u/.local/share");
    }
    {
        const ScopedEnvironment env{{"TRAVELKIN_DATA_ROOT", nullptr}, {"XDG_DATA_HOME", nullptr}, {"HOME", ""}};
        EXPECT_EQ(GetCommonTemplatesPath(), L"");
    }
}
