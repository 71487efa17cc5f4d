// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Locale.h"

#include <QLocale>

namespace Platform {

namespace {
constexpr int kMaxCodeLetters = 3;

QString isoCodeOf(int lcid)
{
    QString code;
    for (unsigned rest = unsigned(lcid); rest != 0; rest >>= 8) {
        code.prepend(QChar::fromLatin1(char(rest & 0xFF)));
    }
    return code;
}
} // namespace

int lcidFromIsoCode(const QString& code)
{
    const QString lower = code.trimmed().toLower();
    if (lower.isEmpty() || lower.size() > kMaxCodeLetters) {
        return 0;
    }
    unsigned lcid = 0;
    for (const QChar c : lower) {
        lcid = (lcid << 8) | (c.unicode() & 0xFF);
    }
    return int(lcid);
}

QString englishLanguageName(int lcid)
{
    const QString code = isoCodeOf(lcid);
    if (code.isEmpty()) {
        return QString();
    }
    // The language as a whole, not one of its written forms, as "no" means.
    if (code == QLatin1String("no")) {
        return QStringLiteral("Norwegian");
    }
    // Qt knows the ISO 639 codes, the withdrawn iw, in and ji among them, except two
    // that CLDR has dropped or folded into another language.
    if (code == QLatin1String("bh")) {
        return QStringLiteral("Bihari");
    }
    if (code == QLatin1String("tw")) {
        return QStringLiteral("Twi");
    }
    const QLocale::Language language = QLocale::codeToLanguage(code, QLocale::AnyLanguageCode);
    return language == QLocale::AnyLanguage || language == QLocale::C
               ? code
               : QLocale::languageToString(language);
}

} // namespace Platform
