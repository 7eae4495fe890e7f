#include "controls/LayoutFontFallbacks.h"

#include <QFont>
#include <QStringList>

#include <mutex>

namespace {

// The Noto CJK faces first (fonts-noto-cjk), then the older Debian faces, then the small
// WenQuanYi face that covers all three scripts.
QStringList Japanese()
{
    return {QStringLiteral("Noto Serif CJK JP"),   QStringLiteral("Noto Sans CJK JP"),
            QStringLiteral("IPAMincho"),           QStringLiteral("IPAexMincho"),
            QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Droid Sans Fallback")};
}

QStringList SimplifiedChinese()
{
    return {QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC"),
            QStringLiteral("AR PL UMing CN"), QStringLiteral("WenQuanYi Micro Hei"),
            QStringLiteral("Droid Sans Fallback")};
}

QStringList TraditionalChinese()
{
    return {QStringLiteral("Noto Serif CJK TC"), QStringLiteral("Noto Sans CJK TC"),
            QStringLiteral("AR PL UMing TW"), QStringLiteral("WenQuanYi Micro Hei"),
            QStringLiteral("Droid Sans Fallback")};
}

} // namespace

void InstallLayoutFontFallbacks()
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        QFont::insertSubstitutions(QStringLiteral("MS Mincho"), Japanese());
        QFont::insertSubstitutions(QStringLiteral("SimSun"), SimplifiedChinese());
        QFont::insertSubstitutions(QStringLiteral("宋体"), SimplifiedChinese());
        QFont::insertSubstitutions(QStringLiteral("PMingLiU"), TraditionalChinese());
    });
}
