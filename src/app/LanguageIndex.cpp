#include "app/LanguageIndex.h"

#include "platform/SessionServices.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>

namespace {

struct WindowLanguage
{
    int index;
    // Windows language identifiers, primary language and sub-language together.
    std::initializer_list<std::uint16_t> languageIds;
    // The "XML" resource of the layout variant; resources/layouts/languages/ gives each
    // variant its number.
    int layoutResource;
    const char* failureMessage; // UTF-8
};

constexpr int kEnglishLayout = 150;
constexpr const char* kEnglishFailure = "Failed to create the configuration file!";

// A plain array, not std::array: the identifier lists live as long as the table only when
// the table itself is initialised from the braces. Languages without texts of their own keep
// an index but show the English layout and message.
constexpr WindowLanguage kWindowLanguages[] = {
    {1, {}, kEnglishLayout, kEnglishFailure},                // English, and every identifier not listed
    {2, {2052, 3076, 4100, 5124}, 151, "创建配置文件失败!"}, // Chinese, simplified
    {3, {1028}, 152, "創建配置文件失敗!"},                   // Chinese, traditional
    {4, {1041}, 159, "設定ファイルの作成に失敗しました!"},   // Japanese
    {5, {1031, 2055, 3079, 4103, 5127}, 153, "Erstellung Konfigurationsdatei fehlgeschlagen!"},    // German
    {6, {1036, 2060, 3084, 4108, 5132}, 154, "La création du fichier de configuration a échoué!"}, // French
    {7, {1049}, kEnglishLayout, kEnglishFailure},                                                  // Russian
    {8, {1042, 2066}, kEnglishLayout, kEnglishFailure},                                            // Korean
    {9, {1046, 2070}, 155, "Falha ao criar ficheiro config!"}, // Portuguese
    {10,                                                       // Spanish
     {1034,  2058,  3082,  4106,  5130,  6154,  7178,  8202,  9226,  10250,
      11274, 12298, 13322, 14346, 15370, 16394, 17418, 18442, 19466, 20490},
     156,
     "Error al crear el archivo de configuración!"},
    {11, {1040, 2064}, 157, "Impossibile creare il file di configurazione!"}, // Italian
    {12, {1043, 2067}, kEnglishLayout, kEnglishFailure},                      // Dutch
    {13, {1045}, kEnglishLayout, kEnglishFailure},                            // Polish
    {14, {1030}, kEnglishLayout, kEnglishFailure},                            // Danish
};

constexpr const WindowLanguage& kEnglish = kWindowLanguages[0];

// An index outside the table is English, as an identifier outside it is.
const WindowLanguage& ByIndex(int languageIndex)
{
    const auto found = std::ranges::find(kWindowLanguages, languageIndex, &WindowLanguage::index);
    return found != std::end(kWindowLanguages) ? *found : kEnglish;
}

} // namespace

int GetLanguageIndex(std::uint16_t languageId)
{
    // The whole identifier counts: a sub-language that is not listed is not the language.
    for (const WindowLanguage& language : kWindowLanguages) {
        if (std::ranges::find(language.languageIds, languageId) != language.languageIds.end())
            return language.index;
    }
    return kEnglish.index;
}

int GetLanguageIndex()
{
    return GetLanguageIndex(SessionLanguageId());
}

int LayoutResourceId(int languageIndex)
{
    return ByIndex(languageIndex).layoutResource;
}

QString PrepareFailureMessage(int languageIndex)
{
    return QString::fromUtf8(ByIndex(languageIndex).failureMessage);
}
