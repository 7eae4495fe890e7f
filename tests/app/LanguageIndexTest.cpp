#include "app/LanguageIndex.h"

#include "platform/ScopedEnvironment.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

// What a user of each locale sees: the language of the window, through the locale's Windows
// language identifier, rather than the identifier table restated.
TEST(LanguageIndexTest, EachLocaleGetsTheWindowInItsLanguage)
{
    const struct
    {
        const char* locale;
        int index;
    } users[] = {
        {"en_US.UTF-8", 1},  {"sv_SE.UTF-8", 1},  {"zh_CN.UTF-8", 2},  {"zh_SG.UTF-8", 2},
        {"zh_HK.UTF-8", 2},  {"zh_MO.UTF-8", 2},  {"zh_TW.UTF-8", 3},  {"ja_JP.UTF-8", 4},
        {"de_DE.UTF-8", 5},  {"de_CH.UTF-8", 5},  {"de_LI.UTF-8", 5},  {"fr_CA.UTF-8", 6},
        {"fr_LU.UTF-8", 6},  {"ru_RU.UTF-8", 7},  {"ko_KR.UTF-8", 8},  {"pt_BR.UTF-8", 9},
        {"pt_PT.UTF-8", 9},  {"es_ES.UTF-8", 10}, {"es_PR.UTF-8", 10}, {"es_MX.UTF-8", 10},
        {"it_CH.UTF-8", 11}, {"nl_BE.UTF-8", 12}, {"pl_PL.UTF-8", 13}, {"da_DK.UTF-8", 14},
    };
    if (testsystem::IsWindows())
        GTEST_SKIP() << "the language is the user's UI language on Windows, not LC_ALL";
    for (const auto& [locale, index] : users) {
        const ScopedEnvironment env{{"LC_ALL", locale}};
        EXPECT_EQ(GetLanguageIndex(), index) << locale;
    }
}

TEST(LanguageIndexTest, TheWholeIdentifierCounts)
{
    // English, a Spanish and a German sub-language that are not listed, neutral and stray values.
    for (const std::uint16_t id : {1033, 2057, 21514, 6151, 7, 10, 0, 1024, 65535, 2052 + 65536 / 2})
        EXPECT_EQ(GetLanguageIndex(id), 1) << id;
}

TEST(LanguageIndexTest, FailureMessageByLanguage)
{
    const QString english = QStringLiteral("Failed to create the configuration file!");
    EXPECT_EQ(PrepareFailureMessage(2), QStringLiteral("创建配置文件失败!"));
    EXPECT_EQ(PrepareFailureMessage(3), QStringLiteral("創建配置文件失敗!"));
    EXPECT_EQ(PrepareFailureMessage(4), QStringLiteral("設定ファイルの作成に失敗しました!"));
    EXPECT_EQ(PrepareFailureMessage(5), QStringLiteral("Erstellung Konfigurationsdatei fehlgeschlagen!"));
    EXPECT_EQ(PrepareFailureMessage(6), QStringLiteral("La création du fichier de configuration a échoué!"));
    EXPECT_EQ(PrepareFailureMessage(9), QStringLiteral("Falha ao criar ficheiro config!"));
    EXPECT_EQ(PrepareFailureMessage(10), QStringLiteral("Error al crear el archivo de configuración!"));
    EXPECT_EQ(PrepareFailureMessage(11), QStringLiteral("Impossibile creare il file di configurazione!"));
    for (const int index : {1, 7, 8, 12, 13, 14, 0, 15, -1})
        EXPECT_EQ(PrepareFailureMessage(index), english) << index;
}
