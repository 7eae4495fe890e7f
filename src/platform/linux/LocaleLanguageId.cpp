#include "platform/linux/LocaleLanguageId.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace {

struct LocaleId
{
    std::string_view name; // "ll_CC", or "ll" for the language's primary country
    std::uint16_t id;
};

// Sorted by name for binary search.
constexpr std::array kLocaleIds = std::to_array<LocaleId>({
    {"da", 1030},     {"da_DK", 1030},  {"de", 1031},     {"de_AT", 3079},  {"de_CH", 2055},
    {"de_DE", 1031},  {"de_LI", 5127},  {"de_LU", 4103},  {"en", 1033},     {"en_AU", 3081},
    {"en_CA", 4105},  {"en_GB", 2057},  {"en_IE", 6153},  {"en_IN", 16393}, {"en_NZ", 5129},
    {"en_US", 1033},  {"en_ZA", 7177},  {"es", 3082},     {"es_AR", 11274}, {"es_BO", 16394},
    {"es_CL", 13322}, {"es_CO", 9226},  {"es_CR", 5130},  {"es_DO", 7178},  {"es_EC", 12298},
    {"es_ES", 3082},  {"es_GT", 4106},  {"es_HN", 18442}, {"es_MX", 2058},  {"es_NI", 19466},
    {"es_PA", 6154},  {"es_PE", 10250}, {"es_PR", 20490}, {"es_PY", 15370}, {"es_SV", 17418},
    {"es_UY", 14346}, {"es_VE", 8202},  {"fr", 1036},     {"fr_BE", 2060},  {"fr_CA", 3084},
    {"fr_CH", 4108},  {"fr_FR", 1036},  {"fr_LU", 5132},  {"it", 1040},     {"it_CH", 2064},
    {"it_IT", 1040},  {"ja", 1041},     {"ja_JP", 1041},  {"ko", 1042},     {"ko_KR", 1042},
    {"nl", 1043},     {"nl_BE", 2067},  {"nl_NL", 1043},  {"pl", 1045},     {"pl_PL", 1045},
    {"pt", 2070},     {"pt_BR", 1046},  {"pt_PT", 2070},  {"ru", 1049},     {"ru_RU", 1049},
    {"zh", 2052},     {"zh_CN", 2052},  {"zh_HK", 3076},  {"zh_MO", 5124},  {"zh_SG", 4100},
    {"zh_TW", 1028},
});

static_assert(std::ranges::is_sorted(kLocaleIds, {}, &LocaleId::name));

// "de_CH.UTF-8@euro" -> "de_CH"; "DE-ch" -> "de_CH".
std::string NormalisedName(std::string_view locale)
{
    locale = locale.substr(0, locale.find_first_of(".@"));
    std::string name;
    bool inCountry = false;
    for (const char c : locale) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '_' || c == '-') {
            inCountry = true;
            name += '_';
        } else {
            name += static_cast<char>(inCountry ? std::toupper(byte) : std::tolower(byte));
        }
    }
    return name;
}

} // namespace

std::uint16_t LanguageIdFromLocale(std::string_view locale)
{
    const std::string name = NormalisedName(locale);
    const auto found = std::ranges::lower_bound(kLocaleIds, std::string_view(name), {}, &LocaleId::name);
    if (found != kLocaleIds.end() && found->name == name)
        return found->id;
    return kLangIdEnglishUS;
}
