#include "platform/Locale.h"

namespace Platform {

namespace {
struct Language {
    int primary;
    int lcid;
    const char* iso;
    const char* name;
};
// The languages DVDs commonly carry; the primary ids are the platform's own.
const Language kLanguages[] = {
    {0x01, 0x0401, "ar", "Arabic"},     {0x04, 0x0804, "zh", "Chinese"},
    {0x05, 0x0405, "cs", "Czech"},      {0x06, 0x0406, "da", "Danish"},
    {0x07, 0x0407, "de", "German"},     {0x08, 0x0408, "el", "Greek"},
    {0x09, 0x0409, "en", "English"},    {0x0A, 0x0C0A, "es", "Spanish"},
    {0x0B, 0x040B, "fi", "Finnish"},    {0x0C, 0x040C, "fr", "French"},
    {0x0D, 0x040D, "he", "Hebrew"},     {0x0E, 0x040E, "hu", "Hungarian"},
    {0x10, 0x0410, "it", "Italian"},    {0x11, 0x0411, "ja", "Japanese"},
    {0x12, 0x0412, "ko", "Korean"},     {0x13, 0x0413, "nl", "Dutch"},
    {0x14, 0x0414, "no", "Norwegian"},  {0x15, 0x0415, "pl", "Polish"},
    {0x16, 0x0416, "pt", "Portuguese"}, {0x19, 0x0419, "ru", "Russian"},
    {0x1D, 0x041D, "sv", "Swedish"},    {0x1E, 0x041E, "th", "Thai"},
    {0x1F, 0x041F, "tr", "Turkish"},    {0x21, 0x0421, "id", "Indonesian"},
};
} // namespace

QString englishLanguageName(int lcid)
{
    const int primary = lcid & 0x3FF;
    for (const Language& l : kLanguages) {
        if (l.primary == primary && lcid != 0) {
            return QString::fromLatin1(l.name);
        }
    }
    return QString();
}

int lcidFromIsoCode(const QString& code)
{
    const QString lower = code.left(2).toLower();
    for (const Language& l : kLanguages) {
        if (lower == QLatin1String(l.iso)) {
            return l.lcid;
        }
    }
    return 0;
}

} // namespace Platform
