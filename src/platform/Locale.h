// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Language names for the language ids that media streams are tagged with.

#include <QString>

namespace Platform {

// A stream's language id is its ISO 639 code (as a disc stores it: "en", "fr", or a
// three-letter code), its letters packed into one number, first letter highest:
// "en" -> 0x656E. 0 means no language. Every code has an id, known to us or not.
int lcidFromIsoCode(const QString& code);
// English name of the language of such an id, e.g. 0x656E -> "English"; a code no
// language table knows is shown as the code itself; empty for 0.
QString englishLanguageName(int lcid);

} // namespace Platform
