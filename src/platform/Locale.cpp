#include "platform/Locale.h"

#include <QLocale>

namespace Platform {

namespace {
struct Language {
    int primary;
    int lcid;
    const char* iso;
};
// The languages DVDs commonly carry, under the platform's own locale ids.
const Language kLanguages[] = {
    {0x01, 0x0401, "ar"}, {0x02, 0x0402, "bg"}, {0x03, 0x0403, "ca"}, {0x04, 0x0804, "zh"},
    {0x05, 0x0405, "cs"}, {0x06, 0x0406, "da"}, {0x07, 0x0407, "de"}, {0x08, 0x0408, "el"},
    {0x09, 0x0409, "en"}, {0x0A, 0x0C0A, "es"}, {0x0B, 0x040B, "fi"}, {0x0C, 0x040C, "fr"},
    {0x0D, 0x040D, "he"}, {0x0E, 0x040E, "hu"}, {0x0F, 0x040F, "is"}, {0x10, 0x0410, "it"},
    {0x11, 0x0411, "ja"}, {0x12, 0x0412, "ko"}, {0x13, 0x0413, "nl"}, {0x14, 0x0414, "nb"},
    {0x15, 0x0415, "pl"}, {0x16, 0x0416, "pt"}, {0x18, 0x0418, "ro"}, {0x19, 0x0419, "ru"},
    {0x1A, 0x041A, "hr"}, {0x1B, 0x041B, "sk"}, {0x1D, 0x041D, "sv"}, {0x1E, 0x041E, "th"},
    {0x1F, 0x041F, "tr"}, {0x21, 0x0421, "id"}, {0x22, 0x0422, "uk"}, {0x24, 0x0424, "sl"},
    {0x25, 0x0425, "et"}, {0x26, 0x0426, "lv"}, {0x27, 0x0427, "lt"}, {0x29, 0x0429, "fa"},
    {0x2A, 0x042A, "vi"}, {0x39, 0x0439, "hi"}, {0x3E, 0x043E, "ms"},
};
} // namespace

QString englishLanguageName(int lcid)
{
    const int primary = lcid & 0x3FF;
    for (const Language& l : kLanguages) {
        if (l.primary == primary && lcid != 0) {
            const QLocale::Language language = QLocale(QString::fromLatin1(l.iso)).language();
            return language == QLocale::NorwegianBokmal
                       ? QStringLiteral("Norwegian") // the language, not one of its written forms
                       : QLocale::languageToString(language);
        }
    }
    return QString();
}

int lcidFromIsoCode(const QString& code)
{
    QString lower = code.left(2).toLower();
    if (lower == QLatin1String("no") || lower == QLatin1String("nn")) {
        lower = QStringLiteral("nb");
    }
    for (const Language& l : kLanguages) {
        if (lower == QLatin1String(l.iso)) {
            return l.lcid;
        }
    }
    return 0;
}

} // namespace Platform
