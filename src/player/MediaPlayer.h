// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>
#include <memory>
#include <optional>

#include "core/Bytes.h"
#include "platform/Mci.h"

enum class TMPDeviceTypes { dtAutoSelect };

// The audio player: opens the file named by FileName on an MCI device, plays
// from the current position, stops keeping the position, closes before every
// open and when it goes. It never shows anything.
class TMediaPlayer {
public:
    explicit TMediaPlayer(MciApi& mci = PlatformMci());
    ~TMediaPlayer();
    TMediaPlayer(const TMediaPlayer&) = delete;
    TMediaPlayer& operator=(const TMediaPlayer&) = delete;

    void PlayerOpen();
    void PlayerPlay();
    void PlayerStop();
    void PlayerClose();

    Bytes FileName;
    bool DeviceOpened = false;
    MCIDEVICEID MciDevice = 0;
    MCIERROR LastMciResult = 0;
    std::function<void(TMediaPlayer& sender)> OnNotify;

    const TMPDeviceTypes DeviceType = TMPDeviceTypes::dtAutoSelect;
    const bool Shareable = false;
    const bool AutoRewind = true;
    const bool AutoOpen = false;

    // The hidden window the completion notices arrive at, made when first needed.
    MciNotifyTarget& NotificationWindow();

private:
    void CheckOpen() const;
    std::optional<DWORD> StatusOf(DWORD item);

    MciApi& mci_;
    std::unique_ptr<MciNotifyTarget> notificationWindow_;
};
