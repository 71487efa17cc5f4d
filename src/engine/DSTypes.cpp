// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/DSTypes.h"

namespace {
struct ErrorText {
    HRESULT hr;
    const char* text;
};

const ErrorText kErrorTexts[] = {
    {S_OK, "No error."},
    {S_FALSE, "The operation completed, but not every part of it could be done."},
    {E_FAIL, "Unspecified error."},
    {E_NOTIMPL, "Not implemented."},
    {E_NOINTERFACE, "No such interface supported."},
    {E_POINTER, "Invalid pointer."},
    {E_ACCESSDENIED, "Access is denied."},
    {E_INVALIDARG, "The parameter is incorrect."},
    {E_OUTOFMEMORY, "Not enough memory is available to complete this operation."},
    {E_FILE_NOT_FOUND, "The system cannot find the file specified."},
    {E_PATH_NOT_FOUND, "The system cannot find the path specified."},
    {VFW_E_NOT_FOUND, "An object or name was not found."},
    {VFW_E_CANNOT_RENDER, "No combination of filters could be found to render the stream."},
    {VFW_E_WRONG_STATE, "The operation could not be performed because the filter is in the "
                        "wrong state."},
    {VFW_E_TIMEOUT, "A time-out has expired."},
    {VFW_E_INVALID_FILE_FORMAT, "The file format is invalid."},
    {VFW_E_UNKNOWN_FILE_TYPE, "The media type of this file is not recognized."},
    {VFW_E_UNSUPPORTED_STREAM,
     "Cannot play back the file. The format is not supported or a decoder is missing."},
    {VFW_E_DVD_OPERATION_INHIBITED, "This user operation is prohibited by the content at "
                                    "this time."},
    {VFW_E_DVD_INVALIDDOMAIN, "This operation is not permitted in the current domain."},
    {VFW_E_DVD_GRAPHNOTREADY, "The DVD graph is not ready yet."},
    {VFW_E_DVD_RENDERFAIL, "Some basic error occurred in building the DVD graph."},
    {VFW_E_DVD_DECNOTENOUGH, "There are not enough decoders to decode all the DVD streams."},
    {E_DVD_ENCRYPTED, "This DVD is encrypted, and the DVD decryption library (libdvdcss) is not "
                      "installed.\nOn Debian, install the package libdvd-pkg from the contrib "
                      "section, then run: sudo dpkg-reconfigure libdvd-pkg"},
    {VFW_S_PARTIAL_RENDER, "Some of the streams in this movie are in an unsupported format."},
};
} // namespace

QString mediaErrorText(HRESULT hr)
{
    for (const auto& e : kErrorTexts) {
        if (e.hr == hr) {
            return QString::fromLatin1(e.text).left(255);
        }
    }
    return QStringLiteral("Unknown error 0x%1.")
        .arg(QString::number(quint32(hr), 16).toUpper().rightJustified(8, QLatin1Char('0')));
}

tagDVD_HMSF_TIMECODE hmsfFromEventParam(std::uint32_t param)
{
    // The record's four bytes in memory order: hours first.
    tagDVD_HMSF_TIMECODE t;
    t.bHours = std::uint8_t(param & 0xFF);
    t.bMinutes = std::uint8_t((param >> 8) & 0xFF);
    t.bSeconds = std::uint8_t((param >> 16) & 0xFF);
    t.bFrames = std::uint8_t((param >> 24) & 0xFF);
    return t;
}

tagDVD_TIMECODE timecodeFromEventParam(std::uint32_t param)
{
    // Taken from the most significant bits down: seven 4-bit fields, then two 2-bit ones.
    tagDVD_TIMECODE t;
    std::uint8_t* nibbles[] = {&t.Hours1,   &t.Hours10,   &t.Minutes1, &t.Minutes10,
                               &t.Seconds1, &t.Seconds10, &t.Frames1};
    int shift = 28;
    for (std::uint8_t* field : nibbles) {
        *field = std::uint8_t((param >> shift) & 0xF);
        shift -= 4;
    }
    t.Frames10 = std::uint8_t((param >> 2) & 0x3);
    t.FrameRateCode = std::uint8_t(param & 0x3);
    return t;
}
