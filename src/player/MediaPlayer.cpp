// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/MediaPlayer.h"

#include "core/Errors.h"

TMediaPlayer::TMediaPlayer(MciApi& mci) : mci_(mci) {}

TMediaPlayer::~TMediaPlayer() {
    if (MciDevice != 0) {
        MCI_GENERIC_PARMS params{};
        mci_.SendCommand(MciDevice, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&params));
    }
}

MciNotifyTarget& TMediaPlayer::NotificationWindow() {
    if (!notificationWindow_) {
        notificationWindow_ = MakeMciNotifyTarget();
        notificationWindow_->onNotify = [this](DWORD, MCIDEVICEID) {
            if (OnNotify) OnNotify(*this);
        };
    }
    return *notificationWindow_;
}

void TMediaPlayer::PlayerOpen() {
    MCI_OPEN_PARMSA params{};
    if (DeviceOpened) PlayerClose();
    params.dwCallback = NotificationWindow().Handle();
    params.lpstrDeviceType = "";
    params.lpstrElementName = FileName.c_str();
    LastMciResult = mci_.SendCommand(0, MCI_OPEN, MCI_WAIT | MCI_OPEN_ELEMENT, reinterpret_cast<DWORD_PTR>(&params));
    if (LastMciResult != 0) {
        char text[4096];
        throw EMCIDeviceError(mci_.GetErrorString(LastMciResult, text, sizeof text) ? Bytes(text)
                                                                                     : Bytes("原因不明のエラー"));
    }
    DeviceOpened = true;
    MciDevice = params.wDeviceID;
}

void TMediaPlayer::CheckOpen() const {
    if (!DeviceOpened) throw EMCIDeviceError("MCI デバイスがありません");
}

std::optional<DWORD> TMediaPlayer::StatusOf(DWORD item) {
    MCI_STATUS_PARMS params{};
    params.dwItem = item;
    LastMciResult = mci_.SendCommand(MciDevice, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT,
                                     reinterpret_cast<DWORD_PTR>(&params));
    if (LastMciResult != 0) return std::nullopt;
    return static_cast<DWORD>(params.dwReturn);
}

void TMediaPlayer::PlayerPlay() {
    CheckOpen();
    if (AutoRewind) {
        // A status the device did not give is no reason to rewind.
        const std::optional<DWORD> position = StatusOf(MCI_STATUS_POSITION);
        const std::optional<DWORD> length = position ? StatusOf(MCI_STATUS_LENGTH) : std::nullopt;
        if (position && length && *position == *length) {
            MCI_SEEK_PARMS seek{};
            mci_.SendCommand(MciDevice, MCI_SEEK, MCI_SEEK_TO_START | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&seek));
        }
    }
    MCI_PLAY_PARMS params{};
    params.dwCallback = NotificationWindow().Handle();
    LastMciResult = mci_.SendCommand(MciDevice, MCI_PLAY, MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&params));
}

void TMediaPlayer::PlayerStop() {
    CheckOpen();
    MCI_GENERIC_PARMS params{};
    params.dwCallback = NotificationWindow().Handle();
    LastMciResult = mci_.SendCommand(MciDevice, MCI_STOP, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&params));
}

void TMediaPlayer::PlayerClose() {
    if (MciDevice == 0) return;
    MCI_GENERIC_PARMS params{};
    params.dwCallback = NotificationWindow().Handle();
    LastMciResult = mci_.SendCommand(MciDevice, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&params));
    if (LastMciResult == 0) {
        DeviceOpened = false;
        MciDevice = 0;
    }
}
