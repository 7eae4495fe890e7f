#include "app/LanguageIndex.h"

#include "platform/SessionServices.h"

#include <algorithm>
#include <array>
#include <span>

namespace {

struct LanguageGroup
{
    int index;
    std::span<const std::uint16_t> ids;
};

constexpr std::uint16_t kSimplifiedChinese[] = {2052, 3076, 4100, 5124};
constexpr std::uint16_t kTraditionalChinese[] = {1028};
constexpr std::uint16_t kJapanese[] = {1041};
constexpr std::uint16_t kGerman[] = {1031, 2055, 3079, 4103, 5127};
constexpr std::uint16_t kFrench[] = {1036, 2060, 3084, 4108, 5132};
constexpr std::uint16_t kRussian[] = {1049};
constexpr std::uint16_t kKorean[] = {1042, 2066};
constexpr std::uint16_t kPortuguese[] = {1046, 2070};
constexpr std::uint16_t kSpanish[] = {1034,  2058,  3082,  4106,  5130,  6154,  7178,  8202,  9226,  10250,
                                      11274, 12298, 13322, 14346, 15370, 16394, 17418, 18442, 19466, 20490};
constexpr std::uint16_t kItalian[] = {1040, 2064};
constexpr std::uint16_t kDutch[] = {1043, 2067};
constexpr std::uint16_t kPolish[] = {1045};
constexpr std::uint16_t kDanish[] = {1030};

constexpr std::array<LanguageGroup, 13> kLanguageGroups{{
    {2, kSimplifiedChinese}, {3, kTraditionalChinese}, {4, kJapanese}, {5, kGerman}, {6, kFrench},
    {7, kRussian}, {8, kKorean}, {9, kPortuguese}, {10, kSpanish}, {11, kItalian}, {12, kDutch},
    {13, kPolish}, {14, kDanish},
}};

constexpr int kEnglishIndex = 1;

} // namespace

int GetLanguageIndex(std::uint16_t languageId)
{
    // The whole identifier counts: a sub-language that is not listed is not the language.
    for (const LanguageGroup& group : kLanguageGroups) {
        if (std::ranges::find(group.ids, languageId) != group.ids.end())
            return group.index;
    }
    return kEnglishIndex;
}

int GetLanguageIndex()
{
    return GetLanguageIndex(GetSystemDefaultLangID());
}

QString PrepareFailureMessage(int languageIndex)
{
    switch (languageIndex) {
    case 2:
        return QStringLiteral("创建配置文件失败!");
    case 3:
        return QStringLiteral("創建配置文件失敗!");
    case 4:
        return QStringLiteral("設定ファイルの作成に失敗しました!");
    case 5:
        return QStringLiteral("Erstellung Konfigurationsdatei fehlgeschlagen!");
    case 6:
        return QStringLiteral("La création du fichier de configuration a échoué!");
    case 9:
        return QStringLiteral("Falha ao criar ficheiro config!");
    case 10:
        return QStringLiteral("Error al crear el archivo de configuración!");
    case 11:
        return QStringLiteral("Impossibile creare il file di configurazione!");
    default:
        return QStringLiteral("Failed to create the configuration file!");
    }
}
