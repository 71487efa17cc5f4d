#pragma once
// Language names for the locale ids that media streams are tagged with.

#include <QString>

namespace Platform {

// English name of the language of a Windows-style locale id (primary language in the
// low ten bits), e.g. 0x0409 -> "English"; empty for 0 or an unknown language.
QString englishLanguageName(int lcid);
// The locale id of an ISO 639-1 language code ("en" -> 0x0409), 0 when unknown.
int lcidFromIsoCode(const QString& code);

} // namespace Platform
