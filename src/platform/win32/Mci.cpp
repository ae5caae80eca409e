// SPDX-License-Identifier: GPL-3.0-or-later
// MCI on winmm: the commands go to mciSendCommandA as they are, and the
// notices arrive at a message-only window on the thread that made it.
#include "platform/Mci.h"

#include <cstddef>

#include "platform/win32/Winmm.h"

static_assert(sizeof(MCI_OPEN_PARMSA) == winmm::kOpenParamsSize);
static_assert(offsetof(MCI_OPEN_PARMSA, wDeviceID) == 8 && offsetof(MCI_OPEN_PARMSA, lpstrElementName) == 20);
static_assert(offsetof(MCI_PLAY_PARMS, dwTo) == 12 && offsetof(MCI_STATUS_PARMS, dwItem) == 16);
static_assert(sizeof(MCI_PLAY_PARMS) == winmm::kPlayParamsSize);
static_assert(sizeof(MCI_STATUS_PARMS) == winmm::kStatusParamsSize);
static_assert(sizeof(MCI_SEEK_PARMS) == winmm::kSeekParamsSize);
static_assert(sizeof(MCI_GENERIC_PARMS) == winmm::kGenericParamsSize);

namespace {

class WinmmMci final : public MciApi {
public:
    MCIERROR SendCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params) override {
        return winmm::SendCommand(device, message, flags, params);
    }
    bool GetErrorString(MCIERROR error, char* buffer, UINT length) override {
        return winmm::GetErrorString(error, buffer, length);
    }
};

class MessageWindowTarget final : public MciNotifyTarget {
public:
    MessageWindowTarget() : window_(winmm::CreateNoticeWindow(&Deliver, this)) {}
    ~MessageWindowTarget() override { winmm::DestroyNoticeWindow(window_); }
    DWORD_PTR Handle() const override { return window_; }

private:
    // Called from a window procedure, which nothing may unwind through: a
    // notice whose handler fails is dropped.
    static void Deliver(void* context, std::uint32_t outcome, std::uint32_t device) noexcept {
        auto* target = static_cast<MessageWindowTarget*>(context);
        try {
            if (target->onNotify) target->onNotify(outcome, device);
        } catch (...) {
        }
    }
    std::uintptr_t window_;
};

}  // namespace

std::unique_ptr<MciNotifyTarget> MakeMciNotifyTarget() { return std::make_unique<MessageWindowTarget>(); }

MciApi& PlatformMci() {
    static WinmmMci mci;
    return mci;
}
