// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Result codes, event codes and the small records the media engine speaks in.
// The values are the ones the player and stored habits of the original platform use.

#include <QString>
#include <cstdint>

using HRESULT = std::int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = HRESULT(0x80004005u);
constexpr HRESULT E_NOTIMPL = HRESULT(0x80004001u);
constexpr HRESULT E_NOINTERFACE = HRESULT(0x80004002u);
constexpr HRESULT E_POINTER = HRESULT(0x80004003u);
constexpr HRESULT E_ACCESSDENIED = HRESULT(0x80070005u);
constexpr HRESULT E_INVALIDARG = HRESULT(0x80070057u);
constexpr HRESULT E_OUTOFMEMORY = HRESULT(0x8007000Eu);
constexpr HRESULT E_FILE_NOT_FOUND = HRESULT(0x80070002u); // from the file system error 2
constexpr HRESULT E_PATH_NOT_FOUND = HRESULT(0x80070003u);
constexpr HRESULT VFW_E_NOT_FOUND = HRESULT(0x80040216u);
constexpr HRESULT VFW_E_CANNOT_RENDER = HRESULT(0x80040218u);
constexpr HRESULT VFW_E_WRONG_STATE = HRESULT(0x80040227u);
constexpr HRESULT VFW_E_TIMEOUT = HRESULT(0x8004022Eu);
constexpr HRESULT VFW_E_INVALID_FILE_FORMAT = HRESULT(0x8004022Fu);
constexpr HRESULT VFW_E_UNKNOWN_FILE_TYPE = HRESULT(0x80040240u);
constexpr HRESULT VFW_E_UNSUPPORTED_STREAM = HRESULT(0x80040265u);
constexpr HRESULT VFW_E_DVD_OPERATION_INHIBITED = HRESULT(0x80040276u);
constexpr HRESULT VFW_E_DVD_INVALIDDOMAIN = HRESULT(0x80040277u);
constexpr HRESULT VFW_E_DVD_GRAPHNOTREADY = HRESULT(0x80040279u);
constexpr HRESULT VFW_E_DVD_RENDERFAIL = HRESULT(0x8004027Au);
constexpr HRESULT VFW_E_DVD_DECNOTENOUGH = HRESULT(0x8004027Bu);
// The player's own: an encrypted DVD, and no library here to decrypt it.
constexpr HRESULT E_DVD_ENCRYPTED = HRESULT(0x80040300u);
constexpr HRESULT VFW_S_PARTIAL_RENDER = HRESULT(0x00040242);

inline bool Succeeded(HRESULT hr)
{
    return hr >= 0;
}
inline bool Failed(HRESULT hr)
{
    return hr < 0;
}

// Graph event codes (the values of the original media graph).
enum : int {
    EC_COMPLETE = 0x01,
    EC_USERABORT = 0x02,
    EC_ERRORABORT = 0x03,
    EC_ERROR_STILLPLAYING = 0x08,
    EC_VIDEO_SIZE_CHANGED = 0x0A,
    EC_CLOCK_CHANGED = 0x0D,
    EC_PAUSED = 0x0E,
    EC_BUFFERING_DATA = 0x11,
    EC_DVD_DOMAIN_CHANGE = 0x101,
    EC_DVD_TITLE_CHANGE = 0x102,
    EC_DVD_CHAPTER_START = 0x103,
    EC_DVD_AUDIO_STREAM_CHANGE = 0x104,
    EC_DVD_SUBPICTURE_STREAM_CHANGE = 0x105,
    EC_DVD_PLAYBACK_RATE_CHANGE = 0x110, // param1: the new rate x 10000
    EC_DVD_PLAYBACK_STOPPED = 0x112,
    EC_DVD_CURRENT_HMSF_TIME = 0x11A,
};

// Positioning flags of the seeking interface.
enum : unsigned {
    AM_SEEKING_NoPositioning = 0,
    AM_SEEKING_AbsolutePositioning = 1,
    AM_SEEKING_RelativePositioning = 2,
    AM_SEEKING_IncrementalPositioning = 3,
};

// What a DVD render reports beside its result code.
struct AM_DVD_RENDERSTATUS {
    HRESULT hrVPEStatus = S_OK;
    bool bDvdVolInvalid = false;
    bool bDvdVolUnknown = false;
    bool bNoLine21In = false;
    bool bNoLine21Out = false;
    int iNumStreamsAttempted = 0;
    int iNumStreamsFailed = 0;
    std::uint32_t dwFailedStreamsFlag = 0;
};

constexpr int AM_DVD_HWDEC_PREFER = 1;

struct tagDVD_HMSF_TIMECODE {
    std::uint8_t bHours = 0, bMinutes = 0, bSeconds = 0, bFrames = 0;
};

struct tagDVD_TIMECODE {
    std::uint8_t Hours1 = 0, Hours10 = 0, Minutes1 = 0, Minutes10 = 0, Seconds1 = 0, Seconds10 = 0,
                 Frames1 = 0, Frames10 = 0, FrameRateCode = 0;
};

// The time-code records packed into event parameters.
tagDVD_HMSF_TIMECODE hmsfFromEventParam(std::uint32_t param);
tagDVD_TIMECODE timecodeFromEventParam(std::uint32_t param);

// The English text for a media result code, at most 255 characters.
QString mediaErrorText(HRESULT hr);
