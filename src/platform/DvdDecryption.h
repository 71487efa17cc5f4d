// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether encrypted DVDs can be read here: the DVD reading library decrypts them only
// when it can load libdvdcss, which Debian ships only in contrib, by way of libdvd-pkg.

namespace Platform {

bool dvdDecryptionAvailable();

} // namespace Platform
