// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <functional>
#include <memory>

// The Media Control Interface as the player sends it: command numbers, flags
// and parameter blocks with the platform's names and values.
#include "WindowsTypes.h"  // the backend's own
using MCIERROR = DWORD;
using MCIDEVICEID = UINT;

constexpr UINT MCI_OPEN = 0x0803;
constexpr UINT MCI_CLOSE = 0x0804;
constexpr UINT MCI_PLAY = 0x0806;
constexpr UINT MCI_SEEK = 0x0807;
constexpr UINT MCI_STOP = 0x0808;
constexpr UINT MCI_STATUS = 0x0814;

constexpr DWORD MCI_NOTIFY = 0x0001;
constexpr DWORD MCI_WAIT = 0x0002;
constexpr DWORD MCI_FROM = 0x0004;
constexpr DWORD MCI_TO = 0x0008;
constexpr DWORD MCI_SEEK_TO_START = 0x0100;
constexpr DWORD MCI_STATUS_ITEM = 0x0100;
constexpr DWORD MCI_OPEN_SHAREABLE = 0x0100;
constexpr DWORD MCI_OPEN_ELEMENT = 0x0200;
constexpr DWORD MCI_OPEN_TYPE = 0x2000;

constexpr DWORD MCI_STATUS_LENGTH = 1;
constexpr DWORD MCI_STATUS_POSITION = 2;

constexpr UINT MM_MCINOTIFY = 0x03B9;
constexpr DWORD MCI_NOTIFY_SUCCESSFUL = 1;
constexpr DWORD MCI_NOTIFY_SUPERSEDED = 2;
constexpr DWORD MCI_NOTIFY_ABORTED = 4;
constexpr DWORD MCI_NOTIFY_FAILURE = 8;

constexpr MCIERROR MCIERR_INVALID_DEVICE_ID = 257;
constexpr MCIERROR MCIERR_UNRECOGNIZED_COMMAND = 261;
constexpr MCIERROR MCIERR_HARDWARE = 262;
constexpr MCIERROR MCIERR_CANNOT_LOAD_DRIVER = 266;
constexpr MCIERROR MCIERR_UNSUPPORTED_FUNCTION = 274;
constexpr MCIERROR MCIERR_FILE_NOT_FOUND = 275;
constexpr MCIERROR MCIERR_DEVICE_NOT_READY = 276;
constexpr MCIERROR MCIERR_INTERNAL = 277;
constexpr MCIERROR MCIERR_INVALID_FILE = 296;
constexpr MCIERROR MCIERR_FILE_READ = 348;

// Packed to the byte, as winmm declares them, so that the player's blocks
// go to the platform unchanged.
#pragma pack(push, 1)
struct MCI_OPEN_PARMSA {
    DWORD_PTR dwCallback = 0;
    MCIDEVICEID wDeviceID = 0;
    const char* lpstrDeviceType = nullptr;
    const char* lpstrElementName = nullptr;
    const char* lpstrAlias = nullptr;
};
struct MCI_GENERIC_PARMS {
    DWORD_PTR dwCallback = 0;
};
struct MCI_PLAY_PARMS {
    DWORD_PTR dwCallback = 0;
    DWORD dwFrom = 0;
    DWORD dwTo = 0;
};
struct MCI_STATUS_PARMS {
    DWORD_PTR dwCallback = 0;
    DWORD_PTR dwReturn = 0;
    DWORD dwItem = 0;
    DWORD dwTrack = 0;
};
struct MCI_SEEK_PARMS {
    DWORD_PTR dwCallback = 0;
    DWORD dwTo = 0;
};
#pragma pack(pop)

// The two entries of the multimedia library the player calls. Tests put a
// recorder in place of the platform's.
class MciApi {
public:
    virtual ~MciApi() = default;
    virtual MCIERROR SendCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params) = 0;
    // Writes the text for `error` as a NUL-terminated string; false when there is none.
    virtual bool GetErrorString(MCIERROR error, char* buffer, UINT length) = 0;
};

// The platform's MCI.
MciApi& PlatformMci();

// A hidden window that receives MM_MCINOTIFY: its handle goes into a
// command's dwCallback, and each notice that arrives there is handed to
// onNotify on the thread that made the window.
class MciNotifyTarget {
public:
    virtual ~MciNotifyTarget() = default;
    virtual DWORD_PTR Handle() const = 0;
    std::function<void(DWORD outcome, MCIDEVICEID device)> onNotify;
};

// The platform's notification window.
std::unique_ptr<MciNotifyTarget> MakeMciNotifyTarget();
