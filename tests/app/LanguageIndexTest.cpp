#include "app/LanguageIndex.h"

#include "platform/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

TEST(LanguageIndexTest, EveryListedIdentifierGivesItsLanguage)
{
    const struct
    {
        int index;
        std::initializer_list<std::uint16_t> ids;
    } table[] = {
        {2, {2052, 3076, 4100, 5124}},
        {3, {1028}},
        {4, {1041}},
        {5, {1031, 2055, 3079, 4103, 5127}},
        {6, {1036, 2060, 3084, 4108, 5132}},
        {7, {1049}},
        {8, {1042, 2066}},
        {9, {1046, 2070}},
        {10, {1034, 2058, 3082, 4106, 5130, 6154, 7178, 8202, 9226, 10250, 11274, 12298, 13322, 14346, 15370,
              16394, 17418, 18442, 19466, 20490}},
        {11, {1040, 2064}},
        {12, {1043, 2067}},
        {13, {1045}},
        {14, {1030}},
    };
    for (const auto& [index, ids] : table) {
        for (const std::uint16_t id : ids)
            EXPECT_EQ(GetLanguageIndex(id), index) << id;
    }
}

TEST(LanguageIndexTest, TheWholeIdentifierCounts)
{
    // English, a Spanish and a German sub-language that are not listed, neutral and stray values.
    for (const std::uint16_t id : {1033, 2057, 21514, 6151, 7, 10, 0, 1024, 65535, 2052 + 65536 / 2})
        EXPECT_EQ(GetLanguageIndex(id), 1) << id;
}

TEST(LanguageIndexTest, SystemLanguageComesFromTheLocale)
{
    const ScopedEnvironment env{{"LC_ALL", "zh_SG.UTF-8"}};
    EXPECT_EQ(GetLanguageIndex(), 2);
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
