#include "platform/SessionServices.h"
#include "platform/linux/LocaleLanguageId.h"

#include "platform/ScopedEnvironment.h"

#include <gtest/gtest.h>

TEST(LocaleLanguageIdTest, LocalesGiveTheIdentifierOfTheirLanguageAndCountry)
{
    const struct
    {
        const char* locale;
        std::uint16_t id;
    } cases[] = {
        {"de_CH", 2055},
        {"zh_HK.UTF-8", 3076},
        {"es_MX.utf8", 2058},
        {"de_DE.ISO-8859-15@euro", 1031},
        {"zh_TW.Big5", 1028},
        {"pt_BR", 1046},
        {"fr_CA", 3084},
        {"DE-ch", 2055},
        // A bare language gives its primary country.
        {"de", 1031},
        {"zh", 2052},
        {"pt.UTF-8", 2070},
        {"es", 3082},
        {"ja", 1041},
        // Neutral, unknown and malformed names give English (United States).
        {"", 1033},
        {"C", 1033},
        {"POSIX", 1033},
        {"C.UTF-8", 1033},
        {"xx_YY", 1033},
        {"de_XX", 1033},
        {"_", 1033},
        {"@", 1033},
        {"sr_RS@latin", 1033},
        {"\xff\xfe", 1033},
        {"en_US_extra", 1033},
    };
    for (const auto& [locale, id] : cases)
        EXPECT_EQ(LanguageIdFromLocale(locale), id) << locale;
}

TEST(SessionServicesTest, LanguageComesFromTheFirstLocaleVariableThatIsSet)
{
    {
        const ScopedEnvironment env{
            {"LC_ALL", "ja_JP.UTF-8"}, {"LC_MESSAGES", "de_DE.UTF-8"}, {"LANG", "fr_FR"}};
        EXPECT_EQ(SessionLanguageId(), 1041);
    }
    {
        const ScopedEnvironment env{{"LC_ALL", ""}, {"LC_MESSAGES", "de_AT.UTF-8"}, {"LANG", "fr_FR"}};
        EXPECT_EQ(SessionLanguageId(), 3079);
    }
    {
        const ScopedEnvironment env{{"LC_ALL", nullptr}, {"LC_MESSAGES", nullptr}, {"LANG", "it_CH.UTF-8"}};
        EXPECT_EQ(SessionLanguageId(), 2064);
    }
    {
        const ScopedEnvironment env{{"LC_ALL", nullptr}, {"LC_MESSAGES", nullptr}, {"LANG", nullptr}};
        EXPECT_EQ(SessionLanguageId(), 1033);
    }
}

TEST(SessionServicesTest, DataRootPrefersOverrideThenDataHomeThenHome)
{
    {
        const ScopedEnvironment env{
            {"TRAVELKIN_DATA_ROOT", "/override"}, {"XDG_DATA_HOME", "/xdg"}, {"HOME", "/home/u"}};
        EXPECT_EQ(GetCommonTemplatesPath(), L"/override");
    }
    {
        const ScopedEnvironment env{
            {"TRAVELKIN_DATA_ROOT", ""}, {"XDG_DATA_HOME", "/xdg/d\xC3\xA4ta"}, {"HOME", "/home/u"}};
        EXPECT_EQ(GetCommonTemplatesPath(), L"/xdg/d\u00E4ta");
    }
    {
        const ScopedEnvironment env{
            {"TRAVELKIN_DATA_ROOT", nullptr}, {"XDG_DATA_HOME", "relative"}, {"HOME", "/home/u"}};
        EXPECT_EQ(GetCommonTemplatesPath(), L"/home/u/.local/share");
    }
    {
        const ScopedEnvironment env{
            {"TRAVELKIN_DATA_ROOT", nullptr}, {"XDG_DATA_HOME", nullptr}, {"HOME", ""}};
        EXPECT_EQ(GetCommonTemplatesPath(), L"");
    }
}
